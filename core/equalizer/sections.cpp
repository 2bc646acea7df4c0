#include "equalizer/sections.h"

#include <cmath>
#include <complex>
#include <numbers>

namespace tanvex::equalizer {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Codes of the group forms used.
constexpr int kBridgedT = 10;      // e1 A-B, e2 A-I1, e3 I1-B, e4 G-I2, e5 I2-I1
constexpr int kTappedBridged = 12; // e1 A-B, tapped coil e2 A-I1-B, e3 I1-I2, e4 G-I2
constexpr int kBridgedEleven = 51; // bridge (e1+e2)||(e3+e4), arms e5 e6,
                                   // shunt (e7||e8)+(e9||e10)+e11

// Element values of the amplitude section's bridge: R3 (series resistance
// of the coil), La, Ca, for a loss of peakDb at f0 with the coil's Q.
struct AmplitudeBridge {
    double r3, la, ca;
};

AmplitudeBridge amplitudeBridge(const Section& s, double r) {
    const double w0 = kTwoPi * s.f0;
    const double q = s.q;
    const double p = std::pow(10.0, s.peakDb / 20.0);
    // |1 + a (Q^2 - jQ)| = P with a = R3/R: the bridge at w0 is R3 (Q^2 - jQ).
    const double q2 = q * q;
    const double q4 = q2 * q2;
    const double a = (-q2 + std::sqrt(q4 + (q4 + q2) * (p * p - 1.0))) / (q4 + q2);
    AmplitudeBridge b;
    b.r3 = a * r;
    b.la = q * b.r3 / w0;
    b.ca = 1.0 / (w0 * w0 * b.la);
    return b;
}

void put(EntryList& list, int& i, double value, char letter, int code) {
    setEntry(list, i++, value, letter, code);
}

} // namespace

int sectionSize(const Section& s) {
    switch (s.kind) {
    case SectionKind::kAllPass1:
        return 4;
    case SectionKind::kAllPass2:
        return s.q > 1.0 ? 5 : 4;
    case SectionKind::kAmplitude:
        return 11;
    }
    return 0;
}

int writeSection(EntryList& list, int at, const Section& s, double r) {
    int i = at;
    const double w0 = kTwoPi * s.f0;
    switch (s.kind) {
    case SectionKind::kAllPass1: {
        const double l = r / w0;
        const double c = l / (r * r);
        put(list, i, 0.0, 'C', kTappedBridged); // no bridge (a capacitor of 0 is open)
        put(list, i, 2.0 * l, 'L', kTappedBridged);
        put(list, i, 2.0 * c, 'C', kTappedBridged);
        put(list, i, 0.0, 'L', kTappedBridged); // a coil of 0 is a short
        break;
    }
    case SectionKind::kAllPass2: {
        const double la = r / (w0 * s.q);
        const double ca = s.q / (w0 * r);
        if (s.q > 1.0) {
            put(list, i, ca / 2.0, 'C', kBridgedT);
            put(list, i, la, 'L', kBridgedT);
            put(list, i, la, 'L', kBridgedT);
            put(list, i, 2.0 * la / (r * r), 'C', kBridgedT);
            put(list, i, la / 2.0 * (s.q * s.q - 1.0), 'L', kBridgedT);
        } else {
            put(list, i, ca / 2.0, 'C', kTappedBridged);
            put(list, i, 2.0 * la, 'L', kTappedBridged);
            put(list, i, r * r * ca / 2.0, 'L', kTappedBridged);
            put(list, i, 2.0 * la / (r * r), 'C', kTappedBridged);
        }
        break;
    }
    case SectionKind::kAmplitude: {
        const AmplitudeBridge b = amplitudeBridge(s, r);
        const double r2 = r * r;
        put(list, i, b.r3, 'R', kBridgedEleven);
        put(list, i, b.la, 'L', kBridgedEleven);
        put(list, i, b.ca, 'C', kBridgedEleven);
        put(list, i, 0.0, 'L', kBridgedEleven);
        put(list, i, r, 'R', kBridgedEleven);
        put(list, i, r, 'R', kBridgedEleven);
        put(list, i, r2 / b.r3, 'R', kBridgedEleven);
        put(list, i, b.la / r2, 'C', kBridgedEleven);
        put(list, i, r2 * b.ca, 'L', kBridgedEleven);
        put(list, i, 0.0, 'C', kBridgedEleven);
        put(list, i, 0.0, 'L', kBridgedEleven);
        break;
    }
    }
    return i - at;
}

double sectionDelay(const Section& s, double f) {
    const double w = kTwoPi * f;
    const double w0 = kTwoPi * s.f0;
    switch (s.kind) {
    case SectionKind::kAllPass1:
        return 2.0 * w0 / (w0 * w0 + w * w);
    case SectionKind::kAllPass2: {
        const double d = w0 * w0 - w * w;
        const double b = w * w0 / s.q;
        return 2.0 * w0 / s.q * (w0 * w0 + w * w) / (d * d + b * b);
    }
    case SectionKind::kAmplitude:
        return 0.0;
    }
    return 0.0;
}

double sectionLossDb(const Section& s, double f, double r) {
    if (s.kind != SectionKind::kAmplitude) return 0.0;
    const AmplitudeBridge b = amplitudeBridge(s, r);
    const double w = kTwoPi * f;
    const std::complex<double> z3 =
        std::complex<double>(b.r3, w * b.la) /
        std::complex<double>(1.0 - w * w * b.la * b.ca, w * b.ca * b.r3);
    return 20.0 * std::log10(std::abs(1.0 + z3 / r));
}

const char* sectionName(SectionKind kind) {
    switch (kind) {
    case SectionKind::kAllPass1:
        return "all-pass 1";
    case SectionKind::kAllPass2:
        return "all-pass 2";
    case SectionKind::kAmplitude:
        return "amplitude";
    }
    return "";
}

} // namespace tanvex::equalizer
