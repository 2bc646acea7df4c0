#include "analysis/time_domain_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tanvex::analysis {

namespace {

constexpr int kFirstMarkerColumn = 3;

std::string printf1(const char* tmpl, double v, const char* unit = nullptr) {
    char text[96];
    if (unit)
        std::snprintf(text, sizeof text, tmpl, v, unit);
    else
        std::snprintf(text, sizeof text, tmpl, v);
    return text;
}

} // namespace

TimeDomainModel::TimeDomainModel(const Design& design, SweepOptions& options, ui::Toolkit& toolkit,
                                 DataServices& data)
    : design_(design), options_(options), tk_(toolkit), data_(data) {}

bool TimeDomainModel::settle() {
    return adjustLimits(train, design_.notation.frequency.multiplier, options_.markerLow,
                        options_.markerHigh, limits, limitMessage);
}

bool TimeDomainModel::setField(int id, double v) {
    if (!std::isfinite(v)) {
        tk_.notice("Not a number!");
        return false;
    }
    switch (id) {
    case kFieldRepRate:
        if (v < 0.0) {
            tk_.notice("Rep rate must be above zero!");
            return false;
        }
        train.repRate = v == 0.0 ? 2.0 : v;
        break;
    case kFieldDuty:
        if (v <= 0.0) {
            tk_.notice("Duty cycle must be above zero!");
            return false;
        }
        train.duty = std::min(v * 0.01, kMaxDuty);
        break;
    case kFieldCarrier:
        train.carrier = std::max(v, 0.0);
        break;
    case kFieldLower:
        train.lower = v;
        train.folded = false;
        break;
    case kFieldUpper:
        train.upper = v;
        break;
    case kFieldReps: {
        train.reps = v <= 0.0 ? 1.0 : v;
        // The pulse is put in the middle of the page (a start delay taken
        // modulo one period).
        const double d = train.duty / 2.0 + 1.0 - train.reps / 2.0;
        train.startDelay = d - std::floor(d);
        break;
    }
    case kFieldStartDelay:
        train.startDelay = v < 0.0 || v > 1.0 ? 0.0 : v;
        break;
    default:
        return false;
    }
    return true;
}

std::string TimeDomainModel::fieldText(int id) const {
    const char* fu = design_.notation.frequency.name.c_str();
    char text[64];
    switch (id) {
    case kFieldRepRate:
        return printf1("%g  %s", train.repRate, fu);
    case kFieldDuty:
        if (train.spike()) return "      * Spike *";
        return printf1("%-5.2f ", train.duty * 100.0);
    case kFieldCarrier:
        if (!train.gated()) return "      * None *";
        return printf1("%-6.1f  %s", train.carrier, fu);
    case kFieldLower:
        return printf1("%g  %s", train.lower, fu);
    case kFieldUpper:
        return printf1("%g  %s", train.upper, fu);
    case kFieldSidebands:
        return sidebandText(train, limits);
    case kFieldReps:
        std::snprintf(text, sizeof text, "%-9.2f Reps", train.reps);
        return text;
    case kFieldStartDelay:
        std::snprintf(text, sizeof text, "%-6.4f   (0-1.0)", train.startDelay);
        return text;
    default:
        return {};
    }
}

int TimeDomainModel::calculateFirst(int columns) {
    if (!settle()) {
        tk_.notice(limitMessage);
        return 1;
    }
    columns_ = std::max(columns, kFirstMarkerColumn + 1);
    const int r = computeHarmonics(design_, tk_, data_, train, limits, set_, [this] {
        const int k = tk_.keyPoll();
        return k == 27 || k == '`';
    });
    if (r != 0) return r;
    calculated_ = true;
    relative_ = false;
    fixed_ = false;
    page_.number = 1;
    computeCurrent();
    // The first page's largest excursion is 100 % until Normalize says otherwise.
    norm_ = 0.0;
    for (std::size_t i = 0; i < page_.low.size(); ++i)
        norm_ = std::max(
            {norm_, std::fabs(page_.low[i] - reference_), std::fabs(page_.high[i] - reference_)});
    if (!(norm_ > 0.0) || !std::isfinite(norm_)) norm_ = 1.0;
    marker_ = std::clamp(marker_, kFirstMarkerColumn, columns_);
    return 0;
}

