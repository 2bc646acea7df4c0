#include "analysis/time_domain.h"

#include "analysis/analysis_constants.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>

namespace tanvex::analysis {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kCarrierSidebands = 300;

// Harmonic weights of the drive: (alpha, beta) of alpha cos + beta sin.
void driveWeights(const PulseTrain& train, int n, double& alpha, double& beta) {
    if (train.spike()) {
        alpha = 1.0;
        beta = 0.0;
        return;
    }
    const int m = n < 0 ? -n : n;
    if (m == 0) {
        // Only a carrier has a line of index 0: the gated train's mean, doubled.
        alpha = 2.0 * train.duty;
        beta = 0.0;
        return;
    }
    const double x = 2.0 * kPi * m * train.duty;
    alpha = std::sin(x) / (m * kPi);
    beta = (1.0 - std::cos(x)) / (m * kPi);
    if (n < 0) beta = -beta; // lower side band of a gated carrier
}

struct OneShot : SweepObserver {
    PointValues v;
    double phi = 0.0;
    void point(int, const PointValues& values, const NetworkInterpreter& interpreter) override {
        v = values;
        phi = interpreter.phi();
    }
};

} // namespace

bool adjustLimits(PulseTrain& t, double mult, double& markerLowHz, double& markerHighHz,
                  HarmonicLimits& limits, std::string& message) {
    message.clear();
    limits = HarmonicLimits{};
    if (!(t.repRate > 0.0) || !std::isfinite(t.repRate)) {
        message = "Rep rate must be above zero!";
        return false;
    }
    // The plot's marker range comes first, so the harmonic limit applies to it.
    if (markerLowHz != 0.0 || markerHighHz != 0.0) {
        if (markerLowHz != 0.0) t.lower = markerLowHz * mult;
        if (markerHighHz != 0.0) t.upper = markerHighHz * mult;
        markerLowHz = 0.0;
        markerHighHz = 0.0;
    }
    const double f0 = t.repRate;
    if (!t.gated()) {
        t.lower = f0 < t.lower ? f0 * std::trunc(t.lower / f0) : f0;
        if (!(t.upper >= t.lower)) t.upper = 1e6;
        if ((t.upper - t.lower) / f0 <= kMaxHarmonicSpan)
            t.upper = t.lower + f0 * std::trunc((t.upper - t.lower) / f0 + 1e-9);
        else
            t.upper = t.lower + kMaxHarmonicSpan * f0;
        limits.above = static_cast<int>(std::lround((t.upper - t.lower) / f0));
        return true;
    }
    const double c = t.carrier;
    const double typed = t.folded && t.lower == t.shownLower ? t.foldedLower : t.lower;
    double lower = c + f0 * std::trunc((typed - c) / f0 + (typed < c ? -1e-9 : 1e-9));
    double upper = c + f0 * std::trunc((t.upper - c) / f0 + (t.upper < c ? -1e-9 : 1e-9));
    if ((upper - lower) / f0 > kMaxHarmonicSpan + 0.1 || c < lower || c > upper || lower > upper ||
        !std::isfinite(lower) || !std::isfinite(upper)) {
        message = "Frequency limits adjusted to carrier +-300 sidebands";
        limits.adjusted = true;
        lower = c - kCarrierSidebands * f0;
        upper = c + kCarrierSidebands * f0;
    }
    limits.below = static_cast<int>(std::lround((c - lower) / f0));
    limits.above = static_cast<int>(std::lround((upper - c) / f0));
    // Side bands at or below zero frequency are folded back in the
    // calculation; the limit shown is the lowest line above zero.
    t.folded = lower <= 0.0;
    t.foldedLower = lower;
    while (lower <= 0.0) lower += f0;
    t.lower = lower;
    t.shownLower = lower;
    t.upper = upper;
    return true;
}

std::string sidebandText(const PulseTrain& train, const HarmonicLimits& limits) {
    if (!train.gated()) return "  * No carrier *";
    char text[64];
    std::snprintf(text, sizeof text, "   %c%g   %c%g", '-', static_cast<double>(limits.below), '+',
                  static_cast<double>(limits.above));
    return text;
}

