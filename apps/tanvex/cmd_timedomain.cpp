// tanvex timedomain: the response of a saved design to a periodic pulse train
// (or a gated carrier) by Fourier synthesis, one page of columns.
#include "commands.h"
#include "sweep_args.h"

#include "analysis/data_services.h"
#include "analysis/time_domain.h"
#include "design/design_file.h"
#include "ui/scripted_toolkit.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

using namespace tanvex;

namespace {

const char* const kUsage =
    "Usage: tanvex timedomain NAME --rep F0 [options]\n"
    "\n"
    "Response of the design NAME to a periodic train of rectangular pulses of\n"
    "repetition rate F0 (display frequency unit), or to a carrier gated by it,\n"
    "summed from the harmonics of the train weighted by the design's transfer.\n"
    "Prints the adjusted harmonic limits, the number of harmonics, their average\n"
    "delay, then one row per column: column, time (s) and value, less the\n"
    "reference line. Amplitudes are relative to a matched lossless transfer of 1:\n"
    "video pulses are of height 1 less their mean; a gated carrier has a peak of 2\n"
    "(its side bands weigh as the video pulse's harmonics). With a carrier the\n"
    "rows give the envelope's minimum and maximum and the instantaneous value.\n"
    "\n"
    "Options:\n"
    "  --rep F0            repetition rate (above zero)\n"
    "  --duty PCT          duty cycle in percent (default 10; below 0.11: spikes;\n"
    "                      at most 99.5)\n"
    "  --carrier F         carrier frequency: a gated RF pulse\n"
    "  --lower F --upper F harmonic limits (default: from F0, 600 harmonics)\n"
    "  --reps R            periods per page (default 1)\n"
    "  --delay D           start of the page as a fraction of a period\n"
    "                      (taken modulo 1; default 0)\n"
    "  --page P            page number (default 1)\n"
    "  --columns N         columns of the page (default 590)\n"
    "  --reference zero|average|start\n"
    "                      reference line (default zero)\n"
    "  --csv               CSV rows only: column,time_s,value (or low,high,value)\n"
    "  --help              this text\n"
    "\n"
    "Exit status: 0 done, 1 the analysis failed, 2 bad options or design.\n";

int usageError(const char* what, const char* arg = nullptr) {
    return cli::usageError("timedomain", what, arg);
}

} // namespace

