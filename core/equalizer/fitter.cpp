#include "equalizer/fitter.h"

#include "analysis/data_services.h"
#include "design/operations.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace tanvex::equalizer {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Bounds of the fitted quantities.
constexpr double kMinQ = 0.2;
constexpr double kMaxQ = 1000.0;
constexpr double kMinAmplitudeQ = 0.5;
constexpr double kMinPeakDb = 1e-4;
constexpr double kMaxPeakDb = 40.0;
// Step of the forward differences in the log parameters.
constexpr double kDifferenceStep = 1e-5;
// Candidates refined for every added section.
constexpr std::size_t kStartsPerSection = 6;
// The least relative drop of the spread for which a section is added.
constexpr double kLeastGain = 0.02;
constexpr std::size_t kStallSteps = 3;
// Weight of the pull of an amplitude equalizer's level towards the
// target's highest loss, relative to the sum of the point weights.
constexpr double kLevelPull = 1e-4;

// Hands the sweep's values over in full precision.
class Capture : public analysis::SweepObserver {
public:
    double* out = nullptr;
    bool delay = true;
    void point(int k, const analysis::PointValues& v,
               const analysis::NetworkInterpreter&) override {
        out[k - 1] = delay ? v.delay : v.attenuation;
    }
};

// Solves a x = b (n x n, row-major) by elimination with partial pivoting.
bool solve(std::vector<double>& a, std::vector<double>& b, int n) {
    for (int col = 0; col < n; ++col) {
        int pivot = col;
        for (int r = col + 1; r < n; ++r)
            if (std::fabs(a[r * n + col]) > std::fabs(a[pivot * n + col])) pivot = r;
        if (!(std::fabs(a[pivot * n + col]) > 1e-300)) return false;
        if (pivot != col) {
            for (int c = 0; c < n; ++c) std::swap(a[col * n + c], a[pivot * n + c]);
            std::swap(b[col], b[pivot]);
        }
        for (int r = col + 1; r < n; ++r) {
            const double m = a[r * n + col] / a[col * n + col];
            if (m == 0.0) continue;
            for (int c = col; c < n; ++c) a[r * n + c] -= m * a[col * n + c];
            b[r] -= m * b[col];
        }
    }
    for (int r = n - 1; r >= 0; --r) {
        double s = b[r];
        for (int c = r + 1; c < n; ++c) s -= a[r * n + c] * b[c];
        b[r] = s / a[r * n + r];
    }
    return true;
}

// The log parameters of the sections, and back with the bounds applied.
struct Packing {
    double fMin = 1.0, fMax = 2.0;
    void pack(const std::vector<Section>& sections, std::vector<double>& x) const {
        x.clear();
        for (const Section& s : sections) {
            x.push_back(std::log(s.f0));
            if (s.kind != SectionKind::kAllPass1) x.push_back(std::log(s.q));
            if (s.kind == SectionKind::kAmplitude) x.push_back(std::log(s.peakDb));
        }
    }
    void unpack(const std::vector<double>& x, std::vector<Section>& sections) const {
        std::size_t j = 0;
        for (Section& s : sections) {
            s.f0 = std::clamp(std::exp(x[j++]), fMin, fMax);
            if (s.kind != SectionKind::kAllPass1) {
                const double lo = s.kind == SectionKind::kAmplitude ? kMinAmplitudeQ : kMinQ;
                s.q = std::clamp(std::exp(x[j++]), lo, kMaxQ);
            }
            if (s.kind == SectionKind::kAmplitude)
                s.peakDb = std::clamp(std::exp(x[j++]), kMinPeakDb, kMaxPeakDb);
        }
    }
};

} // namespace

double peakToPeak(const double* v, int n) {
    if (n <= 0) return 0.0;
    double lo = v[0], hi = v[0];
    for (int k = 1; k < n; ++k) {
        lo = std::min(lo, v[k]);
        hi = std::max(hi, v[k]);
    }
    return hi - lo;
}

