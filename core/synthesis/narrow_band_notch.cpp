// Narrow band notch: the direct scaled notch with every series notch tank
// turned into its dual between two admittance inverters of impedance K
// (exact), each inverter realized by a lumped Pi that is exact at the notch
// centre: shunt C, series L, shunt C (passband towards DC, "L") or shunt L,
// series C, shunt L (towards infinity, "H"), or by quarter-wave lines for the
// hybrid forms A and B. K sets the passband edge the Pi chain leaves.
#include "design/operations.h"
#include "synthesis/catalogue.h"
#include "synthesis/narrow_band.h"
#include "ui/gen_win.h"

#include <cctype>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstring>
#include <vector>

namespace tanvex::synthesis {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kQuarterWave = 1.5707963267948966;

using Cx = std::complex<double>;

// Transducer loss (dB) of a list made of codes 2, 3, 4 and 23.
double lossOf(const EntryList& l, double f) {
    const double w = kTwoPi * f;
    const Cx s(0, w);
    const int n = entryCount(l);
    Cx a = 1, b = 0, c = 0, d = 1; // source to load
    auto times = [&](Cx a2, Cx b2, Cx c2, Cx d2) {
        const Cx na = a * a2 + b * c2, nb = a * b2 + b * d2, nc = c * a2 + d * c2,
                 nd = c * b2 + d * d2;
        a = na;
        b = nb;
        c = nc;
        d = nd;
    };
    const double fref = referenceFrequency(l);
    for (int i = n - 1; i >= 1; --i) {
        const NetEntry& e = l[i];
        auto z = [&](const NetEntry& x) {
            return x.letter == 'L' ? s * x.value : 1.0 / (s * x.value);
        };
        if (e.code == 2) {
            times(1, 0, 1.0 / z(e), 1);
        } else if (e.code == 3) {
            times(1, z(e), 0, 1);
        } else if (e.code == 4 && i >= 2 && l[i - 1].code == 4) {
            times(1, 0, 1.0 / (z(e) + z(l[i - 1])), 1);
            --i;
        } else if (e.code == 28 && i >= 4 && l[i - 1].code == 28 && l[i - 2].code == 28 &&
                   l[i - 3].code == 28) {
            // (e1 || e2) + e3 + e4 in shunt, e1 the group's first entry.
            const Cx zb = 1.0 / (1.0 / z(l[i - 3]) + 1.0 / z(l[i - 2])) + z(l[i - 1]) + z(e);
            times(1, 0, 1.0 / zb, 1);
            i -= 3;
        } else if (e.code == 23 && i >= 2 && l[i - 1].code == 23) {
            const double theta = e.value * f / fref, zo = l[i - 1].value;
            times(std::cos(theta), Cx(0, zo * std::sin(theta)), Cx(0, std::sin(theta) / zo),
                  std::cos(theta));
            --i;
        } else {
            return NAN;
        }
    }
    const double rs = l[n].value, rl = l[0].value;
    const Cx vs = a + b / rl + rs * (c + d / rl);
    return 10 * std::log10(std::norm(vs) * rl / (4 * rs));
}

// Builds the transformed notch from the direct one (shunt orientation) with
// inverter impedance k. Returns false when the list does not have the
// expected groups or has no room.
bool transform(const EntryList& direct, EntryList& out, char form, bool lowpass, double k,
               double w0) {
    const int n = entryCount(direct);
    std::vector<NetEntry> e;
    auto inverter = [&] {
        if (form == 'A' || form == 'B') {
            e.push_back({k, 'Z', 23});
            e.push_back({kQuarterWave, 'D', 23});
        } else if (lowpass) {
            e.push_back({1 / (w0 * k), 'C', 2});
            e.push_back({k / w0, 'L', 3});
            e.push_back({1 / (w0 * k), 'C', 2});
        } else {
            e.push_back({k / w0, 'L', 2});
            e.push_back({1 / (w0 * k), 'C', 3});
            e.push_back({k / w0, 'L', 2});
        }
    };
    // The dual of an element about K: an inductor becomes a capacitor L/K^2,
    // a capacitor an inductor C K^2.
    auto dual = [&](const NetEntry& x, int code) {
        return x.letter == 'L' ? NetEntry{x.value / (k * k), 'C', code}
                               : NetEntry{x.value * k * k, 'L', code};
    };
    for (int i = 1; i < n; ++i) {
        const NetEntry& a = direct[i];
        if ((a.code == 27 || a.code == 28) && i + 3 < n && direct[i + 1].code == a.code &&
            direct[i + 2].code == a.code && direct[i + 3].code == a.code) {
            // Four-element sections of an elliptic notch: a shunt section
            // stays; a series arm ((L + C) || L || C) becomes its dual, the
            // shunt section ((C || L) + C + L), between two inverters.
            if (a.code == 28) {
                for (int j = 0; j < 4; ++j) e.push_back(direct[i + j]);
            } else {
                inverter();
                for (int j = 0; j < 4; ++j) e.push_back(dual(direct[i + j], 28));
                inverter();
            }
            i += 3;
            continue;
        }
        if (i + 1 >= n || direct[i + 1].code != a.code) return false;
        const NetEntry& b = direct[i + 1];
        const double l = a.letter == 'L' ? a.value : b.value;
        const double c = a.letter == 'C' ? a.value : b.value;
        if (a.code == 4) {
            e.push_back({l, 'L', 4});
            e.push_back({c, 'C', 4});
        } else if (a.code == 5) {
            inverter();
            e.push_back({c * k * k, 'L', 4});
            e.push_back({l / (k * k), 'C', 4});
            inverter();
        } else {
            return false;
        }
        ++i;
    }
    if (static_cast<int>(e.size()) + 3 >= kEntrySlots) return false;
    out = direct;
    for (int i = 1; i < kEntrySlots; ++i) out[i] = NetEntry{};
    for (size_t i = 0; i < e.size(); ++i) out[i + 1] = e[i];
    out[e.size() + 1] = direct[n];
    out[e.size() + 2] = direct[n + 1];
    return true;
}

// The passband edge the inverters leave: the first frequency beyond the
// notch band (above for "L", below for "H") where the loss reaches 3 dB.
double passbandEdge(const EntryList& l, double f0, double bw, bool lowpass) {
    double f = lowpass ? f0 + 2 * bw : f0 - 2 * bw;
    for (int i = 0; i < 4000; ++i) {
        if (!(f > 0)) return 0;
        const double a = lossOf(l, f);
        if (!std::isfinite(a)) return 0;
        if (a >= 3.0) return f;
        f = lowpass ? f * 1.002 : f / 1.002;
    }
    return 0;
}

double valueSpread(const EntryList& l) {
    double lo[2] = {1e300, 1e300}, hi[2] = {0, 0};
    for (int i = 1; i < entryCount(l); ++i) {
        const int k = l[i].letter == 'L' ? 0 : l[i].letter == 'C' ? 1 : -1;
        if (k < 0) continue;
        lo[k] = std::min(lo[k], l[i].value);
        hi[k] = std::max(hi[k], l[i].value);
    }
    double s = 1;
    for (int k = 0; k < 2; ++k)
        if (hi[k] > 0 && lo[k] > 0) s = std::max(s, hi[k] / lo[k]);
    return s;
}

} // namespace

