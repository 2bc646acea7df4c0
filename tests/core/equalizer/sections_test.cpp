// Equalizer sections alone: constant resistance and losslessness through the
// network program and through an independent nodal solution of the same
// circuit, and the all-pass delay against the textbook closed form.
#include "analysis/interpreter.h"
#include "equalizer/fitter.h"
#include "equalizer/sections.h"
#include "nodal_oracle.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <numbers>

// Counts the allocations of the whole program, for the sweep test below.
static std::atomic<long> allocations{0};
void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

using namespace tanvex;
using namespace tanvex::equalizer;

namespace {

EntryList alone(const Section& s, double r) {
    EntryList list{};
    setEntry(list, 0, r, 'R', 1);
    const int n = 1 + writeSection(list, 1, s, r);
    setEntry(list, n, r, 'R', 1);
    setEntry(list, n + 1, 1.0, 'x', 1);
    return list;
}

struct Walk {
    std::complex<double> zin;
    double lossDb;
};

Walk walk(const EntryList& list, double f) {
    ui::ScriptedToolkit tk;
    analysis::NoDataServices data(tk);
    analysis::NetworkInterpreter in(tk, data);
    analysis::InterpreterSettings settings;
    in.prepare(list, settings);
    analysis::WalkRequest rq;
    rq.f = f;
    rq.load = list[0].value;
    rq.lambdaStart = std::log(2.0); // lambda0 of equal ends, as the sweep sets it
    EXPECT_EQ(in.walk(list, rq), 0);
    return {{in.sourceEndImpedance().r, in.sourceEndImpedance().x},
            -in.lambda() * 20.0 / std::log(10.0)};
}

std::vector<Section> sampleSections() {
    std::vector<Section> v;
    for (double q : {0.35, 0.8, 1.0, 1.7, 12.0, 80.0})
        v.push_back({SectionKind::kAllPass2, 1.3e6, q, 0});
    v.push_back({SectionKind::kAllPass1, 2.2e6, 0, 0});
    v.push_back({SectionKind::kAllPass1, 40.0, 0, 0});
    for (double q : {0.7, 3.0, 25.0}) {
        for (double db : {0.05, 1.5, 12.0}) v.push_back({SectionKind::kAmplitude, 7.5e6, q, db});
    }
    return v;
}

} // namespace

TEST(Sections, EveryFormIsConstantResistanceAndAllPassesAreLossless) {
    for (double r : {50.0, 75.0, 600.0}) {
        for (const Section& s : sampleSections()) {
            const EntryList list = alone(s, r);
            for (double ratio = 0.01; ratio < 100.0; ratio *= 1.37) {
                const double f = s.f0 * ratio;
                const Walk w = walk(list, f);
                SCOPED_TRACE(std::string(sectionName(s.kind)) + " q=" + std::to_string(s.q) +
                             " f/f0=" + std::to_string(ratio));
                EXPECT_NEAR(w.zin.real(), r, 1e-9 * r);
                EXPECT_NEAR(w.zin.imag(), 0.0, 1e-9 * r);
                if (s.kind != SectionKind::kAmplitude) {
                    EXPECT_NEAR(w.lossDb, 0.0, 1e-9);
                }
                // The same circuit solved by nodes, from the code table's topology.
                const oracle::OracleResult o = oracle::solveNetwork(list, f, {});
                ASSERT_TRUE(o.ok) << o.problem;
                EXPECT_NEAR(std::abs(o.zin - r), 0.0, 1e-9 * r);
                const double oracleLoss = 20.0 * std::log10(0.5 / std::abs(o.transfer));
                EXPECT_NEAR(oracleLoss, w.lossDb, 1e-9);
            }
        }
    }
}

TEST(Sections, AllPassDelayIsTheTextbookDelayAndAmplitudePeakIsAsAsked) {
    ui::ScriptedToolkit tk;
    Notation notation;
    Fitter fit(tk, notation);
    fit.setGrid(0.2e6, 4e6, 97);
    std::vector<double> out(fit.points());
    for (const Section& s : sampleSections()) {
        if (s.kind == SectionKind::kAmplitude || s.f0 < 1e3) continue;
        ASSERT_TRUE(fit.evaluate({s}, Mode::kDelay, 50.0, out.data()));
        for (int k = 0; k < fit.points(); ++k) {
            // H(s) = (s^2 - s w0/Q + w0^2)/(s^2 + s w0/Q + w0^2): tau = -d arg H / dw.
            const double w = 2 * std::numbers::pi * fit.frequency(k);
            const double w0 = 2 * std::numbers::pi * s.f0;
            double tau;
            if (s.kind == SectionKind::kAllPass1) {
                tau = 2.0 / w0 / (1.0 + (w / w0) * (w / w0));
            } else {
                const double a = w * w0 / s.q, b = w0 * w0 - w * w;
                tau = 2.0 * (w0 / s.q) * (w0 * w0 + w * w) / (a * a + b * b);
            }
            // The sweep differences the phase over 1e-7 f: a truncation of order
            // 1e-7 Q^2 at the delay peak.
            EXPECT_NEAR(out[k], tau, 1e-4 * tau);
        }
    }
    for (const Section& s : sampleSections()) {
        if (s.kind != SectionKind::kAmplitude) continue;
        const Walk w = walk(alone(s, 50.0), s.f0);
        EXPECT_NEAR(w.lossDb, s.peakDb, 1e-9 * (1 + s.peakDb));
        // Well above the bump the section passes everything.
        EXPECT_LT(walk(alone(s, 50.0), s.f0 * 1e4).lossDb, 0.02 * s.peakDb + 1e-3);
    }
}

TEST(Sections, TheFitterSweepAllocatesNothing) {
    ui::ScriptedToolkit tk;
    Notation notation;
    Fitter fit(tk, notation);
    fit.setGrid(9e6, 11e6, 51);
    const std::vector<Section> sections = {{SectionKind::kAllPass2, 9.5e6, 8.0, 0},
                                           {SectionKind::kAmplitude, 10e6, 3.0, 1.0},
                                           {SectionKind::kAllPass1, 12e6, 0, 0}};
    std::vector<double> out(static_cast<std::size_t>(fit.points()));
    ASSERT_TRUE(fit.evaluate(sections, Mode::kDelay, 50, out.data()));
    const long before = allocations.load();
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(fit.evaluate(sections, Mode::kDelay, 50, out.data()));
        ASSERT_TRUE(fit.evaluate(sections, Mode::kAmplitude, 50, out.data()));
    }
    EXPECT_EQ(allocations.load() - before, 0);
}