double HarmonicSet::value(double t) const {
    if (carrierHz != 0.0) {
        const Cx b = baseband(t);
        const double a = 2.0 * kPi * std::fmod(carrierHz * t, 1.0);
        return b.r * std::cos(a) - b.x * std::sin(a);
    }
    double sum = 0.0;
    for (const Harmonic& h : lines) {
        const double a = 2.0 * kPi * std::fmod(h.frequency * t, 1.0);
        sum += h.weight.r * std::cos(a) - h.weight.x * std::sin(a);
    }
    return sum;
}

Cx HarmonicSet::baseband(double t) const {
    Cx sum{};
    const double f0 = periodSeconds > 0.0 ? 1.0 / periodSeconds : 0.0;
    // The side band offsets are whole multiples of f0: the phase of index n
    // is n times the phase of f0 t within one period.
    const double turn = 2.0 * kPi * std::fmod(f0 * t, 1.0);
    for (const Harmonic& h : lines) {
        const double a = h.index * turn;
        const double c = std::cos(a);
        const double s = std::sin(a);
        sum.r += h.weight.r * c - h.weight.x * s;
        sum.x += h.weight.r * s + h.weight.x * c;
    }
    return sum;
}

int computeHarmonics(const Design& design, ui::Toolkit& toolkit, DataServices& data,
                     const PulseTrain& train, const HarmonicLimits& limits, HarmonicSet& out,
                     const std::function<bool()>& aborted) {
    out = HarmonicSet{};
    const double mult = design.notation.frequency.multiplier;
    const double f0 = train.repRate / mult;
    out.periodSeconds = 1.0 / f0;
    out.carrierHz = train.gated() ? train.carrier / mult : 0.0;
    out.spike = train.spike();

    // Single-frequency analyses on a copy: the design's own sweep settings
    // stay as they are.
    auto work = std::make_unique<Design>(design);
    auto table = std::make_unique<ResultsTable>();
    SweepOptions options;
    NoAnalysisViews views;
    SweepEvaluator sweep(*work, *table, options, toolkit, data, views);
    OneShot shot;
    sweep.setObserver(&shot);

    int first, last;
    if (train.gated()) {
        first = -limits.below;
        last = limits.above;
    } else {
        first = 0;
        last = limits.above;
    }
    double delaySum = 0.0;
    int delayCount = 0;
    const double lowerHz = train.lower / mult;
    for (int k = first; k <= last; ++k) {
        if (aborted && aborted()) return 2;
        Harmonic h;
        int n;
        if (train.gated()) {
            h.frequency = out.carrierHz + k * f0;
            n = k;
        } else {
            h.frequency = lowerHz + k * f0;
            n = static_cast<int>(std::lround(h.frequency / f0));
        }
        h.index = n;
        // A line at zero frequency is analysed just above it.
        const double fa = std::max(std::fabs(h.frequency), 1e-6 * f0);
        work->analysis[0] = fa * mult;
        work->analysis[6] = fa * mult;
        work->analysis[1] = 0.0;
        work->analysis[2] = 0.0;
        if (sweep.analyse(1) != 0) return 1;
        h.amplitude = std::pow(10.0, -shot.v.attenuation / 20.0);
        h.phase = -shot.phi;
        if (shot.v.attenuation < 10.0) {
            delaySum += shot.v.delay;
            ++delayCount;
        }
        double alpha, beta;
        driveWeights(train, n, alpha, beta);
        // Re((alpha - j beta) H e^{j 2 pi f t}); H(-f) = conj H(f).
        const double ph = h.frequency < 0.0 ? -h.phase : h.phase;
        const Cx hv{h.amplitude * std::cos(ph), h.amplitude * std::sin(ph)};
        h.weight = {alpha * hv.r + beta * hv.x, alpha * hv.x - beta * hv.r};
        out.lines.push_back(h);
    }
    out.averageDelay = delayCount > 0 ? delaySum / delayCount : 0.0;
    return 0;
}

