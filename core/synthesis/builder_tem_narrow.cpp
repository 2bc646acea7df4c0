// The narrow-band TEM bandpass filters: combline (16), open-line interdigital
// (18), short-circuited-line interdigital (20) and coaxial dielectric
// resonator (24). Every resonator is a short-circuited line of the design
// Zo, `electrical Length` long at Fo, loaded by a capacitor Cp at its open
// end (none when the length is 90 degrees, or for the dielectric resonator
// with `N`: then the line length tunes it). Neighbours couple through the
// exact equivalent networks of their coupled line pairs: a short-circuited
// stub in series for the combline pair (both lines grounded at the same
// end), a unit element for the interdigital pair (grounded at opposite
// ends), a capacitor or inductor for the dielectric resonators. The design
// starts from admittance inverters on the prototype g values and is then
// refined on the exact response of the network (see tem_resonator.h).
#include "design/design_record.h"
#include "synthesis/builders.h"
#include "synthesis/catalogue.h"
#include "synthesis/tem_resonator.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace tanvex::synthesis {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr int kSteps = 16;
constexpr double kFarFromTarget = 10;

int fault(DesignRecord& rec, int slot) {
    setFaultIndex(rec, slot);
    return kBuildFault;
}

bool yesNo(char c) {
    return c == 'Y' || c == 'N';
}

// The narrow-band design refined to the target; when that is out of reach
// from the narrow-band start, the band is widened step by step, each design
// the start of the next. Returns the remaining
// residual; v is left empty when there is no design at all.
double design(const tem::Structure& s, const tem::Target& t, tem::Values& v) {
    if (!tem::edgeCorrectedDesign(s, t, v)) v = {};
    double residual = v.tune.empty() ? INFINITY : tem::refine(s, t, v);
    if (residual < 1e-7) return residual;
    // Widen from a quarter of the band: a step that reaches the equiripple
    // passband is taken and the next one made longer, one that does not is
    // retried at half its length from the last design reached. Steps are
    // relative: a wider band takes wider steps.
    tem::Target step = t;
    const double centre = (t.f1 + t.f2) / 2, half = (t.f2 - t.f1) / 2;
    double k = 0.25, dk = 0.3;
    tem::Values w;
    step.f1 = centre - half * k;
    step.f2 = centre + half * k;
    if (!tem::edgeCorrectedDesign(s, step, w)) return residual;
    if (!(tem::refine(s, step, w) < 1e-7)) return residual;
    for (int tries = 0; tries < kSteps && k < 1; ++tries) {
        const double next = std::min(1.0, k * (1 + dk));
        tem::Values trial = w;
        step.f1 = centre - half * next;
        step.f2 = centre + half * next;
        const double r = tem::refine(s, step, trial);
        if (r < 1e-7) {
            w = trial, k = next, dk *= 1.5;
            if (k == 1) v = w, residual = r;
        } else {
            dk /= 2;
        }
    }
    if (k < 1) {
        // The equiripple passband ends short of the band: the nearest
        // design reached, taken to the whole band as closely as it goes,
        // when its passband is closer than the first one's.
        const double r = tem::refine(s, t, w);
        if (v.tune.empty() || tem::passbandScore(s, w, t) < tem::passbandScore(s, v, t))
            v = w, residual = r;
    }
    return residual;
}

} // namespace

