// The arithmetic of the response plot that needs no window: the 1-2-5
// division sequence, the horizontal axis (point narrowing, pixels per point,
// linear and logarithmic ticks), automatic scales with magnify and compress,
// the unwrapped phase and its linearity fits, the bandwidth read-out and the
// Smith chart geometry.
#pragma once

#include <string>
#include <vector>

namespace tanvex::plot {

// ---- 1-2-5 sequence ---------------------------------------------------------
// Step i of the sequence ... 0.1, 0.2, 0.5, 1, 2, 5, 10 ... (i = 0 is 1).
double sequenceValue(int index);
// Smallest index whose value is at least v (v > 0).
int sequenceIndexAtLeast(double v);

// ---- Horizontal axis --------------------------------------------------------
// Narrows lo..hi (1-based point indices) one point at a time at the end
// farther from the cursor c until hi - lo + 1 <= width. Keeps c inside.
void narrowRange(int& lo, int& hi, int c, int width);
// Pixels per point: floor(width / (hi - lo)), at least 1.
int pixelsPerPoint(int width, int lo, int hi);

struct Tick {
    double value = 0.0; // display units
    double x = 0.0;     // pixels from the left end of the axis
    std::string label;  // empty: an unlabelled tick
};

// Linear ticks over [f0, f1] (display units) drawn over `pixels` pixels:
// a 1-2-5 step giving 15..45 pixels between ticks, labels in fixed point
// with the decimals the step needs. Labels that would overlap the previous
// one (charWidth per character plus a gap) are left empty.
std::vector<Tick> linearTicks(double f0, double f1, double pixels, double charWidth);
// Decimals the label of a tick step needs ("%.*f").
int tickDecimals(double step);
// Logarithmic ticks at 1, 2, 5 times the decades within [f0, f1] (f0 > 0),
// placed on the logarithmic mapping of the axis; other values 3..9 of each
// decade as unlabelled ticks.
std::vector<Tick> logTicks(double f0, double f1, double pixels, double charWidth);

// ---- Vertical scales --------------------------------------------------------
enum class LockMode { Automatic = 0, Locked = 1, Fixed = 2 };

struct ScaleRecord {
    LockMode lock = LockMode::Automatic;
    int steps = 0;          // magnify (+, at most 4) / compress (-)
    double division = 1.0;  // units per division
    double reference = 0.0; // value at the reference line
    double minimum = 0.0;   // remembered minimum of the last fit
    bool valid = false;     // division / reference computed at least once
};

constexpr int kDivisions = 8;
constexpr int kMaxMagnify = 4;
constexpr int kMaxCompress = 12;

// The automatic division for a trace spanning `span` units: the smallest
// 1-2-5 value with span / division <= 8 divisions (so the trace fills
// 0.4 .. 1 of the height), moved `steps` places finer (positive) or coarser.
double autoDivision(double span, int steps);
// Fits a scale record to data minimum/maximum. Automatic: new division and
// reference := refValue. Locked: keeps the division, reference := refValue.
// Fixed: keeps both (the first fit of a fixed record sets them).
void fitScale(ScaleRecord& s, double minimum, double maximum, double refValue);

// ---- Phase --------------------------------------------------------------------
// The unwrapped phase: u(1) = phase(1), u(k) = u(k-1) - d with d =
// phase(k-1) - phase(k); while d is negative and the point's delay is
// positive, 90 degrees are added to d.
std::vector<double> unwrapPhase(const std::vector<double>& phase, const std::vector<double>& delay);

struct Line {
    double intercept = 0.0; // at frequency 0
    double slope = 0.0;     // per frequency unit
    double at(double f) const { return intercept + slope * f; }
};
// Least-squares line through (f[k], u[k]), k = first..last (0-based).
Line leastSquaresLine(const std::vector<double>& f, const std::vector<double>& u, int first,
                      int last);
// Peak-to-peak of u - slope * f over first..last.
double peakToPeak(const std::vector<double>& f, const std::vector<double>& u, int first, int last,
                  double slope);
// The best-fit slope: starts at the least-squares slope and steps it (one
// tenth of the slope; reversed and, after the first two steps, divided by
// ten whenever the peak-to-peak deviation grows; at most 100 steps and 5
// divisions) to the smallest peak-to-peak deviation, then shifts the line so
// that the deviation is centred on zero.
Line bestFitLine(const std::vector<double>& f, const std::vector<double>& u, int first, int last);
// Folds a phase into -180 .. +180 degrees.
double foldPhase(double degrees);

// ---- Bandwidth read-out --------------------------------------------------------
struct BandwidthReadout {
    int crossings = 0;   // 0, 1 or 2
    double low = 0.0;    // frequency of the lower crossing (same units as f)
    double high = 0.0;   // frequency of the upper crossing
    double single = 0.0; // the crossing when only one exists
};
// The crossings of `level` (absolute, dB) on either side of the cursor
// index c (0-based), interpolated linearly between points.
BandwidthReadout bandwidthAround(const std::vector<double>& f, const std::vector<double>& att,
                                 int c, double level);

// ---- Smith chart -------------------------------------------------------------
struct SmithPoint {
    double radius = 0.0; // |reflection coefficient|
    double angle = 0.0;  // radians
    double u() const;    // Cartesian position on the unit disc
    double v() const;
};
// Reflection coefficient position of Z = R + jX against the reference z0.
SmithPoint smithPoint(double r, double x, double z0);

struct Circle {
    double cu = 0.0; // centre on the unit disc
    double cv = 0.0;
    double radius = 0.0;
};
// Constant-resistance circle r = R/Z0 and constant-reactance circle x = X/Z0.
Circle resistanceCircle(double r);
Circle reactanceCircle(double x);
// |reflection coefficient| of a VSWR.
double vswrRadius(double vswr);

// ---- Interpolation -------------------------------------------------------------
inline double lerp(double a, double b, double t) {
    return a + (b - a) * t;
}

} // namespace tanvex::plot