struct Fitter::Scratch {
    explicit Scratch(ui::Toolkit& toolkit)
        : data(toolkit), sweep(design, table, options, toolkit, data, views) {
        sweep.setObserver(&capture);
    }
    Design design;
    analysis::ResultsTable table;
    analysis::SweepOptions options;
    analysis::NoDataServices data;
    analysis::NoAnalysisViews views;
    analysis::SweepEvaluator sweep;
    Capture capture;
};

Fitter::Fitter(ui::Toolkit& toolkit, const Notation& notation)
    : scratch_(std::make_unique<Scratch>(toolkit)) {
    Design& d = scratch_->design;
    newDesign(d.entries);
    d.notation = notation;
    completeSettingsString(d.record);
    char* text = d.record[kSlotSettings].text;
    text[8] = '0';  // no plot window
    text[9] = '0';  // the precise group delay method
    text[24] = '0'; // linear spacing
    scratch_->options.fastDelay = false;
}

Fitter::~Fitter() = default;

void Fitter::setGrid(double f1, double f2, int points) {
    f1_ = f1;
    f2_ = f2;
    points_ = std::clamp(points, kMinGridPoints, kMaxGridPoints);
    AnalysisSettings& as = scratch_->design.analysis;
    const double mult = scratch_->design.notation.frequency.multiplier;
    as[0] = f1 * mult;
    as[1] = f2 * mult;
    as[2] = -static_cast<double>(points_);
    as[6] = as[0];
    work_.assign(static_cast<std::size_t>(points_), 0.0);
}

void Fitter::setQ(double ql, double qc, double qt) {
    AnalysisSettings& as = scratch_->design.analysis;
    as[3] = ql;
    as[4] = qc;
    as[5] = qt;
}

double Fitter::frequency(int k) const {
    return f1_ + k * (f2_ - f1_) / (points_ - 1);
}

bool Fitter::evaluate(const std::vector<Section>& sections, Mode mode, double r, double* out) {
    EntryList& list = scratch_->design.entries;
    int size = 0;
    for (const Section& s : sections) size += sectionSize(s);
    if (size + 3 > kEntrySlots) return false;
    setEntry(list, 0, r, 'R', 1);
    int i = 1;
    for (const Section& s : sections) i += writeSection(list, i, s, r);
    setEntry(list, i, r, 'R', 1);
    setEntry(list, i + 1, 1.0 / kTwoPi, 'x', 1);
    // The sweep rewrites the start of a range it was handed; keep ours.
    AnalysisSettings& as = scratch_->design.analysis;
    as[0] = as[6];
    scratch_->capture.out = out;
    scratch_->capture.delay = mode == Mode::kDelay;
    ++sweeps_;
    return scratch_->sweep.analyse(mode == Mode::kDelay ? 1 : 2) == 0;
}

double Fitter::spreadOf(const std::vector<double>& target, const std::vector<Section>& sections,
                        const FitSettings& s, bool& ok) {
    ok = evaluate(sections, s.mode, s.r, work_.data());
    for (int k = 0; k < points_; ++k) work_[k] += target[k];
    return peakToPeak(work_.data(), points_);
}

