#include "ui/pens.h"

#include "ui/toolkit.h"

namespace tanvex::ui {

std::optional<PenSpec> PenBox::pen(int colourIndex, int style) {
    if (colourIndex == -1) {
        pens_.fill(std::nullopt);
        return std::nullopt;
    }
    if (colourIndex < 0 || colourIndex >= 12 || style < 0 || style >= 3) {
        toolkit_.notice("my_pen error");
        return std::nullopt;
    }
    auto& slot = pens_[(colourIndex * 3 + style) * 2 + (printing ? 1 : 0)];
    const int width = (style == 0 && thickLines) ? 2 : 1;
    if (!slot || slot->width != width) {
        Rgb c = (printing && colourIndex == 7) ? colour(0) : colour(colourIndex);
        slot = PenSpec{c, style, width};
    }
    return slot;
}

std::optional<Rgb> PenBox::brush(int colourIndex) {
    if (colourIndex == -1) {
        brushes_.fill(std::nullopt);
        return std::nullopt;
    }
    if (colourIndex < 0 || colourIndex > 8) return std::nullopt;
    auto& slot = brushes_[colourIndex];
    if (!slot) slot = colour(colourIndex);
    return slot;
}

int PenBox::cachedPens() const {
    int n = 0;
    for (const auto& p : pens_)
        if (p) ++n;
    return n;
}

} // namespace tanvex::ui
