#include "plot/plot_math.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace tanvex::plot {

double sequenceValue(int index) {
    static const double kMantissa[3] = {1.0, 2.0, 5.0};
    const int decade = index >= 0 ? index / 3 : -((-index + 2) / 3);
    const int m = index - 3 * decade;
    return kMantissa[m] * std::pow(10.0, decade);
}

int sequenceIndexAtLeast(double v) {
    if (!(v > 0.0) || !std::isfinite(v)) return 0;
    int i = 3 * static_cast<int>(std::floor(std::log10(v))) - 3;
    // The relative tolerance keeps 0.3 / 3 from landing one place too coarse
    // through rounding in the division.
    while (sequenceValue(i) < v * (1.0 - 1e-9)) ++i;
    while (sequenceValue(i - 1) >= v * (1.0 - 1e-9)) --i;
    return i;
}

void narrowRange(int& lo, int& hi, int c, int width) {
    if (width < 2) width = 2;
    c = std::clamp(c, lo, hi);
    while (hi - lo + 1 > width) {
        if (c - lo > hi - c)
            ++lo;
        else
            --hi;
    }
}

int pixelsPerPoint(int width, int lo, int hi) {
    if (hi <= lo) return 1;
    return std::max(1, width / (hi - lo));
}

int tickDecimals(double step) {
    if (step >= 1.0) return 0;
    return std::max(0, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
}

namespace {

std::string formatTick(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, std::fabs(v) < 1e-12 ? 0.0 : v);
    return buf;
}

// Clears labels that would run into the previous labelled one.
void dropOverlaps(std::vector<Tick>& ticks, double charWidth) {
    double lastRight = -1e300;
    for (Tick& t : ticks) {
        if (t.label.empty()) continue;
        const double w = charWidth * static_cast<double>(t.label.size());
        const double left = t.x - w / 2.0;
        if (left < lastRight + charWidth) {
            t.label.clear();
            continue;
        }
        lastRight = left + w;
    }
}

} // namespace

std::vector<Tick> linearTicks(double f0, double f1, double pixels, double charWidth) {
    std::vector<Tick> ticks;
    const double span = f1 - f0;
    if (!(span > 0.0) || !(pixels > 0.0)) return ticks;
    // Smallest 1-2-5 step at least 15 pixels wide; the sequence grows by at
    // most 2.5 per place, so it is never wider than 37.5 pixels.
    const double perUnit = pixels / span;
    double step = sequenceValue(sequenceIndexAtLeast(15.0 / perUnit));
    const int decimals = tickDecimals(step);
    const double first = std::ceil(f0 / step - 1e-9) * step;
    for (int i = 0;; ++i) {
        const double v = first + i * step;
        if (v > f1 + step * 1e-9) break;
        ticks.push_back({v, (v - f0) * perUnit, formatTick(v, decimals)});
        if (i > 10000) break;
    }
    // Labels at every tick, every 2nd, 5th, 10th ... whole multiple of the
    // step, the first stride whose labels all fit: a scale labelled
    // 90 95 100 110 120 (105 and 115 left out where they would touch) reads
    // as uneven.
    for (long stride : {1L, 2L, 5L, 10L, 20L, 50L, 100L, 200L, 500L, 1000L}) {
        std::vector<Tick> trial = ticks;
        for (Tick& t : trial)
            if (std::llround(t.value / step) % stride != 0) t.label.clear();
        std::size_t before = 0, after = 0;
        for (const Tick& t : trial) before += !t.label.empty();
        dropOverlaps(trial, charWidth);
        for (const Tick& t : trial) after += !t.label.empty();
        if (after == before || stride == 1000L) {
            ticks = std::move(trial);
            break;
        }
    }
    return ticks;
}

