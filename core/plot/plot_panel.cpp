// The frame of the plot: curves in divisions, ticks, marks, mask steps,
// Smith chart points and the text of the read-out panel.
#include "plot/plot_model.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace tanvex::plot {

using namespace analysis;

namespace {

std::string format(const char* f, ...) {
    char buf[160];
    va_list ap;
    va_start(ap, f);
    std::vsnprintf(buf, sizeof buf, f, ap);
    va_end(ap);
    return buf;
}

constexpr const char* kOhm = "\xce\xa9";

} // namespace

double PlotModel::extraValue(int k) const {
    const double r = value(k, kFieldR), x = value(k, kFieldX);
    if (distributionTable()) return r;
    switch (extraMode) {
    case 1:
        return std::hypot(r, x);
    case 2:
        return std::atan2(x, r) * 57.29578;
    case 3:
        return r;
    case 4:
        return x;
    default:
        return 0.0;
    }
}

void PlotModel::computePhase() {
    phase_.assign(static_cast<std::size_t>(n_) + 1, 0.0);
    if (phaseMode == 0 || n_ < 1) return;
    std::vector<double> raw(n_), del(n_), f(n_);
    for (int k = 1; k <= n_; ++k) {
        raw[k - 1] = value(k, kFieldPhase);
        del[k - 1] = value(k, kFieldDelay);
        f[k - 1] = frequency(k) * multiplier();
    }
    phaseLine_ = Line{};
    if (phaseMode == 3) {
        for (int k = 1; k <= n_; ++k) phase_[k] = raw[k - 1];
        return;
    }
    // The conventional display folds the table's phase itself: the 90 degree
    // corrections below take out the true 180 degree step of a transmission
    // zero, and everything beyond it would read half a turn wrong.
    if (phaseMode == 4) {
        for (int k = 1; k <= n_; ++k) phase_[k] = foldPhase(raw[k - 1]);
        return;
    }
    // The linearity modes work on the unwrapped phase: a fitted line over a
    // phase that still jumps by 180 degrees would draw the jumps instead of
    // the response.
    const std::vector<double> u = unwrapPhase(raw, del);
    const int first = lo - 1, last = hi - 1;
    if (phaseMode == 5) {
        phaseLine_ = leastSquaresLine(f, u, first, last);
    } else if (phaseMode == 1) {
        phaseLine_ = bestFitLine(f, u, first, last);
    } else if (phaseMode == 2) {
        const int r = std::clamp(phaseReference, 1, n_) - 1;
        // Slope -360 x delay (seconds) per hertz, per display unit here.
        phaseLine_.slope = -360.0 * del[r] / multiplier();
        phaseLine_.intercept = u[r] - phaseLine_.slope * f[r];
    }
    for (int k = 1; k <= n_; ++k) phase_[k] = u[k - 1] - phaseLine_.at(f[k - 1]);
}

double PlotModel::phaseValue(int k) const {
    if (k < 1 || k >= static_cast<int>(phase_.size())) return 0.0;
    return phase_[k];
}

double PlotModel::interpolated(int field) const {
    auto at = [&](int k) -> double {
        switch (field) {
        case -1:
            return phaseValue(k);
        case -2:
            return extraValue(k);
        default:
            return value(k, field);
        }
    };
    const double a = at(cursor);
    if (!interpolation || interpOffset == 0 || cursor >= n_ || pixels_ <= 0) return a;
    return lerp(a, at(cursor + 1), double(interpOffset) / pixels_);
}

Readout PlotModel::readout() const {
    Readout r;
    r.frequency = interpolated(kFieldFrequency) * multiplier();
    r.attenuation = interpolated(kFieldAttenuation);
    r.returnLoss = interpolated(kFieldReturnLoss);
    r.delay = interpolated(kFieldDelay) * design_.notation.time.multiplier;
    r.phase = phaseMode ? interpolated(-1) : value(cursor, kFieldPhase);
    r.extra = extraMode ? interpolated(-2) : 0.0;
    r.r = interpolated(kFieldR);
    r.x = interpolated(kFieldX);
    return r;
}

