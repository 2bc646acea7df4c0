// Lowpass prototype synthesis: parameter check and dispatch, the all-pole
// closed forms, elliptic prototypes, typed values and file references.
#include "synthesis/prototype.h"

#include "synthesis/placer.h"

#include "synthesis/elliptic.h"
#include "synthesis/std_library.h"

#include <cmath>
#include <cstdio>

namespace tanvex::synthesis {

namespace {

const double kPi = 3.14159265358979323846;

// asinh and acosh written out, as the program has always computed them.
double asinhLn(double x) {
    return std::log(x + std::sqrt(x * x + 1));
}
double acoshLn(double d) {
    return std::log(d + std::sqrt(d * d - 1));
}

char& faultIndex(DesignRecord& rec) {
    return rec[21].letter;
}

int fault(DesignRecord& rec, int slot) {
    faultIndex(rec) = static_cast<char>(slot);
    return 5;
}

// The parameters a calculating routine reads.
struct Params {
    int n = 0;
    double nRaw = 0;
    double ar = 0, as = 0, amin = 0;
    int termination = 0;
};

Params readParams(const DesignRecord& rec) {
    Params p;
    p.nRaw = rec[1].value;
    p.n = wholeNumberOf(rec[1].value);
    p.ar = rec[2].value;
    p.as = rec[3].value;
    p.amin = rec[4].value;
    p.termination = wholeNumberOf(rec[13].value);
    return p;
}

void clearElements(LowpassPrototype& lp) {
    lp.element.fill(PrototypeElement{});
}

// Codes alternate so that element n is the shunt element next to the source.
int allPoleCode(int k, int n) {
    return (n - k) % 2 == 0 ? 2 : 3;
}

void storeAllPole(LowpassPrototype& lp, const std::vector<double>& g, double s, double source,
                  const Params& p, int termination) {
    clearElements(lp);
    int n = static_cast<int>(g.size());
    lp.element[0] = {1.0, 0.0, kRefAllPole};
    for (int k = 1; k <= n; ++k) lp.element[k] = {g[k - 1] * s, 0.0, allPoleCode(k, n)};
    lp.element[n + 1] = {source, 0.0, 0};
    lp.n = n;
    lp.ar = p.ar;
    lp.as = p.as;
    lp.amin = 0;
    lp.scale = s;
    lp.termination = termination;
    lp.charF.clear();
    lp.charP.clear();
}

bool sameAsStored(const LowpassPrototype& lp, const Params& p, int code, bool withAmin) {
    return lp.element[0].code == code && lp.n == p.n && lp.ar == p.ar && lp.as == p.as &&
           lp.termination == p.termination && (!withAmin || lp.amin == p.amin);
}

// ---- algorithm 2: all-pole --------------------------------------------------

int allPole(PrototypeContext& ctx) {
    DesignRecord& rec = ctx.design.record;
    LowpassPrototype& lp = ctx.proto;
    Params p = readParams(rec);
    bool singly = p.termination == 1;
    double r = 1.0;
    if (p.n > kMaxPrototypeOrder || p.n < 1) faultIndex(rec) = 1;
    if (p.ar < 0) faultIndex(rec) = 2;
    if (p.as < p.ar) faultIndex(rec) = 3;
    if (!singly && p.termination == 3) {
        if (!slotUsed(rec, 15)) faultIndex(rec) = 13;
        r = rec[15].value;
        if (!(r >= 1.0)) faultIndex(rec) = 15;
    }
    if (faultIndex(rec) != 0) return 5;
    if (sameAsStored(lp, p, kRefAllPole, false)) {
        if (p.termination != 3) return 0;
        double stored = lp.element[p.n + 1].value;
        if (std::fabs(stored - r) <= 1e-5 * std::fabs(stored) ||
            std::fabs(stored - 1 / r) <= 1e-5 * std::fabs(stored))
            return 0;
    }
    double s = bandEdgeScale(p.n, p.ar, p.as);
    if (singly) {
        storeAllPole(lp, allPoleSingly(p.n, p.ar), s, kInfiniteSource, p, 1);
        return 0;
    }
    std::vector<double> g = allPoleDoubly(p.n, p.ar, r, p.termination == 3);
    if (p.termination == 3 && r != rec[15].value) rec[15].value = r; // raised to r_min
    double source = p.n % 2 == 0 ? r : 1 / r;
    storeAllPole(lp, g, s, source, p, p.termination);
    return 0;
}

// ---- algorithm 4: elliptic ---------------------------------------------------

std::vector<double> factorsOf(const FactoredPoly& fp) {
    std::vector<double> v{double(fp.constant), double(fp.originPower)};
    for (Real w : fp.squares) v.push_back(double(w));
    return v;
}

FactoredPoly factorsFrom(const std::vector<double>& v) {
    FactoredPoly fp;
    fp.constant = v[0];
    fp.originPower = static_cast<int>(v[1]);
    fp.squares.assign(v.begin() + 2, v.end());
    return fp;
}

int elliptic(PrototypeContext& ctx) {
    DesignRecord& rec = ctx.design.record;
    LowpassPrototype& lp = ctx.proto;
    Params p = readParams(rec);
    bool oddRoutine = p.n % 2 == 1 && p.termination != 1;
    if (oddRoutine) {
        if (p.n > 25 || p.n < 1) faultIndex(rec) = 1;
    } else {
        if (p.n < 3 || p.n > kMaxPrototypeOrder) faultIndex(rec) = 1;
    }
    if (!(p.ar > 0)) faultIndex(rec) = 2;
    if (!(p.amin > p.ar)) faultIndex(rec) = 4;
    if (!(p.ar <= p.as && p.as <= p.amin)) faultIndex(rec) = 3;
    if (p.termination < 1 || p.termination > 3) faultIndex(rec) = 13;
    if (faultIndex(rec) != 0) return 5;
    int termination = p.termination;
    if (oddRoutine && termination == 3) termination = 2;
    Params key = p;
    key.termination = termination;
    if (sameAsStored(lp, key, kRefElliptic, true)) return 0;

    EllipticForm form = p.n % 2 == 1       ? EllipticForm::Odd
                        : termination == 3 ? EllipticForm::EvenEqual
                                           : EllipticForm::EvenUnequal;
    EllipticResponse resp = ellipticResponse(p.n, p.ar, p.amin, form);
    if (!resp.ok) return fault(rec, 1);
    bool singly = termination == 1;
    LadderResult lad = ellipticLadder(resp, singly);
    // The ladder is analysed once more and compared with the response it was
    // made for; at high orders with a narrow transition band the extraction
    // can run out of digits, and such a prototype is refused (order at fault)
    // rather than handed on. A negative element in every order of the zeros,
    // the arithmetic sound, puts the attenuation at fault: for each order and
    // ripple the refused designs are those with Amin below a threshold (at
    // 0.01 dB from about 17 dB for N = 5 to 26 dB for N = 11 and 13), any
    // Amin above it gives a ladder, and a lower order is often refused too.
    if (!ellipticLadderHolds(lad, resp)) {
        return fault(rec, ellipticLadderNegative(lad) ? 4 : 1);
    }
    double s = ellipticBandEdgeScale(resp, p.as);
    clearElements(lp);
    lp.element[0] = {1.0, resp.omegaS, kRefElliptic};
    for (int k = 1; k <= p.n; ++k) {
        const LadderElement& e = lad.elements[k - 1];
        lp.element[k] = {e.value * s, e.value2 * s, e.code};
    }
    lp.element[p.n + 1] = {lad.source, 0.0, 0};
    lp.n = p.n;
    lp.ar = p.ar;
    lp.as = p.as;
    lp.amin = p.amin;
    lp.scale = s;
    lp.termination = termination;
    // Singly terminated ladders realise the same function: the generalized
    // Chebyshev function of these zeros and zeros at infinity is the
    // elliptic one.
    lp.charF = factorsOf(resp.fFactors);
    lp.charP = factorsOf(resp.pFactors);
    return 0;
}

// ---- algorithms 5 and 6: typed values -------------------------------------

void enterPrompt(ui::Toolkit& tk, const std::string& question) {
    tk.clearPrompt();
    tk.setPrompt(0, "> Enter normalized values <");
    tk.setPrompt(1, "  (Cr) to abort");
    tk.setPrompt(2, question);
}

// Asks one value; 0 (or nothing) means abort.
bool askValue(ui::Toolkit& tk, const std::string& question, double& out) {
    enterPrompt(tk, question);
    tk.defaultAnswer.clear();
    tk.inputBox();
    out = tk.numberResult;
    return out != 0.0;
}

// The reuse rule shared by typed G and k-q values: true when the stored
// values are to be kept.
bool keepTypedValues(PrototypeContext& ctx, const Params& p, int code) {
    LowpassPrototype& lp = ctx.proto;
    bool same = lp.element[0].code == code && lp.n == p.n &&
                (code != kRefTypedG || lp.termination == p.termination);
    if (!same) return false;
    if (lp.newValuesRequest == 0) return true;
    ui::Toolkit& tk = ctx.toolkit;
    tk.clearPrompt();
    tk.setPrompt(0, "New values (Cr) or Y ?");
    tk.defaultAnswer = "N";
    tk.inputBox();
    char c = tk.textResult.empty() ? 'N' : tk.textResult[0];
    if (c == 'Y' || c == 'y') return false;
    lp.newValuesRequest = 0;
    return true;
}

int typedG(PrototypeContext& ctx) {
    DesignRecord& rec = ctx.design.record;
    LowpassPrototype& lp = ctx.proto;
    ui::Toolkit& tk = ctx.toolkit;
    Params p = readParams(rec);
    if (p.n < 1 || p.n > kMaxPrototypeOrder) return fault(rec, 1);
    if (keepTypedValues(ctx, p, kRefTypedG)) return 0;
    if (p.termination != 1 && p.termination != 2) return fault(rec, 13);
    clearElements(lp);
    lp.n = p.n;
    lp.termination = p.termination;
    lp.scale = 1;
    lp.ar = lp.as = lp.amin = 0;
    lp.charF.clear();
    lp.charP.clear();
    lp.element[0] = {1.0, 0.0, kRefTypedG};
    if (p.termination == 1) {
        tk.notice("> Enter normalized values <\nNote: Term.=1, Rs = inf.");
        lp.element[p.n + 1].value = kInfiniteSource;
    } else {
        double rs;
        if (!askValue(tk, "Term.=1, What is Rs?", rs)) return -4;
        lp.element[p.n + 1].value = rs;
    }
    for (int k = 1; k <= p.n; ++k) {
        char q[32];
        std::snprintf(q, sizeof q, "What is G%d ? ", k);
        double g;
        if (!askValue(tk, q, g)) return -4;
        lp.element[p.n + 1 - k] = {g, 0.0, k % 2 ? 2 : 3};
    }
    lp.newValuesRequest = 0;
    return 0;
}

int typedKq(PrototypeContext& ctx) {
    DesignRecord& rec = ctx.design.record;
    LowpassPrototype& lp = ctx.proto;
    ui::Toolkit& tk = ctx.toolkit;
    Params p = readParams(rec);
    if (p.n < 1 || p.n > kMaxPrototypeOrder) return fault(rec, 1);
    if (keepTypedValues(ctx, p, kRefTypedKq)) return 0;
    clearElements(lp);
    lp.n = p.n;
    lp.termination = 0;
    lp.scale = 1;
    lp.ar = lp.as = lp.amin = 0;
    lp.charF.clear();
    lp.charP.clear();
    lp.element[0] = {1.0, 0.0, kRefTypedKq};
    double q1, qn;
    if (!askValue(tk, "What is q1?", q1)) return -4;
    if (!askValue(tk, "What is qn?", qn)) return -4;
    for (int i = 1; i < p.n; ++i) {
        char q[32];
        std::snprintf(q, sizeof q, "What is k%d%d ? ", i, i + 1);
        double k;
        if (!askValue(tk, q, k)) return -4;
        lp.element[i + 1].value2 = k;
    }
    int code = p.n % 2 ? 2 : 3;
    lp.element[1].value = q1;
    lp.element[1].code = code;
    for (int k = 2; k <= p.n; ++k) {
        code = code == 2 ? 3 : 2;
        double kk = lp.element[k].value2;
        lp.element[k].value = 1 / (kk * kk * lp.element[k - 1].value);
        lp.element[k].code = code;
    }
    lp.element[p.n + 1] = {qn / lp.element[p.n].value, 0.0, 0};
    lp.newValuesRequest = 0;
    return 0;
}

// ---- algorithm 7: file references ------------------------------------------

int fileReference(PrototypeContext& ctx, int kind) {
    DesignRecord& rec = ctx.design.record;
    LowpassPrototype& lp = ctx.proto;
    ui::Toolkit& tk = ctx.toolkit;
    std::string name;      // what the reuse rule compares
    std::string pathNoExt; // design file to read when the index has no entry
    std::string indexPath;
    if (kind == kRefLibrary) {
        std::string dir = libraryDirectory(rec[13].str(), ctx.homeDir);
        const char* family = libraryFamily(rec[13].letter);
        char sym = rec[14].letter;
        int n = wholeNumberOf(rec[1].value);
        if (!family || (sym != '1' && sym != '2') || n < 1 || n > kMaxPrototypeOrder) return 3;
        std::string file = libraryFileName(sym, family, n);
        name = file;
        pathNoExt = dir + file.substr(0, file.size() - 4);
        indexPath = dir + "LIB_REF.DAT";
    } else {
        name = rec[14].str();
        pathNoExt = name;
        if (name.empty() || name == "x") return 3;
    }
    if (lp.element[0].code == kind && lp.lastName == name && lp.n == wholeNumberOf(rec[1].value))
        return 0;
    if (!ctx.fileAccess) return 1;
    EntryList& list = ctx.design.entries;
    bool found = false;
    if (kind == kRefLibrary) found = readFromIndex(indexPath, name, list, tk) == 1;
    if (!found && !readDesignNetwork(pathNoExt, list, tk)) return 3;
    // Acceptance: 1 rad/s (reference frequency 1/(2 pi) Hz) and a 1 ohm termination.
    int count = entryCount(list);
    if (count >= kEntrySlots - 1) return 3;
    if (std::fabs(list[count + 1].value - 1 / (2 * kPi)) > 0.001) return 3;
    if (list[0].value != 1.0) return 3;
    std::array<PrototypeElement, kPrototypeElements> el{};
    int n = 0;
    for (int i = 1; i < count;) {
        if (n >= kMaxPrototypeOrder) return 3;
        NetEntry a = list[i];
        if (a.code == 2 || a.code == 3) {
            if (a.letter != (a.code == 2 ? 'C' : 'L')) return 3;
            el[++n] = {a.value, 0.0, a.code};
            ++i;
        } else if (a.code == 4 || a.code == 5) {
            NetEntry b = list[i + 1];
            if (b.code != a.code || i + 1 >= count) return 3;
            if (a.letter != 'L') std::swap(list[i], list[i + 1]);
            NetEntry l = list[i], c = list[i + 1];
            if (l.letter != 'L' || c.letter != 'C') return 3;
            el[++n] = {l.value, c.value, a.code};
            i += 2;
        } else {
            return 3;
        }
    }
    if (n < 1) return 3;
    el[0] = {1.0, 0.0, kind};
    el[n + 1] = {list[count].value, 0.0, 0};
    lp.element = el;
    lp.n = n;
    rec[1].value = n;
    lp.lastName = name;
    lp.scale = 1;
    lp.ar = lp.as = lp.amin = 0;
    lp.termination = 0;
    lp.charF.clear();
    lp.charP.clear();
    return 0;
}

} // namespace

bool slotUsed(const DesignRecord& rec, int slot) {
    return slot >= 0 && slot < 30 && rec[0].text[slot] == '1';
}

double bandEdgeScale(int n, double ar, double as) {
    if (ar == 0) return std::pow(std::pow(10.0, as / 10) - 1, 1.0 / (2 * n));
    if (ar == as) return 1.0;
    double d = std::sqrt(std::pow(10.0, as / 10) - 1) / std::sqrt(std::pow(10.0, ar / 10) - 1);
    return std::cosh(acoshLn(d) / n);
}

std::vector<double> allPoleDoubly(int n, double ar, double& r, bool givenRatio) {
    std::vector<double> a(n + 1), d(n + 1), g(n + 1);
    for (int k = 1; k <= n; ++k) a[k] = std::sin((2 * k - 1) * kPi / (2 * n));
    double x, y;
    if (ar == 0) {
        if (!givenRatio) r = 1;
        double t = 4 * r / ((r + 1) * (r + 1));
        x = 1;
        y = std::pow(1 - t, 1.0 / (2 * n));
        for (int k = 1; k <= n; ++k) d[k] = 1 + y * y - 2 * y * std::cos(k * kPi / n);
    } else {
        double eps = std::sqrt(std::pow(10.0, ar / 10) - 1);
        double beta = 2 * asinhLn(1 / eps);
        x = std::sinh(beta / (2 * n));
        double kk = 1;
        if (n % 2 == 1) {
            if (!givenRatio) r = 1;
        } else {
            double th = std::tanh(beta / 4);
            double rMin = 1 / (th * th);
            if (!givenRatio || r < rMin) r = rMin;
            kk = std::pow(10.0, ar / 10);
        }
        double t = 4 * r * kk / ((r + 1) * (r + 1));
        y = t <= 0.99999 ? std::sinh(asinhLn(std::sqrt(1 - t) / eps) / n) : 0;
        for (int k = 1; k <= n; ++k) {
            double sn = std::sin(k * kPi / n);
            d[k] = sn * sn + x * x + y * y - 2 * x * y * std::cos(k * kPi / n);
        }
    }
    g[1] = 2 * a[1] / (x - y);
    for (int k = 2; k <= n; ++k) g[k] = 4 * a[k - 1] * a[k] / (d[k - 1] * g[k - 1]);
    return std::vector<double>(g.begin() + 1, g.end());
}

std::vector<double> allPoleSingly(int n, double ar) {
    std::vector<double> a(n + 1), b(n + 1), g(n + 1);
    for (int k = 1; k <= n; ++k) a[k] = std::sin((2 * k - 1) * kPi / (2 * n));
    if (ar == 0) {
        for (int k = 1; k <= n; ++k) b[k] = std::pow(std::cos(k * kPi / (2 * n)), 2);
        g[1] = a[1];
    } else {
        double beta = std::log(1 / std::tanh(ar / 17.37178));
        double gamma = std::sinh(beta / (2 * n));
        for (int k = 1; k <= n; ++k) {
            double sn = std::sin(k * kPi / (2 * n));
            double cs = std::cos(k * kPi / (2 * n));
            b[k] = (gamma * gamma + sn * sn) * cs * cs;
        }
        g[1] = a[1] / gamma;
    }
    for (int k = 2; k <= n; ++k) g[k] = a[k - 1] * a[k] / (b[k - 1] * g[k - 1]);
    return std::vector<double>(g.begin() + 1, g.end());
}

double ellipticStopbandAttenuation(const LowpassPrototype& proto, double omega) {
    if (proto.element[0].code != kRefElliptic || proto.charP.empty()) return 0.0;
    if (proto.charF.size() < 2 || proto.charP.size() < 2) return 0.0;
    return factoredLossDb(factorsFrom(proto.charF), factorsFrom(proto.charP), omega);
}

double ellipticBandEdge(const LowpassPrototype& proto, bool attenuationQuery, double omega) {
    if (attenuationQuery) return ellipticStopbandAttenuation(proto, omega);
    return proto.element[0].code == kRefElliptic ? proto.scale : 1.0;
}

int makePrototype(PrototypeContext& ctx) {
    DesignRecord& rec = ctx.design.record;
    faultIndex(rec) = 0;
    static const int kChecked[] = {1, 3, 4, 5, 6, 7, 8, 9, 10, 16, 17, 19};
    for (int slot : kChecked)
        if (slotUsed(rec, slot) && rec[slot].value == 0.0) return fault(rec, slot);
    if (slotUsed(rec, 13)) {
        double t = rec[13].value;
        if (t != 1 && t != 2 && t != 3) return fault(rec, 13);
    }
    int kind = wholeNumberOf(rec[0].value);
    switch (kind) {
    case kRefAllPole:
        return allPole(ctx);
    case kRefTypedG:
        return typedG(ctx);
    case kRefTypedKq:
        return typedKq(ctx);
    case kRefElliptic:
        return elliptic(ctx);
    case kRefExternal:
    case kRefLibrary:
        return fileReference(ctx, kind);
    case kRefPlacer:
        // With file access off (the parameter report) the stored placer
        // prototype is kept when it still fits, else nothing is computed.
        if (!ctx.fileAccess) return runPlacer(ctx, 2, PlacerUi{});
        // The program's placer dialog when one is present, else the placer
        // with the dialog's defaults.
        return ctx.placer ? ctx.placer() : runPlacer(ctx, 2, PlacerUi{});
    case kRefNone:
        ctx.proto.element[0].code = 0;
        return 0;
    default:
        return fault(rec, 0);
    }
}

} // namespace tanvex::synthesis
