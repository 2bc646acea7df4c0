#include "plot/plot_model.h"

#include "ui/number_list.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace tanvex::plot {

using namespace analysis;

ui::Rgb plotColour(int digit) {
    switch (digit) {
    case 0:
        return {0, 0, 0};
    case 1:
        return {0, 0, 255};
    case 2:
        return {0, 255, 0};
    case 3:
        return {0, 255, 255};
    case 4:
        return {255, 0, 0};
    case 5:
        return {225, 0, 255};
    case 6:
        return {255, 130, 0};
    case 7:
        return {255, 255, 255};
    case 8:
        return {120, 120, 120};
    case 9:
    case 14:
        return {255, 255, 0};
    default:
        return {255, 255, 255};
    }
}

const char* phaseSuffix(int mode) {
    static const char* const kSuffix[6] = {"", "Lin", "@Mk", "Ins", "\\\\\\", "LS"};
    return mode >= 0 && mode <= 5 ? kSuffix[mode] : "";
}

PlotModel::PlotModel(Design& design, ResultsTable& table, SweepOptions& options,
                     ui::Toolkit& toolkit)
    : design_(design), table_(table), options_(options), toolkit_(toolkit) {
    for (int i = 0; i < kPlotItems; ++i) colours[i] = kDefaultColourDigits[i] - '0';
}

double PlotModel::frequency(int k) const {
    return table_.records[std::clamp(k, 1, std::max(1, n_))][kFieldFrequency];
}

double PlotModel::value(int k, int field) const {
    return table_.records[std::clamp(k, 1, std::max(1, n_))][field];
}

double PlotModel::multiplier() const {
    const double m = design_.notation.frequency.multiplier;
    return m > 0.0 ? m : 1.0;
}

namespace {
std::string trimmed(const std::string& s) {
    std::size_t a = s.find_first_not_of(' ');
    if (a == std::string::npos) return "";
    std::size_t b = s.find_last_not_of(' ');
    return s.substr(a, b - a + 1);
}
} // namespace

std::string PlotModel::frequencyUnit() const {
    return trimmed(design_.notation.frequency.name);
}
std::string PlotModel::timeUnit() const {
    return trimmed(design_.notation.time.name);
}

bool PlotModel::impedanceData() const {
    return table_.flags[0] == kImpedanceFieldsFlag || distributionTable();
}

bool PlotModel::smithData() const {
    // A power distribution table has no impedance in fields 5 and 6.
    return table_.flags[0] == kImpedanceFieldsFlag && !distributionTable();
}

bool PlotModel::distributionTable() const {
    for (int f : table_.flags)
        if (f == 'V' || f == 'A' || f == 'W') return true;
    return false;
}

std::string PlotModel::extraName() const {
    for (int f : table_.flags) {
        if (f == 'V') return "Voltage";
        if (f == 'A') return "Current";
        if (f == 'W') return "Loss";
    }
    static const char* const kNames[5] = {"  Zo", "  Zo", "ZoPh", "Zo R", "Zo jX"};
    return kNames[std::clamp(extraMode, 0, 4)];
}

std::string PlotModel::extraUnit() const {
    for (int f : table_.flags)
        if (f == 'V' || f == 'A' || f == 'W') return std::string(1, static_cast<char>(f));
    static const char* const kUnits[5] = {"", "\xce\xa9", "\xc2\xb0", "\xce\xa9", "\xce\xa9"};
    return kUnits[std::clamp(extraMode, 0, 4)];
}

void PlotModel::readHeader() {
    n_ = table_.pointCount();
    step_ = table_.records[0][kHeaderStep];
    if (n_ > kResultRecords - 2) n_ = kResultRecords - 2;
    if (n_ < 0) n_ = 0;
    attMin_ = 1e300;
    attMax_ = -1e300;
    for (int k = 1; k <= n_; ++k) {
        attMin_ = std::min(attMin_, value(k, kFieldAttenuation));
        attMax_ = std::max(attMax_, value(k, kFieldAttenuation));
    }
    log_ = false;
    if (n_ >= 3) {
        // A logarithmic sweep puts its middle point well below the middle of
        // the range; float rounding of a linear sweep stays far inside 0.5 %.
        const int mid = (n_ + 1) / 2;
        const double f1 = frequency(1), fn = frequency(n_);
        const double linear = f1 + (fn - f1) * (mid - 1) / (n_ - 1);
        log_ = fn > f1 && std::fabs(frequency(mid) - linear) > 0.005 * (fn - f1);
    }
    fast_ = options_.fastDelay;
}

