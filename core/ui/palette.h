// The 16-colour palette every text attribute and pen refers to, and the
// split of a text attribute into its two palette indices.
#pragma once

namespace tanvex::ui {

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
    bool operator==(const Rgb&) const = default;
};

// Palette lookup: 0 black, 1 blue, 2 green, 3 cyan, 4 red, 5 magenta,
// 6 orange, 7 white, 8 grey, 9 and 14 yellow; every other index white.
Rgb colour(int index);

// A text attribute is background * 16 + foreground.
inline int foregroundIndex(int attribute) {
    return attribute & 15;
}
inline int backgroundIndex(int attribute) {
    return (attribute >> 4) & 15;
}

// Colours of an attribute as drawn; while printing, background 0 is drawn
// white and foreground 7 black so that reports come out on paper.
Rgb foregroundColour(int attribute, bool printing = false);
Rgb backgroundColour(int attribute, bool printing = false);

} // namespace tanvex::ui
