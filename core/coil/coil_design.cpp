#include "coil/coil_design.h"

#include "coil/coil_formulas.h"

#include <algorithm>
#include <cmath>

namespace tanvex::coil {

CoilState::CoilState() {
    setWire(24);
    pitchLow = 0.75 * closewound;
    pitchHigh = 0.85 * closewound;
}

void CoilState::setWire(double entry) {
    Wire w = wireFromEntry(entry);
    wire = w.diameter;
    gauge = w.gauge;
    closewound = w.closewound;
}

void CoilState::setFrequency(double mhz) {
    frequency = mhz;
    sqrtFrequency = mhz > 0.0 ? std::sqrt(mhz) : 0.0;
}

namespace {

bool finite(double v) {
    return std::isfinite(v);
}

// Rounds the turns to a whole number and then moves the winding length by
// halving steps until the inductance is within 1e-5 of the requirement.
void roundTurns(const CoilState& s, CoilResult& res) {
    const double d = s.wire;
    const double r = res.meanRadius;
    double n = res.turns;
    double whole = std::floor(n);
    int direction = -1;
    if (n - whole > 0.5) {
        whole += 1.0;
        direction = 1;
    }
    if (whole < 1.0) {
        // Less than half a turn rounds to no coil at all: keep the fractional
        // figures and report the design as failed.
        res.badParameters = true;
        res.inductance = coilInductance(res.length, r, d, n);
        return;
    }
    n = whole;
    res.turns = n;
    res.badParameters = true;
    double l = res.length;
    double step = d / 2.0;
    int previous = direction;
    for (int pass = 0; pass < kMaxDesignPasses; ++pass) {
        double la = coilInductance(l, r, d, n);
        res.inductance = la;
        if (std::fabs(la - s.required) < s.required * 1e-5) {
            res.badParameters = false;
            break;
        }
        double next;
        if (la >= s.required) {
            next = l + step;
            direction = 1;
        } else {
            next = l - step;
            direction = -1;
        }
        if (direction != previous) step /= 2.0;
        previous = direction;
        // A winding cannot shrink to nothing; the inductance is out of reach.
        if (!(next > 0.0)) break;
        l = next;
    }
    res.length = l;
    res.inductance = coilInductance(l, r, d, n);
}

} // namespace

CoilResult designCoil(CoilState& s) {
    CoilResult res;
    const double d = s.wire;
    if (s.autoDiameter && s.formDia == 0.0 && d > 0.0) {
        s.formDia = 10.0 * d;
        s.drillNote.clear();
    }
    if (!(s.required > 0.0) || !finite(s.required) || !(d > 0.0) || !finite(d) ||
        (!s.autoDiameter && !(s.formDia > 0.0))) {
        res.badParameters = true;
        res.figuresValid = false;
        return res;
    }
    double l = 0.0;
    double r = 0.0;
    double n = 0.0;
    double t = 0.0;
    bool bad = true;
    int adjustments = 0;
    for (;;) {
        if (s.autoDiameter && s.formDia == 0.0) {
            s.formDia = 10.0 * d;
            s.drillNote.clear();
        }
        if (s.defaultPitch) {
            s.pitchLow = 0.75 * s.closewound;
            s.pitchHigh = 0.85 * s.closewound;
        }
        double target = (s.pitchLow + s.pitchHigh) / 2.0;
        if (target > s.closewound) {
            s.defaultPitch = true;
            continue;
        }
        const double dia = s.formDia;
        l = 1.5 * dia;
        r = (dia + d) / 2.0;
        double tolerance = std::max(0.005 * (s.pitchHigh - s.pitchLow), 1e-5);
        bad = true;
        n = std::sqrt((9.0 * r + 10.0 * l) * s.required) / r;
        for (int pass = 0; pass < kMaxDesignPasses; ++pass) {
            TurnsResult tr = turnsForInductance(s.required, l, r, d, n);
            n = tr.turns;
            t = n / l;
            if (!tr.converged) break; // the turns have no answer at this length
            if (std::fabs(target - t) < tolerance) {
                bad = false;
                break;
            }
            l = l * t / target;
        }
        if (!s.autoDiameter) break;
        if (++adjustments > kMaxDiameterAdjustments) s.autoDiameter = false;
        double ratio = l / dia;
        if (ratio > 1.8) {
            s.formDia = dia * 1.05;
        } else if (ratio >= 1.2) {
            break;
        } else {
            s.formDia = dia * 0.95238095238095234;
        }
    }
    res.turns = n;
    res.length = l;
    res.meanRadius = r;
    res.badParameters = bad;
    if (s.pitchLow == s.pitchHigh || bad) {
        // A threaded form keeps its fractional turns; a failed design shows
        // the figures of its last pass.
        res.inductance = coilInductance(l, r, d, n);
    } else {
        roundTurns(s, res);
    }
    res.turnsPerInch = res.turns / res.length;
    const double y = res.length / (2.0 * r);
    res.qu = qFactorPhi(res.turnsPerInch / s.closewound, y) * r * 381.0 * s.sqrtFrequency;
    res.capacitance = distributedCapacitance(res.length, r);
    res.resonance = selfResonance(res.inductance, res.capacitance);
    if (!finite(res.turns) || !finite(res.length) || !finite(res.inductance) ||
        !finite(res.turnsPerInch) || res.length <= 0.0) {
        res.badParameters = true;
        res.figuresValid = false;
    }
    return res;
}

} // namespace tanvex::coil
