// Pens and brushes by palette colour, as every plot window asks for them.
// The cache decides what a request means (colour, style, width); the Qt
// side turns a PenSpec into a QPen.
#pragma once

#include "ui/palette.h"

#include <array>
#include <optional>

namespace tanvex::ui {

class Toolkit;

struct PenSpec {
    Rgb colour;
    int style = 0; // 0 solid, 1 dashed, 2 dotted
    int width = 1;
};

class PenBox {
public:
    explicit PenBox(Toolkit& toolkit) : toolkit_(toolkit) {}

    // Solid pens are 2 pixels wide with thick lines on.
    bool thickLines = false;
    // While printing colour 7 (white) comes out black.
    bool printing = false;

    // pen(colour 0-11, style 0-2); colour 12 or more, or style 3 or more,
    // shows "my_pen error" and gives no pen. pen(-1) forgets every pen.
    std::optional<PenSpec> pen(int colour, int style = 0);
    // Solid brushes for colours 0-8; brush(-1) forgets them; other colours
    // give no brush.
    std::optional<Rgb> brush(int colour);
    // Pens made since the last pen(-1) (the cache's size).
    int cachedPens() const;

private:
    Toolkit& toolkit_;
    // Cache per colour, style and printing state, so a pen made for the
    // screen is not reused on paper.
    std::array<std::optional<PenSpec>, 12 * 3 * 2> pens_{};
    std::array<std::optional<Rgb>, 9> brushes_{};
};

} // namespace tanvex::ui
