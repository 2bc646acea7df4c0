#include "analysis/power_distribution.h"

#include "analysis/line_transform.h"
#include "design/operations.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace tanvex::analysis {

namespace {

constexpr double kNoShuntAbove = 1e21; // records hold 1e22 where there is no element

// Sweeps of the line length in the survey: 4 degree steps round the circle,
// then 1 degree steps from 4 degrees below to 4 above each maximum.
constexpr double kCoarseTheta = 0.0698131704;
constexpr double kFineTheta = kCoarseTheta / 4.0;

class LevelObserver : public SweepObserver {
public:
    LevelObserver(const EntryList& list, double rs, double rl, const PowerDrive& drive,
                  int lineEntries, const std::function<void(const PowerPoint&)>& each)
        : list_(list), rs_(rs), rl_(rl), drive_(drive), lineEntries_(lineEntries), each_(each) {}
    void point(int, const PointValues& values, const NetworkInterpreter& interpreter) override {
        distributeLevels(interpreter, list_, values, rs_, rl_, drive_, lineEntries_, point_);
        each_(point_);
    }

private:
    const EntryList& list_;
    double rs_, rl_;
    PowerDrive drive_;
    int lineEntries_;
    const std::function<void(const PowerPoint&)>& each_;
    PowerPoint point_;
};

// The data services know the design's own entry numbers: with the mismatch
// line in front of the network, a data branch asks by its number less the
// line's entries.
class ShiftedData : public DataServices {
public:
    ShiftedData(DataServices& inner, int shift) : inner_(inner), shift_(shift) {}
    DataAnswer dataImpedance(double fHz, int entryIndex, double& r, double& x) override {
        return inner_.dataImpedance(fHz, entryIndex - shift_, r, x);
    }
    DataAnswer dataValue(double fHz, int kind, double& value) override {
        return inner_.dataValue(fHz, kind, value);
    }

private:
    DataServices& inner_;
    int shift_;
};

} // namespace

double PowerPoint::elementLoss() const {
    double sum = 0.0;
    for (const BranchLevels& b : branches) sum += b.shuntLoss + b.forwardLoss;
    return sum;
}

// First entry of the group that holds entry `index` (groups are laid out
// from entry 1 by their sizes; an unknown code counts as one entry).
static int groupStart(const EntryList& list, int index) {
    int i = 1;
    while (i < index) {
        const int size = std::max(groupSize(list[i].code), 1);
        if (i + size > index) return i;
        i += size;
    }
    return index;
}

void distributeLevels(const NetworkInterpreter& interpreter, const EntryList& list,
                      const PointValues& values, double rs, double rl, const PowerDrive& drive,
                      int lineEntries, PowerPoint& out) {
    out.frequency = values.frequency;
    out.attenuation = values.attenuation;
    out.delay = values.delay;
    out.phase = values.phase;
    const Cx zin = interpreter.sourceEndImpedance();
    out.inputImpedance = zin;
    const double zinMag = magnitude(zin);
    const double zinRsMag = std::hypot(zin.r + rs, zin.x);

    // The source EMF fixes everything; the available power follows from it.
    if (drive.voltage())
        out.emf = zinMag > 0.0 ? drive.volts * zinRsMag / zinMag : 0.0;
    else
        out.emf = std::sqrt(4.0 * drive.watts * rs);
    out.available = out.emf * out.emf / (4.0 * rs);
    out.inputVolts = out.emf * zinMag / zinRsMag;

    // Reflection against the source resistance (what the source really sees),
    // with no clamp: a lossless network reflects all that it does not pass.
    const double rho2 = ((zin.r - rs) * (zin.r - rs) + zin.x * zin.x) / (zinRsMag * zinRsMag);
    out.returnLoss = rho2 > 0.0 ? -10.0 * std::log10(rho2) : 1e3;
    out.reflected = out.available * rho2;
    out.load = out.available * std::pow(10.0, -0.1 * values.attenuation);
    out.loss = out.available - out.load - out.reflected;
    out.loadVolts = std::sqrt(out.load * rl);

    const int count = interpreter.recordCount();
    out.branches.clear();
    double v = out.loadVolts;
    for (int k = 0; k < count; ++k) {
        const DistributionRecord& r = interpreter.record(k);
        const double ratio = r[0];
        if (ratio > 0.0) v /= ratio;
        const bool last = k == count - 1;
        const int entry = last ? static_cast<int>(r[6]) : groupStart(list, static_cast<int>(r[6]));
        BranchLevels b;
        b.branch = entry - lineEntries;
        b.source = last;
        b.shunt = !last && r[1] < kNoShuntAbove && r[1] > 0.0f;
        b.series = r[3] > 0.0f || r[4] != 0.0f;
        b.junctionVolts = last ? out.inputVolts : v;
        if (b.shunt) {
            b.shuntCurrent = v / r[1];
            b.shuntLoss = b.shuntCurrent * b.shuntCurrent * r[2];
        }
        if (b.series && r[5] < kNoShuntAbove && r[5] > 0.0f) {
            b.forwardCurrent = v / r[5];
            b.forwardVolts = b.forwardCurrent * r[3];
            b.forwardLoss = b.forwardCurrent * b.forwardCurrent * r[4];
        }
        // The mismatch line's own records only carry the voltage along.
        if (entry <= lineEntries) continue;
        if (!b.shunt && !b.series) continue;
        out.branches.push_back(b);
    }
    // A branch number met twice is a dual shunt branch: its halves are `a`, `b`.
    for (std::size_t i = 1; i < out.branches.size(); ++i) {
        BranchLevels& a = out.branches[i - 1];
        BranchLevels& b = out.branches[i];
        if (a.branch == b.branch && a.shunt && b.shunt) {
            a.dual = 'a';
            b.dual = 'b';
        }
    }
}

