#include "analysis/sweep.h"

#include "analysis/analysis_constants.h"
#include "analysis/both_ends.h"
#include "design/operations.h"
#include "ui/scripted_toolkit.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <sched.h>

namespace tanvex::analysis {

namespace {

// True when a walk asks the data services: a data branch (code 22 with a
// negative value) or a data term (code 50).
bool takesData(const EntryList& entries, int n) {
    for (int i = 1; i < n; ++i)
        if (entries[i].code == 50 || (entries[i].code == 22 && entries[i].value < 0.0)) return true;
    return false;
}

// True when this thread may run on two processors or more: one system call
// (the processors online would be read from a file).
bool twoProcessors() {
    cpu_set_t set;
    CPU_ZERO(&set);
    return sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) >= 2;
}

// Points taken at a time when a sweep is shared between two threads: a few
// walks against one shared count.
constexpr int kShareChunk = 8;

} // namespace

SweepEvaluator::SweepEvaluator(Design& design, ResultsTable& table, SweepOptions& options,
                               ui::Toolkit& toolkit, DataServices& data, AnalysisViews& views)
    : design_(design), table_(table), options_(options), toolkit_(toolkit), views_(views),
      interpreter_(toolkit, data) {}

SweepEvaluator::~SweepEvaluator() = default;

char SweepEvaluator::setting(int position) const {
    const char* text = design_.record[kSlotSettings].text;
    if (static_cast<int>(std::strlen(text)) <= position) return 0;
    return text[position];
}

void SweepEvaluator::writeSetting(int position, char c) {
    completeSettingsString(design_.record);
    char* text = design_.record[kSlotSettings].text;
    if (static_cast<int>(std::strlen(text)) > position) text[position] = c;
}