bool Fitter::refine(const std::vector<double>& target, const FitSettings& s,
                    std::vector<Section>& sections, int rounds, double& best) {
    const int m = points_;
    Packing packing;
    packing.fMin = std::max(f1_ / 4.0, f2_ / 1000.0);
    packing.fMax = f2_ * 4.0;
    std::vector<double> x;
    packing.pack(sections, x);
    const int p = static_cast<int>(x.size());
    // The level c of the flattened sum is a free parameter. Every all-pass
    // adds delay, so for delay it is left alone; for amplitude a light pull
    // draws it towards the target's highest loss, so that the sections add
    // no more loss than flattening needs (a flat loss of any height would
    // flatten as well).
    const double pullLevel = *std::max_element(target.begin(), target.begin() + m);
    const double pull = s.mode == Mode::kAmplitude ? kLevelPull : 0.0;
    const int np = p + 1;
    std::vector<Section> trial = sections;
    std::vector<double> base(m), shifted(m), jac(static_cast<std::size_t>(m) * p), w(m, 1.0);
    std::vector<double> a(static_cast<std::size_t>(np) * np), g(np), xt(p);

    auto sumInto = [&](const std::vector<double>& params, std::vector<double>& out) {
        packing.unpack(params, trial);
        if (!evaluate(trial, s.mode, s.r, out.data())) return false;
        for (int k = 0; k < m; ++k) out[k] += target[k];
        return true;
    };
    auto weightSum = [&] {
        double sw = 0.0;
        for (int k = 0; k < m; ++k) sw += w[k];
        return sw;
    };
    auto levelOf = [&](const std::vector<double>& sum) {
        const double sw = weightSum();
        double swv = pull * sw * pullLevel;
        for (int k = 0; k < m; ++k) swv += w[k] * sum[k];
        return swv / (sw * (1.0 + pull));
    };
    auto costOf = [&](const std::vector<double>& sum, double c) {
        double e = pull * weightSum() * (c - pullLevel) * (c - pullLevel);
        for (int k = 0; k < m; ++k) e += w[k] * (sum[k] - c) * (sum[k] - c);
        return e;
    };

    if (!sumInto(x, base)) return false;
    std::vector<double> bestX = x;
    best = peakToPeak(base.data(), m);

    for (int round = 0; round < rounds; ++round) {
        double c = levelOf(base);
        double cost = costOf(base, c);
        double lambda = 1e-3;
        const int iterations = round == 0 ? 25 : 10;
        for (int it = 0; it < iterations; ++it) {
            // Jacobian of the sum by forward differences.
            for (int j = 0; j < p; ++j) {
                xt = x;
                xt[j] += kDifferenceStep;
                if (!sumInto(xt, shifted)) return false;
                for (int k = 0; k < m; ++k)
                    jac[static_cast<std::size_t>(k) * p + j] =
                        (shifted[k] - base[k]) / kDifferenceStep;
            }
            // Normal equations of the residuals sum - c in (x, c).
            std::fill(a.begin(), a.end(), 0.0);
            std::fill(g.begin(), g.end(), 0.0);
            for (int k = 0; k < m; ++k) {
                const double rk = base[k] - c;
                const double* jr = &jac[static_cast<std::size_t>(k) * p];
                for (int i = 0; i < np; ++i) {
                    const double ji = i < p ? jr[i] : -1.0;
                    g[i] += w[k] * ji * rk;
                    for (int j = 0; j <= i; ++j) {
                        const double jj = j < p ? jr[j] : -1.0;
                        a[i * np + j] += w[k] * ji * jj;
                    }
                }
            }
            const double pullWeight = pull * weightSum();
            a[p * np + p] += pullWeight;
            g[p] += pullWeight * (c - pullLevel);
            for (int i = 0; i < np; ++i)
                for (int j = 0; j < i; ++j) a[j * np + i] = a[i * np + j];
            bool improved = false;
            for (int attempt = 0; attempt < 6 && !improved; ++attempt) {
                std::vector<double> damped = a;
                std::vector<double> step = g;
                for (int i = 0; i < np; ++i)
                    damped[i * np + i] += lambda * std::max(a[i * np + i], 1e-30);
                if (!solve(damped, step, np)) {
                    lambda *= 10.0;
                    continue;
                }
                for (int j = 0; j < p; ++j) xt[j] = x[j] - std::clamp(step[j], -0.5, 0.5);
                if (!sumInto(xt, shifted)) return false;
                const double ct = c - step[p];
                const double cb = levelOf(shifted);
                const double trialCost = std::min(costOf(shifted, ct), costOf(shifted, cb));
                if (trialCost < cost) {
                    x = xt;
                    base = shifted;
                    c = costOf(shifted, ct) < costOf(shifted, cb) ? ct : cb;
                    const double gain = (cost - trialCost) / std::max(cost, 1e-300);
                    cost = trialCost;
                    lambda = std::max(lambda / 3.0, 1e-9);
                    improved = true;
                    if (gain < 1e-7) it = iterations;
                } else {
                    lambda *= 4.0;
                }
            }
            const double spread = peakToPeak(base.data(), m);
            if (spread < best) {
                best = spread;
                bestX = x;
            }
            if (!improved) break;
        }
        // Lawson's step: weight each point by its deviation, so that the
        // next least-squares pass leans towards the minimax solution.
        double total = 0.0;
        for (int k = 0; k < m; ++k) {
            w[k] *= std::fabs(base[k] - c) + 1e-12 * (std::fabs(c) + 1e-30);
            total += w[k];
        }
        if (!(total > 0.0)) break;
        for (int k = 0; k < m; ++k) w[k] = std::max(w[k] * m / total, 1e-6);
    }
    packing.unpack(bestX, sections);
    return true;
}