void PowerSurvey::add(const PowerPoint& point, double theta) {
    auto overall = [&](OverallMax which, double value, const BranchLevels& b) {
        OverallMaximum& m = this->overall[which];
        if (value > m.value) m = {value, point.frequency, theta, b.branch, b.dual};
    };
    for (const BranchLevels& b : point.branches) {
        auto it = std::find_if(branches.begin(), branches.end(), [&](const BranchMaximum& m) {
            return m.branch == b.branch && m.dual == b.dual;
        });
        if (it == branches.end()) {
            if (static_cast<int>(branches.size()) >= kMaxSurveyBranches) continue;
            branches.push_back({b.branch, b.dual});
            it = branches.end() - 1;
        }
        it->shuntCurrent = std::max(it->shuntCurrent, b.shuntCurrent);
        if (!b.source) it->junctionVolts = std::max(it->junctionVolts, b.junctionVolts);
        it->forwardCurrent = std::max(it->forwardCurrent, b.forwardCurrent);
        it->forwardVolts = std::max(it->forwardVolts, b.forwardVolts);
        overall(kMaxForwardVolts, b.forwardVolts, b);
        overall(kMaxForwardCurrent, b.forwardCurrent, b);
        overall(kMaxForwardLoss, b.forwardLoss, b);
        if (!b.source) overall(kMaxShuntVolts, b.junctionVolts, b);
        overall(kMaxShuntCurrent, b.shuntCurrent, b);
        overall(kMaxShuntLoss, b.shuntLoss, b);
    }
}

void PowerSurvey::markStars() {
    for (BranchMaximum& b : branches) {
        b.starred = false;
        for (const OverallMaximum& m : overall)
            if (m.value > 0.0 && m.branch == b.branch && m.dual == b.dual) b.starred = true;
    }
}

std::string loadSeenText(double termination, const PowerSettings& settings, char ohm) {
    if (!settings.mismatch() || settings.theta == 0.0) return "  (Resistive)";
    const Cx z = lineTransform({termination * settings.vswr, 0.0}, termination, settings.theta,
                               false, kInfiniteQ);
    char text[64];
    std::snprintf(text, sizeof text, "  (%.2f %cj%.2f %c)", z.r, z.x < 0.0 ? '-' : '+',
                  std::fabs(z.x), ohm);
    return text;
}

PowerAnalysis::PowerAnalysis(const Design& design, ui::Toolkit& toolkit, DataServices& data)
    : design_(design), toolkit_(toolkit), data_(data) {}

int PowerAnalysis::pointCount(const PowerSettings& s) {
    if (s.stop == 0.0) return 1;
    if (s.stop < s.start) return 0;
    if (s.step < 0.0) return static_cast<int>(-s.step);
    if (s.step == 0.0) return 0;
    return static_cast<int>(wholeNumberRound((s.stop - s.start) / s.step + 1.0));
}

