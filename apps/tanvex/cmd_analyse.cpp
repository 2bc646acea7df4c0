// tanvex analyse: sweeps a saved design with the network analysis engine and
// prints the analysis table (or CSV in SI units).
#include "commands.h"
#include "sweep_args.h"

#include "analysis/analysis_constants.h"
#include "analysis/sweep.h"
#include "design/design_file.h"
#include "design/text_io.h"
#include "outputs/analysis_table.h"
#include "ui/scripted_toolkit.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace tanvex;

namespace {

const char* const kUsage =
    "Usage: tanvex analyse NAME [options]\n"
    "\n"
    "Sweeps the design NAME (NAME.spk and NAME.dzn in the working directory) and\n"
    "prints the analysis table: frequency, return loss, attenuation, group delay,\n"
    "phase and the source-end impedance (or the impedance at a report tap).\n"
    "The design's saved sweep and component Q values are the defaults.\n"
    "Frequencies are given in the design's display unit (for example MHz).\n"
    "Data branches read their .frx / .fit files from the working directory.\n"
    "\n"
    "Options:\n";

const char* const kUsageTail =
    "  --csv               print CSV in SI units instead of the table:\n"
    "                      frequency_hz,return_loss_db,attenuation_db,\n"
    "                      group_delay_s,phase_deg,r_ohm,x_ohm\n"
    "  --help              this text\n"
    "\n"
    "At most 1000 points. Exit status: 0 done, 1 the analysis failed (its message\n"
    "is on standard error), 2 bad options or a design that cannot be read.\n";

} // namespace

int cmdAnalyse(int argc, char** argv) {
    std::string name;
    cli::SweepArgs args;
    bool csv = false;

    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            std::fputs(kUsage, stdout);
            std::fputs(cli::kSweepOptionsHelp, stdout);
            std::fputs(kUsageTail, stdout);
            return 0;
        } else if (!std::strcmp(a, "--csv")) {
            csv = true;
        } else if (const int r = cli::parseSweepOption("analyse", argc, argv, i, args)) {
            if (r == 2) return 2;
        } else if (a[0] == '-' && a[1] != '\0') {
            return cli::usageError("analyse", "unknown option", a);
        } else if (name.empty()) {
            name = a;
        } else {
            return cli::usageError("analyse", "only one design name may be given; also got", a);
        }
    }
    if (name.empty()) return cli::usageError("analyse", "no design name given");
    if (cli::checkSweepArgs("analyse", args)) return 2;

    ui::BatchToolkit toolkit;
    Design design;
    const int loaded = loadDesign(design, "", name, toolkit);
    if (loaded & (kDznFailed | kNetworkTooBig | kFileMalformed | kNameTooLong)) {
        std::fprintf(stderr, "tanvex analyse: cannot read the design '%s' (%s.dzn)\n", name.c_str(),
                     name.c_str());
        return 2;
    }
    cli::SweepResult result;
    if (cli::sweepDesign(design, args, toolkit, result) != 0) return 1;

    if (csv) {
        // Formatted into one buffer and written at once: the numbers are
        // those of "%.10g".
        std::string out = "frequency_hz,return_loss_db,attenuation_db,group_delay_s,phase_deg,"
                          "r_ohm,x_ohm\n";
        out.reserve(out.size() + result.points.size() * 7 * 18);
        char buf[32];
        const auto put = [&](double v, char end) {
            out.append(buf, formatGeneral(buf, v, 10));
            out.push_back(end);
        };
        for (const auto& p : result.points) {
            put(p.frequency, ',');
            put(p.returnLoss, ',');
            put(p.attenuation, ',');
            put(p.delay, ',');
            put(p.phase, ',');
            put(p.r, ',');
            put(p.x, '\n');
        }
        std::fwrite(out.data(), 1, out.size(), stdout);
        return 0;
    }
    for (const std::string& line :
         outputs::tableOf(design, result.table, result.fastDelay, result.points).lines())
        std::printf("%s\n", line.c_str());
    return 0;
}
