// The equalizer fitter: adds constant-resistance sections one at a time to
// flatten a target response (group delay or attenuation) over a band, and
// refines all of them together after every addition.
//
//   equalizer::Fitter fit(toolkit, design.notation);
//   fit.setGrid(f1, f2, 51);                          // hertz
//   equalizer::FitSettings s;                        // mode, sections, R
//   std::vector<double> target(fit.points());         // seconds or dB
//   ... fill target (analyseTarget, or equalizer data)
//   equalizer::FitReport report;
//   std::vector<equalizer::Section> sections;
//   fit.run(target, s, sections, report);
//
// The fitter measures its sections with the program's own sweep evaluator:
// they stand in a scratch design (termination R, the sections, source R)
// that is swept over the grid, so what is fitted is what the analysis of the
// finished design shows. A sweep allocates nothing.
//
// Method: a new section starts where the sum of target and equalizer lies
// lowest (for delay: a second-order all-pass whose peak 4Q/w0 fills the
// deficit there, or a first-order one below the band; for amplitude: a loss
// bump of the deficit's height), chosen among a few candidates by the
// peak-to-peak spread of the sum. Then Levenberg-Marquardt adjusts the
// log-frequencies, log-Qs (and log-heights) of all sections against the
// least-squares deviation of the sum from a free level, followed by Lawson's
// reweighting, which moves the least-squares solution towards the minimax
// (smallest peak-to-peak) one; the best peak-to-peak spread found is kept.
#pragma once

#include "analysis/sweep.h"
#include "design/design_record.h"
#include "equalizer/sections.h"
#include "ui/toolkit.h"

#include <functional>
#include <memory>
#include <vector>

namespace tanvex::equalizer {

enum class Mode { kDelay, kAmplitude };

constexpr int kMaxSections = 12;
constexpr int kDefaultGridPoints = 51;
constexpr int kMinGridPoints = 5;
constexpr int kMaxGridPoints = 400;

struct FitSettings {
    Mode mode = Mode::kDelay;
    int sections = 4;       // sections to add; 0: add until the ripple is reached
    double ripple = 0.0;    // target peak-to-peak (seconds or dB) when sections is 0
    double r = 50.0;        // impedance of the sections
    bool firstOrder = true; // delay: first-order sections may be chosen
};

struct FitReport {
    double rippleBefore = 0.0;      // peak-to-peak of the target alone
    double rippleAfter = 0.0;       // of target + equalizer
    int sweeps = 0;                 // sweeps of the equalizer run
    std::vector<double> stepRipple; // after each added section
    bool reachedRipple = false;
    bool stalled = false; // a further section would not lower the spread by 2 %
};

// Peak-to-peak spread of v[0..n-1].
double peakToPeak(const double* v, int n);

class Fitter {
public:
    Fitter(ui::Toolkit& toolkit, const Notation& notation);
    ~Fitter();

    // A linear grid from f1 to f2 hertz (f1 > 0, f2 > f1).
    void setGrid(double f1, double f2, int points);
    // Q of the sections' coils, capacitors and lines as the analysis takes
    // them (0 or below 0.1: lossless, the default).
    void setQ(double ql, double qc, double qt);
    int points() const { return points_; }
    double frequency(int k) const; // k = 0 .. points-1
    double from() const { return f1_; }
    double to() const { return f2_; }

    // The response of the sections alone at the grid points (delay in
    // seconds or loss in dB) through the sweep evaluator. False when the
    // sweep failed or the sections do not fit in an entry list.
    bool evaluate(const std::vector<Section>& sections, Mode mode, double r, double* out);

    // Adds sections to those given (which are kept and refined as well).
    // False when a sweep failed.
    bool run(const std::vector<double>& target, const FitSettings& settings,
             std::vector<Section>& sections, FitReport& report);

    int sweeps() const { return sweeps_; }

    // Called after each section is added and refined, with the sections so
    // far (a window redraws its plot from them).
    std::function<void(const std::vector<Section>&)> onStep;

private:
    struct Scratch;
    bool refine(const std::vector<double>& target, const FitSettings& s,
                std::vector<Section>& sections, int iterations, double& best);
    double spreadOf(const std::vector<double>& target, const std::vector<Section>& sections,
                    const FitSettings& s, bool& ok);

    std::unique_ptr<Scratch> scratch_;
    double f1_ = 1.0, f2_ = 2.0;
    int points_ = 0;
    int sweeps_ = 0;
    std::vector<double> work_; // one response, reused by every evaluation
};

// The design's own response over the grid of the fitter (group delay in
// seconds or attenuation in dB), through the sweep evaluator with the
// design's Q values; the design's sweep settings are left as they were.
// False when the sweep failed (a notice told why).
bool analyseTarget(Design& design, analysis::DataServices& data, ui::Toolkit& toolkit,
                   const Fitter& grid, Mode mode, std::vector<double>& out);

} // namespace tanvex::equalizer
