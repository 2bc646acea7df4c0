// The elliptic lowpass response in closed form, for checking built ladders:
// Jacobi's functions and the complete and incomplete integrals from
// Boost.Math, nothing from the synthesis code.
//
// With K, K' of the selectivity k = 1/Omega_s and K1 of k1 = eps/eps_s, the
// degree equation N K'/K = K1'/K1 and, for x = cd(u K, k) in the passband,
//     R_N(x) = cd(N u K1, k1),   u = (K - F(asin x, k)) / K,
// and R_N(1/(k x)) = 1/(k1 R_N(x)) in the stopband. Even orders are used in
// the frequency-transformed forms of the ladders (w = Omega^2):
//     w' = (w - w1)(1 - 1/wm) / ((1 - w1)(1 - w/wm)),
// wm the highest transmission zero (squared), w1 the lowest reflection zero
// (squared) for equal terminations and 0 otherwise.
#pragma once

#include <boost/math/special_functions/ellint_1.hpp>
#include <boost/math/special_functions/jacobi_elliptic.hpp>

#include <cmath>

namespace closedform {

enum class Form { Odd, EvenUnequal, EvenEqual };

class Elliptic {
public:
    // From the order, ripple and the selectivity k of the plain function.
    Elliptic(int n, double ar, double k, Form form) : n_(n), k_(k), form_(form) {
        using boost::math::ellint_1;
        eps_ = std::sqrt(std::pow(10.0, ar / 10) - 1);
        const double kc = std::sqrt((1 - k) * (1 + k));
        bigK_ = ellint_1(k);
        // Nome of k1: q1 = q^N, q = exp(-pi K'/K); k1 from its theta product.
        const double q1 = std::exp(-kPi * n * ellint_1(kc) / bigK_);
        double prod = 1;
        for (int m = 1; m < 30; ++m)
            prod *= std::pow((1 + std::pow(q1, 2 * m)) / (1 + std::pow(q1, 2 * m - 1)), 4);
        k1_ = 4 * std::sqrt(q1) * prod;
        bigK1_ = ellint_1(k1_);
        if (form != Form::Odd) {
            const double s = boost::math::jacobi_sn(k, bigK_ / n);
            wm_ = 1 / (k * k * s * s);
            w1_ = form == Form::EvenEqual ? s * s : 0.0;
        }
    }

    // Minimum stopband attenuation (dB) of the plain function.
    double amin() const { return 10 * std::log10(1 + eps_ * eps_ / (k1_ * k1_)); }

    // Stopband edge of the form (transformed for even orders).
    double stopEdge() const { return std::sqrt(toForm(1 / (k_ * k_))); }

    // Attenuation 10 log(1 + eps^2 R^2) in dB at a frequency of the form, in
    // the passband (<= 1) or the stopband (>= stopEdge()).
    double lossDb(double omega) const {
        const double w = fromForm(omega * omega);
        const double r = plainR(std::sqrt(std::max(0.0, w)));
        return 10 * std::log10(1 + eps_ * eps_ * r * r);
    }

private:
    static constexpr double kPi = 3.14159265358979323846;

    double plainR(double x) const {
        if (x <= 1) {
            const double u = (bigK_ - boost::math::ellint_1(k_, std::asin(x))) / bigK_;
            return boost::math::jacobi_cd(k1_, n_ * u * bigK1_);
        }
        // The stopband (the transition band 1 < x < 1/k is not covered:
        // x is taken as the edge there).
        return 1 / (k1_ * plainR(std::min(1.0, 1 / (k_ * x))));
    }
    double c() const { return (1 - 1 / wm_) / (1 - w1_); }
    double toForm(double w) const {
        if (form_ == Form::Odd) return w;
        return (w - w1_) * c() / (1 - w / wm_);
    }
    double fromForm(double wf) const {
        if (form_ == Form::Odd) return wf;
        return (wf + c() * w1_) / (c() + wf / wm_);
    }

    int n_;
    double k_, eps_ = 0, bigK_ = 0, k1_ = 0, bigK1_ = 0, wm_ = 1e300, w1_ = 0;
    Form form_;
};

// The elliptic response of the given form whose stopband edge is omegaS
// (bisection on the selectivity of the plain function).
inline Elliptic withStopEdge(int n, double ar, double omegaS, Form form) {
    // The transformed edge lies above the plain one, 1/k.
    if (form == Form::Odd) return Elliptic(n, ar, 1 / omegaS, form);
    double lo = 1 / omegaS, hi = 1 - 1e-9;
    for (int i = 0; i < 80; ++i) {
        const double mid = 0.5 * (lo + hi);
        if (Elliptic(n, ar, mid, form).stopEdge() > omegaS)
            lo = mid;
        else
            hi = mid;
    }
    return Elliptic(n, ar, 0.5 * (lo + hi), form);
}

} // namespace closedform
