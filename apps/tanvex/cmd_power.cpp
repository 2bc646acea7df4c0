// tanvex power: the power distribution of a saved design: the split of the
// input power and the voltage, current and loss of every branch, or the table
// of maxima over a range (with a mismatched load at its worst phase).
#include "commands.h"
#include "sweep_args.h"

#include "analysis/data_services.h"
#include "analysis/power_distribution.h"
#include "design/design_file.h"
#include "ui/scripted_toolkit.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <string>

using namespace tanvex;

namespace {

const char* const kUsage =
    "Usage: tanvex power NAME (--freq F | --from F --to F --points N) [options]\n"
    "\n"
    "Power distribution of the design NAME (NAME.spk and NAME.dzn in the working\n"
    "directory): how the input power splits into load, reflected and lost power,\n"
    "and the RMS voltage, current and dissipated power of every shunt branch and\n"
    "series arm. Frequencies are in the design's display unit. Without a\n"
    "frequency the design's reference frequency is used.\n"
    "\n"
    "Options:\n"
    "  --freq F            one frequency\n"
    "  --from F --to F --points N\n"
    "                      a range of N points (at most 999)\n"
    "  --log               automatic log spacing (log when stop > 20 start)\n"
    "  --watts P           available input power (default 10 W)\n"
    "  --volts V           RMS voltage at the input terminals instead\n"
    "  --vswr S            load VSWR S:1 through a lossless line (1: matched)\n"
    "  --theta DEG         length of that line in degrees (default 0)\n"
    "  --survey            the maxima over the range (and over the line length\n"
    "                      with a VSWR) instead of the levels of every point\n"
    "  --q QL,QC,QT        inductor, capacitor and line Q (0 = infinite)\n"
    "  --csv               CSV in SI units\n"
    "  --help              this text\n"
    "\n"
    "Exit status: 0 done, 1 the analysis failed (its message is on standard\n"
    "error), 2 bad options or a design that cannot be read.\n";

int usageError(const char* what, const char* arg = nullptr) {
    return cli::usageError("power", what, arg);
}

void printPoint(const analysis::PowerPoint& p, const Design& d, const std::string& loadSeen,
                bool first) {
    const double fm = d.notation.frequency.multiplier;
    const double tm = d.notation.time.multiplier;
    if (first) {
        std::printf("   Frequency   Rtn. loss    Atten.       Delay       Phase    %s\n",
                    loadSeen.c_str());
        std::printf("    (%s)       (dB)       (dB)         (%s)      (Deg.)\n",
                    d.notation.frequency.name.c_str(), d.notation.time.name.c_str());
    }
    std::printf("%11.3f %11.3f %11.3f %11.3f %11.3f \n", p.frequency * fm, p.returnLoss,
                p.attenuation, p.delay * tm, p.phase);
    std::printf("  Input %15.4f W.  Load %8.4f W.  Reflected %8.4f W.  Loss %8.4f W.\n",
                p.available, p.load, p.reflected, p.loss);
    std::printf("  Termination %7.3f V.   Input %7.3f V.   EMF %7.3f V.\n", p.loadVolts,
                p.inputVolts, p.emf);
    std::printf("  Branch   Junction      Shunt     Shunt loss    Forward    Forward   Forward "
                "loss\n");
    for (const auto& b : p.branches) {
        std::printf("  %3d%c  %9.4f V. %9.4f A. %9.4f W. %9.4f A. %9.4f V. %9.4f W.%s\n", b.branch,
                    b.dual, b.junctionVolts, b.shuntCurrent, b.shuntLoss, b.forwardCurrent,
                    b.forwardVolts, b.forwardLoss, b.source ? "  (source arm)" : "");
    }
    std::printf("  Sum of element losses %9.4f W.\n\n", p.elementLoss());
}

} // namespace

