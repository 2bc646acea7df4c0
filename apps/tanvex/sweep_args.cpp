#include "sweep_args.h"

#include "analysis/data_files.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace tanvex;

namespace tanvexcli {

const char* const kSweepOptionsHelp =
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
    "  --q QL,QC,QT        inductor, capacitor and line Q (0 = infinite)\n";

namespace {

bool parseNumber(const char* text, double& out) {
    if (!text || !*text) return false;
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end && *end == '\0';
}

struct Collector : analysis::SweepObserver {
    std::vector<analysis::PointValues>* points = nullptr;
    void point(int, const analysis::PointValues& v, const analysis::NetworkInterpreter&) override {
        points->push_back(v);
    }
};

} // namespace

int usageError(const char* verb, const char* what, const char* arg) {
    if (arg)
        std::fprintf(stderr, "tanvex %s: %s '%s'\n", verb, what, arg);
    else
        std::fprintf(stderr, "tanvex %s: %s\n", verb, what);
    std::fprintf(stderr, "Try `tanvex %s --help`.\n", verb);
    return 2;
}

int parseSweepOption(const char* verb, int argc, char** argv, int& i, SweepArgs& s) {
    const char* a = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (!std::strcmp(a, "--from")) {
        if (!parseNumber(value(), s.from)) return usageError(verb, "--from needs a number");
        s.haveFrom = true;
    } else if (!std::strcmp(a, "--to")) {
        if (!parseNumber(value(), s.to)) return usageError(verb, "--to needs a number");
        s.haveTo = true;
    } else if (!std::strcmp(a, "--points")) {
        if (!parseNumber(value(), s.points) || s.points < 1 ||
            s.points != static_cast<int>(s.points))
            return usageError(verb, "--points needs a whole number of at least 1");
        s.havePoints = true;
    } else if (!std::strcmp(a, "--step")) {
        if (!parseNumber(value(), s.step) || s.step <= 0.0)
            return usageError(verb, "--step needs a positive number");
        s.haveStep = true;
    } else if (!std::strcmp(a, "--spacing")) {
        s.spacing = value();
        if (!s.spacing || (std::strcmp(s.spacing, "linear") && std::strcmp(s.spacing, "log") &&
                           std::strcmp(s.spacing, "auto")))
            return usageError(verb, "--spacing must be linear, log or auto");
    } else if (!std::strcmp(a, "--delay")) {
        s.delay = value();
        if (!s.delay || (std::strcmp(s.delay, "precise") && std::strcmp(s.delay, "fast") &&
                         std::strcmp(s.delay, "auto")))
            return usageError(verb, "--delay must be precise, fast or auto");
    } else if (!std::strcmp(a, "--q")) {
        const char* text = value();
        std::string t = text ? text : "";
        int count = 0;
        std::size_t start = 0;
        while (count < 3) {
            const std::size_t comma = t.find(',', start);
            const std::string part =
                t.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            if (!parseNumber(part.c_str(), s.q[count]) || s.q[count] < 0.0) break;
            ++count;
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        if (count != 3 || t.find(',', start) != std::string::npos)
            return usageError(verb, "--q needs three numbers QL,QC,QT");
        s.haveQ = true;
    } else {
        return 0;
    }
    return 1;
}

int checkSweepArgs(const char* verb, const SweepArgs& s) {
    if (s.havePoints && s.haveStep)
        return usageError(verb, "give either --points or --step, not both");
    return 0;
}

int sweepDesign(Design& design, const SweepArgs& s, ui::Toolkit& toolkit, SweepResult& result) {
    AnalysisSettings& as = design.analysis;
    if (s.haveFrom) {
        as[0] = s.from;
        as[6] = s.from;
    }
    if (s.haveTo) as[1] = s.to;
    if (s.havePoints) {
        if (s.points == 1.0) {
            as[1] = 0.0;
            as[2] = 0.0;
        } else {
            as[2] = -s.points;
        }
    }
    if (s.haveStep) as[2] = s.step;
    // A saved step of 0 means 225 points, as the analysis dialog shows it.
    if (as[2] == 0.0 && as[1] != 0.0) as[2] = -225.0;
    if (s.haveQ)
        for (int i = 0; i < 3; ++i) as[3 + i] = s.q[i];

    analysis::SweepOptions options;
    completeSettingsString(design.record);
    char* settings = design.record[kSlotSettings].text;
    if (s.spacing)
        settings[analysis::kSettingSpacing] = !std::strcmp(s.spacing, "linear") ? '0'
                                              : !std::strcmp(s.spacing, "log")  ? '2'
                                                                                : '1';
    if (s.delay) {
        settings[analysis::kSettingDelayAuto] = !std::strcmp(s.delay, "auto") ? '1' : '0';
        options.fastDelay = !std::strcmp(s.delay, "fast");
    }

    // Data branches read their files from the working directory; a file
    // that cannot be read ends the run ("Can't open: NAME.frx").
    analysis::DataFileServices data(design, toolkit);
    data.stopOnMissingFile = true;
    analysis::NoAnalysisViews views;
    analysis::SweepEvaluator sweep(design, result.table, options, toolkit, data, views);
    Collector collector;
    collector.points = &result.points;
    sweep.setObserver(&collector);
    const int r = sweep.analyse(1);
    result.fastDelay = options.fastDelay;
    return r;
}

} // namespace tanvexcli
