#include "sweep_args.h"

#include "analysis/data_files.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace tanvex::cli {

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

bool parseNumber(const char* text, double& out) {
    if (!text || !*text) return false;
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end && *end == '\0';
}

bool parseTriple(const char* text, double (&out)[3]) {
    const std::string s = text ? text : "";
    std::size_t start = 0;
    for (int k = 0; k < 3; ++k) {
        const std::size_t comma = s.find(',', start);
        if ((comma == std::string::npos) != (k == 2)) return false;
        const std::string part = s.substr(start, k == 2 ? std::string::npos : comma - start);
        if (!parseNumber(part.c_str(), out[k]) || out[k] < 0.0) return false;
        start = comma + 1;
    }
    return true;
}

int usageError(const char* verb, const char* what, const char* arg) {
    if (arg)
        std::fprintf(stderr, "tanvex %s: %s '%s'\n", verb, what, arg);
    else
        std::fprintf(stderr, "tanvex %s: %s\n", verb, what);
    std::fprintf(stderr, "Try `tanvex %s --help`.\n", verb);
    return 2;
}

int parseSweepArg(const char* verb, int argc, char** argv, int& i, SweepArgs& a) {
    const char* opt = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    auto fail = [&](const char* what) {
        usageError(verb, what);
        return -1;
    };
    if (!std::strcmp(opt, "--from")) {
        if (!parseNumber(value(), a.from)) return fail("--from needs a number");
        a.haveFrom = true;
    } else if (!std::strcmp(opt, "--to")) {
        if (!parseNumber(value(), a.to)) return fail("--to needs a number");
        a.haveTo = true;
    } else if (!std::strcmp(opt, "--points")) {
        if (!parseNumber(value(), a.points) || a.points < 1 ||
            a.points != static_cast<int>(a.points))
            return fail("--points needs a whole number of at least 1");
        a.havePoints = true;
    } else if (!std::strcmp(opt, "--step")) {
        if (!parseNumber(value(), a.step) || a.step <= 0.0)
            return fail("--step needs a positive number");
        a.haveStep = true;
    } else if (!std::strcmp(opt, "--spacing")) {
        a.spacing = value();
        if (!a.spacing || (std::strcmp(a.spacing, "linear") && std::strcmp(a.spacing, "log") &&
                           std::strcmp(a.spacing, "auto")))
            return fail("--spacing must be linear, log or auto");
    } else if (!std::strcmp(opt, "--delay")) {
        a.delay = value();
        if (!a.delay || (std::strcmp(a.delay, "precise") && std::strcmp(a.delay, "fast") &&
                         std::strcmp(a.delay, "auto")))
            return fail("--delay must be precise, fast or auto");
    } else if (!std::strcmp(opt, "--q")) {
        const char* text = value();
        std::string s = text ? text : "";
        int count = 0;
        std::size_t start = 0;
        while (count < 3) {
            const std::size_t comma = s.find(',', start);
            const std::string part =
                s.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            if (!parseNumber(part.c_str(), a.q[count]) || a.q[count] < 0.0) break;
            ++count;
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        if (count != 3 || s.find(',', start) != std::string::npos)
            return fail("--q needs three numbers QL,QC,QT");
        a.haveQ = true;
    } else {
        return 0;
    }
    return 1;
}

int checkSweepArgs(const char* verb, const SweepArgs& a) {
    if (a.havePoints && a.haveStep)
        return usageError(verb, "give either --points or --step, not both");
    return 0;
}

void applySweepArgs(const SweepArgs& a, Design& design, analysis::SweepOptions& options) {
    AnalysisSettings& as = design.analysis;
    if (a.haveFrom) {
        as[0] = a.from;
        as[6] = a.from;
    }
    if (a.haveTo) as[1] = a.to;
    if (a.havePoints) {
        if (a.points == 1.0) {
            as[1] = 0.0;
            as[2] = 0.0;
        } else {
            as[2] = -a.points;
        }
    }
    if (a.haveStep) as[2] = a.step;
    // A saved step of 0 means 225 points, as the analysis dialog shows it.
    if (as[2] == 0.0 && as[1] != 0.0) as[2] = -225.0;
    if (a.haveQ)
        for (int i = 0; i < 3; ++i) as[3 + i] = a.q[i];

    completeSettingsString(design.record);
    char* settings = design.record[kSlotSettings].text;
    if (a.spacing)
        settings[analysis::kSettingSpacing] = !std::strcmp(a.spacing, "linear") ? '0'
                                              : !std::strcmp(a.spacing, "log")  ? '2'
                                                                                : '1';
    if (a.delay) {
        settings[analysis::kSettingDelayAuto] = !std::strcmp(a.delay, "auto") ? '1' : '0';
        options.fastDelay = !std::strcmp(a.delay, "fast");
    }
}

int parseSweepOption(const char* verb, int argc, char** argv, int& i, SweepArgs& args) {
    const int r = parseSweepArg(verb, argc, argv, i, args);
    return r < 0 ? 2 : r;
}

namespace {

struct Collector : analysis::SweepObserver {
    std::vector<analysis::PointValues>* points = nullptr;
    void point(int, const analysis::PointValues& v, const analysis::NetworkInterpreter&) override {
        points->push_back(v);
    }
};

} // namespace

int sweepDesign(Design& design, const SweepArgs& args, ui::Toolkit& toolkit, SweepResult& result,
                analysis::SweepObserver* observer) {
    analysis::SweepOptions options;
    applySweepArgs(args, design, options);
    // Data branches read their files from the working directory; a file
    // that cannot be read ends the run ("Can't open: NAME.frx").
    analysis::DataFileServices data(design, toolkit);
    data.stopOnMissingFile = true;
    analysis::NoAnalysisViews views;
    analysis::SweepEvaluator sweep(design, result.table, options, toolkit, data, views);
    Collector collector;
    collector.points = &result.points;
    if (!observer) result.points.reserve(analysis::kMaxSweepPoints);
    sweep.setObserver(observer ? observer : &collector);
    sweep.setParallel(true);
    const int r = sweep.analyse(1);
    result.fastDelay = options.fastDelay;
    return r;
}

} // namespace tanvex::cli
