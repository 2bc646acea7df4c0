// Resistor pads and the five-element dipole equivalent of a notch section.
#include "design/operations.h"
#include "synthesis/builders.h"
#include "synthesis/catalogue.h"

#include <cmath>
#include <cstdio>

namespace tanvex::synthesis {

int resistorPad(PrototypeContext& ctx) {
    DesignRecord& rec = ctx.design.record;
    const double r1 = rec[8].value, r2 = rec[9].value;
    if (!(r1 > 0)) {
        setFaultIndex(rec, 8);
        return kBuildFault;
    }
    if (!(r2 > 0)) {
        setFaultIndex(rec, 9);
        return kBuildFault;
    }
    double k = r1 / r2;
    if (k < 1) k = 1 / k;
    double a = rec[4].value;
    if (!(a > 0) && k == 1) {
        setFaultIndex(rec, 4);
        return kBuildFault;
    }
    const double amin = 20 * std::log10(std::sqrt(k) + std::sqrt(k - 1));
    bool lpad = false;
    if (!(a >= amin)) {
        char buf[80];
        std::snprintf(buf, sizeof buf, "\"L\" pad Loss will be %f dB", amin);
        ctx.toolkit.notice(buf);
        a = amin;
        lpad = true;
    }
    const double x = a * std::log(10.0) / 20;
    const double rm = std::sqrt(r1 * r2);
    EntryList& list = ctx.design.entries;
    for (auto& e : list) e = NetEntry{};
    setEntry(list, 0, r2, 'R', 1);
    int i = 1;
    const double rc = rm / std::sinh(x);
    double ra = r1 / std::tanh(x) - rc; // source side arm
    double rb = r2 / std::tanh(x) - rc; // termination side arm
    if (lpad) {
        // One arm of the T vanishes at the minimum loss.
        if (std::fabs(rb) <= std::fabs(ra)) {
            setEntry(list, i++, rc, 'R', 2);
            setEntry(list, i++, ra, 'R', 3);
        } else {
            setEntry(list, i++, rb, 'R', 3);
            setEntry(list, i++, rc, 'R', 2);
        }
    } else if (configuration(rec) == 'P') {
        const double rs = rm * std::sinh(x);
        const double t = std::tanh(x);
        setEntry(list, i++, r2 * t * rs / (rs - r2 * t), 'R', 2);
        setEntry(list, i++, rs, 'R', 3);
        setEntry(list, i++, r1 * t * rs / (rs - r1 * t), 'R', 2);
    } else {
        setEntry(list, i++, rb, 'R', 3);
        setEntry(list, i++, rc, 'R', 2);
        setEntry(list, i++, ra, 'R', 3);
    }
    setEntry(list, i, r1, 'R', 1);
    setEntry(list, i + 1, 0.0, 'x', 1);
    return kBuildReissue;
}

namespace {

// The five-element values for a given ratio rho = L4 / L3, or false.
struct Dipole {
    double l1, c1, l3, l4;
};

bool dipoleFor(double la, double ca, double lb, double rho, Dipole& d) {
    if (!(rho > 0)) return false;
    d.l3 = lb * (1 + rho) / rho;
    d.l4 = lb * (1 + rho);
    d.c1 = ca * (rho / (1 + rho)) * (rho / (1 + rho));
    const double den = d.c1 * (d.l3 + d.l4) - la * ca;
    if (!(den > 0)) return false;
    d.l1 = la * ca * (d.l3 + d.l4) / den;
    return d.l1 > 0;
}

} // namespace

bool dipoleEquivalent(EntryList& list, int i, double ratio, double secondL) {
    if (list[i].code != 28) return false;
    double la = 0, ca = 0, lb = 0, cb = 0;
    for (int j = 0; j < 2; ++j) {
        if (list[i + j].letter == 'L') la = list[i + j].value;
        if (list[i + j].letter == 'C') ca = list[i + j].value;
    }
    for (int j = 2; j < 4; ++j) {
        if (list[i + j].letter == 'L') lb = list[i + j].value;
        if (list[i + j].letter == 'C') cb = list[i + j].value;
    }
    if (!(la > 0 && ca > 0 && lb > 0 && cb > 0)) return false;
    Dipole d{};
    bool ok = false;
    if (secondL > 0) {
        // L3 = Lb (1 + rho) / rho gives the ratio for a prescribed L3.
        ok = secondL > lb && dipoleFor(la, ca, lb, lb / (secondL - lb), d);
        if (!ok) return false;
    }
    if (!ok) ok = dipoleFor(la, ca, lb, ratio > 0 ? ratio : 0.5, d);
    if (!ok) return false;
    int n = entryCount(list);
    if (n + 2 >= kEntrySlots) return false;
    for (int j = n + 1; j >= i + 4; --j) list[j + 1] = list[j];
    setEntry(list, i, d.l1, 'L', 48);
    setEntry(list, i + 1, d.c1, 'C', 48);
    setEntry(list, i + 2, d.l3, 'L', 48);
    setEntry(list, i + 3, d.l4, 'L', 48);
    setEntry(list, i + 4, cb, 'C', 48);
    return true;
}

} // namespace tanvex::synthesis