bool Fitter::run(const std::vector<double>& target, const FitSettings& s,
                 std::vector<Section>& sections, FitReport& report) {
    const int m = points_;
    report = FitReport{};
    report.rippleBefore = peakToPeak(target.data(), m);
    bool ok = true;
    double spread = spreadOf(target, sections, s, ok);
    if (!ok) return false;
    const int wanted = s.sections > 0 ? s.sections : kMaxSections;
    std::vector<std::vector<Section>> history; // the sections after each step
    std::vector<double> sum(m);
    std::vector<Section> candidate;
    for (int added = 0; added < wanted && static_cast<int>(sections.size()) < kMaxSections;
         ++added) {
        if (s.sections <= 0 && spread <= s.ripple) break;
        if (!evaluate(sections, s.mode, s.r, sum.data())) return false;
        for (int k = 0; k < m; ++k) sum[k] += target[k];
        const double top = *std::max_element(sum.begin(), sum.end());
        const double band = f2_ - f1_;
        // Candidates: a section centred on each of nine points of the band
        // and at the sum's deepest point, filling the deficit there or at
        // one of several widths.
        std::vector<Section> options;
        auto addCandidates = [&](double fc, double deficit) {
            const double width = fc / band;
            for (double factor : {0.0, 0.125, 0.25, 0.5, 1.0, 2.0, 4.0}) {
                Section c;
                c.f0 = fc;
                if (s.mode == Mode::kDelay) {
                    c.kind = SectionKind::kAllPass2;
                    // factor 0: the Q whose peak 4Q/w0 is the deficit.
                    const double q = factor > 0.0 ? width * factor : deficit * kTwoPi * fc / 4.0;
                    c.q = std::clamp(q, kMinQ, kMaxQ);
                } else {
                    c.kind = SectionKind::kAmplitude;
                    c.q = std::clamp(width * (factor > 0.0 ? factor : 8.0), kMinAmplitudeQ, kMaxQ);
                    c.peakDb = std::clamp(deficit, 0.01, kMaxPeakDb);
                }
                options.push_back(c);
            }
        };
        for (int j = 0; j < 9; ++j) {
            const double fc = f1_ + (j + 0.5) / 9.0 * band;
            const int k =
                std::clamp(static_cast<int>(std::lround((fc - f1_) / band * (m - 1))), 0, m - 1);
            addCandidates(fc, top - sum[k]);
        }
        const std::size_t deepFirst = options.size();
        const int deepest =
            static_cast<int>(std::min_element(sum.begin(), sum.end()) - sum.begin());
        addCandidates(frequency(deepest), top - sum[deepest]);
        const std::size_t deepLast = options.size();
        // First-order sections (delay falling from DC) suit a band that
        // reaches down towards DC.
        if (s.mode == Mode::kDelay && s.firstOrder && f1_ < 0.25 * f2_)
            for (double factor : {0.25, 0.5, 1.0, 2.0}) {
                Section c;
                c.kind = SectionKind::kAllPass1;
                c.f0 = f2_ * factor;
                options.push_back(c);
            }
        // The best few by their spread as they stand, each refined; the
        // best refined set is kept.
        std::vector<std::pair<double, std::size_t>> ranked;
        for (std::size_t j = 0; j < options.size(); ++j) {
            candidate = sections;
            candidate.push_back(options[j]);
            const double sp = spreadOf(target, candidate, s, ok);
            if (!ok) return false;
            ranked.emplace_back(sp, j);
        }
        std::sort(ranked.begin(), ranked.end());
        const bool last = added + 1 == wanted;
        std::vector<Section> chosen;
        double chosenSpread = 0.0;
        // The best few overall, and the best two at the deepest point.
        std::vector<std::size_t> starts;
        for (std::size_t t = 0; t < ranked.size() && starts.size() < kStartsPerSection; ++t)
            starts.push_back(ranked[t].second);
        int deep = 0;
        for (std::size_t t = 0; t < ranked.size() && deep < 2; ++t) {
            const std::size_t j = ranked[t].second;
            if (j < deepFirst || j >= deepLast) continue;
            ++deep;
            if (std::find(starts.begin(), starts.end(), j) == starts.end()) starts.push_back(j);
        }
        for (const std::size_t j : starts) {
            candidate = sections;
            candidate.push_back(options[j]);
            double sp = 0.0;
            if (!refine(target, s, candidate, last ? 5 : 4, sp)) return false;
            if (chosen.empty() || sp < chosenSpread) {
                chosen = candidate;
                chosenSpread = sp;
            }
        }
        sections = chosen;
        spread = chosenSpread;
        report.stepRipple.push_back(spread);
        history.push_back(sections);
        if (onStep) onStep(sections);
        // Towards a ripple: when three sections in a row have not lowered the
        // spread by 2 %, further ones will not either.
        const std::size_t steps = report.stepRipple.size();
        if (s.sections <= 0 && steps > kStallSteps &&
            spread > report.stepRipple[steps - 1 - kStallSteps] * (1.0 - kLeastGain)) {
            report.stalled = true;
            break;
        }
    }
    // Towards a ripple the fewest sections that reach it, else the smallest
    // spread found; a number of sections asked for is kept.
    if (s.sections <= 0 && !history.empty()) {
        const auto& steps = report.stepRipple;
        std::size_t pick = 0;
        for (std::size_t k = 0; k < steps.size(); ++k) {
            if (steps[k] <= s.ripple) {
                pick = k;
                break;
            }
            if (steps[k] < steps[pick]) pick = k;
        }
        sections = history[pick];
        report.stepRipple.resize(pick + 1);
    }
    if (!sections.empty() && !refine(target, s, sections, 4, spread)) return false;
    report.rippleAfter = spreadOf(target, sections, s, ok);
    if (!ok) return false;
    report.reachedRipple = s.sections <= 0 && report.rippleAfter <= s.ripple;
    report.sweeps = sweeps_;
    return true;
}

