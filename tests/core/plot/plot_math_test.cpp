// Plot arithmetic: 1-2-5 divisions, ticks, narrowing, scales, phase fits,
// bandwidth crossings, Smith chart geometry, markers and mask mapping.
#include "plot/markers.h"
#include "plot/plot_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace tanvex::plot;

TEST(PlotMath, SequenceAndDivisions) {
    EXPECT_DOUBLE_EQ(sequenceValue(0), 1.0);
    EXPECT_DOUBLE_EQ(sequenceValue(2), 5.0);
    EXPECT_DOUBLE_EQ(sequenceValue(3), 10.0);
    EXPECT_NEAR(sequenceValue(-1), 0.5, 1e-15);
    EXPECT_NEAR(sequenceValue(-3), 0.1, 1e-15);
    EXPECT_EQ(sequenceIndexAtLeast(1.0), 0);
    EXPECT_EQ(sequenceIndexAtLeast(1.01), 1);
    EXPECT_EQ(sequenceIndexAtLeast(0.3), -1); // 0.5
    // Every span fills 0.4 .. 1 of eight divisions.
    for (double span = 1e-4; span < 1e5; span *= 1.37) {
        const double d = autoDivision(span, 0);
        EXPECT_LE(span / d, 8.0 + 1e-9) << span;
        EXPECT_GE(span / d, 3.2 - 1e-9) << span;
    }
    // Magnify moves one place finer per step, compress coarser.
    EXPECT_DOUBLE_EQ(autoDivision(40.0, 0), 5.0);
    EXPECT_DOUBLE_EQ(autoDivision(40.0, 1), 2.0);
    EXPECT_DOUBLE_EQ(autoDivision(40.0, 2), 1.0);
    EXPECT_DOUBLE_EQ(autoDivision(40.0, -1), 10.0);

    ScaleRecord s;
    fitScale(s, 0.0, 40.0, 0.0);
    EXPECT_DOUBLE_EQ(s.division, 5.0);
    s.lock = LockMode::Locked;
    fitScale(s, 10.0, 11.0, 10.0); // keeps the division, follows the reference
    EXPECT_DOUBLE_EQ(s.division, 5.0);
    EXPECT_DOUBLE_EQ(s.reference, 10.0);
    s.lock = LockMode::Fixed;
    fitScale(s, 20.0, 90.0, 20.0); // keeps both
    EXPECT_DOUBLE_EQ(s.division, 5.0);
    EXPECT_DOUBLE_EQ(s.reference, 10.0);
}

TEST(PlotMath, LinearTicksAreSpacedAndDoNotOverlap) {
    const double charWidth = 7.0;
    for (double span : {0.37, 1.0, 3.3, 20.0, 99.0, 1234.0}) {
        for (double pixels : {150.0, 456.0, 800.0, 1600.0}) {
            const std::vector<Tick> t = linearTicks(100.0, 100.0 + span, pixels, charWidth);
            ASSERT_GE(t.size(), 2u) << span << " " << pixels;
            const double gap = t[1].x - t[0].x;
            EXPECT_GE(gap, 15.0 - 1e-6);
            EXPECT_LE(gap, 45.0 + 1e-6);
            double lastRight = -1e9;
            for (const Tick& k : t) {
                EXPECT_GE(k.x, -1e-6);
                EXPECT_LE(k.x, pixels + 1e-6);
                if (k.label.empty()) continue;
                const double w = charWidth * k.label.size();
                EXPECT_GT(k.x - w / 2, lastRight) << k.label;
                lastRight = k.x + w / 2;
                // The label is the tick value in fixed point.
                const double step = t[1].value - t[0].value;
                EXPECT_NEAR(std::stod(k.label), k.value, 0.5 * std::pow(10.0, -tickDecimals(step)));
            }
        }
    }
    const std::vector<Tick> t = linearTicks(99.5, 100.5, 300.0, 7.0);
    EXPECT_EQ(tickDecimals(0.05), 2);
    EXPECT_EQ(tickDecimals(0.1), 1);
    EXPECT_EQ(tickDecimals(5.0), 0);
    EXPECT_EQ(t.front().label, "99.50");
}