int temNarrowBand(PrototypeContext& ctx) {
    DesignRecord& rec = ctx.design.record;
    const int type = designType(rec);
    const double fo = rec[5].value, bw = rec[6].value, zo = rec[7].value;
    if (!(fo > 0) || !std::isfinite(fo)) return fault(rec, 5);
    if (!(bw > 0) || !(bw < fo)) return fault(rec, 6);
    if (!(zo > 0) || !std::isfinite(zo)) return fault(rec, 7);
    const double rs = rec[8].value, rl = type == 24 ? rec[9].value : rs;
    if (!(rs > 0) || !std::isfinite(rs)) return fault(rec, 8);
    if (!(rl > 0) || !std::isfinite(rl)) return fault(rec, 9);
    const double degrees = rec[17].value;
    const double maxDegrees = type == 16 ? 89.999 : 90;
    if (!(degrees > 0) || !(degrees <= maxDegrees)) return fault(rec, 17);
    char cfg = 'O';
    if (type == 16 || type == 20) {
        cfg = configuration(rec);
        if (cfg == 0 || !std::strchr("STC", cfg)) return fault(rec, 11);
    }
    if (type != 24 && !yesNo(rec[18].letter)) return fault(rec, 18);
    double h = 0.5;
    if (type == 18 || type == 20) {
        h = rec[19].value;
        if (!(h > 0) || !std::isfinite(h)) return fault(rec, 19);
    }
    const bool usesLead = type == 24 || cfg == 'T';
    const double lead = usesLead ? rec[20].value : 0;
    if (!(lead >= 0) || !std::isfinite(lead)) return fault(rec, 20);
    const int n0 = orderN(rec);
    if (type == 24)
        for (int i = 1; i < n0; ++i)
            if (coupling(rec, i) != 'C' && coupling(rec, i) != 'L') return fault(rec, 12);

    if (int r = makePrototype(ctx); r != 0) return r;
    const LowpassPrototype& lp = ctx.proto;
    const int n = lp.n;
    // A tap at each end of a single line is not a form this builder writes.
    if (n < 1 || (n == 1 && cfg == 'T')) return fault(rec, 1);
    // Coupled resonators realize the all-pole ladders only; both ends are
    // terminated.
    for (int k = 1; k <= n; ++k)
        if (lp.element[k].code != 2 && lp.element[k].code != 3) return kBuildBadReference;
    if (!(lp.element[n + 1].value < 1e10)) return fault(rec, 13);

    tem::Structure s;
    s.n = n;
    s.fo = fo;
    s.theta0 = degrees * kPi / 180;
    s.rl = rl;
    s.rs = rs;
    s.loadingCapacitors = degrees < 90 && !(type == 24 && rec[0].letter == 'N');
    s.equalLines = type != 24 && rec[0].letter == 'Y';
    s.level.assign(n, 1 / zo);
    for (int k = 2; k < n; ++k) s.level[k - 1] = 2 * h / zo;
    switch (type) {
    case 16:
        s.line = tem::Coupling::ShortedSeries;
        break;
    case 24:
        s.line = tem::Coupling::Capacitor;
        for (int i = 1; i < n; ++i)
            s.inner.push_back(coupling(rec, i) == 'L' ? tem::Coupling::Inductor
                                                      : tem::Coupling::Capacitor);
        s.resonatorLead = lead;
        break;
    default:
        s.line = tem::Coupling::UnitElement;
        break;
    }
    const tem::Coupling ends = type == 18   ? tem::Coupling::OpenSeries
                               : cfg == 'S' ? tem::Coupling::EndLine
                               : cfg == 'T' ? tem::Coupling::Tap
                                            : tem::Coupling::Capacitor;
    s.loadEnd = s.sourceEnd = ends;
    if (cfg == 'T') s.tapLead = lead;

    tem::Target t;
    t.g.resize(n + 2);
    for (int k = 0; k <= n + 1; ++k) t.g[k] = lp.element[k].value;
    t.f1 = fo - bw / 2;
    t.f2 = fo + bw / 2;
    t.edgeDb = tem::prototypeLossDb(t.g, 1.0);
    t.ripple = lp.element[0].code == kRefAllPole ? lp.ar : 0;
    t.tuneEach = type == 24 || rec[18].letter == 'Y';

    tem::Values v;
    double residual = design(s, t, v);
    if (!(residual < 1e-7) && s.equalLines) {
        // Equal rods leave too little self admittance at this bandwidth:
        // every resonator's self admittance at the design Zo instead.
        tem::Structure free = s;
        free.equalLines = false;
        tem::Values w;
        const double r2 = design(free, t, w);
        if (!w.tune.empty() && (v.tune.empty() || r2 < 1e-7 ||
                                tem::passbandScore(free, w, t) < tem::passbandScore(s, v, t)))
            s = free, v = w;
    }
    if (v.tune.empty()) return kBuildNegative;
    if (!(residual < 1e-7) && t.ripple > 0) {
        // No equiripple passband: the ripple held and the edges placed
        // instead, when that passband is the closer one.
        // From the design reached and from the narrow-band design.
        double score = tem::passbandScore(s, v, t);
        tem::Values from[2] = {v, {}};
        if (!tem::edgeCorrectedDesign(s, t, from[1])) from[1] = {};
        for (tem::Values& w : from) {
            if (w.tune.empty()) continue;
            tem::settle(s, t, w);
            const double sw = tem::passbandScore(s, w, t);
            if (sw < score) v = w, score = sw;
        }
    }
    // A design whose passband is nowhere near the target (ten times the
    // tolerances: 0.5 dB of ripple or 10 % of the bandwidth at the edges)
    // is refused rather than given as the filter asked for. The open-line
    // interdigital gets there when its end lines come near a quarter wave
    // inside the band: shorter lines are the remedy; for the others the
    // bandwidth.
    if (!(residual < 1e-7) && !(tem::passbandScore(s, v, t) <= kFarFromTarget))
        return fault(rec, type == 18 ? 17 : 6);
    std::vector<tem::Element> chain;
    if (!tem::buildChain(s, v, chain)) return kBuildNegative;
    if (!tem::writeChain(ctx.design.entries, chain, rl, rs, fo)) return fault(rec, 1);
    return kBuildOk;
}