void computePage(const HarmonicSet& set, const PulseTrain& train, int columns, int number,
                 TimePage& page) {
    columns = std::max(columns, 1);
    page.number = number;
    const double period = set.periodSeconds;
    page.span = train.reps * period;
    double delay = train.startDelay - std::floor(train.startDelay);
    if (!std::isfinite(delay)) delay = 0.0;
    const double t0 = delay == 0.0 ? 0.0 : delay * period + set.averageDelay;
    page.start = t0 + (number - 1) * page.span;
    page.low.assign(columns + 1, 0.0);
    page.high.assign(columns + 1, 0.0);
    const double dt = page.span / columns;
    if (set.carrierHz != 0.0) {
        for (int i = 0; i <= columns; ++i) {
            const double e = magnitude(set.baseband(page.start + i * dt));
            page.low[i] = -e;
            page.high[i] = e;
        }
        return;
    }
    // Each line advances by a fixed angle per column: rotate a phasor instead
    // of taking a cosine per sample.
    std::vector<Cx> phasor(set.lines.size());
    std::vector<Cx> stepBy(set.lines.size());
    for (std::size_t k = 0; k < set.lines.size(); ++k) {
        const Harmonic& h = set.lines[k];
        const double a = 2.0 * kPi * std::fmod(h.frequency * page.start, 1.0);
        const double s = 2.0 * kPi * std::fmod(h.frequency * dt, 1.0);
        phasor[k] = {std::cos(a), std::sin(a)};
        stepBy[k] = {std::cos(s), std::sin(s)};
    }
    for (int i = 0; i <= columns; ++i) {
        double sum = 0.0;
        for (std::size_t k = 0; k < phasor.size(); ++k) {
            const Cx w = set.lines[k].weight;
            Cx& p = phasor[k];
            sum += w.r * p.r - w.x * p.x;
            const Cx s = stepBy[k];
            p = {p.r * s.r - p.x * s.x, p.r * s.x + p.x * s.r};
        }
        page.low[i] = sum;
        page.high[i] = sum;
        // Renormalise now and then so rounding does not grow the phasors.
        if ((i & 63) == 63)
            for (Cx& p : phasor) {
                const double m = std::hypot(p.r, p.x);
                p = {p.r / m, p.x / m};
            }
    }
}

double verticalScale(const TimePage& page, double reference, int halfHeight, bool spike,
                     bool gated) {
    double scale = gated ? 0.005 : spike ? 0.05 : 0.001;
    double largest = 0.0;
    for (std::size_t i = 0; i < page.low.size(); ++i) {
        const double a = std::fabs(page.low[i] - reference);
        const double b = std::fabs(page.high[i] - reference);
        if (std::isfinite(a)) largest = std::max(largest, a);
        if (std::isfinite(b)) largest = std::max(largest, b);
    }
    const double edge = std::max(halfHeight - 2, 1);
    if (largest <= 0.0 || !std::isfinite(largest)) return scale;
    // Closed forms of the grow and shrink loops (at most a few hundred steps
    // even for extreme values).
    for (int guard = 0; largest / scale > edge && guard < 2000; ++guard) scale *= 1.5;
    for (int guard = 0; largest / scale < edge / 3.0 && guard < 2000; ++guard) scale *= 2.0 / 3.0;
    return scale;
}

double timePerDivision(double periodSeconds) {
    if (!(periodSeconds > 0.0) || !std::isfinite(periodSeconds)) return 1.0;
    const double target = periodSeconds / 5.0;
    double decade = std::pow(10.0, std::floor(std::log10(target)));
    for (;;) {
        for (double m : {5.0, 2.0, 1.0})
            if (m * decade < target * (1.0 - 1e-12)) return m * decade;
        decade /= 10.0;
    }
}

double referenceLevel(const TimePage& page, ReferenceMode mode, const HarmonicSet& set) {
    switch (mode) {
    case ReferenceMode::kZero:
        return 0.0;
    case ReferenceMode::kAverage: {
        double sum = 0.0;
        for (std::size_t i = 0; i < page.low.size(); ++i) sum += 0.5 * (page.low[i] + page.high[i]);
        return page.low.empty() ? 0.0 : sum / page.low.size();
    }
    case ReferenceMode::kStart:
        // The level when the drive's pulse begins, before the response to it.
        return set.carrierHz != 0.0 ? 0.0 : set.value(0.0);
    }
    return 0.0;
}

} // namespace tanvex::analysis