bool PlotModel::tableChanged() const {
    return table_.pointCount() != n_ || table_.records[0][kHeaderStep] != step_;
}

bool PlotModel::open() {
    readHeader();
    if (n_ < 2) return false;
    lo = 1;
    hi = n_;
    cursor = 1;
    interpolation = false;
    interpOffset = 0;
    loadSettings();
    if (!impedanceData()) extraMode = 0;
    if (!smithData()) smith = false;
    for (ScaleRecord& s : scales)
        if (s.lock == LockMode::Automatic) s.steps = 0, s.valid = false;
    if (!attenuation && !returnLoss && !delay && phaseMode == 0 && !smith && extraMode == 0)
        attenuation = true;
    phaseReference = std::clamp(phaseReference, 1, n_);
    status.clear();
    return true;
}

bool PlotModel::refresh() {
    readHeader();
    if (n_ < 2) return false;
    lo = std::clamp(lo, 1, n_);
    hi = n_;
    lo = 1;
    cursor = std::clamp(cursor, 1, n_);
    phaseReference = std::clamp(phaseReference, 1, n_);
    if (!impedanceData()) extraMode = 0;
    if (!smithData()) smith = false;
    return true;
}

void PlotModel::loadSettings() {
    completeSettingsString(design_.record);
    const char* s = design_.record[kSlotSettings].text;
    auto digit = [&](int pos, int maxValue) {
        if (static_cast<int>(std::strlen(s)) <= pos) return 0;
        const int d = s[pos] - '0';
        return d >= 0 && d <= maxValue ? d : 0;
    };
    attenuation = digit(0, 1) == 1;
    returnLoss = digit(1, 1) == 1;
    delay = digit(2, 1) == 1;
    phaseMode = digit(3, 5);
    extraMode = digit(4, 4);
    smith = digit(5, 1) == 1;
    scaleStyle = digit(6, 3);
    const int hidden = digit(12, 3);
    markersShown = (hidden & 1) == 0;
    mask.shown = (hidden & 2) == 0;
    bold = digit(kSettingBold, 1) == 1;
    for (int i = 0; i < kPlotItems; ++i) {
        const int d = digit(kSettingColours + i, 9);
        colours[i] = d >= 1 ? d : kDefaultColourDigits[i] - '0';
    }
    const double m = multiplier();
    for (int i = 0; i < kMarkers; ++i) {
        markers[i].frequency = design_.plot.markers[i] > 0.0 ? design_.plot.markers[i] / m : 0.0;
        markers[i].level = design_.plot.maskLevels[i];
        markers[i].absolute = design_.plot.maskSwitches[i] != 0;
    }
    for (int i = 0; i < 2; ++i) {
        captionOn[i] = design_.plot.captionOn[i];
        caption[i] = design_.plot.caption[i];
    }
}

void PlotModel::store() {
    completeSettingsString(design_.record);
    char* s = design_.record[kSlotSettings].text;
    const int len = static_cast<int>(std::strlen(s));
    auto put = [&](int pos, int v) {
        if (pos < len) s[pos] = static_cast<char>('0' + v);
    };
    put(0, attenuation);
    put(1, returnLoss);
    put(2, delay);
    put(3, phaseMode);
    put(4, extraMode);
    put(5, smith);
    put(6, scaleStyle);
    put(12, (markersShown ? 0 : 1) + (mask.shown ? 0 : 2));
    put(kSettingBold, bold);
    for (int i = 0; i < kPlotItems; ++i) put(kSettingColours + i, colours[i]);
    const double m = multiplier();
    for (int i = 0; i < kMarkers; ++i) {
        design_.plot.markers[i] = markers[i].frequency * m;
        design_.plot.maskLevels[i] = markers[i].level;
        design_.plot.maskSwitches[i] = markers[i].absolute ? 1 : 0;
    }
    for (int i = 0; i < 2; ++i) {
        design_.plot.captionOn[i] = captionOn[i];
        design_.plot.caption[i] = caption[i].substr(0, 79);
    }
}