bool PowerAnalysis::prepareCopy(const PowerSettings& s) {
    work_ = design_;
    const int n = entryCount(work_.entries);
    if (n + 1 >= kEntrySlots) {
        toolkit_.notice("Network has no source entry!");
        return false;
    }
    if (s.mismatch()) {
        // The line goes in front of the network at the termination end.
        if (n + 1 + kMismatchLineEntries >= kEntrySlots) {
            toolkit_.notice("Network too long to add the mismatch line!");
            return false;
        }
        for (int i = n + 1; i >= 1; --i) work_.entries[i + kMismatchLineEntries] = work_.entries[i];
        work_.entries[1] = {-1.0, 'Z', 23};
        work_.entries[2] = {0.0, 'D', 23};
    }
    AnalysisSettings& as = work_.analysis;
    as[0] = s.start;
    as[6] = s.start;
    as[1] = s.stop;
    as[2] = s.stop == 0.0 ? 0.0 : s.step;
    if (s.step < 0.0 && s.step > -2.0 && s.stop != 0.0) as[1] = 0.0; // one point
    for (int i = 0; i < 3; ++i) as[3 + i] = s.q[i];
    completeSettingsString(work_.record);
    work_.record[kSlotSettings].text[kSettingSpacing] = s.logarithmic ? '1' : '0';
    return true;
}

int PowerAnalysis::sweep(const PowerSettings& s, int mode,
                         const std::function<void(const PowerPoint&)>& each) {
    const int points = pointCount(s);
    if (points >= kMaxPowerPoints + 1) {
        char text[48];
        std::snprintf(text, sizeof text, "Too many points (%d Max)", kMaxPowerPoints);
        toolkit_.notice(text);
        return 1;
    }
    if (design_.entries[entryCount(design_.entries)].value <= 0.0) {
        toolkit_.notice("Source resistance must be above zero!");
        return 1;
    }
    if (!prepareCopy(s)) return 1;
    SweepOptions options;
    options.mismatchRatio = s.mismatch() ? s.vswr : 1.0;
    options.mismatchLineLength = s.theta;
    NoAnalysisViews views;
    ShiftedData data(data_, s.mismatch() ? kMismatchLineEntries : 0);
    SweepEvaluator evaluator(work_, table_, options, toolkit_, data, views);
    const int n = entryCount(work_.entries);
    const double rs = work_.entries[n].value;
    const double rl = work_.entries[0].value * options.mismatchRatio;
    LevelObserver observer(work_.entries, rs, rl, s.drive, s.mismatch() ? kMismatchLineEntries : 0,
                           each);
    evaluator.setObserver(&observer);
    return evaluator.analyse(mode) == 0 ? 0 : 1;
}

int PowerAnalysis::run(const PowerSettings& s, const std::function<void(const PowerPoint&)>& each) {
    return sweep(s, s.mismatch() ? 5 : 3, each);
}

int PowerAnalysis::survey(PowerSettings& s, PowerSurvey& out,
                          const std::function<bool()>& interrupted) {
    out.clear();
    double theta = s.theta;
    auto once = [&](double t) {
        PowerSettings at = s;
        at.theta = t;
        theta = t;
        ++out.sweeps;
        return sweep(at, s.mismatch() ? 6 : 3, [&](const PowerPoint& p) { out.add(p, theta); });
    };
    if (!s.mismatch()) {
        if (once(s.theta) != 0) return 1;
    } else {
        const double turn = 2.0 * std::numbers::pi;
        for (int k = 0; k * kCoarseTheta < turn - 1e-9; ++k) {
            if (interrupted && interrupted()) return 2;
            if (once(k * kCoarseTheta) != 0) return 1;
        }
        // Refine round each maximum (once per distinct line length).
        double previous = -1.0;
        const auto coarse = out.overall;
        for (const OverallMaximum& m : coarse) {
            if (m.value <= 0.0 || m.theta == previous) continue;
            previous = m.theta;
            for (int j = -4; j <= 4; ++j) {
                if (j == 0) continue;
                if (interrupted && interrupted()) return 2;
                if (once(m.theta + j * kFineTheta) != 0) return 1;
            }
        }
        const OverallMaximum& fv = out.overall[kMaxForwardVolts];
        const OverallMaximum& sv = out.overall[kMaxShuntVolts];
        out.theta = fv.value > sv.value ? fv.theta : sv.theta;
        s.theta = out.theta;
    }
    out.from = s.start / design_.notation.frequency.multiplier;
    out.to = (s.stop == 0.0 ? s.start : s.stop) / design_.notation.frequency.multiplier;
    out.markStars();
    out.done = true;
    return 0;
}

} // namespace tanvex::analysis