int SweepEvaluator::analyse(int mode) {
    if (mode < 0 || mode > 6) return 1;
    EntryList& entries = design_.entries;
    AnalysisSettings& as = design_.analysis;

    // 1. Display choice and delay method.
    if (mode == 0) views_.closeViews();

    // 2. The ends of the network.
    const int n = entryCount(entries);
    if (n + 1 >= kEntrySlots) {
        toolkit_.notice("Network has no source entry!");
        return 1;
    }
    const double rs = entries[n].value;
    double rl = entries[0].value;
    const bool mismatchMode = mode == 5 || mode == 6;
    if (mismatchMode) rl *= options_.mismatchRatio;
    if (rl == 0.0) {
        toolkit_.notice("Termination Zo must not be zero!");
        return 1;
    }
    // 3. Level of a lossless match.
    const double lambda0 = std::log(2.0 * std::sqrt(rs * rl) / rl);

    // 5. Marker range handed over by the plot window.
    const double mult = design_.notation.frequency.multiplier;
    if (options_.markerLow != 0.0) {
        as[0] = options_.markerLow * mult;
        as[6] = as[0];
    }
    if (options_.markerHigh != 0.0) as[1] = options_.markerHigh * mult;
    options_.markerLow = 0.0;
    options_.markerHigh = 0.0;

    double f1 = 0.0;
    double f2 = 0.0;
    double step = 0.0;
    int points = 0;
    for (;;) {
        // 6. Q values.
        for (int i = 3; i <= 5; ++i) as[i] = normalisedQ(as[i]);
        // 7. The dialog.
        if (mode == 0 && views_.showDialog() == AnalysisViews::DialogResult::kExit) return 2;
        for (int i = 3; i <= 5; ++i) as[i] = normalisedQ(as[i]);
        // 8. Start, stop and step in hertz.
        double start = as[0];
        if (start == 0.0) start = as[6] != 0.0 ? as[6] : 1e-6;
        as[6] = start;
        f1 = start / mult;
        f2 = as[1] / mult;
        step = as[2] / mult;
        if (as[2] < -1.0) step = (f1 - f2) / (as[2] + 1.0);
        // 9. Points. A start at or below zero frequency has no meaning and is
        // refused with the range.
        bool ok;
        if (as[1] == 0.0) {
            points = 1;
            ok = f1 > 0.0;
        } else {
            const double count = step <= 0.0 ? 2000.0 : wholeNumberRound((f2 - f1) / step + 1.0);
            // A NaN or negative count (a damaged range) is refused below.
            points = !(count >= 1.0) ? 0 : count > 2000.0 ? 2000 : static_cast<int>(count);
            ok = f1 <= f2 && points <= kMaxSweepPoints && points >= 1 && f1 > 0.0;
        }
        if (ok) break;
        toolkit_.notice("Bad frequency range!");
        if (mode != 0 || !views_.interactive()) return 1;
    }

    const bool graphic = setting(kSettingDisplay) == '1';
    const bool delayAuto = setting(kSettingDelayAuto) == '1';
    // 10, 11. Group delay method.
    if (delayAuto) options_.fastDelay = points > 49;
    // The power distribution modes always use the precise method.
    if (mode == 3 || mode == 5 || mode == 6) options_.fastDelay = false;
    const bool delay = mode == 0 || mode == 1 || mode == 3 || mode == 5;
    const bool fast = options_.fastDelay;
    // 12. Spacing.
    const char spacing = setting(kSettingSpacing);
    const bool logarithmic = spacing == '2' || (spacing == '1' && f2 > 20.0 * f1);
    const double ratio = logarithmic ? std::pow(f2 / f1, 1.0 / points) : 1.0;

    InterpreterSettings settings;
    settings.ql = as[3];
    settings.qc = as[4];
    settings.qt = as[5];
    settings.temperatureOn = options_.temperatureOn;
    settings.temperatureShift = options_.temperatureShift;
    settings.coefL = options_.coefL;
    settings.coefC = options_.coefC;
    settings.coefT = options_.coefT;
    settings.timeMultiplier = design_.notation.time.multiplier;
    settings.mismatchLineLength = options_.mismatchLineLength;
    settings.mismatchLineZo = entries[0].value;
    interpreter_.prepare(entries, settings);

    const bool recording = mode == 3 || mode == 5 || mode == 6;
    const bool impedanceFields = mode <= 2;
    const double rref = options_.returnLossReference == '1' ? options_.referenceImpedance : rs;

    WalkRequest rq;
    rq.load = rl;
    rq.record = recording;
    rq.mismatchStep = mismatchMode;

    auto frequencyOf = [&](int k) {
        return logarithmic ? f1 * std::pow(ratio, k - 1) : f1 + (k - 1) * step;
    };

    // Every point is walked first (once, or twice with the delay pre-pass
    // just below it) and then turned into its values in order, so that the
    // walks may also run on a second thread.
    auto walkPoint = [&](NetworkInterpreter& in, WalkRequest r, int k, WalkedPoint& w) {
        const double f = frequencyOf(k);
        w.walks = 0;
        w.prePass = delay && (!fast || k == 1);
        if (w.prePass) {
            r.f = f - 1e-7 * f;
            r.mainPass = false;
            r.lambdaStart = lambda0;
            if (in.walk(entries, r) != 0) return false;
            ++w.walks;
            w.phiBelow = in.phi();
        }
        r.f = f;
        r.mainPass = true;
        r.lambdaStart = lambda0;
        if (in.walk(entries, r) != 0) return false;
        ++w.walks;
        w.z = in.sourceEndImpedance();
        w.tap = in.tapReported();
        w.tapZ = in.tapImpedance();
        w.phi = in.phi();
        w.wrap = in.phaseWrap();
        w.lambda = in.lambda();
        w.delaySum = in.delaySum();
        in.clearDelay();
        return true;
    };

    // A point's values from its walks, the phase below it and the frequency
    // difference of the delay; and their place in the table.
    auto valuesOf = [&](int k, const WalkedPoint& w, double phiBefore, double difference) {
        const double f = frequencyOf(k);
        const Cx z = w.z;
        double rho = std::sqrt(((z.r - rref) * (z.r - rref) + z.x * z.x) /
                               ((z.r + rref) * (z.r + rref) + z.x * z.x));
        rho = std::min(rho, 0.9999);
        rho = std::max(rho, 1e-49);
        PointValues v;
        v.frequency = f;
        v.returnLoss = -20.0 * std::log10(rho);
        if (impedanceFields) {
            const Cx reported = w.tap ? w.tapZ : z;
            v.r = reported.r;
            v.x = reported.x;
            v.impedance = true;
        }
        double tau = 0.0;
        if (delay) {
            double dphi = w.phi - phiBefore;
            if (w.wrap)
                while (dphi < 0.0) dphi += std::numbers::pi;
            tau = dphi / (kOmega * difference);
        }
        const double meanDelay = w.delaySum / w.walks;
        v.attenuation = -kDb * w.lambda;
        v.delay = meanDelay + tau;
        v.phase = -w.phi * kDegreesPerRadian;
        return v;
    };
    auto record = [&](int k, const PointValues& v) {
        ResultRecord& out = mode == 4 ? table_.single : table_.records[k];
        out[kFieldFrequency] = static_cast<float>(v.frequency);
        out[kFieldReturnLoss] = static_cast<float>(v.returnLoss);
        out[kFieldAttenuation] = static_cast<float>(v.attenuation);
        out[kFieldDelay] = static_cast<float>(v.delay);
        out[kFieldPhase] = static_cast<float>(v.phase);
        if (v.impedance) {
            out[kFieldR] = static_cast<float>(v.r);
            out[kFieldX] = static_cast<float>(v.x);
        }
    };

    double phiSaved = 0.0;
    double previousF = f1;
    bool tapAtEnd = false;
    // The points in order: the fast delay differences a point's phase with
    // the previous point's.
    auto emitPoint = [&](int k, const WalkedPoint& w) {
        const double f = frequencyOf(k);
        double difference = 0.0;
        if (w.prePass) {
            phiSaved = w.phiBelow;
            difference = 1e-7 * f;
        } else if (delay) {
            difference = logarithmic ? f - previousF : step;
        }
        const PointValues v = valuesOf(k, w, phiSaved, difference);
        tapAtEnd = w.tap;
        record(k, v);
        if (observer_) observer_->point(k, v, interpreter_);
        if (fast) phiSaved = w.phi;
        previousF = f;
    };
    // A point whose values need no other point (precise delay, or none),
    // reported by the thread that walked it.
    auto reportPoint = [&](int k, const WalkedPoint& w, const NetworkInterpreter& in) {
        const double f = frequencyOf(k);
        const PointValues v =
            w.prePass ? valuesOf(k, w, w.phiBelow, 1e-7 * f) : valuesOf(k, w, 0.0, 0.0);
        record(k, v);
        observer_->point(k, v, in);
    };

    interpreter_.clearDelay();
    if (parallel_ && mode <= 2 && points >= kParallelMinPoints && !takesData(entries, n) &&
        twoProcessors()) {
        // This thread walks the points upwards from the first, a second one
        // with an interpreter of its own downwards from the last, until they
        // meet. The second thread's notices go to a toolkit of its own: it
        // stops at a walk that fails or has anything to say and gives that
        // point and the rest of its share back to this thread, which walks
        // them again and says it here, in order.
        if (!worker_) {
            workerToolkit_ = std::make_unique<ui::ScriptedToolkit>();
            workerData_ = std::make_unique<NoDataServices>(*workerToolkit_);
            worker_ = std::make_unique<NetworkInterpreter>(*workerToolkit_, *workerData_);
        }
        workerToolkit_->log.clear();
        worker_->prepare(entries, settings);
        worker_->clearDelay();
        // Item i is point i + 1. An observer that takes points from both
        // threads at once has them as soon as they are walked, when their
        // values need no other point; the walks are then not kept.
        const bool early = observer_ && observer_->concurrent() && (!delay || !fast);
        if (!early && walked_.empty()) walked_.resize(kResultRecords);
        bool lastTap = false; // of the last point, for the header
        // A walk on the second thread (silent) stands only if it had
        // nothing to say.
        auto walkOn = [&](NetworkInterpreter& in, bool silent, int k) {
            WalkedPoint here;
            WalkedPoint& w = early ? here : walked_[k];
            if (!walkPoint(in, rq, k, w) || (silent && !workerToolkit_->log.empty())) return false;
            if (early) {
                reportPoint(k, w, in);
                if (k == points) lastTap = w.tap;
            }
            return true;
        };
        const BothEnds split = shareBothEnds(
            points, kShareChunk, [&](int i) { return walkOn(interpreter_, false, i + 1); },
            [&](int i) { return walkOn(*worker_, true, i + 1); });
        if (split.failedAt >= 0) {
            if (!early)
                for (int k = 1; k <= split.failedAt; ++k) emitPoint(k, walked_[k]);
            return 1;
        }
        for (int k = 1; k <= points; ++k) {
            const bool givenBack = k > split.callerEnd && k <= split.helperFrom;
            if (givenBack && !walkOn(interpreter_, false, k)) return 1;
            if (!early) emitPoint(k, walked_[k]);
        }
        tapAtEnd = early ? lastTap : walked_[points].tap;
    } else {
        WalkedPoint w;
        for (int k = 1; k <= points; ++k) {
            if (!walkPoint(interpreter_, rq, k, w)) return 1;
            emitPoint(k, w);
        }
    }

    if (mode != 4) {
        ResultRecord& h = table_.records[0];
        h[kHeaderPoints] = static_cast<float>(points);
        h[kHeaderStep] = static_cast<float>(step);
        h[kHeaderReference] = static_cast<float>(interpreter_.referenceFrequency());
        h[kHeaderQl] = static_cast<float>(as[3]);
        h[kHeaderQc] = static_cast<float>(as[4]);
        h[kHeaderQt] = static_cast<float>(as[5]);
        h[kHeaderSourceR] = static_cast<float>(impedanceFields && !tapAtEnd ? rs : 0.0);
        table_.flags.fill(0);
        if (impedanceFields) table_.flags[0] = kImpedanceFieldsFlag;
    }
    if (mode == 0) {
        views_.openViews(graphic);
        writeSetting(kSettingDisplay, graphic ? '1' : '0');
        writeSetting(kSettingDelayAuto, delayAuto ? '1' : '0');
    }
    return 0;
}

} // namespace tanvex::analysis
