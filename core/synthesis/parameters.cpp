#include "synthesis/parameters.h"

#include "synthesis/builders.h"

#include "design/design_file.h"
#include "synthesis/catalogue.h"
#include "synthesis/elliptic.h"
#include "synthesis/placer.h"
#include "synthesis/prototype.h"
#include "synthesis/std_library_families.h"
#include "ui/number_list.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace tanvex::synthesis {

namespace {

const char* const kPrompts[21] = {"Equal resonators    (Y or N)",
                                  "order N",
                                  "passband Ripple (0=Butt. dB)",
                                  "Define pass / stop      (dB)",
                                  "required Attenuation    (dB)",
                                  "arithmetic Fo.",
                                  "Bandwidth",
                                  "design Zo.",
                                  " Source zo.",
                                  " Termination zo.",
                                  "Cutoff freqency fc.",
                                  "", // configuration: per design type
                                  "Couplings  (L,C,#D,#X,#Z)",
                                  "",
                                  "eXternal reference filename",
                                  "type 3: impedance ratio (>1)",
                                  "stOpband zero frequency",
                                  "electrical Length     (Deg.)",
                                  "",
                                  "Internal scaler (about .5)",
                                  "Wire inductance"};

std::string fmt(const char* f, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, f, v);
    return buf;
}

std::string fmtS(const char* f, const std::string& s) {
    char buf[96];
    std::snprintf(buf, sizeof buf, f, s.c_str());
    return buf;
}

int configGroup(int type, int kind) {
    if (type == 4) return 1;
    if (type == 11) return 2;
    if (type == 22) return 3;
    if ((type == 3 || type == 7) && kind >= 4 && kind <= 6) return 4;
    if (type == 16 || type == 20) return 5;
    if (type == 8) return 6;
    if (type == 6) return 7;
    return 0;
}

const char* const kConfigPrompts[8] = {
    "confIg: (input)  Ser.  Par. ", "confIg: Ser.=mesh Par.=node ", "confIg: Ser.  Par.  Tubular ",
    "confIg: Ser.  Par.  Kuroda  ", "confIg: Ser Par  T  D  N  I ", "confIg: S=SCTL T=Tap C=Cap. ",
    "confIg: Ser Par hybrid: A B ", "confIg: Standard  Transform "};
const char* const kConfigHints[8] = {
    "Source end: Series or Parallel",       "Couplings: S=shunt P=none-to-node",
    "T=Ser. Equal shunts. C couplings",     "K=notches coupled by 90 deg lines",
    "T or D -> 4 element * N -> 5 element", "Zo matching method (both ends)",
    "hybrids coupled by 90 deg lines",      "T=Dipole equivalent sections"};

} // namespace

ParamKind parameterKind(int slot) {
    switch (slot) {
    case 0:
    case 11:
    case 18:
        return ParamKind::Letter;
    case 5:
    case 6:
    case 10:
    case 16:
        return ParamKind::Frequency;
    case 12:
        return ParamKind::Couplings;
    case 14:
        return ParamKind::Text;
    case 20:
        return ParamKind::Inductance;
    default:
        return ParamKind::Number;
    }
}

std::string configurationPrompt(int designType, int refKind) {
    return kConfigPrompts[configGroup(designType, refKind)];
}

std::string parameterPrompt(const DesignRecord& rec, int slot) {
    if (slot < 0 || slot > kLastParameter) return "";
    const int type = designType(rec);
    switch (slot) {
    case 11:
        return configurationPrompt(type, referenceKind(rec));
    case 13:
        return referenceKind(rec) == 4 ? "tYpe: 1=sing 2=doub 3=\"C\""
                                       : "tYpe: 1=sing 2=doub 3=ratio";
    case 18:
        if (type == 7) return "Second L all equal  (Y or N)";
        if (type == 16 || type == 18 || type == 20) return "Passband Cp tune-up (Y or N)";
        return "Passband type    (H=Hp L=Lp)";
    default:
        return kPrompts[slot];
    }
}

std::string rowLabel(const Design& design, int slot) {
    const std::string p = parameterPrompt(design.record, slot);
    switch (parameterKind(slot)) {
    case ParamKind::Frequency: {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%-24s%-4s", p.c_str(),
                      design.notation.frequency.name.c_str());
        return buf;
    }
    case ParamKind::Inductance: {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%-24s%-4s", p.c_str(),
                      design.notation.inductance.name.c_str());
        return buf;
    }
    case ParamKind::Couplings:
        return fmtS("%-30s", p);
    default:
        return fmtS("%-28s", p);
    }
}

