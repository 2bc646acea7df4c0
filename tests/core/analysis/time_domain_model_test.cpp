// The time-domain window's model: field rules and texts, pages that follow
// one another, the marker, normalising, the relative marker and the
// reference lines, without a window.
#include "analysis/time_domain_model.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tanvex;
using namespace tanvex::analysis;

namespace {

struct Bench {
    Design design;
    SweepOptions options;
    ui::ScriptedToolkit tk;
    NoDataServices data{tk};
    TimeDomainModel model{design, options, tk, data};
    Bench() {
        newDesign(design.entries);
        const NetEntry e[] = {{50, 'R', 1},
                              {36.5041934e-12, 'C', 2},
                              {109.117628e-9, 'L', 3},
                              {62.8663027e-12, 'C', 2},
                              {109.117628e-9, 'L', 3},
                              {36.5041934e-12, 'C', 2},
                              {50, 'R', 1},
                              {1e8, 'x', 1}};
        int i = 0;
        for (const NetEntry& x : e) setEntry(design.entries, i++, x.value, x.letter, x.code);
        completeSettingsString(design.record);
        design.analysis = {100.0, 0.0, 0.0, 0.0, 0.0, 0.0, 100.0};
    }
};

TEST(TimeDomainModel, FieldRulesAndTexts) {
    Bench b;
    TimeDomainModel& m = b.model;
    EXPECT_TRUE(m.setField(kFieldRepRate, 0.0));
    EXPECT_EQ(m.train.repRate, 2.0);
    EXPECT_FALSE(m.setField(kFieldRepRate, -1.0));
    EXPECT_EQ(m.train.repRate, 2.0);
    m.setField(kFieldDuty, 0.1);
    EXPECT_EQ(m.fieldText(kFieldDuty), "      * Spike *");
    m.setField(kFieldDuty, 150.0);
    EXPECT_EQ(m.train.duty, kMaxDuty);
    m.setField(kFieldDuty, 20.0);
    EXPECT_EQ(m.fieldText(kFieldDuty), "20.00 ");
    EXPECT_EQ(m.fieldText(kFieldCarrier), "      * None *");
    m.setField(kFieldReps, 3.0); // delay 0.1 + 1 - 1.5 = -0.4, taken modulo 1
    EXPECT_NEAR(m.train.startDelay, 0.6, 1e-12);
    EXPECT_EQ(m.fieldText(kFieldReps), "3.00      Reps");
    m.setField(kFieldStartDelay, 1.5);
    EXPECT_EQ(m.train.startDelay, 0.0);
    EXPECT_EQ(m.fieldText(kFieldStartDelay), "0.0000   (0-1.0)");
    m.setField(kFieldReps, 0.0);
    EXPECT_EQ(m.train.reps, 1.0);
}

TEST(TimeDomainModel, PagesMarkerNormaliseAndReference) {
    Bench b;
    TimeDomainModel& m = b.model;
    m.moveMarker(1); // before a calculation
    EXPECT_EQ(b.tk.beeps, 1);
    m.setField(kFieldRepRate, 5.0);
    m.setField(kFieldDuty, 20.0);
    m.setField(kFieldReps, 2.0);
    ASSERT_EQ(m.calculateFirst(400), 0);
    EXPECT_EQ(m.title(), "IMPULSE RESPONSE Page 1");
    EXPECT_EQ(m.timeDivisionText(), "Time/div=20.00 nSec");
    const double start1 = m.page().start;
    m.markerToMax();
    const int peak = m.marker();
    EXPECT_NEAR(std::fabs(m.markerRatio()), 1.0, 1e-12); // the page maximum is 100 %
    m.moveMarker(-10);
    const double ratio = m.markerRatio();
    m.normalize();
    EXPECT_NEAR(m.markerRatio(), ratio > 0 ? 1.0 : -1.0, 1e-12);
    EXPECT_NE(m.markerAmplitudeText().find("100.00 %"), std::string::npos);
    m.setMarkerColumn(peak);
    m.toggleRelative();
    EXPECT_EQ(m.markerTimeText(), "Time=    0.00 nSec");
    m.moveMarker(5);
    EXPECT_FALSE(m.referenceFixed());
    ASSERT_EQ(m.nextPage(), 0);
    EXPECT_TRUE(m.referenceFixed());
    EXPECT_EQ(m.title(), "IMPULSE RESPONSE Page 2");
    EXPECT_NEAR(m.page().start - start1, 400e-9, 1e-15);
    // Page 2 of a periodic response is page 1 again: the relative time
    // keeps counting from the first page's origin.
    const double t = std::strtod(m.markerTimeText().c_str() + 5, nullptr);
    EXPECT_NEAR(t, 400.0 + 5 * 400.0 / 400.0, 1e-6);

    m.setReference(ReferenceMode::kAverage);
    double mean = 0.0;
    for (double v : m.page().low) mean += v / m.page().low.size();
    EXPECT_NEAR(m.reference(), mean, 1e-12);
    m.setReference(ReferenceMode::kStart);
    EXPECT_NEAR(m.reference(), m.harmonics().value(0.0), 1e-12);
    m.moveMarker(100000); // beyond the last column
    EXPECT_EQ(m.marker(), 400);
    const double scale = m.scaleFor(250);
    EXPECT_GT(scale, 0.0);
}

} // namespace
