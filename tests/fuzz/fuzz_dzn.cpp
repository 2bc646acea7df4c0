// A network file read as the programs read it, and when it is accepted, swept
// at a few frequencies by the interpreter, as `tanvex analyse` does.
#include "analysis/sweep.h"
#include "design/design_file.h"
#include "fuzz_file.h"
#include "ui/scripted_toolkit.h"

#include <memory>

using namespace tanvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::scratchFile(data, size, ".dzn");
    ui::ScriptedToolkit tk;
    auto design = std::make_unique<Design>();
    newDesign(design->entries);
    if (readNetworkInto(path, design->entries, design->names, 0, tk, true) != 0) return 0;
    design->analysis = {1.0, 100.0, -5.0, 100.0, 1000.0, 0.0, 1.0};
    completeSettingsString(design->record);
    auto table = std::make_unique<analysis::ResultsTable>();
    analysis::SweepOptions options;
    analysis::NoDataServices services(tk);
    analysis::NoAnalysisViews views;
    analysis::SweepEvaluator sweep(*design, *table, options, tk, services, views);
    sweep.analyse(1);
    return 0;
}