std::string rowValue(const Design& design, int slot) {
    const DesignRecord& rec = design.record;
    switch (parameterKind(slot)) {
    case ParamKind::Letter:
        return rec[slot].letter > ' ' ? std::string(1, rec[slot].letter) : std::string();
    case ParamKind::Frequency:
        return fmt("%.5g", rec[slot].value * design.notation.frequency.multiplier);
    case ParamKind::Inductance:
        return fmt("%.5g", rec[slot].value * design.notation.inductance.multiplier);
    case ParamKind::Couplings: {
        std::string s;
        for (int i = 1; i <= orderN(rec) - 1 && i <= kCouplings; ++i) s += coupling(rec, i);
        return s;
    }
    case ParamKind::Text:
        return rec[slot].str();
    case ParamKind::Number:
        return fmt("%.5g", rec[slot].value);
    }
    return "";
}

std::string parameterHint(const Design& design, int slot) {
    const DesignRecord& rec = design.record;
    const int type = designType(rec);
    const bool tem = type == 16 || type == 18 || type == 20;
    switch (slot) {
    case 0:
        return type == 24 ? "N = remove shunt capacitors" : "Y = round rods equal diameter";
    case 3:
        return "Also sets \"dB Bw\" on Plot";
    case 5:
        return "You may enter Fo -or- F1, F2";
    case 6: {
        double fo = rec[5].value;
        double pct = fo != 0 ? 100.0 * rec[6].value / fo : 0.0;
        char buf[64];
        std::snprintf(buf, sizeof buf, "Fractional bandwidth = %g%c", pct, '%');
        return buf;
    }
    case 7:
        return tem || type == 24 ? "Resonator impedance" : "Natural impedance";
    case 11:
        return kConfigHints[configGroup(type, referenceKind(rec))];
    case 12:
        return "#D-Dual  #X-stop  #Z-notch";
    case 13:
        return referenceKind(rec) == 4 ? "tYpe 3: Even order, Rs equals Rl"
                                       : "Normalized reference terminations";
    case 15:
        return "Reference lowpass Rs/Rl > 1.0";
    case 16:
        return "Several OK, but only at 1 freq.";
    case 18:
        if (type == 7) return "All equal to first Section: Yes or No";
        if (tem) return "Y tunes each section Cp for VSWR";
        return "Passband: L=to DC. H=to Infinity.";
    case 19:
        return type == 7 ? "Ratio of shunt branch inductors" : "Adjust for best return loss";
    case 20:
        return type == 24 ? "Resonator lead inductance" : "Tap lead inductance";
    default:
        return "";
    }
}

std::vector<int> dialogRows(Design& design) {
    DesignRecord& rec = design.record;
    if (!isUsed(rec, 12)) setUsed(rec, 16, false);
    const int type = designType(rec);
    if ((type == 16 || type == 20) && configuration(rec) == 'T') setUsed(rec, 20, true);
    std::vector<int> rows;
    for (int s = 0; s <= kLastParameter && static_cast<int>(rows.size()) < kMaxDialogRows; ++s)
        if (isUsed(rec, s)) rows.push_back(s);
    return rows;
}

EntryEffect enterParameter(Design& design, int slot, const std::string& text) {
    DesignRecord& rec = design.record;
    EntryEffect eff;
    const int oldN = orderN(rec);
    switch (parameterKind(slot)) {
    case ParamKind::Letter: {
        // Every letter the designs read (Y/N, configurations, H/L) is a
        // capital; the keyboard's case does not matter.
        size_t p = text.find_first_not_of(' ');
        if (p != std::string::npos)
            rec[slot].letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[p])));
        break;
    }
    case ParamKind::Text:
        rec[slot].setText(text);
        break;
    case ParamKind::Frequency:
    case ParamKind::Inductance: {
        const double mult = parameterKind(slot) == ParamKind::Frequency
                                ? design.notation.frequency.multiplier
                                : design.notation.inductance.multiplier;
        std::vector<double> v(4, 0.0);
        int n = ui::parseNumberList(text, v);
        if (n == 0) break;
        if (slot == 5 && n >= 2 && v[2] != 0) {
            const double f1 = v[1] / mult, f2 = v[2] / mult;
            rec[5].value = (f1 + f2) / 2;
            rec[6].value = f2 - f1;
            eff.refresh = true;
        } else {
            rec[slot].value = v[1] / mult;
        }
        break;
    }
    case ParamKind::Number: {
        std::vector<double> v(2, 0.0);
        if (ui::parseNumberList(text, v) == 0) break;
        rec[slot].value = v[1];
        break;
    }
    case ParamKind::Couplings: {
        size_t p = text.find_first_not_of(' ');
        if (p == std::string::npos) break;
        const char first = static_cast<char>(std::toupper(static_cast<unsigned char>(text[p])));
        if (first == 'L' || first == 'C') {
            for (int i = 1; i <= orderN(rec) + 2 && i <= kCouplings; ++i)
                setCoupling(rec, i, first);
            eff.gridChanged = true;
            break;
        }
        int num = 0;
        size_t q = p;
        while (q < text.size() && std::isdigit(static_cast<unsigned char>(text[q])))
            num = num * 10 + (text[q++] - '0');
        while (q < text.size() && text[q] == ' ') ++q;
        if (num < 1 || q >= text.size() || num >= orderN(rec)) break;
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[q])));
        if (!std::strchr("CLDXZ", letter)) break;
        setCoupling(rec, num, letter);
        eff.gridChanged = true;
        break;
    }
    }
    if (orderN(rec) != oldN) eff.gridChanged = true;
    eff.flagsChanged = updateDependentFlags(rec);
    return eff;
}