int narrowBandNotch(PrototypeContext& ctx) {
    DesignRecord& rec = ctx.design.record;
    char& cfg = rec[kSlotDesignType].letter;
    if (cfg == 'H') cfg = 'A';
    if (cfg == 0 || !std::strchr("SPAB", cfg)) {
        setFaultIndex(rec, 11);
        return kBuildFault;
    }
    const int kind = referenceKind(rec);
    if (kind == 5 || kind == 7) {
        setFaultIndex(rec, 14);
        return kBuildFault;
    }
    if (kind == 4 && wholeNumberOf(rec[13].value) == 3) {
        setFaultIndex(rec, 13);
        return kBuildFault;
    }
    const char form = cfg;
    cfg = 'D';
    int r = directNotch(ctx, 0);
    cfg = form;
    if (r != 0) return r;
    EntryList direct = ctx.design.entries;
    const bool lowpass = rec[18].letter != 'H';
    const double f0 = geometricCentre(rec[5].value, rec[6].value), bw = rec[6].value;
    const double w0 = kTwoPi * f0;
    double k = rec[7].value;
    EntryList built;
    if (!transform(direct, built, form, lowpass, k, w0)) return kBuildBadReference;

    const UnitBlock& fu = ctx.design.notation.frequency;
    for (int round = 0; round < 50 && form != 'A' && form != 'B'; ++round) {
        const double edge = passbandEdge(built, f0, bw, lowpass);
        char line[96];
        std::snprintf(line, sizeof line, "Approximate passband edge = %.1f %s",
                      edge * fu.multiplier, fu.name.c_str());
        std::string text = line;
        if (edge == 0) text += " <-Restricted!  ";
        ctx.toolkit.setPrompt(0, text, 14);
        char q[96];
        std::snprintf(q, sizeof q, "(Cr)-exit (M)-Minimum spread (%s)-new Fc? ", fu.name.c_str());
        ctx.toolkit.setPrompt(1, q, 11);
        ctx.toolkit.defaultAnswer.clear();
        ctx.toolkit.inputBox();
        const std::string answer = ctx.toolkit.textResult;
        if (answer.find_first_not_of(' ') == std::string::npos) break;
        const char first = static_cast<char>(
            std::toupper(static_cast<unsigned char>(answer[answer.find_first_not_of(' ')])));
        auto with = [&](double kk, EntryList& out) {
            return transform(direct, out, form, lowpass, kk, w0);
        };
        if (first == 'M') {
            // Golden-section search of the inverter impedance over two decades.
            double a = std::log(k / 10), b = std::log(k * 10);
            for (int it = 0; it < 60; ++it) {
                const double m1 = b - (b - a) * 0.618, m2 = a + (b - a) * 0.618;
                EntryList t1, t2;
                with(std::exp(m1), t1);
                with(std::exp(m2), t2);
                if (valueSpread(t1) < valueSpread(t2))
                    b = m2;
                else
                    a = m1;
            }
            k = std::exp((a + b) / 2);
        } else {
            const double target = ctx.toolkit.numberResult / fu.multiplier;
            if (!(target > 0)) break;
            // The edge moves monotonically with K: bisection on ln K.
            double a = std::log(k / 100), b = std::log(k * 100);
            EntryList t;
            with(std::exp(a), t);
            const double ea = passbandEdge(t, f0, bw, lowpass) - target;
            for (int it = 0; it < 60; ++it) {
                const double m = (a + b) / 2;
                with(std::exp(m), t);
                const double em = passbandEdge(t, f0, bw, lowpass) - target;
                if ((em < 0) == (ea < 0))
                    a = m;
                else
                    b = m;
            }
            k = std::exp((a + b) / 2);
        }
        with(k, built);
    }
    ctx.design.entries = built;
    // Result page.
    ui::GenWin& win = ctx.toolkit.genWin();
    win.clear();
    win.write("> Transformed Narrow band Notch <", 14);
    win.newline();
    double lmin = 1e300, lmax = 0, cmin = 1e300, cmax = 0;
    for (int i = 1; i < entryCount(built); ++i) {
        const NetEntry& e = built[i];
        if (e.letter == 'L') {
            lmin = std::min(lmin, e.value);
            lmax = std::max(lmax, e.value);
        } else if (e.letter == 'C') {
            cmin = std::min(cmin, e.value);
            cmax = std::max(cmax, e.value);
        }
    }
    char buf[120];
    const auto& nl = ctx.design.notation;
    if (lmax > 0) {
        std::snprintf(buf, sizeof buf, "Inductance range = %g to %g %s",
                      lmin * nl.inductance.multiplier, lmax * nl.inductance.multiplier,
                      nl.inductance.name.c_str());
        win.write(buf);
        win.newline();
    }
    if (cmax > 0) {
        std::snprintf(buf, sizeof buf, "Capacity range = %g to %g %s",
                      cmin * nl.capacitance.multiplier, cmax * nl.capacitance.multiplier,
                      nl.capacitance.name.c_str());
        win.write(buf);
        win.newline();
    }
    std::snprintf(buf, sizeof buf, "Value spread = %g : 1", valueSpread(built));
    win.write(buf);
    win.newline();
    win.changed();
    if (hasNegativeValues(built)) return kBuildNegative;
    return kBuildOk;
}

} // namespace tanvex::synthesis