bool PlotModel::moveCursor(int delta) {
    if (interpolation) {
        int offset = interpOffset + delta;
        int c = cursor;
        while (offset < 0 && c > lo) {
            --c;
            offset += pixels_;
        }
        while (offset >= pixels_ && c < hi) {
            ++c;
            offset -= pixels_;
        }
        if (offset < 0 || (c == hi && offset > 0)) {
            toolkit_.beep();
            return false;
        }
        cursor = c;
        interpOffset = offset;
        return true;
    }
    const int target = cursor + delta;
    if (target < 1 || target > n_) {
        toolkit_.beep();
        return false;
    }
    cursor = target;
    // The displayed range follows the cursor.
    if (cursor < lo) {
        hi -= lo - cursor;
        lo = cursor;
    }
    if (cursor > hi) {
        lo += cursor - hi;
        hi = cursor;
    }
    return true;
}

void PlotModel::cursorToX(double x) {
    if (pixels_ <= 0) return;
    const double pos = std::max(0.0, x) / pixels_;
    int k = lo + static_cast<int>(std::floor(pos));
    if (interpolation) {
        k = std::clamp(k, lo, hi);
        cursor = k;
        interpOffset = k >= hi ? 0 : static_cast<int>(x - (k - lo) * pixels_);
        interpOffset = std::clamp(interpOffset, 0, pixels_ - 1);
    } else {
        k = lo + static_cast<int>(std::lround(pos));
        cursor = std::clamp(k, lo, hi);
    }
}

void PlotModel::cursorToFrequency(double displayFrequency) {
    const double f = displayFrequency / multiplier();
    int best = 1;
    for (int k = 1; k <= n_; ++k)
        if (std::fabs(frequency(k) - f) < std::fabs(frequency(best) - f)) best = k;
    cursor = best;
    interpOffset = 0;
    if (cursor < lo) lo = cursor;
    if (cursor > hi) hi = cursor;
}

void PlotModel::functionKey(int i, bool store) {
    if (i < 0 || i >= kMarkers) return;
    if (store || setPending) {
        markers[i].frequency = frequency(cursor);
        if (interpolation && cursor < n_ && pixels_ > 0)
            markers[i].frequency =
                lerp(frequency(cursor), frequency(cursor + 1), double(interpOffset) / pixels_);
        markers[i].level = 0.0;
        markers[i].absolute = false;
        setPending = false;
        return;
    }
    if (!markers[i].set()) {
        toolkit_.beep();
        return;
    }
    cursorToFrequency(markers[i].frequency * multiplier());
}

bool PlotModel::traceShown(int trace) const {
    switch (trace) {
    case kScaleAttenuation:
        return attenuation;
    case kScaleDelay:
        return delay;
    case kScalePhase:
        return phaseMode != 0;
    case kScaleExtra:
        return extraMode != 0;
    default:
        return false;
    }
}

bool PlotModel::magnify(int trace) {
    if (!traceShown(trace) || scales[trace].steps >= kMaxMagnify) {
        toolkit_.beep();
        return false;
    }
    ++scales[trace].steps;
    if (scales[trace].lock != LockMode::Automatic)
        scales[trace].division = sequenceValue(sequenceIndexAtLeast(scales[trace].division) - 1);
    return true;
}

bool PlotModel::compress(int trace) {
    if (!traceShown(trace) || scales[trace].steps <= -kMaxCompress) {
        toolkit_.beep();
        return false;
    }
    --scales[trace].steps;
    if (scales[trace].lock != LockMode::Automatic)
        scales[trace].division = sequenceValue(sequenceIndexAtLeast(scales[trace].division) + 1);
    return true;
}

void PlotModel::normalScales() {
    for (ScaleRecord& s : scales) s = ScaleRecord{};
}

void PlotModel::handOver(double lower, double upper) {
    if (lower >= 0.0) options_.markerLow = lower;
    if (upper >= 0.0) options_.markerHigh = upper;
    status = " * Transferred * ";
    if (onHandOver) onHandOver();
}

