// Impedance data (.frx) and curve-fit (.fit) files read for a data branch as
// a sweep reads them, then interpolated across, below and above their range;
// and equalizer tables (.eqd) read and looked up. The first input byte
// chooses the kind.
#include "analysis/data_files.h"
#include "design/design_file.h"
#include "fuzz_file.h"
#include "ui/scripted_toolkit.h"

#include <memory>
#include <string>

using namespace tanvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int kind = data[0] % 3;
    const bool fit = kind == 1;
    const std::string path = fuzz::scratchFile(data + 1, size - 1,
                                               kind == 2 ? ".eqd"
                                               : fit     ? ".fit"
                                                         : ".frx");
    const std::string base =
        path.substr(path.rfind('/') + 1, path.rfind('.') - path.rfind('/') - 1);
    auto design = std::make_unique<Design>();
    newDesign(design->entries);
    setEntry(design->entries, 0, 50.0, 'R', 1);
    setEntry(design->entries, 1, fit ? -8.0 : -9.0, 'J', 22);
    setEntry(design->entries, 2, 50.0, 'R', 1);
    setEntry(design->entries, 3, 1e6, 'x', 1);
    design->record[14].setText(base);
    ui::ScriptedToolkit tk;
    analysis::DataFileServices services(*design, tk);
    services.directory = "/tmp";
    services.stopOnMissingFile = true;
    if (kind == 2) {
        tk.answer(base);
        double v = 0;
        if (services.dataValue(1e6, analysis::kLoadAndValue, v) != analysis::DataAnswer::kReady)
            return 0;
        for (double f : {1.0, 1e3, 1e6, 5e6, 1e9, 1e12})
            services.dataValue(f, analysis::kValueAt, v);
        return 0;
    }
    for (double f : {1.0, 1e3, 1e6, 5e6, 1e9, 1e12}) {
        double r = 0, x = 0;
        if (services.dataImpedance(f, 1, r, x) == analysis::DataAnswer::kUnavailable) break;
    }
    return 0;
}
