// Time-domain response: the harmonic limits, the closed-form pulse spectrum
// (a flat network gives back the pulse train, whatever the page width), and
// the filtered responses against an ngspice transient of the same circuit
// driven by the same pulse train or gated carrier (last period, mean
// removed).
#include "analysis/time_domain.h"
#include "ladder_spice.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>

using namespace tanvex;
using namespace tanvex::analysis;

namespace {

struct Bench {
    Design design;
    ui::ScriptedToolkit tk;
    NoDataServices data{tk};
    explicit Bench(std::initializer_list<NetEntry> entries) {
        newDesign(design.entries);
        int i = 0;
        for (const NetEntry& e : entries) setEntry(design.entries, i++, e.value, e.letter, e.code);
        completeSettingsString(design.record);
        design.analysis = {100.0, 0.0, 0.0, 0.0, 0.0, 0.0, 100.0}; // lossless L and C
    }
    HarmonicSet harmonics(PulseTrain& t) {
        double lo = 0.0, hi = 0.0;
        HarmonicLimits limits;
        std::string message;
        EXPECT_TRUE(adjustLimits(t, design.notation.frequency.multiplier, lo, hi, limits, message));
        HarmonicSet set;
        EXPECT_EQ(computeHarmonics(design, tk, data, t, limits, set), 0);
        return set;
    }
};

HarmonicLimits limitsOf(PulseTrain& t, std::string& message, double lo = 0.0, double hi = 0.0) {
    HarmonicLimits l;
    EXPECT_TRUE(adjustLimits(t, 1.0, lo, hi, l, message));
    return l;
}

TEST(TimeDomainLimits, VideoCarrierMarkerAndRefusal) {
    std::string message;
    PulseTrain t;
    t.repRate = 1.0;
    t.lower = 0.5;
    t.upper = 1000.0;
    HarmonicLimits l = limitsOf(t, message);
    EXPECT_EQ(t.lower, 1.0);
    EXPECT_EQ(t.upper, 601.0);
    EXPECT_EQ(l.above, 600);
    EXPECT_EQ(sidebandText(t, l), "  * No carrier *");
    // A lower limit above f0 is put on the harmonic grid; a short span stays.
    t.lower = 7.5;
    t.upper = 20.7;
    limitsOf(t, message);
    EXPECT_EQ(t.lower, 7.0);
    EXPECT_EQ(t.upper, 20.0);

    PulseTrain c;
    c.repRate = 1.0;
    c.carrier = 100.0;
    c.lower = 0.0;
    c.upper = 1000.0;
    l = limitsOf(c, message);
    EXPECT_EQ(message, "Frequency limits adjusted to carrier +-300 sidebands");
    EXPECT_EQ(c.lower, 1.0);
    EXPECT_EQ(c.upper, 400.0);
    // The side bands below zero are kept (folded), so there are 300 each side.
    EXPECT_EQ(l.below, 300);
    EXPECT_EQ(l.above, 300);
    EXPECT_EQ(sidebandText(c, l), "   -300   +300");
    // Settling again (every repaint does) keeps the folded side bands.
    l = limitsOf(c, message);
    EXPECT_EQ(c.lower, 1.0);
    EXPECT_EQ(l.below, 300);
    c.lower = 90.0;
    c.upper = 120.0;
    l = limitsOf(c, message);
    EXPECT_TRUE(message.empty());
    EXPECT_EQ(l.below, 10);
    EXPECT_EQ(l.above, 20);

    // The plot's marker range is taken first, then capped at 600 harmonics.
    PulseTrain m;
    m.repRate = 1.0;
    double lo = 3e6, hi = 5000e6; // hertz; display unit MHz below
    l = HarmonicLimits{};
    ASSERT_TRUE(adjustLimits(m, 1e-6, lo, hi, l, message));
    EXPECT_EQ(m.lower, 3.0);
    EXPECT_EQ(m.upper, 603.0);
    EXPECT_EQ(lo, 0.0);
    EXPECT_EQ(hi, 0.0);

    for (double bad : {0.0, -2.0, std::nan("")}) {
        PulseTrain z;
        z.repRate = bad;
        EXPECT_FALSE(adjustLimits(z, 1.0, lo, hi, l, message));
        EXPECT_FALSE(message.empty());
    }
}

// Source and termination alone: a transfer of exactly 1.
Bench flat() {
    return Bench{{50, 'R', 1}, {50, 'R', 1}, {1e8, 'x', 1}};
}

TEST(TimeDomainSynthesis, FlatNetworkGivesBackThePulseTrainAtAnyPageWidth) {
    Bench b = flat();
    PulseTrain t;
    t.repRate = 1.0; // MHz
    t.duty = 0.25;
    HarmonicSet set = b.harmonics(t);
    ASSERT_EQ(set.lines.size(), 601u);
    EXPECT_EQ(set.averageDelay, 0.0);
    // Mid-pulse and mid-gap (the mean of the train is not part of the sum).
    EXPECT_NEAR(set.value(0.125e-6), 0.75, 2e-3);
    EXPECT_NEAR(set.value(0.6e-6), -0.25, 2e-3);
    // The page's columns are the same function of time at any width.
    TimePage narrow, wide;
    computePage(set, t, 100, 1, narrow);
    computePage(set, t, 1900, 1, wide);
    for (int i = 0; i <= 100; i += 5) {
        EXPECT_NEAR(narrow.low[i], wide.low[i * 19], 1e-9);
        EXPECT_NEAR(narrow.low[i], set.value(narrow.timeOf(i)), 1e-9);
    }
    // Pages follow one another; a start delay is taken modulo one period.
    TimePage second, wrapped;
    computePage(set, t, 100, 2, second);
    EXPECT_NEAR(second.start, 1e-6, 1e-18);
    t.startDelay = 2.25;
    computePage(set, t, 100, 1, wrapped);
    EXPECT_NEAR(wrapped.start, 0.25e-6, 1e-15);

    // Spikes: every harmonic weighs the same.
    PulseTrain s;
    s.repRate = 1.0;
    s.duty = 0.0005;
    ASSERT_TRUE(s.spike());
    HarmonicSet spikes = b.harmonics(s);
    EXPECT_NEAR(spikes.value(0.0), 601.0, 1e-6);
}

TEST(TimeDomainSynthesis, ScaleAndDivisionsStayFiniteAndNeverRecompute) {
    TimePage p;
    p.low = {0.0, 0.3, -0.2, std::numeric_limits<double>::infinity()};
    p.high = p.low;
    const double scale = verticalScale(p, 0.0, 200, false, false);
    EXPECT_TRUE(std::isfinite(scale));
    EXPECT_LE(0.3 / scale, 198.0);
    EXPECT_GE(0.3 / scale, 198.0 / 3.0);
    EXPECT_NEAR(timePerDivision(1e-6), 0.1e-6, 1e-20);
    EXPECT_NEAR(timePerDivision(2.6e-6), 0.5e-6, 1e-20);
    EXPECT_NEAR(timePerDivision(2.4e-6), 0.2e-6, 1e-20);
}

TEST(TimeDomainSynthesis, NoHarmonicInThePassbandGivesNoDelayRatherThanNaN) {
    Bench b{{50, 'R', 1},
            {36.5041934e-12, 'C', 2},
            {109.117628e-9, 'L', 3},
            {62.8663027e-12, 'C', 2},
            {109.117628e-9, 'L', 3},
            {36.5041934e-12, 'C', 2},
            {50, 'R', 1},
            {1e8, 'x', 1}};
    PulseTrain t;
    t.repRate = 500.0; // every harmonic deep in the stopband of the 100 MHz lowpass
    t.upper = 5000.0;
    t.startDelay = 0.5;
    const HarmonicSet set = b.harmonics(t);
    EXPECT_EQ(set.averageDelay, 0.0);
    TimePage p;
    computePage(set, t, 50, 1, p);
    EXPECT_TRUE(std::isfinite(p.start));
    for (double v : p.low) EXPECT_TRUE(std::isfinite(v));
}

// The response of the circuit to the train in ngspice, scaled as the
// analysis scales (2 V_load / EMF for equal terminations), the last period's
// mean removed; compared at `samples` times of the last period.
struct SpiceRun {
    std::vector<double> values;
    double step = 0.0;
    int start = 0; // index of the last period's first sample
};

SpiceRun transient(const EntryList& list, const std::string& source, double period, int periods,
                   double step) {
    const ladderspice::Circuit c = ladderspice::buildLadder(list, 1.0, 1e11, 1e11);
    SpiceRun r;
    r.step = step;
    r.values = ladderspice::runTransient(c, source, periods * period, step);
    const double scale = 2.0 * std::sqrt(c.rs / c.rl);
    for (double& v : r.values) v *= scale;
    r.start = static_cast<int>(std::lround((periods - 1) * period / step));
    return r;
}

TEST(TimeDomainAgainstSpice, VideoPulsesThroughALossyLowpass) {
    // The 5-pole lowpass with a shunt resistor for loss.
    Bench b{{50, 'R', 1},
            {36.5041934e-12, 'C', 2},
            {109.117628e-9, 'L', 3},
            {62.8663027e-12, 'C', 2},
            {2000, 'R', 2},
            {109.117628e-9, 'L', 3},
            {36.5041934e-12, 'C', 2},
            {50, 'R', 1},
            {1e8, 'x', 1}};
    PulseTrain t;
    t.repRate = 5.0; // MHz: 200 ns
    t.duty = 0.2;
    const HarmonicSet set = b.harmonics(t);
    EXPECT_GT(set.averageDelay, 1e-9);
    const double period = 200e-9, tr = 1e-12;
    std::ostringstream src;
    src << "vsrc 1 0 PULSE(0 1 0 " << tr << " " << tr << " " << t.duty * period - tr << " "
        << period << ")";
    const SpiceRun r = transient(b.design.entries, src.str(), period, 4, 0.1e-9);
    const int per = static_cast<int>(std::lround(period / r.step));
    ASSERT_GE(static_cast<int>(r.values.size()), r.start + per);
    double mean = 0.0, peak = 0.0;
    for (int i = 0; i < per; ++i) mean += r.values[r.start + i] / per;
    for (int i = 0; i < per; ++i) peak = std::max(peak, std::fabs(r.values[r.start + i] - mean));
    double worst = 0.0;
    for (int i = 0; i < per; ++i)
        worst = std::max(worst, std::fabs(set.value(i * r.step) - (r.values[r.start + i] - mean)));
    EXPECT_LT(worst, 1e-3 * peak) << "peak " << peak;
    RecordProperty("worst_relative", std::to_string(worst / peak));
}

TEST(TimeDomainAgainstSpice, GatedCarrierThroughABandpass) {
    Bench b{{50, 'R', 1},
            {164.177846e-12, 'C', 2},
            {15.4285712e-9, 'L', 2},
            {456.534828e-9, 'L', 3},
            {5.54838193e-12, 'C', 3},
            {164.177846e-12, 'C', 2},
            {15.4285712e-9, 'L', 2},
            {50, 'R', 1},
            {1e8, 'x', 1}};
    PulseTrain t;
    t.repRate = 2.0; // MHz: 500 ns
    t.duty = 0.3;
    t.carrier = 100.0;
    const HarmonicSet set = b.harmonics(t); // +-300 side bands, the lower ones folded
    ASSERT_EQ(set.lines.size(), 601u);
    const double period = 500e-9, tr = 1e-12;
    std::ostringstream src;
    src << "vp pg 0 PULSE(0 1 0 " << tr << " " << tr << " " << t.duty * period - tr << " " << period
        << ")\nbsrc 1 0 V = 2 * V(pg) * cos(2 * 3.14159265358979323846 * 100e6 * time)";
    const SpiceRun r = transient(b.design.entries, src.str(), period, 4, 0.05e-9);
    const int per = static_cast<int>(std::lround(period / r.step));
    ASSERT_GE(static_cast<int>(r.values.size()), r.start + per);
    double peak = 0.0;
    for (int i = 0; i < per; ++i) peak = std::max(peak, std::fabs(r.values[r.start + i]));
    double worst = 0.0, worstEnvelope = 0.0;
    for (int i = 0; i < per; ++i) {
        const double tt = i * r.step;
        worst = std::max(worst, std::fabs(set.value(tt) - r.values[r.start + i]));
        // The envelope bounds the carrier and touches it once per cycle.
        worstEnvelope =
            std::max(worstEnvelope, std::fabs(r.values[r.start + i]) - magnitude(set.baseband(tt)));
    }
    EXPECT_LT(worst, 1e-3 * peak) << "peak " << peak;
    EXPECT_LT(worstEnvelope, 1e-3 * peak);
    // The side bands folded back from below zero frequency matter here (some
    // land in the passband): dropping them misses ngspice by far more.
    HarmonicSet dropped = set;
    std::erase_if(dropped.lines, [](const Harmonic& h) { return h.frequency <= 0.0; });
    ASSERT_LT(dropped.lines.size(), set.lines.size());
    double worstDropped = 0.0;
    for (int i = 0; i < per; ++i)
        worstDropped =
            std::max(worstDropped, std::fabs(dropped.value(i * r.step) - r.values[r.start + i]));
    EXPECT_GT(worstDropped, 2e-3 * peak);
    RecordProperty("dropped_relative", std::to_string(worstDropped / peak));
    RecordProperty("worst_relative", std::to_string(worst / peak));
}

} // namespace