EntryEffect clickCoupling(Design& design, int row, char column) {
    EntryEffect eff;
    if (row < 1 || row > 18) return eff;
    setCoupling(design.record, row, column);
    eff.gridChanged = true;
    eff.flagsChanged = updateDependentFlags(design.record);
    return eff;
}

std::vector<std::string> parameterReport(const Design& design) {
    const DesignRecord& rec = design.record;
    std::vector<std::string> out;
    out.push_back("Design = " + designTypeName(designType(rec)));
    char buf[160];
    for (int s = 0; s <= kLastParameter; ++s) {
        if (!isUsed(rec, s)) continue;
        const std::string p = parameterPrompt(rec, s);
        switch (parameterKind(s)) {
        case ParamKind::Letter:
            std::snprintf(buf, sizeof buf, "%s %c", p.c_str(), rec[s].letter ? rec[s].letter : ' ');
            break;
        case ParamKind::Number:
            std::snprintf(buf, sizeof buf, "%-28s %-10.5g", p.c_str(), rec[s].value);
            break;
        case ParamKind::Frequency:
            std::snprintf(buf, sizeof buf, "%-24s%-4s %-10.5g", p.c_str(),
                          design.notation.frequency.name.c_str(),
                          rec[s].value * design.notation.frequency.multiplier);
            break;
        case ParamKind::Inductance:
            std::snprintf(buf, sizeof buf, "%-24s%-4s %-10.5g", p.c_str(),
                          design.notation.inductance.name.c_str(),
                          rec[s].value * design.notation.inductance.multiplier);
            break;
        case ParamKind::Text:
            std::snprintf(buf, sizeof buf, "%s: %s", p.c_str(), rec[s].text);
            break;
        case ParamKind::Couplings: {
            std::string line = fmtS("%-30s", "Couplings");
            for (int i = 1; i <= orderN(rec) - 1 && i <= 21 && i <= kCouplings; ++i) {
                line += coupling(rec, i);
                line += ' ';
            }
            std::snprintf(buf, sizeof buf, "%s", line.c_str());
            break;
        }
        }
        out.emplace_back(buf);
    }
    for (std::string& line : temLineReport(design)) out.push_back(std::move(line));
    if (usesPolePlacerFile(design)) {
        for (const std::string& line :
             placerReport(placerFromFile(design.placer), design.notation.frequency.multiplier))
            out.push_back(line);
    }
    if (const int t = designType(rec); t == 16 || t == 18 || t == 20 || t == 24)
        for (std::string& line : temNarrowReport(design)) out.push_back(std::move(line));
    return out;
}

namespace {

// The library holds orders 1..10 of each family.
constexpr int kMaxLibraryOrder = 10;

// The lowest elliptic order whose response, with the design's ripple and the
// required attenuation as its stopband minimum, reaches its stopband at omega
// (in the design's band-edge units: the edge is where the loss is As). The
// responses are the ones Calculate builds, even orders in the form the
// termination selects, so the order proposed is one that works.
int ellipticOrderFor(const DesignRecord& rec, double attenuationDb, double omega) {
    const double ar = rec[2].value;
    if (!(ar > 0) || !(attenuationDb > ar)) return 0;
    const double as = std::clamp(rec[3].value > 0 ? rec[3].value : ar, ar, attenuationDb);
    const int termination = wholeNumberOf(rec[13].value);
    for (int n = 1; n <= kMaxPrototypeOrder; ++n) {
        const bool odd = n % 2 == 1 && termination != 1;
        if ((!odd && n < 3) || (odd && n > 25)) continue;
        const EllipticForm form = n % 2 == 1         ? EllipticForm::Odd
                                  : termination == 3 ? EllipticForm::EvenEqual
                                                     : EllipticForm::EvenUnequal;
        const EllipticResponse r = ellipticResponse(n, ar, attenuationDb, form);
        if (!r.ok) continue;
        if (omega * ellipticBandEdgeScale(r, as) >= r.omegaS) return n;
    }
    return 0;
}

} // namespace

