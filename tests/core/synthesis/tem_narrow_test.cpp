// The narrow-band TEM bandpass filters (combline, interdigital, dielectric
// resonator), measured through the analysis engine: passband ripple and
// band edges against the design's, positive finite elements, refusals.
#include "builder_response.h"
#include "design/design_file.h"
#include "design/operations.h"
#include "synthesis/builders.h"
#include "synthesis/calculate.h"
#include "synthesis/parameters.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

using namespace tanvex;
using namespace tanvex::synthesis;
using buildertest::Fixture;
using buildertest::lossDb;

namespace {

int commandOf(int type) {
    return type == 16 ? 116 : type == 18 ? 117 : type == 20 ? 118 : 120;
}

struct Spec {
    int type = 20;
    char cfg = 'S';
    int kind = 1, n = 5;
    double ar = 0.1, as = 0.1;
    double fo = 1e9, bw = 1e8;
    double degrees = 85;
    char tune = 'Y', equal = 'Y';
    double lead = 0;
};

int build(Fixture& fx, const Spec& s) {
    fx.choose(commandOf(s.type), s.kind, s.n, s.ar, s.as, 60);
    DesignRecord& r = fx.rec();
    r[5].value = s.fo;
    r[6].value = s.bw;
    r[7].value = s.type == 24 ? 11 : 75;
    r[11].letter = s.cfg;
    r[17].value = s.degrees;
    r[18].letter = s.tune;
    r[19].value = 0.5;
    r[0].letter = s.equal;
    r[20].value = s.lead;
    for (int i = 1; i <= 19; ++i) r[12].text[i] = 'C';
    CalculateHooks hooks;
    return calculate(fx.ctx, hooks);
}

// The frequency near f where the loss crosses level, by bisection between
// a (inside the band) and b (outside).
double crossing(const EntryList& l, double a, double b, double level) {
    for (int i = 0; i < 80; ++i) {
        const double m = (a + b) / 2;
        (lossDb(l, m) < level ? a : b) = m;
    }
    return (a + b) / 2;
}

struct Measure {
    double ripple = 0;  // largest loss between the edges
    double edgeErr = 0; // worst edge position error / Bw
};

Measure measure(const EntryList& l, const Spec& s) {
    Measure m;
    const double f1 = s.fo - s.bw / 2, f2 = s.fo + s.bw / 2;
    for (int i = 0; i <= 3000; ++i) m.ripple = std::max(m.ripple, lossDb(l, f1 + s.bw * i / 3000));
    const double lo = crossing(l, s.fo - 0.3 * s.bw, f1 - 0.3 * s.bw, s.as);
    const double hi = crossing(l, s.fo + 0.3 * s.bw, f2 + 0.3 * s.bw, s.as);
    m.edgeErr = std::max(std::fabs(lo - f1), std::fabs(hi - f2)) / s.bw;
    return m;
}

} // namespace

TEST(TemNarrow, Explore) {
    for (int type : {16, 20, 18, 24}) {
        for (char cfg : std::string(type == 16 || type == 20 ? "STC" : "O")) {
            for (double frac : {0.01, 0.05, 0.1, 0.2, 0.3}) {
                Spec s;
                s.type = type;
                s.cfg = cfg;
                s.bw = frac * s.fo;
                s.degrees = type == 16 ? 45 : 85;
                Fixture fx;
                const int r = build(fx, s);
                if (r != 0) {
                    std::printf("type %d %c bw %.2f: result %d fault %d\n", type, cfg, frac, r,
                                faultIndex(fx.rec()));
                    continue;
                }
                const Measure m = measure(fx.list(), s);
                std::printf("type %d %c bw %.2f: ripple %.5f edge %.5f\n", type, cfg, frac,
                            m.ripple, m.edgeErr);
            }
        }
    }
}
