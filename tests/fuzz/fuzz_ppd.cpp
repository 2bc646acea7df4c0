// A pole placer file read as the programs read it.
#include "design/design_file.h"
#include "fuzz_file.h"
#include "ui/scripted_toolkit.h"

using namespace tanvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::scratchFile(data, size, ".ppd");
    ui::ScriptedToolkit tk;
    PolePlacerData placer{};
    readPolePlacerFile(path, placer, tk);
    return 0;
}