TEST(PlotMath, LogTicksFollowTheDecades) {
    const std::vector<Tick> t = logTicks(1.0, 1000.0, 600.0, 7.0);
    int labelled = 0;
    for (const Tick& k : t) {
        EXPECT_NEAR(k.x, std::log10(k.value) / 3.0 * 600.0, 1e-9);
        if (!k.label.empty()) ++labelled;
    }
    // 1, 2, 5, 10, 20, 50, 100, 200, 500, 1000 where they fit.
    EXPECT_GE(labelled, 7);
    EXPECT_EQ(t.front().label, "1");
}

TEST(PlotMath, NarrowingKeepsTheCursorInside) {
    int lo = 1, hi = 1000;
    narrowRange(lo, hi, 900, 600);
    EXPECT_EQ(hi - lo + 1, 600);
    EXPECT_LE(lo, 900);
    EXPECT_GE(hi, 900);
    EXPECT_EQ(hi, 1000); // trimmed at the far end first
    lo = 1, hi = 1000;
    narrowRange(lo, hi, 1, 600);
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 600);
    lo = 1, hi = 1000;
    narrowRange(lo, hi, 500, 600);
    EXPECT_EQ(hi - lo + 1, 600);
    EXPECT_NEAR(500 - lo, hi - 500, 1);
    EXPECT_EQ(pixelsPerPoint(600, 1, 201), 3);
    EXPECT_EQ(pixelsPerPoint(600, 1, 600), 1);
}

TEST(PlotMath, PhaseUnwrapAndFits) {
    // A linear phase of -3 degrees per point that the table holds folded
    // into +-90 degrees (as an arctangent sum does).
    std::vector<double> ph, del, f;
    for (int k = 0; k < 200; ++k) {
        double v = -3.0 * k;
        while (v < -90.0) v += 180.0;
        ph.push_back(v);
        del.push_back(1e-9);
        f.push_back(k);
    }
    const std::vector<double> u = unwrapPhase(ph, del);
    for (int k = 0; k < 200; ++k) EXPECT_NEAR(u[k], -3.0 * k, 1e-9);
    const Line ls = leastSquaresLine(f, u, 0, 199);
    EXPECT_NEAR(ls.slope, -3.0, 1e-12);
    EXPECT_NEAR(ls.intercept, 0.0, 1e-9);

    // sqrt(f) over 0..1: the minimax line has slope 1 and a deviation of
    // 0.25 peak to peak; the least-squares slope is steeper than that fit.
    std::vector<double> x, s;
    for (int k = 0; k <= 400; ++k) {
        x.push_back(k / 400.0);
        s.push_back(std::sqrt(k / 400.0));
    }
    const Line lsq = leastSquaresLine(x, s, 0, 400);
    const Line best = bestFitLine(x, s, 0, 400);
    EXPECT_NEAR(best.slope, 1.0, 0.01);
    EXPECT_NEAR(peakToPeak(x, s, 0, 400, best.slope), 0.25, 0.003);
    EXPECT_LT(peakToPeak(x, s, 0, 400, best.slope), peakToPeak(x, s, 0, 400, lsq.slope));
    // The deviation is centred on zero.
    double lo = 1e9, hi = -1e9;
    for (int k = 0; k <= 400; ++k) {
        lo = std::min(lo, s[k] - best.at(x[k]));
        hi = std::max(hi, s[k] - best.at(x[k]));
    }
    EXPECT_NEAR(lo + hi, 0.0, 1e-9);

    EXPECT_DOUBLE_EQ(foldPhase(190.0), -170.0);
    EXPECT_DOUBLE_EQ(foldPhase(-540.0), 180.0);
    EXPECT_DOUBLE_EQ(foldPhase(180.0), 180.0);
}

TEST(PlotMath, BandwidthCrossings) {
    // att = (f - 100)^2 / 10 dB: 3 dB at 100 +- sqrt(30).
    std::vector<double> f, a;
    for (int k = 0; k <= 200; ++k) {
        f.push_back(80.0 + 0.2 * k);
        a.push_back((f.back() - 100.0) * (f.back() - 100.0) / 10.0);
    }
    BandwidthReadout b = bandwidthAround(f, a, 100, 3.0);
    ASSERT_EQ(b.crossings, 2);
    EXPECT_NEAR(b.low, 100.0 - std::sqrt(30.0), 0.01);
    EXPECT_NEAR(b.high, 100.0 + std::sqrt(30.0), 0.01);
    // From the stopband the same passband is found.
    b = bandwidthAround(f, a, 5, 3.0);
    ASSERT_EQ(b.crossings, 2);
    EXPECT_NEAR(b.high - b.low, 2 * std::sqrt(30.0), 0.02);
    // A level beyond the right edge: only the lower crossing.
    b = bandwidthAround(f, a, 100, 30.0);
    ASSERT_EQ(b.crossings, 2);
    b = bandwidthAround(f, a, 100, 50.0);
    EXPECT_EQ(b.crossings, 0);
    std::vector<double> half(f.begin(), f.begin() + 150), ha(a.begin(), a.begin() + 150);
    b = bandwidthAround(half, ha, 100, 3.0);
    ASSERT_EQ(b.crossings, 2);
    b = bandwidthAround(half, ha, 100, 20.0);
    ASSERT_EQ(b.crossings, 1);
    EXPECT_NEAR(b.single, 100.0 - std::sqrt(200.0), 0.02);
}

