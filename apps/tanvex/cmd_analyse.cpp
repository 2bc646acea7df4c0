// tanvex analyse: sweeps a saved design with the network analysis engine and
// prints the analysis table (or CSV in SI units).
#include "commands.h"
#include "sweep_args.h"

#include "analysis/analysis_constants.h"
#include "analysis/data_services.h"
#include "analysis/sweep.h"
#include "design/design_file.h"
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
    "\n"
    "Options:\n"
    "%s"
    "  --csv               print CSV in SI units instead of the table:\n"
    "                      frequency_hz,return_loss_db,attenuation_db,\n"
    "                      group_delay_s,phase_deg,r_ohm,x_ohm\n"
    "  --help              this text\n"
    "\n"
    "At most 1000 points. Exit status: 0 done, 1 the analysis failed (its message\n"
    "is on standard error), 2 bad options or a design that cannot be read.\n";

struct Collector : analysis::SweepObserver {
    std::vector<analysis::PointValues> points;
    void point(int, const analysis::PointValues& v, const analysis::NetworkInterpreter&) override {
        points.push_back(v);
    }
};

} // namespace

int cmdAnalyse(int argc, char** argv) {
    std::string name;
    cli::SweepArgs sweepArgs;
    bool csv = false;

    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            std::printf(kUsage, cli::kSweepOptionsHelp);
            return 0;
        } else if (!std::strcmp(a, "--csv")) {
            csv = true;
        } else if (const int r = cli::parseSweepArg("analyse", argc, argv, i, sweepArgs); r != 0) {
            if (r < 0) return 2;
        } else if (a[0] == '-' && a[1] != '\0') {
            return cli::usageError("analyse", "unknown option", a);
        } else if (name.empty()) {
            name = a;
        } else {
            return cli::usageError("analyse", "only one design name may be given; also got", a);
        }
    }
    if (name.empty()) return cli::usageError("analyse", "no design name given");
    if (const int r = cli::checkSweepArgs("analyse", sweepArgs); r != 0) return r;

    ui::BatchToolkit toolkit;
    Design design;
    const int loaded = loadDesign(design, "", name, toolkit);
    if (loaded & (kDznFailed | kNetworkTooBig | kFileMalformed | kNameTooLong)) {
        std::fprintf(stderr, "tanvex analyse: cannot read the design '%s' (%s.dzn)\n", name.c_str(),
                     name.c_str());
        return 2;
    }

    analysis::SweepOptions options;
    cli::applySweepArgs(sweepArgs, design, options);

    analysis::ResultsTable table;
    analysis::NoDataServices data(toolkit);
    analysis::NoAnalysisViews views;
    analysis::SweepEvaluator sweep(design, table, options, toolkit, data, views);
    Collector collector;
    sweep.setObserver(&collector);
    if (sweep.analyse(1) != 0) return 1;

    if (csv) {
        std::printf("frequency_hz,return_loss_db,attenuation_db,group_delay_s,phase_deg,r_ohm,"
                    "x_ohm\n");
        for (const auto& p : collector.points)
            std::printf("%.10g,%.10g,%.10g,%.10g,%.10g,%.10g,%.10g\n", p.frequency, p.returnLoss,
                        p.attenuation, p.delay, p.phase, p.r, p.x);
        return 0;
    }
    const analysis::ResultRecord& h = table.records[0];
    std::printf("   Inductor Q=%g  Cap. Q=%g Trans. Q=%g%s\n", h[analysis::kHeaderQl],
                h[analysis::kHeaderQc], h[analysis::kHeaderQt],
                options.fastDelay ? "  (Fast delay)" : "");
    std::printf("   Frequency   Rtn. loss    Atten.       Delay       Phase       Impedance\n");
    std::printf("    (%s)       (dB)        (dB)        (%s)      (Deg.)       R  +-jX\n",
                design.notation.frequency.name.c_str(), design.notation.time.name.c_str());
    const double fm = design.notation.frequency.multiplier;
    const double tm = design.notation.time.multiplier;
    for (const auto& p : collector.points)
        std::printf("  %9.3f %11.3f %11.3f %11.3f %11.3f %7.2f %7.2f \n", p.frequency * fm,
                    p.returnLoss, p.attenuation, p.delay * tm, p.phase, p.r, p.x);
    return 0;
}
