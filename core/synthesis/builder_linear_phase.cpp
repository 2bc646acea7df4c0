// Wideband linear phase bandpass: fixed templates whose element values are
// closed-form fits in the fractional bandwidth.
#include "design/operations.h"
#include "synthesis/builders.h"
#include "synthesis/catalogue.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <vector>

namespace tanvex::synthesis {

namespace {

constexpr double kTwoPi = 6.283185307179586;

// The four-resonator template, entries 1..9 from the termination end.
struct TemplateEntry {
    char letter;
    int code;
};
constexpr TemplateEntry kTemplate4[9] = {{'L', 3}, {'C', 3}, {'C', 2}, {'L', 3}, {'C', 3},
                                         {'C', 2}, {'L', 2}, {'L', 3}, {'C', 2}};

// ln(value) as a polynomial in ln(w), fitted to designs made for 29
// bandwidths from 0.16 to 0.72 (worst fit error 4 %); the builder refines
// the fitted values for the actual bandwidth.
constexpr double kFit4[9][5] = {
    {-0.582257151, -1.32114948, -0.481783913, -0.310057869, -0.0716200262},
    {1.06450395, -3.04482499, -7.29081642, -4.24455974, -0.836338268},
    {-0.133931025, -0.242719394, -0.737817364, -0.730806714, -0.178462705},
    {0.452866968, -1.98824993, 0.101316838, 0.843141133, 0.24860691},
    {-0.0253817689, 2.73171122, 0.609397327, -0.51841959, -0.191979295},
    {-0.61842424, -1.31059779, -1.51116726, -1.54743675, -0.381653627},
    {4.29946312, 8.33265347, 8.04886827, 4.69253459, 0.980784764},
    {-1.01326612, -1.84479489, -1.04114561, -0.055530003, 0.0376689561},
    {-1.28501048, 0.405134855, 1.44472101, 0.523909496, 0.0480467494},
};

using Cx = std::complex<double>;

// Transducer loss (dB) and phase of the template between 1 ohm ends at the
// normalized frequency f (rad/s).
void templateResponse(const std::vector<double>& v, double f, double& loss, double& phase) {
    const Cx s(0, f);
    Cx a = 1, b = 0, c = 0, d = 1;
    for (int i = static_cast<int>(v.size()) - 1; i >= 0; --i) {
        const TemplateEntry& e = kTemplate4[i];
        const Cx z =
            e.letter == 'L' ? s * v[static_cast<size_t>(i)] : 1.0 / (s * v[static_cast<size_t>(i)]);
        Cx na, nb, nc, nd;
        if (e.code == 3) {
            na = a;
            nb = a * z + b;
            nc = c;
            nd = c * z + d;
        } else {
            na = a + b / z;
            nb = b;
            nc = c + d / z;
            nd = d;
        }
        a = na;
        b = nb;
        c = nc;
        d = nd;
    }
    const Cx vs = a + b + c + d;
    loss = 10 * std::log10(std::norm(vs) / 4);
    phase = std::arg(vs);
}

// The design goal: 3 dB at the arithmetic band edges, a flat group delay over
// the middle 80 % of the band, and low loss over its middle half.
double templateCost(const std::vector<double>& logv, double w) {
    std::vector<double> v(logv.size());
    for (size_t i = 0; i < v.size(); ++i) v[i] = std::exp(logv[i]);
    double f1 = 1 - w / 2, f2 = 1 + w / 2;
    const double f0 = std::sqrt(f1 * f2);
    f1 /= f0;
    f2 /= f0;
    double l1, l2, p;
    templateResponse(v, f1, l1, p);
    templateResponse(v, f2, l2, p);
    double cost = (l1 - 3) * (l1 - 3) + (l2 - 3) * (l2 - 3);
    constexpr int kPoints = 24;
    double tau[kPoints + 1], mean = 0;
    for (int i = 0; i <= kPoints; ++i) {
        const double f = f1 + (f2 - f1) * (0.1 + 0.8 * i / kPoints);
        const double h = 1e-5 * f;
        double la, pa, lb, pb, lc, pc;
        templateResponse(v, f - h, la, pa);
        templateResponse(v, f + h, lb, pb);
        double dp = pb - pa;
        while (dp > M_PI) dp -= 2 * M_PI;
        while (dp < -M_PI) dp += 2 * M_PI;
        tau[i] = dp / (2 * h);
        mean += tau[i] / (kPoints + 1);
        templateResponse(v, f, lc, pc);
        if (f > f1 + (f2 - f1) * 0.25 && f < f2 - (f2 - f1) * 0.25) cost += 0.3 * lc * lc;
    }
    for (double t : tau) cost += 30 * (t / mean - 1) * (t / mean - 1);
    return cost;
}

// Nelder-Mead refinement of the fitted values.
std::vector<double> refine(std::vector<double> x, double w) {
    const size_t n = x.size();
    std::vector<std::vector<double>> p(n + 1, x);
    std::vector<double> fv(n + 1);
    for (size_t i = 0; i < n; ++i) p[i + 1][i] += 0.05;
    for (size_t i = 0; i <= n; ++i) fv[i] = templateCost(p[i], w);
    for (int it = 0; it < 3000; ++it) {
        std::vector<size_t> idx(n + 1);
        for (size_t i = 0; i <= n; ++i) idx[i] = i;
        std::sort(idx.begin(), idx.end(), [&](size_t a, size_t b) { return fv[a] < fv[b]; });
        auto pc = p;
        auto fc = fv;
        for (size_t i = 0; i <= n; ++i) {
            p[i] = pc[idx[i]];
            fv[i] = fc[idx[i]];
        }
        if (fv[n] - fv[0] < 1e-12) break;
        std::vector<double> c(n, 0.0);
        for (size_t i = 0; i < n; ++i)
            for (size_t j = 0; j < n; ++j) c[j] += p[i][j] / static_cast<double>(n);
        auto along = [&](double t) {
            std::vector<double> r(n);
            for (size_t j = 0; j < n; ++j) r[j] = c[j] + t * (p[n][j] - c[j]);
            return r;
        };
        const std::vector<double> xr = along(-1);
        const double fr = templateCost(xr, w);
        if (fr < fv[0]) {
            const std::vector<double> xe = along(-2);
            const double fe = templateCost(xe, w);
            p[n] = fe < fr ? xe : xr;
            fv[n] = std::min(fe, fr);
        } else if (fr < fv[n - 1]) {
            p[n] = xr;
            fv[n] = fr;
        } else {
            const std::vector<double> xc = along(0.5);
            const double fcn = templateCost(xc, w);
            if (fcn < fv[n]) {
                p[n] = xc;
                fv[n] = fcn;
            } else {
                for (size_t i = 1; i <= n; ++i) {
                    for (size_t j = 0; j < n; ++j) p[i][j] = p[0][j] + 0.5 * (p[i][j] - p[0][j]);
                    fv[i] = templateCost(p[i], w);
                }
            }
        }
    }
    return p[static_cast<size_t>(std::min_element(fv.begin(), fv.end()) - fv.begin())];
}

} // namespace

int linearPhaseBandpass(PrototypeContext& ctx) {
    DesignRecord& rec = ctx.design.record;
    int n = orderN(rec);
    if (n < 2) n = 2;
    if (n > 6) n = 6;
    if (n % 2 == 1) ++n;
    rec[1].value = n;
    const char cfg = configuration(rec);
    if (cfg == 0 || !std::strchr("SP", cfg)) {
        setFaultIndex(rec, 11);
        return kBuildFault;
    }
    const double fo = rec[5].value, bw = rec[6].value;
    if (!(bw > 0) || !(fo - bw / 2 > 0)) {
        setFaultIndex(rec, 6);
        return kBuildFault;
    }
    ctx.proto.element[0].code = 0; // no lowpass reference in use
    ctx.proto.n = 0;
    const double w = bw / fo;
    if (n == 4) {
        if (w < 0.18 || w > 0.7) ctx.toolkit.notice("Bandwidth out of range");
        const double lw = std::log(std::clamp(w, 0.05, 0.95));
        std::vector<double> x(9);
        for (size_t i = 0; i < 9; ++i) {
            double v = 0, p = 1;
            for (double c : kFit4[i]) {
                v += c * p;
                p *= lw;
            }
            x[i] = v;
        }
        x = refine(x, w);
        EntryList& list = ctx.design.entries;
        for (auto& e : list) e = NetEntry{};
        setEntry(list, 0, 1.0, 'R', 1);
        for (int i = 0; i < 9; ++i)
            setEntry(list, i + 1, std::exp(x[static_cast<size_t>(i)]), kTemplate4[i].letter,
                     kTemplate4[i].code);
        setEntry(list, 10, 1.0, 'R', 1);
        setEntry(list, 11, 1.0 / kTwoPi, 'x', 1);
        impedanceScale(list, 0, 10, rec[7].value);
        frequencyScale(list, 1, 9, kTwoPi * geometricCentre(fo, bw));
        if (cfg == 'S') dualTransform(list, 1, entryCount(list)); // source end is shunt
        return hasNegativeValues(list) ? kBuildNegative : kBuildOk;
    }
    if (n != 2) {
        // The six-resonator template has no fitted values yet.
        return kBuildNotImplemented;
    }
    if (w < 0.1 || w > 0.9) ctx.toolkit.notice("Bandwidth out of range");
    EntryList& list = ctx.design.entries;
    for (auto& e : list) e = NetEntry{};
    setEntry(list, 0, 1.0, 'R', 1);
    setEntry(list, 1, 2.08022 / w - 0.0334184, 'L', 3);
    setEntry(list, 2, 0.649729 * std::pow(w, 1.1296), 'C', 3);
    setEntry(list, 3, 0.979218 + 0.061934 * w - 0.140265 * w * w, 'C', 2);
    setEntry(list, 4, 0.782031 / w - 0.0978218, 'L', 3);
    setEntry(list, 5, w / (0.753428 - 0.828141 * w), 'C', 3);
    setEntry(list, 6, 1.0, 'R', 1);
    setEntry(list, 7, 1.0 / kTwoPi, 'x', 1);
    impedanceScale(list, 0, 6, rec[7].value);
    frequencyScale(list, 1, 5, kTwoPi * geometricCentre(fo, bw));
    const int lastCode = list[5].code;
    if ((cfg == 'S' && lastCode == 2) || (cfg == 'P' && lastCode == 3))
        dualTransform(list, 1, entryCount(list));
    if (hasNegativeValues(list)) return kBuildNegative;
    return kBuildOk;
}

} // namespace tanvex::synthesis
