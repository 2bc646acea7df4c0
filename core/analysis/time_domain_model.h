// The state of the "Time domain response" window: its input fields with their
// rules, the harmonic set of the last calculation, the page on show, the
// marker, the reference line and the normalising maximum, and every text the
// window shows. The window only draws this model and forwards commands.
//
// Rescaling and marker work never recompute the harmonics: a page is
// computed once (Calc page 1, Next page, a new reference mode recomputes
// the current page from the stored harmonics only).
#pragma once

#include "analysis/time_domain.h"

#include <string>

namespace tanvex::analysis {

enum TimeDomainField {
    kFieldLower = 301,
    kFieldUpper = 302,
    kFieldSidebands = 303,
    kFieldRepRate = 304,
    kFieldDuty = 305,
    kFieldCarrier = 306,
    kFieldReps = 307,
    kFieldStartDelay = 308,
};

class TimeDomainModel {
public:
    TimeDomainModel(const Design& design, SweepOptions& options, ui::Toolkit& toolkit,
                    DataServices& data);

    PulseTrain train; // display units
    HarmonicLimits limits;
    std::string limitMessage; // shown when the last settle() adjusted the limits

    // Applies the limit rules (before every repaint until a calculation) and
    // takes the plot's handed-over marker range.
    bool settle();
    // Typed values with their rules. False (and a notice) when refused.
    bool setField(int id, double value);
    std::string fieldText(int id) const;

    // Calculation. columns: the plot width less 10. 0 done, 1 failed, 2 aborted.
    int calculateFirst(int columns);
    int nextPage();
    bool calculated() const { return calculated_; }
    const TimePage& page() const { return page_; }
    const HarmonicSet& harmonics() const { return set_; }

    // Marker (columns 3 .. N). Moves beep at the ends and before a calculation.
    int marker() const { return marker_; }
    void moveMarker(int delta);
    void setMarkerColumn(int column);
    void markerToMax();
    void normalize();
    void toggleRelative();
    bool relative() const { return relative_; }
    bool referenceFixed() const { return fixed_; }
    void setReference(ReferenceMode mode);
    ReferenceMode referenceMode() const { return mode_; }
    double reference() const { return reference_; }
    double normalisingMaximum() const { return norm_; }

    // Value per pixel for a plot whose half height is halfHeight pixels.
    double scaleFor(int halfHeight) const;

    // Texts.
    std::string title() const;
    std::string startText() const;
    std::string stopText() const;
    std::string timeDivisionText() const;
    std::string markerTimeText() const;
    std::string markerAmplitudeText() const;
    std::string markerDbText() const;
    double timePerDivisionSeconds() const;
    // Marker amplitude as a fraction of the normalising maximum.
    double markerRatio() const;

private:
    void computeCurrent();
    double timeUnit() const { return design_.notation.time.multiplier; }

    const Design& design_;
    SweepOptions& options_;
    ui::Toolkit& tk_;
    DataServices& data_;
    HarmonicSet set_;
    TimePage page_;
    bool calculated_ = false;
    int columns_ = 590;
    int marker_ = 3;
    bool relative_ = false;
    bool fixed_ = false;
    double origin_ = 0.0; // seconds
    ReferenceMode mode_ = ReferenceMode::kZero;
    double reference_ = 0.0;
    double norm_ = 1.0;
};

} // namespace tanvex::analysis