PassbandInfo PlotModel::passband() const {
    PassbandInfo p;
    const int type = wholeNumberOf(design_.record[kSlotDesignType].value);
    p.centre = design_.record[5].value;
    p.bandwidth = design_.record[6].value;
    p.cutoff = design_.record[10].value;
    if (type == 1 || type == 25 || type == 26)
        p.type = design_.record[18].letter == 'H' ? ResponseType::Highpass : ResponseType::Lowpass;
    else if (type == 2)
        p.type = ResponseType::Highpass;
    else if (type == 7 || type == 8 || type == 21 || type == 22)
        p.type = ResponseType::Bandstop;
    else
        p.type = ResponseType::Bandpass;
    return p;
}

bool PlotModel::maskVisible() const {
    if (!attenuation || !mask.shown || mask.points.empty() || mask.kind == 0) return false;
    // A lowpass mask belongs to the lowpass pole placer's reference.
    if (mask.kind == 2 && wholeNumberOf(design_.record[kSlotRefLowpass].value) != 6) return false;
    return true;
}

std::vector<std::string> PlotModel::bandwidthLines() const {
    std::vector<std::string> lines;
    double level = 3.0;
    const char* mask = design_.record[kSlotRefLowpass].text;
    const double ripple = design_.record[2].value;
    if (mask[0] && mask[1] && mask[2] == '1' && ripple > 0.2) level = ripple;
    std::vector<double> f(n_), a(n_);
    for (int k = 1; k <= n_; ++k) {
        f[k - 1] = frequency(k) * multiplier();
        a[k - 1] = value(k, kFieldAttenuation);
    }
    auto line = [&](double lv) {
        const BandwidthReadout b = bandwidthAround(f, a, cursor - 1, attMin_ + lv);
        if (b.crossings == 2)
            lines.push_back(
                format("%.1f dB Bw %.2f %s", lv, b.high - b.low, frequencyUnit().c_str()));
        else if (b.crossings == 1)
            lines.push_back(format("%.2f dB @ %.2f %s", lv, b.single, frequencyUnit().c_str()));
    };
    line(level);
    if (level != 3.0 && !zero) line(3.0);
    return lines;
}

