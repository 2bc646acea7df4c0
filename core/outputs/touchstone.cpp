#include "outputs/touchstone.h"

#include "design/paths.h"
#include "design/text_io.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <numbers>
#include <sstream>

namespace tanvex::outputs {

namespace {

constexpr double kDegrees = 57.29578;
constexpr double kLightCmPerSecond = 2.99793e10;

struct Units {
    const char* ind;
    const char* cap;
    const char* freq;
};

Units unitsOf(int notation) {
    switch (notation) {
    case kNotationAudio:
        return {"MH", "UF", "HZ"};
    case kNotationLF:
        return {"MH", "PF", "KHZ"};
    case kNotationHF:
        return {"UH", "PF", "MHZ"};
    case kNotationMicrowave:
        return {"NH", "PF", "GHZ"};
    case kNotationNormalized:
        return {"H", "F", "HZ"};
    default:
        return {"NH", "PF", "MHZ"};
    }
}

const char* lengthName(int mechanical) {
    switch (mechanical) {
    case kUnitMil:
        return "MIL";
    case kUnitCm:
        return "CM";
    case kUnitMm:
        return "MM";
    default:
        return "IN";
    }
}

// Parses "From To Step" (commas as blanks); false unless three numbers with
// 0 <= From < To and Step > 0.
bool parseSweep(const std::string& text, double& from, double& to, double& step) {
    std::string s = text;
    std::replace(s.begin(), s.end(), ',', ' ');
    double v[3];
    int n = 0;
    const char* p = s.c_str();
    while (true) {
        while (*p == ' ' || *p == '\t') ++p;
        if (!*p) break;
        char* end = nullptr;
        const double x = std::strtod(p, &end);
        if (end == p || n == 3 || (*end && *end != ' ' && *end != '\t')) return false;
        v[n++] = x;
        p = end;
    }
    if (n != 3) return false;
    from = v[0], to = v[1], step = v[2];
    return std::isfinite(from) && std::isfinite(to) && std::isfinite(step) && from >= 0.0 &&
           to > from && step > 0.0;
}

class Writer {
public:
    Writer(const Design& d, const TouchstoneOptions& o) : d_(d), o_(o), list_(d.entries) {}
    std::string build(TouchstoneOutput& out);

private:
    void add(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    void element(int i, int n1, int n2);
    void lengthPart(double theta);
    void line(const char* electrical, const char* physical, int n1, int n2, int zEntry);
    void stub(bool shorted, int n1, int n2, int zEntry) {
        line(shorted ? "TLSC" : "TLOC", shorted ? "TLPSC" : "TLPOC", n1, n2, zEntry);
    }
    void tapped(int i, int s, int a);
    void comment(int i) {
        add(" ! %e %c %d\r\n", list_[i].value, list_[i].letter ? list_[i].letter : ' ',
            list_[i].code);
    }
    double inches(double theta, double fDisplay) const {
        return kLightCmPerSecond * theta / (2.54 * (fDisplay / fmul_) * 2.0 * std::numbers::pi) /
               std::sqrt(o_.k);
    }
    // Writes group g (code c) starting at s = N; returns the N increment.
    int group(int g, int c, int s);

    const Design& d_;
    const TouchstoneOptions& o_;
    const EntryList& list_;
    std::string text_;
    double fmul_ = 1.0, fr_ = 1.0;
    int a_ = 1;
};

void Writer::add(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    char buf[512];
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    text_ += buf;
}

void Writer::element(int i, int n1, int n2) {
    const NetEntry& e = list_[i];
    const char* type = "RES ";
    char letter = 'R';
    double value = e.value;
    bool q = false;
    if (e.letter == 'L') {
        type = o_.qElements ? "INDQ" : "IND";
        letter = 'L';
        value *= d_.notation.inductance.multiplier;
        q = o_.qElements;
    } else if (e.letter == 'C') {
        type = o_.qElements ? "CAPQ" : "CAP";
        letter = 'C';
        value *= d_.notation.capacitance.multiplier;
        q = o_.qElements;
    } else if (e.letter == 'N') {
        type = "XFER";
        letter = 'N';
    }
    if (d_.notation.electrical == kNotationNormalized)
        add("\t%s\t%-3d %-3d %c=%e", type, n1, n2, letter, value);
    else
        add("\t%s\t%-3d %-3d %c=%g\t", type, n1, n2, letter, value);
    if (q) add(letter == 'C' ? "  Q^Qc  F^Fr  MOD=1" : "  Q^Ql  F^Fr  MOD=1");
    add("\r\n");
}

void Writer::lengthPart(double theta) {
    if (o_.physicalLines)
        add("L=%g  K=%g  A^Atn  F=%g\r\n", inches(theta, fr_) * d_.notation.length.multiplier, o_.k,
            fr_);
    else
        add("E=%g  F=%g\r\n", theta * kDegrees, fr_);
}

void Writer::line(const char* electrical, const char* physical, int n1, int n2, int zEntry) {
    add("\t%s\t%-3d %-3d Z=%g  ", o_.physicalLines ? physical : electrical, n1, n2,
        list_[zEntry].value);
    lengthPart(list_[zEntry + 1].value);
}

void Writer::tapped(int i, int s, int a) {
    const double l = list_[i].value * d_.notation.inductance.multiplier;
    add("\tMUC %-3d %-3d %-3d %-3d L1=%e L2=%e M=%e\r\n", a, s, s, a + 1, l / 4, l / 4, l / 4);
    add("\t!\tL%d/4 (%e)\r\n", i, l);
}

int Writer::group(int g, int c, int s) {
    const int a = a_, b = a_ + 1;
    auto e = [&](int k) { return g + k - 1; };
    switch (c) {
    case 2:
        element(e(1), 0, a);
        return 0;
    case 3:
        element(e(1), a, b);
        return 0;
    case 4:
        element(e(1), 0, s);
        element(e(2), s, a);
        return 1;
    case 14:
        element(e(1), 0, s), element(e(2), s, s + 1), element(e(3), s + 1, a);
        return 2;
    case 5:
        element(e(1), a, b), element(e(2), a, b);
        return 0;
    case 15:
        element(e(1), a, b), element(e(2), a, b), element(e(3), a, b);
        return 0;
    case 6:
        element(e(1), 0, s), element(e(2), 0, s), element(e(3), s, a);
        return 1;
    case 28:
        element(e(1), 0, s), element(e(2), 0, s), element(e(3), s, s + 1);
        element(e(4), s + 1, a);
        return 2;
    case 7:
        element(e(1), a, s), element(e(2), s, b), element(e(3), a, b);
        return 1;
    case 27:
        element(e(1), a, s), element(e(2), s, b), element(e(3), a, b), element(e(4), a, b);
        return 1;
    case 10:
        element(e(1), a, b), element(e(2), a, s), element(e(3), s, b);
        element(e(4), 0, s + 1), element(e(5), s + 1, s);
        return 2;
    case 11:
        tapped(e(1), s, a);
        element(e(2), 0, s);
        return 1;
    case 12:
        element(e(1), a, b);
        tapped(e(2), s, a);
        element(e(3), s + 1, s), element(e(4), 0, s + 1);
        return 2;
    case 13:
        if (list_[e(2)].code == 13) {
            element(e(1), a, s), element(e(2), s, b), element(e(3), a, b);
            element(e(4), a, s + 1), element(e(5), s + 1, b), element(e(6), 0, s + 2);
            element(e(7), 0, s + 2), element(e(8), s + 1, s + 2);
            return 3;
        }
        element(e(1), a, b), element(e(4), a, s), element(e(5), s, b);
        if (list_[e(6)].code == 13)
            element(e(6), s, 0), element(e(7), s, 0);
        else
            stub(true, s, 0, e(6));
        return 1;
    case 16:
    case 42:
        stub(true, 0, a, e(1));
        return 0;
    case 17:
    case 39:
        stub(true, a, b, e(1));
        return 0;
    case 18:
    case 38:
        stub(false, 0, a, e(1));
        return 0;
    case 19:
    case 43:
        stub(false, a, b, e(1));
        return 0;
    case 20:
    case 34:
        stub(c == 20, 0, s, e(1));
        element(e(3), s, a);
        return 1;
    case 23:
        line("TLIN", "TLINP", a, b, e(1));
        return 0;
    case 24:
        if (list_[g].value == 0.0) {
            comment(g);
            return 0;
        }
        add("\t%s\t%-3d %-3d 0   0   N=%g\r\n", "XFER", a, b, 1.0 / list_[g].value);
        return 0;
    case 25:
    case 26:
        element(e(1), s, s + 1);
        add("\t%s\t%-3d %-3d %-3d %-3d  Z=%g  ", o_.physicalLines ? "TLINP4" : "TLIN4",
            c == 25 ? a : 0, s, c == 25 ? b : a, s + 1, list_[e(2)].value);
        lengthPart(list_[e(3)].value);
        return 2;
    case 29:
        element(e(1), a, s), element(e(2), a, s), element(e(3), s, b), element(e(4), a, b);
        return 1;
    case 31:
        element(e(1), a, s), element(e(2), a, s), element(e(3), s, b);
        element(e(4), a, s + 1), element(e(5), a, s + 1), element(e(6), s + 1, b);
        return 2;
    case 30:
        element(e(1), 0, s), element(e(2), s, s + 1), element(e(3), 0, s + 1);
        element(e(4), s + 1, a);
        return 2;
    case 32:
        element(e(1), 0, s), element(e(2), s, s + 1), element(e(3), 0, s + 1);
        element(e(4), s + 1, s + 2), element(e(5), s + 2, a), element(e(6), s + 1, a);
        return 3;
    case 33:
    case 35:
        stub(c == 33, a, b, e(1));
        element(e(3), a, b);
        return 0;
    case 36:
        stub(false, 0, s, e(1));
        stub(true, s, a, e(3));
        return 1;
    case 37:
        stub(true, a, b, e(1));
        stub(false, a, b, e(3));
        return 0;
    case 40:
        stub(false, 0, s, e(1));
        line("TLIN", "TLINP", s, a, e(3));
        return 1;
    case 41:
        element(e(1), a, s), element(e(2), 0, s), element(e(3), s, b);
        element(e(4), a, s + 1), element(e(5), 0, s + 2), element(e(6), s + 2, s + 1);
        element(e(7), s + 1, b);
        return 3;
    case 45:
        element(e(1), a, b), element(e(2), a, b), element(e(3), a, b);
        element(e(4), a, s), element(e(5), s, b), element(e(6), s, s + 1);
        element(e(7), s + 1, s + 2), element(e(8), s + 2, 0);
        return 3;
    case 46:
        stub(true, 0, s, e(1));
        element(e(3), 0, s), element(e(4), s, a);
        return 1;
    case 47:
        stub(false, a, s, e(1));
        element(e(3), s, b), element(e(4), a, b);
        return 1;
    case 48:
        element(e(1), 0, s), element(e(2), 0, s), element(e(3), s, s + 1);
        element(e(4), 0, s + 1), element(e(5), s + 1, a);
        return 2;
    case 49:
        element(e(1), a, s), element(e(2), s, s + 1), element(e(3), a, s + 1);
        element(e(4), s + 1, b), element(e(5), a, b);
        return 2;
    case 51:
        for (int k = 0; k < 3; ++k)
            element(e(2 * k + 1), a, s + k), element(e(2 * k + 2), s + k, b);
        element(e(7), s + 2, s + 3), element(e(8), s + 2, s + 3);
        element(e(9), s + 3, s + 4), element(e(10), s + 3, s + 4);
        element(e(11), s + 4, 0);
        return 5;
    case 52:
        element(e(1), a, s), element(e(2), a, s), element(e(3), s, b), element(e(4), s, b);
        element(e(5), a, s + 1), element(e(6), s + 1, b);
        element(e(7), s + 1, s + 2), element(e(8), s + 2, s + 4);
        element(e(9), s + 1, s + 3), element(e(10), s + 3, s + 4);
        element(e(11), s + 4, 0);
        return 5;
    case 9:
    case 21:
        add("\t!|<--- point marker (not implemented\r\n");
        return 0;
    case 44:
        add("\t! Q of component %d elements ahead = %g\r\n", list_[g].letter - '0', list_[g].value);
        return 0;
    default:
        comment(g);
        return 0;
    }
}

std::string Writer::build(TouchstoneOutput& out) {
    const int n = entryCount(list_);
    if (n >= kEntrySlots - 1) return " The network has no source entry.";
    if (!(list_[0].value > 0.0)) return " Termination Zo must be above 0 ohms.";
    if (o_.startNode < 1) return " The starting node number must be 1 or more.";
    if (o_.physicalLines && !(o_.k > 0.0 && std::isfinite(o_.k)))
        return " The dielectric constant must be above 0.";
    // Normalized designs keep radian frequencies; the file is in hertz.
    const bool normalized = d_.notation.electrical == kNotationNormalized;
    fmul_ = normalized ? 1.0 : d_.notation.frequency.multiplier;
    const double terminator = list_[n + 1].value == 0.0 ? 1.0 : list_[n + 1].value;
    fr_ = terminator * fmul_;

    double from = 0.0, to = 0.0, step = 0.0;
    const std::string sweep =
        o_.sweep.find_first_not_of(" \t") == std::string::npos ? defaultSweep(d_) : o_.sweep;
    if (sweep.empty()) {
        // No sweep set: an octave each side of the reference frequency.
        from = fr_ / 2.0, to = fr_ * 2.0, step = (to - from) / 100.0;
    } else if (!parseSweep(sweep, from, to, step)) {
        return " The sweep needs three numbers: From To Step, From below To.";
    }

    // Node pass: internal nodes start beyond the main-line nodes.
    int nodes = o_.startNode + 2;
    out.unimplemented.clear();
    out.partialSidePort = false;
    for (int i = 0; i <= n;) {
        const int c = list_[i].code;
        if (c > kMaxGroupCode) {
            if (std::find(out.unimplemented.begin(), out.unimplemented.end(), c) ==
                out.unimplemented.end())
                out.unimplemented.push_back(c);
            ++i;
            continue;
        }
        if (c == 9) out.partialSidePort = true;
        nodes += nodeAdvance(c);
        i += std::max(1, groupSize(c));
    }

    char when[32] = {};
    if (o_.dateTime.empty()) {
        const std::time_t now = std::time(nullptr);
        std::snprintf(when, sizeof when, "%.24s", std::ctime(&now));
    } else {
        std::snprintf(when, sizeof when, "%.24s", o_.dateTime.c_str());
    }
    const std::string name = nameComponent(designName(d_));
    add("! %e Hz. Filter design file: %s.dzn\r\n", terminator, name.c_str());
    add("! Generated by TANVEX * Date / time = %.24s\r\n", when);

    const Units u = unitsOf(d_.notation.electrical);
    const char* lng = lengthName(d_.notation.mechanical);
    add("DIM\r\n\tIND %s\r\n\tCAP %s\r\n\tANG DEG\r\n\tRES OH\r\n \tLNG %s\r\n \tFREQ %s\r\n",
        u.ind, u.cap, lng, u.freq);

    const AnalysisSettings& as = d_.analysis;
    auto q = [](double v) { return v < 0.1 ? 1e11 : v; };
    if (o_.qElements || o_.physicalLines) {
        add("VAR\r\n");
        add("\tQl=%g\r\n\tQc=%g\r\n", q(as[3]), q(as[4]));
        add("\tFr=%g\r\n", fr_);
        if (o_.physicalLines) {
            const double l90 = inches(std::numbers::pi / 2.0, fr_);
            const double atn = 6.821882 / q(as[5]) / l90 / d_.notation.length.multiplier;
            add("\tAtn=%g ! dB/%s. for 90 Deg. lines with Qt=%g\r\n", atn, lng, q(as[5]));
            add("\t\t! NOTE: Qt is relative to 90 Deg. lines.\r\n");
        }
    }

    add("CKT\r\n");
    add("\t!\t- Termination Zo = %g Ohms - Branch 0\r\n", list_[0].value);
    a_ = o_.startNode;
    int channel = 1, channelStart = o_.startNode;
    std::vector<double> ports{list_[0].value};
    for (int g = 1; g <= n;) {
        const int c = list_[g].code;
        if (c == 1) {
            add("\t!\t- Source Zo = %g Ohms - Branch %d\r\n", list_[g].value, g);
            add("\tDEF2P\t%-3d %-3d   CHAN%d\r\n", a_, channelStart, channel);
            break;
        }
        if (c == 8) {
            add("\tDEF2P\t%-3d %-3d   CHAN%d\r\n", a_, channelStart, channel);
            add("\t!\t- Port termination Zo = %g Ohms - Branch %d\r\n", list_[g].value, g);
            channelStart = a_;
            ++channel;
            ports.push_back(list_[g].value);
            ++g;
            continue;
        }
        if (c == 22) {
            if (list_[g].value > 0.0)
                fr_ = list_[g].value * fmul_;
            else
                add("\t ! |- Data feature -| Not implemented\r\n");
            ++g;
            continue;
        }
        const int size = c > kMaxGroupCode ? 1 : std::max(1, groupSize(c));
        if (c > kMaxGroupCode || g + size - 1 > n) {
            comment(g);
            ++g;
            continue;
        }
        nodes += group(g, c, nodes);
        a_ += nodeAdvance(c);
        g += size;
    }

    if (channel > 1) {
        for (int i = 1; i <= channel; ++i) add("\tCHAN%d   1   %d\r\n", i, i + 1);
        add("\tDEF%dP\t", channel + 1);
        for (int i = 1; i <= channel + 1; ++i) add("%d   ", i);
        add("MPLX\r\n");
    }

    const double z0 = list_[0].value;
    auto gamma = [z0](double z) { return (z - z0) / (z + z0); };
    add("TERM\r\n");
    if (z0 != 50.0) add("\tZo = %g\r\n", z0);
    for (int i = 1; i <= channel; ++i)
        add("\tCHAN%d  %e %g    %e %g\r\n", i, gamma(list_[n].value), 0.0,
            gamma(ports[static_cast<std::size_t>(i - 1)]), 0.0);

    add("OUT\r\n");
    if (channel == 1) {
        add("\tCHAN1    DB[S21] GR1\r\n\tCHAN1    DB[S11] GR1A\r\n");
        add("\tCHAN1   ANG[S21] GR2\r\n\tCHAN1    TD[S21] GR2\r\n");
    } else {
        for (int i = 2; i <= channel + 1; ++i) add("\tMPLX    DB[S%d1] GR1\r\n", i);
        add("\tMPLX    DB[S11] GR1A\r\n");
    }

    add("FREQ\r\n\tSWEEP %g %g %g\r\n", from, to, step);
    add("GRID\r\n\tRANGE   %g  %g  %g\r\n", from, to, 0.1 * (to - from));
    add("\tGR1    -%g  0 %g\r\n", 8.0 * o_.attenuationScale, o_.attenuationScale);
    add("\tGR1A   -35  0  5\r\n");

    out.text = std::move(text_);
    out.lastNode = nodes - 1;
    return {};
}

} // namespace

bool hasLines(const EntryList& list) {
    const int n = entryCount(list);
    for (int i = 1; i < n; ++i)
        if (list[i].letter == 'Z') return true;
    return false;
}

double defaultDielectric(const Design& design) {
    return static_cast<int>(design.record[kSlotDesignType].value) == 24 ? 36.0
                                                                        : design.record[14].value;
}

std::string defaultSweep(const Design& design) {
    const AnalysisSettings& as = design.analysis;
    double from = as[0], to = as[1], third = as[2];
    if (design.notation.electrical == kNotationNormalized) {
        // The settings hold radian frequencies there; the file is in hertz.
        from /= 2.0 * std::numbers::pi, to /= 2.0 * std::numbers::pi;
        if (third > 0.0) third /= 2.0 * std::numbers::pi;
    }
    if (!(from > 0.0) || !(to > from)) return {};
    double step = third > 0.0    ? third
                  : third < -1.0 ? (from - to) / (third + 1.0)
                                 : (to - from) / 224.0; // a step of 0 means 225 points
    return formatText(" %g %g %g", from, to, step);
}

std::string buildTouchstone(const Design& design, const TouchstoneOptions& options,
                            TouchstoneOutput& out) {
    Writer w(design, options);
    return w.build(out);
}

std::vector<std::string> touchstoneNotices(const TouchstoneOutput& out) {
    std::vector<std::string> notices;
    for (int c : out.unimplemented)
        notices.push_back(formatText(" Element not implemented -> %d", c));
    if (out.partialSidePort)
        notices.push_back(" End of side port (code 9): the file connects the side port's network"
                          " only as far as its own channel; check the junction.");
    return notices;
}

int runTouchstone(const Design& design, ui::Toolkit& tk, const std::string& directory,
                  double attenuationScale) {
    const std::string fileName = nameComponent(designName(design)) + ".CKT";
    const std::string path = joinPath(directory, fileName);
    // The file goes to a temporary name first; a directory that takes no
    // file is reported before any question is asked.
    {
        const std::string probe = path + ".tmp~";
        std::FILE* f = std::fopen(probe.c_str(), "wb");
        if (!f) {
            tk.notice(formatText("Can't open %s", fileName.c_str()));
            return 1;
        }
        std::fclose(f);
        std::remove(probe.c_str());
    }
    TouchstoneOptions o;
    o.attenuationScale = attenuationScale;
    auto ask = [&](const std::string& line1, const std::string& line2, const std::string& line3) {
        tk.setPrompt(0, kTouchstoneTitle, 1);
        tk.setPrompt(1, line1);
        tk.setPrompt(2, line2);
        tk.setPrompt(3, line3);
        return tk.keyBox("YN");
    };
    const char* const yesNo = "                  (Y or N)";
    o.qElements = ask(formatText("  Touchstone file will be: %s", fileName.c_str()),
                      "  Use L and C elements including component Q ?", yesNo) != 'N';
    if (hasLines(design.entries)) {
        o.physicalLines = ask(" Use transmission line physical elements ?", yesNo, "") != 'N';
        o.k = defaultDielectric(design);
        if (o.physicalLines) {
            tk.setPrompt(0, kTouchstoneTitle, 1);
            tk.setPrompt(1, "Dielectric constant ?");
            tk.defaultAnswer = formatText("%g", o.k);
            tk.inputBox();
            o.k = tk.numberResult;
        }
    }
    tk.setPrompt(0, kTouchstoneTitle, 1);
    tk.setPrompt(1, "What starting node number ?");
    tk.defaultAnswer = formatText("%d", 1);
    tk.inputBox();
    o.startNode = static_cast<int>(std::clamp(tk.numberResult, -1.0, 1e6));

    const std::string unit =
        design.notation.electrical == kNotationNormalized ? "Hz" : design.notation.frequency.name;
    const std::size_t first = unit.find_first_not_of(' ');
    const std::string unitTrim = first == std::string::npos
                                     ? std::string()
                                     : unit.substr(first, unit.find_last_not_of(' ') - first + 1);
    tk.setPrompt(0, kTouchstoneTitle, 1);
    tk.setPrompt(1, "FREQ block: Any commas (,) will be removed.");
    tk.setPrompt(2, formatText("      (%s) will be added:", unitTrim.c_str()));
    tk.setPrompt(3, formatText("SWEEP freq. range: From To Step (%s) ?", unitTrim.c_str()));
    tk.defaultAnswer = defaultSweep(design);
    tk.inputBox();
    o.sweep = tk.textResult;

    TouchstoneOutput out;
    const std::string why = buildTouchstone(design, o, out);
    if (!why.empty()) {
        tk.beep();
        tk.notice(why);
        return 1;
    }
    for (const std::string& n : touchstoneNotices(out)) tk.notice(n);
    if (!writeFileAtomically(path, out.text)) {
        tk.notice(formatText("Can't open %s", fileName.c_str()));
        return 1;
    }
    tk.notice(formatText("Last node number used is %d", out.lastNode));
    return 0;
}

} // namespace tanvex::outputs