int cmdPower(int argc, char** argv) {
    std::string name;
    bool haveFreq = false, haveFrom = false, haveTo = false, havePoints = false;
    double freq = 0.0, from = 0.0, to = 0.0, points = 0.0;
    analysis::PowerSettings s;
    bool haveWatts = false, haveVolts = false, haveQ = false, survey = false, csv = false;
    bool haveTheta = false;
    double q[3] = {0, 0, 0};
    double thetaDeg = 0.0;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        double x = 0.0;
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (!std::strcmp(a, "--csv")) {
            csv = true;
        } else if (!std::strcmp(a, "--survey")) {
            survey = true;
        } else if (!std::strcmp(a, "--log")) {
            s.logarithmic = true;
        } else if (!std::strcmp(a, "--freq")) {
            if (!cli::parseNumber(value(), freq) || !(freq > 0.0))
                return usageError("--freq needs a frequency above zero");
            haveFreq = true;
        } else if (!std::strcmp(a, "--from")) {
            if (!cli::parseNumber(value(), from) || !(from > 0.0))
                return usageError("--from needs a frequency above zero");
            haveFrom = true;
        } else if (!std::strcmp(a, "--to")) {
            if (!cli::parseNumber(value(), to) || !(to > 0.0))
                return usageError("--to needs a frequency above zero");
            haveTo = true;
        } else if (!std::strcmp(a, "--points")) {
            if (!cli::parseNumber(value(), points) || points < 1 ||
                points != static_cast<int>(points))
                return usageError("--points needs a whole number of at least 1");
            havePoints = true;
        } else if (!std::strcmp(a, "--watts")) {
            if (!cli::parseNumber(value(), x) || !(x > 0.0) || !std::isfinite(x))
                return usageError("--watts needs a power above zero");
            s.drive.watts = x;
            haveWatts = true;
        } else if (!std::strcmp(a, "--volts")) {
            if (!cli::parseNumber(value(), x) || !(x > 0.0) || !std::isfinite(x))
                return usageError("--volts needs a voltage above zero");
            s.drive.volts = x;
            s.drive.watts = 0.0;
            haveVolts = true;
        } else if (!std::strcmp(a, "--vswr")) {
            if (!cli::parseNumber(value(), x) || !(x >= 1.0) || !std::isfinite(x))
                return usageError("--vswr needs a ratio of at least 1");
            s.setVswr(x);
        } else if (!std::strcmp(a, "--theta")) {
            if (!cli::parseNumber(value(), thetaDeg) || !std::isfinite(thetaDeg))
                return usageError("--theta needs an angle in degrees");
            haveTheta = true;
        } else if (!std::strcmp(a, "--q")) {
            if (!cli::parseTriple(value(), q))
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
    if (haveWatts && haveVolts) return usageError("give either --watts or --volts, not both");
    if (haveFreq && (haveFrom || haveTo || havePoints))
        return usageError("give either --freq or --from, --to and --points");
    if ((haveFrom || haveTo || havePoints) && !(haveFrom && haveTo && havePoints))
        return usageError("a range needs --from, --to and --points");
    if (haveFrom && from > to) return usageError("--from must not be above --to");
    if (havePoints && points > analysis::kMaxPowerPoints) {
        std::fprintf(stderr, "tanvex power: Too many points (%d Max)\n", analysis::kMaxPowerPoints);
        return 2;
    }
    if (haveTheta && !s.mismatch()) return usageError("--theta needs a --vswr above 1");

    ui::BatchToolkit toolkit;
    Design design;
    const int loaded = loadDesign(design, "", name, toolkit);
    if (loaded & (kDznFailed | kNetworkTooBig | kFileMalformed | kNameTooLong)) {
        std::fprintf(stderr, "tanvex power: cannot read the design '%s' (%s.dzn)\n", name.c_str(),
                     name.c_str());
        return 2;
    }
    const double fm = design.notation.frequency.multiplier;
    const int n = entryCount(design.entries);
    if (haveFrom) {
        s.start = from;
        s.stop = points == 1.0 ? 0.0 : to;
        s.step = -points;
    } else {
        double f = freq;
        if (!haveFreq) {
            const double ref = n + 1 < kEntrySlots ? design.entries[n + 1].value : 0.0;
            f = ref == 0.0 ? 1.0 : ref * fm;
        }
        s.start = f;
        s.stop = 0.0;
        s.step = 0.0;
    }
    for (int k = 0; k < 3; ++k)
        s.q[k] = analysis::normalisedQ(haveQ ? q[k] : design.analysis[3 + k]);
    s.theta = thetaDeg * std::numbers::pi / 180.0;

    analysis::NoDataServices data(toolkit);
    analysis::PowerAnalysis power(design, toolkit, data);
    const std::string loadSeen = analysis::loadSeenText(design.entries[0].value, s, 'O');

    if (survey) {
        analysis::PowerSurvey out;
        if (power.survey(s, out) != 0) return 1;
        if (csv) {
            std::printf("branch,dual,shunt_a,junction_v,forward_a,forward_v,overall_max\n");
            for (const auto& b : out.branches)
                std::printf("%d,%c,%.10g,%.10g,%.10g,%.10g,%d\n", b.branch,
                            b.dual == ' ' ? '-' : b.dual, b.shuntCurrent, b.junctionVolts,
                            b.forwardCurrent, b.forwardVolts, b.starred ? 1 : 0);
            return 0;
        }
        if (s.drive.voltage())
            std::printf("Input level = %g V.  Load VSWR = %g:1\n", s.drive.volts, s.vswr);
        else
            std::printf("Power level = %g W.  Load VSWR = %g:1\n", s.drive.watts, s.vswr);
        std::printf("Branch        Shunt                Forward <\n");
        for (const auto& b : out.branches) {
            std::printf("%3d%c %7.2f A. %7.2f V.  %7.2f A.", b.branch, b.dual, b.shuntCurrent,
                        b.junctionVolts, b.forwardCurrent);
            if (b.forwardVolts != 0.0)
                std::printf(" %7.2f V.", b.forwardVolts);
            else
                std::printf("           ");
            std::printf("%s\n", b.starred ? " *" : "");
        }
        std::printf("(All levels are RMS)\n");
        std::printf("( %.3f to %.3f %s)\n", out.from * fm, out.to * fm,
                    design.notation.frequency.name.c_str());
        static const char* const kNames[] = {"Forward voltage", "Forward current", "Forward loss",
                                             "Shunt voltage",   "Shunt current",   "Shunt loss"};
        static const char kUnits[] = {'V', 'A', 'W', 'V', 'A', 'W'};
        std::printf("\nMaximum levels over the range:\n");
        for (int k = 0; k < analysis::kOverallMaxCount; ++k) {
            const auto& m = out.overall[k];
            std::printf("  %-16s %11.4f %c.  at %.6g %s  branch %d%c  theta %.1f deg\n", kNames[k],
                        m.value, kUnits[k], m.frequency * fm,
                        design.notation.frequency.name.c_str(), m.branch, m.dual,
                        m.theta * 180.0 / std::numbers::pi);
        }
        if (s.mismatch())
            std::printf("Worst line length %.1f deg, load seen%s (%d sweeps)\n",
                        out.theta * 180.0 / std::numbers::pi,
                        analysis::loadSeenText(design.entries[0].value, s, 'O').c_str(),
                        out.sweeps);
        return 0;
    }

    if (csv)
        std::printf("frequency_hz,available_w,load_w,reflected_w,loss_w,load_v,branch,dual,"
                    "junction_v,shunt_a,shunt_w,forward_a,forward_v,forward_w\n");
    else
        std::printf("Inductor Q=%g Cap. Q=%g Trans. Q=%g    \n", s.q[0], s.q[1], s.q[2]);
    bool first = true;
    const int r = power.run(s, [&](const analysis::PowerPoint& p) {
        if (!csv) {
            printPoint(p, design, loadSeen, first);
            first = false;
            return;
        }
        for (const auto& b : p.branches)
            std::printf("%.10g,%.10g,%.10g,%.10g,%.10g,%.10g,%d,%c,%.10g,%.10g,%.10g,%.10g,%.10g,"
                        "%.10g\n",
                        p.frequency, p.available, p.load, p.reflected, p.loss, p.loadVolts,
                        b.branch, b.dual == ' ' ? '-' : b.dual, b.junctionVolts, b.shuntCurrent,
                        b.shuntLoss, b.forwardCurrent, b.forwardVolts, b.forwardLoss);
    });
    return r == 0 ? 0 : 1;
}