Frame PlotModel::frame(int width, double charWidth) {
    Frame fr;
    if (n_ < 2) return fr;
    reportedWidth = width;
    lo = std::clamp(lo, 1, n_ - 1);
    hi = std::clamp(hi, lo + 1, n_);
    cursor = std::clamp(cursor, 1, n_);
    if (cursor < lo) lo = cursor;
    if (cursor > hi) hi = cursor;
    if (hi == lo) hi = std::min(n_, lo + 1), lo = hi - 1;
    narrowRange(lo, hi, cursor, width);
    pixels_ = pixelsPerPoint(width, lo, hi);
    if (interpOffset >= pixels_) interpOffset = pixels_ - 1;
    fr.lo = lo;
    fr.hi = hi;
    fr.pixelsPerPoint = pixels_;
    fr.plotPixels = double(hi - lo) * pixels_;
    fr.logAxis = log_;
    fr.scaleStyle = scaleStyle;
    const double m = multiplier();
    const double flo = frequency(lo) * m, fhi = frequency(hi) * m;
    fr.ticks = log_ && flo > 0.0 ? logTicks(flo, fhi, fr.plotPixels, charWidth)
                                 : linearTicks(flo, fhi, fr.plotPixels, charWidth);
    computePhase();
    const double tm = design_.notation.time.multiplier;

    auto range = [&](auto get, double& mn, double& mx) {
        mn = 1e300;
        mx = -1e300;
        for (int k = lo; k <= hi; ++k) {
            const double v = get(k);
            mn = std::min(mn, v);
            mx = std::max(mx, v);
        }
    };
    auto curve = [&](int item, auto y) {
        Curve c;
        c.item = item;
        for (int k = lo; k <= hi; ++k) c.y.push_back(y(k));
        fr.curves.push_back(std::move(c));
    };
    const Readout ro = readout();
    std::vector<PanelLine>& panel = fr.panel;
    auto add = [&](int item, const std::string& s) { panel.push_back({s, item}); };

    add(kItemText, format("%cMarker = %-8.3f", interpolation ? '#' : ' ', ro.frequency));
    if (zero) add(kItemText, format("f change = %-11.3f", ro.frequency - zeroValues_.frequency));
    const Readout& z = zero ? zeroValues_ : Readout{};
    if (attenuation) {
        add(kItemAttenuation, format("%8.3f dB", ro.attenuation - z.attenuation));
        add(kItemAttenuation, format("%8.3f dB (Rel.)", ro.attenuation - attMin_));
    }
    if (returnLoss) add(kItemReturnLoss, format("%8.3f dB", ro.returnLoss - z.returnLoss));
    if (phaseMode)
        add(kItemPhase, format("%10.5f Deg. %s", ro.phase - z.phase, phaseSuffix(phaseMode)));
    if (delay) {
        if (zero) {
            const double ch = ro.delay - z.delay;
            add(kItemDelay, format(std::fabs(ch) < 10.0 ? "%8.5f %s change" : "%8.3f %s change", ch,
                                   timeUnit().c_str()));
        } else {
            add(kItemDelay, format("%8.3f %s       ", ro.delay, timeUnit().c_str()));
        }
    }
    if (extraMode) add(kItemExtra, format("%8.3f %s.", ro.extra - z.extra, extraUnit().c_str()));
    add(kItemText, "");

    // Attenuation (reference line at the top, loss growing downwards).
    ScaleRecord& sa = scales[kScaleAttenuation];
    if (attenuation) {
        double mn, mx;
        range([&](int k) { return value(k, kFieldAttenuation); }, mn, mx);
        fitScale(sa, mn, mx, mn);
        curve(kItemAttenuation,
              [&](int k) { return (value(k, kFieldAttenuation) - sa.reference) / sa.division; });
        add(kItemAttenuation, format("Atten. %6.3f dB/div.", sa.division));
        add(kItemAttenuation, format("ref= %g", sa.reference));
        for (const std::string& s : bandwidthLines()) add(kItemAttenuation, s);
    }
    if (returnLoss) {
        curve(kItemReturnLoss, [&](int k) { return value(k, kFieldReturnLoss) / 5.0; });
        add(kItemReturnLoss, "Rtn. loss 5 dB/div.");
        add(kItemReturnLoss, "ref= 0");
    }
    if (delay) {
        ScaleRecord& s = scales[kScaleDelay];
        auto dv = [&](int k) { return std::max(0.0, value(k, kFieldDelay) * tm); };
        double mn, mx;
        range(dv, mn, mx);
        fitScale(s, mn, mx, mn);
        curve(kItemDelay, [&](int k) { return kDivisions - (dv(k) - s.reference) / s.division; });
        add(kItemDelay, format(s.division >= 1.0 ? "Delay %5.1f %s/div." : "Delay %5.3f %s/div.",
                               s.division, timeUnit().c_str()));
        add(kItemDelay, format("ref= %g ", s.reference));
        if (fast_) add(kItemYellow, " (Fast)");
    }
    if (phaseMode) {
        ScaleRecord& s = scales[kScalePhase];
        double mn, mx;
        range([&](int k) { return phaseValue(k); }, mn, mx);
        // The centre line carries the reference, a whole number of divisions.
        double span = mx - mn;
        if (!(span > 0.0)) span = 1e-3;
        const double div = s.lock == LockMode::Automatic || !s.valid
                               ? autoDivision(span * 1.25, s.steps)
                               : s.division;
        // (+ 0.0 turns a rounded -0 into 0 for the label.)
        fitScale(s, mn, mx, std::round((mn + mx) / 2.0 / div) * div + 0.0);
        if (s.lock == LockMode::Automatic) s.division = div;
        curve(kItemPhase,
              [&](int k) { return kDivisions / 2.0 - (phaseValue(k) - s.reference) / s.division; });
        add(kItemPhase, format("Phase  %5.1f Deg/div.", s.division));
        add(kItemPhase, format("  ref= %4.1f Deg", s.reference));
        if (phaseMode == 1 || phaseMode == 2 || phaseMode == 5) {
            const double slope = phaseLine_.slope;
            add(kItemPhase, format(std::fabs(slope) < 0.1 && slope != 0.0 ? "Slope= %5.1g Deg/%s"
                                                                          : "Slope= %5.1f Deg/%s",
                                   slope, frequencyUnit().c_str()));
        }
    }
    if (extraMode) {
        ScaleRecord& s = scales[kScaleExtra];
        double mn, mx;
        range([&](int k) { return extraValue(k); }, mn, mx);
        fitScale(s, mn, mx, mn);
        curve(kItemExtra,
              [&](int k) { return kDivisions - (extraValue(k) - s.reference) / s.division; });
        add(kItemExtra,
            format("%s %6.2f %s./div.", extraName().c_str(), s.division, extraUnit().c_str()));
        add(kItemExtra, format("ref= %g", s.reference));
    }
    add(kItemText, "");
    add(kItemText, format("From %g %s", flo, frequencyUnit().c_str()));
    add(kItemText, format("To %g %s", fhi, frequencyUnit().c_str()));
    // Short messages in the panel, long ones (file names) under the plot.
    if (!status.empty() && status.size() <= 23)
        add(kItemText, status);
    else if (!status.empty())
        fr.message = status;

    // Cursor and frequency -> x.
    fr.cursorX = double(cursor - lo) * pixels_ + (interpolation ? interpOffset : 0);
    auto xOf = [&](double fHz) {
        if (fHz <= frequency(lo)) return 0.0;
        if (fHz >= frequency(hi)) return fr.plotPixels;
        int a = lo, b = hi;
        while (b - a > 1) {
            const int mid = (a + b) / 2;
            (frequency(mid) <= fHz ? a : b) = mid;
        }
        const double fa = frequency(a), fb = frequency(b);
        const double t = fb > fa ? (fHz - fa) / (fb - fa) : 0.0;
        return (double(a - lo) + t) * pixels_;
    };
    auto attAt = [&](double fHz) {
        int a = 1;
        while (a < n_ && frequency(a + 1) <= fHz) ++a;
        if (a >= n_) return value(n_, kFieldAttenuation);
        const double fa = frequency(a), fb = frequency(a + 1);
        const double t = fb > fa ? std::clamp((fHz - fa) / (fb - fa), 0.0, 1.0) : 0.0;
        return lerp(value(a, kFieldAttenuation), value(a + 1, kFieldAttenuation), t);
    };
    if (markersShown) {
        for (int i = 0; i < kMarkers; ++i) {
            const Marker& mk = markers[i];
            if (!mk.set() || mk.frequency < frequency(lo) || mk.frequency > frequency(hi)) continue;
            MarkerMark mm;
            mm.index = i;
            mm.x = xOf(mk.frequency);
            const double level = mk.absolute ? mk.level : attMin_ + mk.level;
            if (attenuation && mk.level > 0.0) mm.levelY = (level - sa.reference) / sa.division;
            if (mk.absolute)
                mm.colour =
                    attAt(mk.frequency) >= mk.level ? ui::Rgb{255, 0, 0} : ui::Rgb{255, 255, 0};
            else
                mm.colour = white ? ui::Rgb{0, 0, 0} : ui::Rgb{255, 255, 255};
            fr.markers.push_back(mm);
        }
    }
    if (maskVisible()) {
        for (const MaskSegment& s : maskSegments(mask, passband())) {
            const double a = std::max(s.low, frequency(lo));
            const double b = std::min(s.high, double(frequency(hi)));
            if (!(b > a)) continue;
            fr.mask.push_back({xOf(a), xOf(b), (attMin_ + s.level - sa.reference) / sa.division});
        }
    }
    if (tabulate) {
        const std::string tu = timeUnit();
        // The rows carry their marker's name ("F1 ") in front: the header
        // starts after it so that its columns stand over the rows' figures.
        std::string head = "   -Frequency---Rtn.Loss---Atten.---";
        if (delay) head += "---Delay----";
        fr.table.push_back({head, kItemText});
        // F1 on the top line down to F10 at the bottom.
        for (int i = 0; i < kMarkers; ++i) {
            const Marker& mk = markers[i];
            if (!mk.set() || mk.frequency < frequency(1) || mk.frequency > frequency(n_)) continue;
            int a = 1;
            while (a < n_ && frequency(a + 1) <= mk.frequency) ++a;
            const int b = std::min(a + 1, n_);
            const double fa = frequency(a), fb = frequency(b);
            const double t = fb > fa ? std::clamp((mk.frequency - fa) / (fb - fa), 0.0, 1.0) : 0.0;
            auto at = [&](int field) { return lerp(value(a, field), value(b, field), t); };
            std::string line = format("%7.2f %s ", mk.frequency * m, frequencyUnit().c_str());
            line += format("%5.1f dB ", at(kFieldReturnLoss));
            if (mk.absolute)
                line += format("%6.2f dBa", at(kFieldAttenuation));
            else
                line += format("%6.2f dB ", at(kFieldAttenuation) - attMin_);
            if (delay) line += format("%6.1f %s ", at(kFieldDelay) * tm, tu.c_str());
            fr.table.push_back({format("F%-2d", i + 1) + line, kItemText});
        }
    }
    if (log_) fr.bottom.push_back("  -- LOG SWEEP --");

    if (smith && smithData()) {
        SmithTrace& st = fr.smith;
        st.on = true;
        double z0 = options_.returnLossReference == '1' ? options_.referenceImpedance
                                                        : table_.records[0][kHeaderSourceR];
        if (!(z0 > 0.0)) z0 = 50.0;
        st.z0 = z0;
        for (int k = 1; k <= n_; ++k) {
            st.points.push_back(smithPoint(value(k, kFieldR), value(k, kFieldX), z0));
            st.displayed.push_back(k >= lo && k <= hi);
        }
        st.cursor = smithPoint(ro.r, ro.x, z0);
        st.lines.push_back(format("VSWR Ref = %g:1 (%g %s)", 1.5, z0, kOhm));
        std::string circles = "R & jX Ref. circles:";
        for (double f : {5.0, 2.0, 1.0, 0.5, 0.2}) circles += format(" %.1f%s", z0 * f, kOhm);
        st.lines.push_back(circles);
        st.lines.push_back(
            format("Zo = %.2f %cj%.2f%s     ", ro.r, ro.x < 0 ? '-' : '+', std::fabs(ro.x), kOhm));
        // (A tiny negative angle would read "-0.0".)
        const double angle = std::atan2(ro.x, ro.r) * 57.29578;
        st.lines.push_back(format("%5.1f Deg.", std::fabs(angle) < 0.05 ? 0.0 : angle));
        const double mag2 = ro.r * ro.r + ro.x * ro.x;
        const double g = mag2 > 0 ? ro.r / mag2 : 0.0, b = mag2 > 0 ? -ro.x / mag2 : 0.0;
        st.lines.push_back(
            format(" Y = %.5f %cj%.5f %s", g, b < 0 ? '-' : '+', std::fabs(b), "mho"));
    }
    return fr;
}

} // namespace tanvex::plot