std::vector<Tick> logTicks(double f0, double f1, double pixels, double charWidth) {
    std::vector<Tick> ticks;
    if (!(f0 > 0.0) || !(f1 > f0) || !(pixels > 0.0)) return ticks;
    const double l0 = std::log10(f0);
    const double scale = pixels / (std::log10(f1) - l0);
    for (int d = static_cast<int>(std::floor(l0)); d <= static_cast<int>(std::ceil(std::log10(f1)));
         ++d) {
        for (int m = 1; m <= 9; ++m) {
            const double v = m * std::pow(10.0, d);
            if (v < f0 * (1 - 1e-9) || v > f1 * (1 + 1e-9)) continue;
            Tick t{v, (std::log10(v) - l0) * scale, {}};
            if (m == 1 || m == 2 || m == 5) {
                char buf[32];
                std::snprintf(buf, sizeof buf, "%g", v);
                t.label = buf;
            }
            ticks.push_back(t);
        }
    }
    dropOverlaps(ticks, charWidth);
    return ticks;
}

double autoDivision(double span, int steps) {
    if (!(span > 0.0) || !std::isfinite(span)) span = 1e-3;
    return sequenceValue(sequenceIndexAtLeast(span / kDivisions) - steps);
}

void fitScale(ScaleRecord& s, double minimum, double maximum, double refValue) {
    s.minimum = minimum;
    if (s.lock == LockMode::Fixed && s.valid) return;
    if (s.lock == LockMode::Automatic || !s.valid) {
        double span = maximum - minimum;
        if (!(span > 0.0)) span = std::max(1e-3, std::fabs(maximum) * 1e-3);
        s.division = autoDivision(span, s.steps);
    } else if (s.lock == LockMode::Locked) {
        // The division stays; magnify and compress still move it.
    }
    s.reference = refValue;
    s.valid = true;
}

std::vector<double> unwrapPhase(const std::vector<double>& phase,
                                const std::vector<double>& delay) {
    std::vector<double> u(phase.size());
    if (phase.empty()) return u;
    u[0] = phase[0];
    for (std::size_t k = 1; k < phase.size(); ++k) {
        double d = phase[k - 1] - phase[k];
        const bool positiveDelay = k < delay.size() && delay[k] > 0.0;
        for (int guard = 0; d < 0.0 && positiveDelay && guard < 64; ++guard) d += 90.0;
        u[k] = u[k - 1] - d;
    }
    return u;
}

Line leastSquaresLine(const std::vector<double>& f, const std::vector<double>& u, int first,
                      int last) {
    Line line;
    const int n = last - first + 1;
    if (n <= 0) return line;
    // Centred sums keep the fit accurate for frequencies far from zero.
    double mf = 0.0, mu = 0.0;
    for (int k = first; k <= last; ++k) {
        mf += f[k];
        mu += u[k];
    }
    mf /= n;
    mu /= n;
    double sff = 0.0, sfu = 0.0;
    for (int k = first; k <= last; ++k) {
        sff += (f[k] - mf) * (f[k] - mf);
        sfu += (f[k] - mf) * (u[k] - mu);
    }
    line.slope = sff > 0.0 ? sfu / sff : 0.0;
    line.intercept = mu - line.slope * mf;
    return line;
}

double peakToPeak(const std::vector<double>& f, const std::vector<double>& u, int first, int last,
                  double slope) {
    double lo = 1e300, hi = -1e300;
    for (int k = first; k <= last; ++k) {
        const double d = u[k] - slope * f[k];
        lo = std::min(lo, d);
        hi = std::max(hi, d);
    }
    return last >= first ? hi - lo : 0.0;
}