int TimeDomainModel::nextPage() {
    if (!calculated_) {
        tk_.beep();
        return 1;
    }
    ++page_.number;
    computeCurrent();
    if (relative_) fixed_ = true;
    return 0;
}

void TimeDomainModel::computeCurrent() {
    computePage(set_, train, columns_, page_.number, page_);
    reference_ = referenceLevel(page_, mode_, set_);
}

void TimeDomainModel::moveMarker(int delta) {
    if (!calculated_) {
        tk_.beep();
        return;
    }
    const int m = marker_ + delta;
    if (m < kFirstMarkerColumn || m > columns_) {
        tk_.beep();
        marker_ = std::clamp(m, kFirstMarkerColumn, columns_);
        return;
    }
    marker_ = m;
}

void TimeDomainModel::setMarkerColumn(int column) {
    if (!calculated_) {
        tk_.beep();
        return;
    }
    marker_ = std::clamp(column, kFirstMarkerColumn, columns_);
}

void TimeDomainModel::markerToMax() {
    if (!calculated_) {
        tk_.beep();
        return;
    }
    double best = -1.0;
    for (int i = kFirstMarkerColumn; i <= columns_; ++i) {
        const double v = std::fabs(page_.high[i] - reference_);
        if (v > best) {
            best = v;
            marker_ = i;
        }
    }
}

void TimeDomainModel::normalize() {
    if (!calculated_) {
        tk_.beep();
        return;
    }
    const double v = std::fabs(page_.high[marker_] - reference_);
    if (v > 0.0 && std::isfinite(v)) norm_ = v;
}

void TimeDomainModel::toggleRelative() {
    if (!calculated_) {
        tk_.beep();
        return;
    }
    if (relative_) {
        relative_ = false;
        fixed_ = false;
        return;
    }
    relative_ = true;
    origin_ = page_.timeOf(marker_);
}

void TimeDomainModel::setReference(ReferenceMode mode) {
    mode_ = mode;
    if (calculated_) computeCurrent();
}

double TimeDomainModel::scaleFor(int halfHeight) const {
    return verticalScale(page_, reference_, halfHeight, train.spike(), train.gated());
}

std::string TimeDomainModel::title() const {
    char text[48];
    std::snprintf(text, sizeof text,
                  train.gated() ? "GATED RF PULSE   Page %d" : "IMPULSE RESPONSE Page %d",
                  page_.number);
    return text;
}

std::string TimeDomainModel::startText() const {
    return printf1("Start=%8.3f %s", page_.start * timeUnit(), design_.notation.time.name.c_str());
}

std::string TimeDomainModel::stopText() const {
    return printf1(" Stop=%8.3f %s", (page_.start + page_.span) * timeUnit(),
                   design_.notation.time.name.c_str());
}

double TimeDomainModel::timePerDivisionSeconds() const {
    const double f0 = train.repRate / design_.notation.frequency.multiplier;
    return timePerDivision(1.0 / f0);
}

std::string TimeDomainModel::timeDivisionText() const {
    return printf1("Time/div=%.2f %s", timePerDivisionSeconds() * timeUnit(),
                   design_.notation.time.name.c_str());
}

std::string TimeDomainModel::markerTimeText() const {
    double t = calculated_ ? page_.timeOf(marker_) : 0.0;
    if (relative_) t -= origin_;
    return printf1("Time=%8.2f %s", t * timeUnit(), design_.notation.time.name.c_str());
}

double TimeDomainModel::markerRatio() const {
    if (!calculated_) return 0.0;
    return (page_.high[marker_] - reference_) / norm_;
}

std::string TimeDomainModel::markerAmplitudeText() const {
    char text[48];
    std::snprintf(text, sizeof text, "Amp.=%8.2f %c", 100.0 * markerRatio(), '%');
    return text;
}

std::string TimeDomainModel::markerDbText() const {
    return printf1("     %8.2f dB", 20.0 * std::log10(std::max(std::fabs(markerRatio()), 1e-5)));
}

} // namespace tanvex::analysis