bool analyseTarget(Design& design, analysis::DataServices& data, ui::Toolkit& toolkit,
                   const Fitter& grid, Mode mode, std::vector<double>& out) {
    const AnalysisSettings saved = design.analysis;
    completeSettingsString(design.record);
    char* text = design.record[kSlotSettings].text;
    const char kept[3] = {text[8], text[9], text[24]};
    text[8] = '0';
    text[9] = '0';
    text[24] = '0';
    AnalysisSettings& as = design.analysis;
    const double mult = design.notation.frequency.multiplier;
    as[0] = grid.from() * mult;
    as[1] = grid.to() * mult;
    as[2] = -static_cast<double>(grid.points());
    out.assign(static_cast<std::size_t>(grid.points()), 0.0);
    auto table = std::make_unique<analysis::ResultsTable>();
    analysis::SweepOptions options;
    analysis::NoAnalysisViews views;
    analysis::SweepEvaluator sweep(design, *table, options, toolkit, data, views);
    Capture capture;
    capture.out = out.data();
    capture.delay = mode == Mode::kDelay;
    sweep.setObserver(&capture);
    const int r = sweep.analyse(mode == Mode::kDelay ? 1 : 2);
    design.analysis = saved;
    text[8] = kept[0];
    text[9] = kept[1];
    text[24] = kept[2];
    return r == 0;
}

} // namespace tanvex::equalizer