bool PlotModel::command(int id) {
    switch (id) {
    case kCmdLower:
        if (cursor >= hi) {
            toolkit_.beep();
            return true;
        }
        lo = cursor;
        return true;
    case kCmdUpper:
        if (cursor <= lo) {
            toolkit_.beep();
            return true;
        }
        hi = cursor;
        return true;
    case kCmdSearch: {
        toolkit_.setPrompt(0, " Freqency search: Freq <Enter>", 14);
        toolkit_.setPrompt(1, "Set markers, one: Freq, dB <Enter>", 11);
        toolkit_.setPrompt(2, "             Two: Freq, Bw, dB <Enter>", 11);
        toolkit_.setPrompt(4, fmt("Frequency (%s)", 0.0), 15);
        toolkit_.defaultAnswer.clear();
        toolkit_.inputBox();
        const SearchRequest r = parseSearch(toolkit_.textResult);
        if (r.kind == SearchRequest::MoveCursor) {
            cursorToFrequency(r.frequency);
        } else if (r.kind != SearchRequest::None) {
            if (!applyMarkerRequest(markers, r, multiplier())) toolkit_.beep();
        }
        return true;
    }
    case kCmdInterp:
        interpolation = !interpolation;
        interpOffset = 0;
        return true;
    case kCmdZero:
        zero = !zero;
        if (zero) zeroValues_ = readout();
        return true;
    case kCmdFull:
        lo = 1;
        hi = n_;
        return true;
    case kCmdRange: {
        const double m = multiplier();
        for (;;) {
            char line[96];
            toolkit_.setPrompt(0, "Set frequency range", 14);
            std::snprintf(line, sizeof line, "%d Points were analysed", n_);
            toolkit_.setPrompt(1, line, 11);
            std::snprintf(line, sizeof line, "From %g to %g %s", frequency(1) * m,
                          frequency(n_) * m, frequencyUnit().c_str());
            toolkit_.setPrompt(2, line, 11);
            std::snprintf(line, sizeof line, "Plot frequency range (lower , upper %s) ?",
                          frequencyUnit().c_str());
            toolkit_.setPrompt(4, line, 15);
            toolkit_.defaultAnswer.clear();
            toolkit_.inputBox();
            std::vector<double> v(8, 0.0);
            const int count = ui::parseNumberList(toolkit_.textResult, v);
            if (count == 0 || v[1] == 0.0) return true;
            int first = 0, last = 0;
            if (count >= 2) {
                for (int k = 1; k <= n_; ++k)
                    if (!first && frequency(k) * m >= v[1] * (1 - 1e-6)) first = k;
                for (int k = n_; k >= 1; --k)
                    if (!last && frequency(k) * m <= v[2] * (1 + 1e-6)) last = k;
            }
            if (first && last && last > first) {
                lo = first;
                hi = last;
                cursor = std::clamp(cursor, lo, hi);
                return true;
            }
            toolkit_.beep();
        }
    }
    case kCmdAttenuation:
        attenuation = !attenuation;
        return true;
    case kCmdReturnLoss:
        returnLoss = !returnLoss;
        return true;
    case kCmdDelay:
        delay = !delay;
        return true;
    case kCmdSmith:
        if (smithData()) smith = !smith;
        return true;
    case kCmdBoldLines:
        bold = !bold;
        return true;
    case kCmdTabulate:
        tabulate = !tabulate;
        return true;
    case kCmdSortMarkers:
        sortMarkers(markers);
        return true;
    case kCmdClearMarkers:
        clearMarkers(markers);
        tabulate = false;
        return true;
    // The frequency under the cursor, between points in interpolation mode.
    case kCmdHandStart:
        handOver(interpolated(kFieldFrequency), -1.0);
        return true;
    case kCmdHandStop:
        handOver(-1.0, interpolated(kFieldFrequency));
        return true;
    case kCmdHandRange:
        handOver(frequency(lo), frequency(hi));
        return true;
    case kCmdRangeTimes2: {
        const double flo = frequency(lo), fhi = frequency(hi);
        const double mid = (flo + fhi) / 2.0, span = fhi - flo;
        double lower = mid - 2.0 * span;
        if (lower <= 0.0) lower = flo / 2.0;
        handOver(lower, mid + 2.0 * span);
        return true;
    }
    case kCmdWhite:
        white = !white;
        return true;
    default:
        break;
    }
    if (id >= kCmdPhaseFirst && id <= kCmdPhaseLast) {
        phaseMode = id - kCmdPhaseFirst;
        phaseReference = cursor;
        return true;
    }
    if (id >= kCmdExtraFirst && id <= kCmdExtraLast) {
        if (impedanceData()) extraMode = id - kCmdExtraFirst;
        return true;
    }
    if (id >= kCmdStyleFirst && id <= kCmdStyleLast) {
        scaleStyle = id - kCmdStyleFirst;
        return true;
    }
    if (id >= kCmdFirstFButton && id < kCmdFirstFButton + kMarkers) {
        functionKey(id - kCmdFirstFButton, false);
        return true;
    }
    if (id == kCmdSetButton) {
        setPending = true;
        return true;
    }
    return false;
}