TEST(PlotMath, SmithGeometry) {
    // The reflection coefficient (Z - Z0) / (Z + Z0) by complex arithmetic.
    for (double r : {0.0, 10.0, 50.0, 75.0, 400.0})
        for (double x : {-80.0, -5.0, 0.0, 20.0, 300.0}) {
            const double dr = r + 50.0, nr = r - 50.0;
            const double den = dr * dr + x * x;
            const double gr = (nr * dr + x * x) / den, gi = (x * dr - nr * x) / den;
            const SmithPoint p = smithPoint(r, x, 50.0);
            EXPECT_NEAR(p.u(), gr, 1e-12) << r << " " << x;
            EXPECT_NEAR(p.v(), gi, 1e-12) << r << " " << x;
        }
    EXPECT_NEAR(smithPoint(50, 0, 50).radius, 0.0, 1e-15);
    EXPECT_NEAR(smithPoint(75, 0, 50).radius, vswrRadius(1.5), 1e-12);
    EXPECT_NEAR(std::fabs(smithPoint(0, 0, 50).angle), std::numbers::pi, 1e-12);
    // A point of normalised resistance r lies on that circle; of reactance x on its circle.
    for (double r : {0.2, 1.0, 5.0}) {
        const Circle c = resistanceCircle(r);
        const SmithPoint p = smithPoint(r * 50.0, 33.0, 50.0);
        EXPECT_NEAR(std::hypot(p.u() - c.cu, p.v() - c.cv), c.radius, 1e-12);
        const Circle k = reactanceCircle(r);
        const SmithPoint q = smithPoint(17.0, r * 50.0, 50.0);
        EXPECT_NEAR(std::hypot(q.u() - k.cu, q.v() - k.cv), k.radius, 1e-12);
    }
}

TEST(Markers, SearchSortAndMask) {
    SearchRequest r = parseSearch("100");
    EXPECT_EQ(r.kind, SearchRequest::MoveCursor);
    r = parseSearch("100, 40");
    EXPECT_EQ(r.kind, SearchRequest::OneMarker);
    MarkerSet m{};
    m[0].frequency = 5e6;
    ASSERT_TRUE(applyMarkerRequest(m, r, 1e-6));
    EXPECT_DOUBLE_EQ(m[1].frequency, 100e6);
    EXPECT_DOUBLE_EQ(m[1].level, 40.0);
    // Three numbers: two markers symmetrical about the frequency.
    r = parseSearch("100, 30, 50");
    EXPECT_EQ(r.kind, SearchRequest::TwoMarkers);
    ASSERT_TRUE(applyMarkerRequest(m, r, 1e-6));
    EXPECT_DOUBLE_EQ(m[2].frequency, 85e6);
    EXPECT_DOUBLE_EQ(m[3].frequency, 115e6);
    EXPECT_DOUBLE_EQ(m[3].level, 50.0);
    for (int i = 4; i < kMarkers; ++i) m[i].frequency = 1e6 * (20 - i);
    EXPECT_FALSE(applyMarkerRequest(m, parseSearch("10, 3"), 1e-6)); // no empty slot
    m[6].frequency = 0.0;
    sortMarkers(m);
    for (int i = 1; i < 9; ++i) EXPECT_LT(m[i - 1].frequency, m[i].frequency);
    EXPECT_FALSE(m[9].set());
    EXPECT_DOUBLE_EQ(m[8].level, 50.0); // 115 MHz is the highest and kept its level
    EXPECT_DOUBLE_EQ(m[8].frequency, 115e6);
    clearMarkers(m);
    EXPECT_EQ(firstEmptyMarker(m), 0);

    // Markers outside 90..110 MHz above 6 dB become the mask.
    PassbandInfo p;
    p.type = ResponseType::Bandpass;
    p.centre = 100e6;
    p.bandwidth = 20e6;
    m[0] = {70e6, 40.0, true};
    m[1] = {130e6, 40.0, true};
    m[2] = {95e6, 40.0, true}; // inside: ignored
    m[3] = {60e6, 5.0, true};  // too low: ignored
    m[4] = {150e6, 60.0, true};
    Mask mask;
    EXPECT_EQ(markersToMask(m, p, mask), 3);
    EXPECT_EQ(mask.below, 1);
    EXPECT_EQ(mask.above, 2);
    const std::vector<MaskSegment> seg = maskSegments(mask, p);
    ASSERT_EQ(seg.size(), 3u);
    EXPECT_DOUBLE_EQ(seg[0].low, 0.0);
    EXPECT_DOUBLE_EQ(seg[0].high, 70e6);
    EXPECT_DOUBLE_EQ(seg[1].low, 130e6);
    EXPECT_DOUBLE_EQ(seg[1].high, 150e6);
    EXPECT_TRUE(std::isinf(seg[2].high));
}

