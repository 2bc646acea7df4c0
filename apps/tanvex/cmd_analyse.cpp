// tanvex analyse: sweeps a saved design with the network analysis engine and
// prints the analysis table (or CSV in SI units).
#include "commands.h"

#include "analysis/analysis_constants.h"
#include "analysis/data_files.h"
#include "analysis/sweep.h"
#include "design/design_file.h"
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
    "\n"
    "Options:\n"
    "  --from F            start frequency\n"
    "  --to F              stop frequency (0: a single frequency at the start)\n"
    "  --points N          number of points (1: a single frequency; a design\n"
    "                      saved without a step gives 225)\n"
    "  --step S            frequency step (instead of --points)\n"
    "  --spacing linear|log|auto\n"
    "                      point spacing; auto is logarithmic when the stop is\n"
    "                      more than 20 times the start\n"
    "  --delay precise|fast|auto\n"
    "                      group delay method: precise walks every point twice,\n"
    "                      fast differences neighbouring points, auto is fast\n"
    "                      from 50 points on\n"
    "  --q QL,QC,QT        inductor, capacitor and line Q (0 = infinite)\n"
    "  --csv               print CSV in SI units instead of the table:\n"
    "                      frequency_hz,return_loss_db,attenuation_db,\n"
    "                      group_delay_s,phase_deg,r_ohm,x_ohm\n"
    "  --help              this text\n"
    "\n"
    "At most 1000 points. Exit status: 0 done, 1 the analysis failed (its message\n"
    "is on standard error), 2 bad options or a design that cannot be read.\n";

bool parseNumber(const char* text, double& out) {
    if (!text || !*text) return false;
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end && *end == '\0';
}

int usageError(const char* what, const char* arg = nullptr) {
    if (arg)
        std::fprintf(stderr, "tanvex analyse: %s '%s'\n", what, arg);
    else
        std::fprintf(stderr, "tanvex analyse: %s\n", what);
    std::fprintf(stderr, "Try `tanvex analyse --help`.\n");
    return 2;
}

struct Collector : analysis::SweepObserver {
    std::vector<analysis::PointValues> points;
    void point(int, const analysis::PointValues& v, const analysis::NetworkInterpreter&) override {
        points.push_back(v);
    }
};

} // namespace

int cmdAnalyse(int argc, char** argv) {
    std::string name;
    bool haveFrom = false, haveTo = false, havePoints = false, haveStep = false;
    double from = 0.0, to = 0.0, points = 0.0, step = 0.0;
    const char* spacing = nullptr;
    const char* delay = nullptr;
    bool haveQ = false;
    double q[3] = {0.0, 0.0, 0.0};
    bool csv = false;

    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        auto value = [&](const char*) -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (!std::strcmp(a, "--csv")) {
            csv = true;
        } else if (!std::strcmp(a, "--from")) {
            if (!parseNumber(value(a), from)) return usageError("--from needs a number");
            haveFrom = true;
        } else if (!std::strcmp(a, "--to")) {
            if (!parseNumber(value(a), to)) return usageError("--to needs a number");
            haveTo = true;
        } else if (!std::strcmp(a, "--points")) {
            if (!parseNumber(value(a), points) || points < 1 || points != static_cast<int>(points))
                return usageError("--points needs a whole number of at least 1");
            havePoints = true;
        } else if (!std::strcmp(a, "--step")) {
            if (!parseNumber(value(a), step) || step <= 0.0)
                return usageError("--step needs a positive number");
            haveStep = true;
        } else if (!std::strcmp(a, "--spacing")) {
            spacing = value(a);
            if (!spacing || (std::strcmp(spacing, "linear") && std::strcmp(spacing, "log") &&
                             std::strcmp(spacing, "auto")))
                return usageError("--spacing must be linear, log or auto");
        } else if (!std::strcmp(a, "--delay")) {
            delay = value(a);
            if (!delay || (std::strcmp(delay, "precise") && std::strcmp(delay, "fast") &&
                           std::strcmp(delay, "auto")))
                return usageError("--delay must be precise, fast or auto");
        } else if (!std::strcmp(a, "--q")) {
            const char* text = value(a);
            std::string s = text ? text : "";
            int count = 0;
            std::size_t start = 0;
            while (count < 3) {
                const std::size_t comma = s.find(',', start);
                const std::string part =
                    s.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
                if (!parseNumber(part.c_str(), q[count]) || q[count] < 0.0) break;
                ++count;
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
            if (count != 3 || s.find(',', start) != std::string::npos)
                return usageError("--q needs three numbers QL,QC,QT");
            haveQ = true;
        } else if (a[0] == '-' && a[1] != '\0') {
            return usageError("unknown option", a);
        } else if (name.empty()) {
            name = a;
        } else {
            return usageError("only one design name may be given; also got", a);
        }
    }
    if (name.empty()) return usageError("no design name given");
    if (havePoints && haveStep) return usageError("give either --points or --step, not both");

    ui::BatchToolkit toolkit;
    Design design;
    const int loaded = loadDesign(design, "", name, toolkit);
    if (loaded & (kDznFailed | kNetworkTooBig | kFileMalformed | kNameTooLong)) {
        std::fprintf(stderr, "tanvex analyse: cannot read the design '%s' (%s.dzn)\n", name.c_str(),
                     name.c_str());
        return 2;
    }

    AnalysisSettings& as = design.analysis;
    if (haveFrom) {
        as[0] = from;
        as[6] = from;
    }
    if (haveTo) as[1] = to;
    if (havePoints) {
        if (points == 1.0) {
            as[1] = 0.0;
            as[2] = 0.0;
        } else {
            as[2] = -points;
        }
    }
    if (haveStep) as[2] = step;
    // A saved step of 0 means 225 points, as the analysis dialog shows it.
    if (as[2] == 0.0 && as[1] != 0.0) as[2] = -225.0;
    if (haveQ)
        for (int i = 0; i < 3; ++i) as[3 + i] = q[i];

    analysis::SweepOptions options;
    completeSettingsString(design.record);
    char* settings = design.record[kSlotSettings].text;
    if (spacing)
        settings[analysis::kSettingSpacing] = !std::strcmp(spacing, "linear") ? '0'
                                              : !std::strcmp(spacing, "log")  ? '2'
                                                                              : '1';
    if (delay) {
        settings[analysis::kSettingDelayAuto] = !std::strcmp(delay, "auto") ? '1' : '0';
        options.fastDelay = !std::strcmp(delay, "fast");
    }

    analysis::ResultsTable table;
    // Data branches read their files from the working directory; a file
    // that cannot be read ends the run ("Can't open: NAME.frx").
    analysis::DataFileServices data(design, toolkit);
    data.stopOnMissingFile = true;
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
    for (const std::string& line :
         outputs::tableOf(design, table, options.fastDelay, collector.points).lines())
        std::printf("%s\n", line.c_str());
    return 0;
}
