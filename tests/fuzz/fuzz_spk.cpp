// A design parameter file (.spk) read as the programs read it, then the parameter
// report and the fault check Calculate starts with, which convert its numbers.
#include "design/design_file.h"
#include "fuzz_file.h"
#include "synthesis/calculate.h"
#include "synthesis/parameters.h"
#include "ui/scripted_toolkit.h"

#include <memory>

using namespace tanvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::scratchFile(data, size, ".spk");
    ui::ScriptedToolkit tk;
    auto design = std::make_unique<Design>();
    newDesign(design->entries);
    if (readSpecFile(path, *design, false, tk) != 0) return 0;
    synthesis::unusableParameter(design->record);
    synthesis::parameterReport(*design);
    return 0;
}