int cmdTimeDomain(int argc, char** argv) {
    std::string name;
    analysis::PulseTrain train;
    bool haveRep = false;
    double columns = 590, page = 1;
    analysis::ReferenceMode reference = analysis::ReferenceMode::kZero;
    bool csv = false;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        double x = 0.0;
        auto number = [&](const char* what, double& out) {
            if (!cli::parseNumber(value(), x) || !std::isfinite(x)) return usageError(what);
            out = x;
            return 0;
        };
        int bad = 0;
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (!std::strcmp(a, "--csv")) {
            csv = true;
        } else if (!std::strcmp(a, "--rep")) {
            bad = number("--rep needs a number", train.repRate);
            if (!bad && !(train.repRate > 0.0))
                return usageError("--rep needs a repetition rate above zero");
            haveRep = true;
        } else if (!std::strcmp(a, "--duty")) {
            bad = number("--duty needs a percentage", train.duty);
            if (!bad && (train.duty <= 0.0 || train.duty > 99.5))
                return usageError("--duty must be above 0 and at most 99.5");
            train.duty *= 0.01;
        } else if (!std::strcmp(a, "--carrier")) {
            bad = number("--carrier needs a frequency", train.carrier);
            if (!bad && train.carrier < 0.0) return usageError("--carrier must not be negative");
        } else if (!std::strcmp(a, "--lower")) {
            bad = number("--lower needs a frequency", train.lower);
        } else if (!std::strcmp(a, "--upper")) {
            bad = number("--upper needs a frequency", train.upper);
        } else if (!std::strcmp(a, "--reps")) {
            bad = number("--reps needs a number", train.reps);
            if (!bad && !(train.reps > 0.0)) return usageError("--reps must be above zero");
        } else if (!std::strcmp(a, "--delay")) {
            bad = number("--delay needs a fraction of a period", train.startDelay);
        } else if (!std::strcmp(a, "--page")) {
            bad = number("--page needs a page number", page);
            if (!bad && (page < 1 || page != std::floor(page)))
                return usageError("--page needs a whole number of at least 1");
        } else if (!std::strcmp(a, "--columns")) {
            bad = number("--columns needs a number", columns);
            if (!bad && (columns < 1 || columns > 100000 || columns != std::floor(columns)))
                return usageError("--columns needs a whole number from 1 to 100000");
        } else if (!std::strcmp(a, "--reference")) {
            const char* r = value();
            if (r && !std::strcmp(r, "zero"))
                reference = analysis::ReferenceMode::kZero;
            else if (r && !std::strcmp(r, "average"))
                reference = analysis::ReferenceMode::kAverage;
            else if (r && !std::strcmp(r, "start"))
                reference = analysis::ReferenceMode::kStart;
            else
                return usageError("--reference must be zero, average or start");
        } else if (a[0] == '-' && a[1] != '\0') {
            return usageError("unknown option", a);
        } else if (name.empty()) {
            name = a;
        } else {
            return usageError("only one design name may be given; also got", a);
        }
        if (bad) return bad;
    }
    if (name.empty()) return usageError("no design name given");
    if (!haveRep) return usageError("--rep is required");

    ui::BatchToolkit toolkit;
    Design design;
    const int loaded = loadDesign(design, "", name, toolkit);
    if (loaded & (kDznFailed | kNetworkTooBig | kFileMalformed | kNameTooLong)) {
        std::fprintf(stderr, "tanvex timedomain: cannot read the design '%s' (%s.dzn)\n",
                     name.c_str(), name.c_str());
        return 2;
    }
    const double fm = design.notation.frequency.multiplier;
    const char* unit = design.notation.frequency.name.c_str();
    double noLow = 0.0, noHigh = 0.0;
    analysis::HarmonicLimits limits;
    std::string message;
    if (!analysis::adjustLimits(train, fm, noLow, noHigh, limits, message)) {
        std::fprintf(stderr, "tanvex timedomain: %s\n", message.c_str());
        return 2;
    }
    analysis::HarmonicSet set;
    analysis::NoDataServices data(toolkit);
    if (analysis::computeHarmonics(design, toolkit, data, train, limits, set) != 0) return 1;
    analysis::TimePage p;
    analysis::computePage(set, train, static_cast<int>(columns), static_cast<int>(page), p);
    const double ref = analysis::referenceLevel(p, reference, set);
    if (!csv) {
        if (!message.empty()) std::printf("%s\n", message.c_str());
        std::printf("Lower limit %g %s  Upper limit %g %s  Sidebands%s\n", train.lower, unit,
                    train.upper, unit, analysis::sidebandText(train, limits).c_str());
        char duty[32];
        if (train.spike())
            std::snprintf(duty, sizeof duty, "* Spike *");
        else
            std::snprintf(duty, sizeof duty, "%.2f %%", train.duty * 100.0);
        std::printf("%s  Duty %s  Harmonics %d  Average delay %.6g s  Reference %.6g\n",
                    train.gated() ? "GATED RF PULSE" : "IMPULSE RESPONSE", duty,
                    static_cast<int>(set.lines.size()), set.averageDelay, ref);
    }
    std::printf(train.gated() ? "column,time_s,low,high,value\n" : "column,time_s,value\n");
    for (int i = 0; i <= p.columns(); ++i) {
        if (train.gated())
            std::printf("%d,%.10g,%.8g,%.8g,%.8g\n", i, p.timeOf(i), p.low[i] - ref,
                        p.high[i] - ref, set.value(p.timeOf(i)) - ref);
        else
            std::printf("%d,%.10g,%.8g\n", i, p.timeOf(i), p.low[i] - ref);
    }
    return 0;
}