Line bestFitLine(const std::vector<double>& f, const std::vector<double>& u, int first, int last) {
    Line line = leastSquaresLine(f, u, first, last);
    double slope = line.slope;
    double best = peakToPeak(f, u, first, last, slope);
    double step = slope / 10.0;
    if (step == 0.0) step = 1e-12;
    int divisions = 0;
    for (int i = 0; i < 100 && divisions <= 5; ++i) {
        const double trial = slope + step;
        const double pp = peakToPeak(f, u, first, last, trial);
        if (pp >= best) {
            step = -step;
            if (i >= 2) {
                step /= 10.0;
                ++divisions;
            }
        } else {
            slope = trial;
            best = pp;
        }
    }
    line.slope = slope;
    // Centre the deviation on zero.
    double lo = 1e300, hi = -1e300;
    for (int k = first; k <= last; ++k) {
        const double d = u[k] - slope * f[k];
        lo = std::min(lo, d);
        hi = std::max(hi, d);
    }
    line.intercept = last >= first ? (lo + hi) / 2.0 : 0.0;
    return line;
}

double foldPhase(double degrees) {
    double p = std::fmod(degrees, 360.0);
    if (p > 180.0) p -= 360.0;
    if (p <= -180.0) p += 360.0;
    return p;
}

BandwidthReadout bandwidthAround(const std::vector<double>& f, const std::vector<double>& att,
                                 int c, double level) {
    BandwidthReadout r;
    const int n = static_cast<int>(std::min(f.size(), att.size()));
    if (n < 2 || c < 0 || c >= n) return r;
    auto cross = [&](int a, int b) {
        // Between points a (below the level) and b (at or above it).
        const double da = att[b] - att[a];
        const double t = da != 0.0 ? (level - att[a]) / da : 0.0;
        return lerp(f[a], f[b], std::clamp(t, 0.0, 1.0));
    };
    bool haveLow = false, haveHigh = false;
    if (att[c] < level) {
        for (int k = c - 1; k >= 0; --k)
            if (att[k] >= level) {
                r.low = cross(k + 1, k);
                haveLow = true;
                break;
            }
        for (int k = c + 1; k < n; ++k)
            if (att[k] >= level) {
                r.high = cross(k - 1, k);
                haveHigh = true;
                break;
            }
    } else {
        // The cursor sits in the stopband: the nearest crossing on each side
        // of the passband that lies nearest the cursor.
        for (int k = c - 1; k >= 0; --k)
            if (att[k] < level) {
                r.high = cross(k, k + 1);
                haveHigh = true;
                for (int j = k - 1; j >= 0; --j)
                    if (att[j] >= level) {
                        r.low = cross(j + 1, j);
                        haveLow = true;
                        break;
                    }
                break;
            }
        if (!haveHigh)
            for (int k = c + 1; k < n; ++k)
                if (att[k] < level) {
                    r.low = cross(k, k - 1);
                    haveLow = true;
                    for (int j = k + 1; j < n; ++j)
                        if (att[j] >= level) {
                            r.high = cross(j - 1, j);
                            haveHigh = true;
                            break;
                        }
                    break;
                }
    }
    r.crossings = (haveLow ? 1 : 0) + (haveHigh ? 1 : 0);
    if (r.crossings == 1) r.single = haveLow ? r.low : r.high;
    return r;
}

double SmithPoint::u() const {
    return radius * std::cos(angle);
}
double SmithPoint::v() const {
    return radius * std::sin(angle);
}

SmithPoint smithPoint(double r, double x, double z0) {
    if (!(z0 > 0.0)) z0 = 50.0;
    const double rn = r / z0, xn = x / z0;
    const double num = (rn - 1.0) * (rn - 1.0) + xn * xn;
    const double den = (rn + 1.0) * (rn + 1.0) + xn * xn;
    SmithPoint p;
    p.radius = den > 0.0 ? std::sqrt(num / den) : 1.0;
    // arg((z - 1) / (z + 1)).
    p.angle = std::atan2(xn, rn - 1.0) - std::atan2(xn, rn + 1.0);
    return p;
}

Circle resistanceCircle(double r) {
    return {r / (r + 1.0), 0.0, 1.0 / (r + 1.0)};
}

Circle reactanceCircle(double x) {
    return {1.0, 1.0 / x, 1.0 / std::fabs(x)};
}

double vswrRadius(double vswr) {
    return (vswr - 1.0) / (vswr + 1.0);
}

} // namespace tanvex::plot