int estimateOrder(const Design& design, double attenuationDb, double frequencyHz) {
    const DesignRecord& rec = design.record;
    const int type = designType(rec);
    if (frequencyHz <= 0 || attenuationDb <= 0) return 0;
    double omega = 0.0;
    const double fo = rec[5].value, bw = rec[6].value, fc = rec[10].value;
    if (type == 1 || type == 25 || type == 26) {
        if (fc <= 0) return 0;
        omega = frequencyHz / fc;
    } else if (type == 2) {
        if (fc <= 0) return 0;
        omega = fc / frequencyHz;
    } else {
        if (fo <= 0 || bw <= 0) return 0;
        const double f1 = fo - bw / 2, f2 = f1 + bw, f0 = std::sqrt(f1 * f2);
        const double x = std::fabs(frequencyHz * frequencyHz - f0 * f0) / (frequencyHz * bw);
        const bool notch = type == 7 || type == 8 || type == 21 || type == 22;
        if (notch) {
            if (x == 0) return 1;
            omega = 1.0 / x;
        } else {
            omega = x;
        }
    }
    if (omega <= 1.0) return 0;
    const int kind = referenceKind(rec);
    if (kind == kRefElliptic) return ellipticOrderFor(rec, attenuationDb, omega);
    if (kind == kRefLibrary) {
        // The library responses are 3 dB at 1 rad/s, used without scaling.
        const char family = rec[13].letter;
        for (int n = 1; n <= kMaxLibraryOrder; ++n) {
            const Poly e = libraryDenominator(family, n);
            if (!e.empty() && allPoleLossDb(e, omega) >= attenuationDb) return n;
        }
        return 0;
    }
    const double ar = isUsed(rec, 2) ? rec[2].value : 0.0;
    const double as = isUsed(rec, 3) && rec[3].value > 0 ? rec[3].value : (ar > 0 ? ar : 3.0103);
    const double eps2 = ar > 0 ? std::pow(10.0, ar / 10) - 1 : 1.0;
    for (int n = 1; n <= kMaxPrototypeOrder; ++n) {
        const double s = bandEdgeScale(n, ar, std::max(as, ar));
        const double w = omega * s;
        double a;
        if (ar > 0) {
            const double t = std::cosh(n * std::acosh(std::max(w, 1.0)));
            a = 10 * std::log10(1 + eps2 * t * t);
        } else {
            a = 10 * std::log10(1 + std::pow(w, 2 * n));
        }
        if (a >= attenuationDb) return n;
    }
    return 0;
}

} // namespace tanvex::synthesis

namespace tanvex::synthesis {

std::vector<std::string> referenceListing(PrototypeContext& ctx) {
    std::vector<std::string> out;
    const bool access = ctx.fileAccess;
    ctx.fileAccess = false;
    const int r = makePrototype(ctx);
    ctx.fileAccess = access;
    LowpassPrototype& lp = ctx.proto;
    if (r != 0) lp.element[0].code = 0;
    if (r != 0 || lp.n < 1 || lp.element[0].code == 0) return out;
    char buf[120];
    if (lp.element[0].code == kRefTypedKq) {
        const int n = lp.n;
        std::snprintf(buf, sizeof buf, " qn = %g", lp.element[n + 1].value * lp.element[n].value);
        out.emplace_back(buf);
        for (int i = n; i >= 2; --i) {
            const double k = 1.0 / std::sqrt(lp.element[i - 1].value * lp.element[i].value);
            std::snprintf(buf, sizeof buf, "  %g", k);
            out.emplace_back(buf);
        }
        std::snprintf(buf, sizeof buf, " q1 = %g", lp.element[1].value);
        out.emplace_back(buf);
        return out;
    }
    out.emplace_back("Lowpass reference used:");
    for (int k = 0; k <= lp.n + 1; ++k) {
        const PrototypeElement& e = lp.element[k];
        if (k == 0 || k == lp.n + 1) {
            std::snprintf(buf, sizeof buf, "  R  %g", k == 0 ? 1.0 : e.value);
        } else if (e.code == 2) {
            std::snprintf(buf, sizeof buf, "  |  C  %g", e.value);
        } else if (e.code == 3) {
            std::snprintf(buf, sizeof buf, " -L-  %g", e.value);
        } else if (e.code == 4) {
            std::snprintf(buf, sizeof buf, "  |  L  %g  C  %g  f = %g", e.value, e.value2,
                          1.0 / std::sqrt(e.value * e.value2));
        } else {
            std::snprintf(buf, sizeof buf, " [L C] L  %g  C  %g  f = %g", e.value, e.value2,
                          1.0 / std::sqrt(e.value * e.value2));
        }
        out.emplace_back(buf);
    }
    return out;
}

} // namespace tanvex::synthesis
