#include "layout/parts.h"

#include "coil/coil_formulas.h"
#include "design/text_io.h"

#include <cmath>
#include <cstdlib>

namespace tanvex::layout {

double chipAreaPerPf(double k, double t) {
    return t / (0.2246 * k);
}

ChipSize chipSize(double pf, double k, double t, double fixedWidth) {
    ChipSize s;
    double area = chipAreaPerPf(k, t) * pf;
    if (fixedWidth > 0.0) {
        s.square = false;
        s.width = fixedWidth;
        s.length = area / fixedWidth;
    } else {
        s.width = s.length = std::sqrt(area);
    }
    return s;
}

double hairpinSpacing(double z0, double d) {
    return d * std::cosh(z0 / 120.0);
}

double lineLengthInches(double theta, double omega) {
    return theta * 2.99793e10 / (omega * 2.54);
}

Hairpin hairpin(double z0, double theta, double omega, int gauge, double lead) {
    Hairpin h;
    h.diameter = coil::awgDiameter(gauge);
    h.spacing = hairpinSpacing(z0, h.diameter);
    h.length = lineLengthInches(theta, omega);
    h.wire = 2.0 * h.length + h.spacing + 2.0 * lead;
    return h;
}

std::string chipDescription(double w, double l, double t, const std::string& material) {
    return formatText("%.3f x %.3f x %.3f In.  %-.5s", w, l, t, material.c_str());
}

std::string specialChipDescription(double w, double l, double t, double k) {
    return formatText("%.3f x %.3f x %.3f In.  <--?  K=%.3f", w, l, t, k);
}

std::string multilayerDescription(double side, const char* name) {
    return formatText("%.3f x %.3f x %.3f In.  %s", side, side, side, name);
}

std::string hairpinDescription(const Hairpin& h, int gauge) {
    return formatText("%.3f x %.3f      %s #%d wire %.3f long", h.spacing, h.length, "Hairpin of",
                      gauge, h.wire);
}

int descriptionGauge(const std::string& text) {
    std::size_t at = text.find('#');
    if (at == std::string::npos) return 0;
    return std::atoi(text.c_str() + at + 1);
}

double descriptionTurns(const std::string& text) {
    std::size_t at = text.find(" turns");
    if (at == std::string::npos) return 0.0;
    std::size_t b = at;
    while (b > 0 && text[b - 1] != ' ') --b;
    return std::atof(text.c_str() + b);
}

} // namespace tanvex::layout