KeyResult PlotModel::key(int ch, int vk, int mods) {
    const bool shift = mods & kModShift, ctrl = mods & kModCtrl;
    KeyResult r{KeyAction::Repaint, 0};
    if (vk == kVkLeft || vk == kVkRight) {
        const int step = shift ? 5 : 1;
        moveCursor(vk == kVkLeft ? -step : step);
        return r;
    }
    if (vk >= kVkF1 && vk < kVkF1 + kMarkers) {
        const int i = vk - kVkF1;
        if (ctrl) {
            static const int kCtrlCommands[9] = {kCmdHandStart,
                                                 kCmdHandStop,
                                                 kCmdHandRange,
                                                 kCmdQuickComparison,
                                                 0,
                                                 kCmdScaleFactors,
                                                 0,
                                                 kCmdTabulate,
                                                 kCmdRangeTimes2};
            if (i == 4) {
                for (Marker& m : markers) m.frequency = 0.0;
                return r;
            }
            if (i == 6) {
                phaseMode = phaseMode >= 1 && phaseMode < 4 ? phaseMode + 1 : 1;
                phaseReference = cursor;
                return r;
            }
            if (i == 9) return {KeyAction::Beep, 0};
            return {KeyAction::Command, kCtrlCommands[i]};
        }
        functionKey(i, shift);
        return r;
    }
    if (vk == kVkF11) return {KeyAction::Command, kCmdMarkerDialog};
    if (vk == kVkEscape) return {KeyAction::Close, 0};
    switch (ch) {
    case ',':
    case '4':
        moveCursor(-1);
        return r;
    case '.':
    case '6':
        moveCursor(1);
        return r;
    case '<':
        moveCursor(-5);
        return r;
    case '>':
        moveCursor(5);
        return r;
    case '`':
    case 'X':
    case 'x':
        return {KeyAction::Close, 0};
    case '?':
        return {KeyAction::Help, 0};
    case 'D':
    case 'd':
        return {KeyAction::PopupDisp, 0};
    case 'M':
    case 'm':
        return {KeyAction::PopupMarkers, 0};
    case 'T':
    case 't':
        return {KeyAction::PopupTransfer, 0};
    case 'F':
        return {KeyAction::Command, kCmdFull};
    case 'I':
    case 'i':
        return {KeyAction::Command, kCmdInterp};
    case 'L':
    case 'l':
        return {KeyAction::Command, kCmdLower};
    case 'U':
    case 'u':
        return {KeyAction::Command, kCmdUpper};
    case 'R':
    case 'r':
        return {KeyAction::Command, kCmdRange};
    case 'S':
        return {KeyAction::Command, kCmdSearch};
    case 'Z':
        return {KeyAction::Command, kCmdZero};
    case 'f':
    case 's':
        return {KeyAction::Command, kCmdScaleFactors};
    case 'z':
        if (!impedanceData()) return {KeyAction::Beep, 0};
        extraMode = extraMode >= 1 && extraMode < 4 ? extraMode + 1 : 1;
        return r;
    default:
        break;
    }
    return {KeyAction::Beep, 0};
}

std::string PlotModel::fmt(const char* f, double) const {
    char buf[64];
    std::snprintf(buf, sizeof buf, f, frequencyUnit().c_str());
    return buf;
}

} // namespace tanvex::plot
