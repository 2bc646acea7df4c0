// The equalizer fitted to real designs: the delay of Chebyshev and Bessel
// bandpass filters flattened by all-pass sections (judged by a dense sweep
// of the finished cascade, not by the fitter's own grid), the attenuation of
// a lossy bandpass flattened by amplitude sections.
#include "builder_response.h"
#include "equalizer/equalizer.h"
#include "synthesis/builders.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

using namespace tanvex;
using namespace tanvex::equalizer;

namespace {

constexpr double kFo = 10e6;
constexpr double kBw = 2e6;

// A direct scaled bandpass, parallel input, 50 ohm: reference kind 1
// (Chebyshev of the ripple) or 7 (the library's Bessel ladder).
struct Bandpass : buildertest::Fixture {
    Bandpass(int kind, int n, double ripple) {
        choose(106, kind, n, ripple, ripple > 0 ? ripple : 3.0103);
        ctx.homeDir = TANVEX_SOURCE_DIR "/resources";
        if (kind == 7) {
            rec()[13].letter = '1'; // Bessel
            rec()[14].letter = '1'; // equal terminations
            rec()[13].setText("x");
        }
        rec()[5].value = kFo;
        rec()[6].value = kBw;
        rec()[11].letter = 'P';
        EXPECT_EQ(synthesis::directBandpass(ctx, 0), 0);
    }
};

// Delay and attenuation of the design over the band, densely.
void response(Design& d, double f1, double f2, std::vector<double>& delay,
              std::vector<double>& loss) {
    ui::ScriptedToolkit tk;
    analysis::NoDataServices data(tk);
    Fitter grid(tk, d.notation);
    grid.setGrid(f1, f2, 241);
    ASSERT_TRUE(analyseTarget(d, data, tk, grid, Mode::kDelay, delay));
    ASSERT_TRUE(analyseTarget(d, data, tk, grid, Mode::kAmplitude, loss));
}

struct Outcome {
    double before, after, lossChange, seconds;
};

Outcome equalizeDelay(Design& d, int sections, bool sourceEnd) {
    const double f1 = kFo - 0.4 * kBw, f2 = kFo + 0.4 * kBw;
    std::vector<double> delay0, loss0, delay1, loss1;
    response(d, f1, f2, delay0, loss0);
    ui::ScriptedToolkit tk;
    Equalizer eq(d, tk, nullptr);
    Job job;
    job.from = f1;
    job.to = f2;
    job.sections = sections;
    job.sourceEnd = sourceEnd;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(eq.takeTarget(job));
    EXPECT_TRUE(eq.fit());
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(static_cast<int>(eq.sections().size()), sections);
    const int n0 = entryCount(d.entries);
    EXPECT_GT(eq.append(d), 0);
    EXPECT_GT(entryCount(d.entries), n0);
    response(d, f1, f2, delay1, loss1);
    double change = 0.0;
    for (std::size_t k = 0; k < loss0.size(); ++k)
        change = std::max(change, std::fabs(loss1[k] - loss0[k]));
    return {peakToPeak(delay0.data(), 241), peakToPeak(delay1.data(), 241), change, seconds};
}

} // namespace

TEST(DelayFit, FourSectionsFlattenChebyshevAndBesselBandpassDelayFiveTimes) {
    struct Case {
        int kind, n;
        double ripple;
    };
    for (const Case c :
         {Case{1, 3, 0.1}, Case{1, 5, 0.1}, Case{1, 7, 0.5}, Case{7, 3, 0}, Case{7, 5, 0}}) {
        Bandpass bp(c.kind, c.n, c.ripple);
        const Outcome o = equalizeDelay(*bp.design, 4, c.n % 2 == 1);
        SCOPED_TRACE("kind " + std::to_string(c.kind) + " n " + std::to_string(c.n));
        std::printf("kind %d n %d: p-p %.4g ns -> %.4g ns (%.1fx), loss change %.2g dB, %.3f s\n",
                    c.kind, c.n, o.before * 1e9, o.after * 1e9, o.before / o.after, o.lossChange,
                    o.seconds);
        EXPECT_GT(o.before / o.after, 5.0);
        EXPECT_LT(o.lossChange, 0.001);
    }
}