TEST(Markers, LowpassMaskMapping) {
    PassbandInfo p;
    p.type = ResponseType::Bandpass;
    p.centre = 100e6;
    p.bandwidth = 20e6;
    const double flo = 90e6, fhi = 110e6;
    for (double x : {1.2, 2.0, 5.0}) {
        const MappedPoint m = mapLowpassPoint(x, p);
        // Geometric symmetry about f0 and the lowpass-to-bandpass width.
        EXPECT_NEAR(m.first * m.second, flo * fhi, 1e-3 * flo);
        EXPECT_NEAR(m.second - m.first, x * 20e6, 1e-6);
    }
    p.type = ResponseType::Bandstop;
    const MappedPoint s = mapLowpassPoint(2.0, p);
    EXPECT_NEAR(s.second - s.first, 10e6, 1e-6);
    EXPECT_NEAR(s.first * s.second, flo * fhi, 1e-3 * flo);
    p.type = ResponseType::Lowpass;
    p.cutoff = 10e6;
    EXPECT_DOUBLE_EQ(mapLowpassPoint(1.5, p).first, 15e6);
    p.type = ResponseType::Highpass;
    EXPECT_DOUBLE_EQ(mapLowpassPoint(2.0, p).first, 5e6);
    Mask mask;
    mask.kind = 2;
    mask.points = {{1.5, 30.0}, {3.0, 50.0}};
    // Highpass: the stopband reaches down from fc / x; order reversed.
    const std::vector<MaskSegment> seg = maskSegments(mask, p);
    ASSERT_EQ(seg.size(), 2u);
    EXPECT_NEAR(seg[0].high, 10e6 / 1.5, 1e-6);
    EXPECT_NEAR(seg[0].low, 10e6 / 3.0, 1e-6);
    EXPECT_DOUBLE_EQ(seg[1].low, 0.0);
    EXPECT_DOUBLE_EQ(seg[1].level, 50.0);
}

TEST(PlotMath, LinearTickLabelsAreEvenlySpaced) {
    // Where not every tick can carry its label, the labelled ones still fall
    // on one regular stride of round values (60 70 80 ..., never 95 100 110).
    for (double pixels : {150.0, 300.0, 400.0, 456.0, 800.0}) {
        for (double f1 : {140.0, 150.0, 1030.0, 10.5}) {
            const double f0 = f1 == 10.5 ? 9.7 : 60.0;
            const std::vector<Tick> t = linearTicks(f0, f1, pixels, 7.0);
            std::vector<double> labelled;
            for (const Tick& k : t)
                if (!k.label.empty()) labelled.push_back(k.value);
            ASSERT_GE(labelled.size(), 2u) << pixels << " " << f1;
            const double stride = labelled[1] - labelled[0];
            for (std::size_t i = 2; i < labelled.size(); ++i)
                EXPECT_NEAR(labelled[i] - labelled[i - 1], stride, stride * 1e-9)
                    << pixels << " " << f1 << " at " << labelled[i];
            // Round values: whole multiples of the labelled stride.
            EXPECT_NEAR(std::remainder(labelled[0], stride), 0.0, stride * 1e-6);
        }
    }
}