std::vector<std::string> temNarrowReport(const Design& design) {
    const EntryList& l = design.entries;
    const DesignRecord& rec = design.record;
    const int n = entryCount(l);
    const double fo = l[n + 1].value;
    std::vector<std::string> out;
    bool lines = false;
    for (int i = 1; i < n; ++i) lines = lines || l[i].letter == 'Z';
    if (!lines) return out;
    const int type = designType(rec);
    double er = rec[14].value;
    if (type == 24 && !(er > 1)) er = 36;
    if (!(er >= 1) || !std::isfinite(er)) er = 1;
    char buf[160];
    out.push_back("Line admittances (self: line to ground, mutual: coupled pair)");
    if (fo > 0) {
        std::snprintf(buf, sizeof buf, "Quarter wave at Fo, er = %g: %.5g mm", er,
                      299792458.0 / (4 * fo * std::sqrt(er)) * 1e3);
        out.emplace_back(buf);
    }
    const UnitBlock& cu = design.notation.capacitance;
    const UnitBlock& lu = design.notation.inductance;
    // Lines are numbered from the termination end: 0 and n+1 the end lines
    // (or the terminations), 1..n the resonators. A tapped resonator is a
    // short-circuited piece up to the tap and the rest of the line, equal
    // impedances: it is reported as one line with its tap.
    auto degrees = [&](int i) { return l[i + 1].value * 180 / kPi; };
    auto sameLine = [&](int i, int j) {
        return j > 0 && j < n && std::fabs(l[i].value - l[j].value) <= 1e-9 * l[i].value;
    };
    auto tapped = [&](int node, int stub, int rest) {
        std::snprintf(buf, sizeof buf,
                      "Line %2d self     Y = %-11.5g mho  (%.4g ohm) %6.2f deg, tap %.2f deg "
                      "from the short",
                      node, 1 / l[stub].value, l[stub].value, degrees(stub) + degrees(rest),
                      degrees(stub));
        out.emplace_back(buf);
    };
    int node = 0;
    for (int i = 1; i < n; i += std::max(1, groupSize(l[i].code))) {
        const NetEntry& e = l[i];
        const int next = i + std::max(1, groupSize(e.code));
        if (e.code == 16 && l[next].code == 23 && sameLine(i, next) && node == 0) {
            tapped(++node, i, next); // the load end's tap
            i = next;
            continue;
        }
        if (e.code == 23 && l[next].code == 16 && sameLine(i, next)) {
            tapped(node, next, i); // the source end's tap
            i = next;
            continue;
        }
        switch (e.code) {
        case 16:
        case 20:
            std::snprintf(buf, sizeof buf,
                          "Line %2d self     Y = %-11.5g mho  (%.4g ohm) %6.2f deg", node,
                          1 / e.value, e.value, degrees(i));
            out.emplace_back(buf);
            if (e.code == 20) {
                std::snprintf(buf, sizeof buf, "Line %2d lead     L = %-11.5g %s", node,
                              l[i + 2].value * lu.multiplier, lu.name.c_str());
                out.emplace_back(buf);
            }
            break;
        case 2:
            std::snprintf(buf, sizeof buf, "Line %2d Cp         %-11.5g %s", node,
                          e.value * cu.multiplier, cu.name.c_str());
            out.emplace_back(buf);
            break;
        case 17:
        case 19:
        case 23:
            std::snprintf(buf, sizeof buf, "Lines %d,%d mutual Y = %-11.5g mho  %6.2f deg%s", node,
                          node + 1, 1 / e.value, degrees(i),
                          e.code == 23   ? ""
                          : e.code == 17 ? " (shorted)"
                                         : " (open)");
            out.emplace_back(buf);
            ++node;
            break;
        case 3:
            // A tap lead sits between a termination and its tap.
            if (e.letter == 'L' && (i == 1 || next == n)) {
                std::snprintf(buf, sizeof buf, "Tap lead         L = %-11.5g %s",
                              e.value * lu.multiplier, lu.name.c_str());
                out.emplace_back(buf);
                break;
            }
            std::snprintf(buf, sizeof buf, "Lines %d,%d coupling %c = %-11.5g %s", node, node + 1,
                          e.letter, e.value * (e.letter == 'C' ? cu : lu).multiplier,
                          (e.letter == 'C' ? cu : lu).name.c_str());
            out.emplace_back(buf);
            ++node;
            break;
        default:
            break;
        }
    }
    return out;
}

} // namespace tanvex::synthesis
