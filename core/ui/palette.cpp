#include "ui/palette.h"

namespace tanvex::ui {

Rgb colour(int index) {
    switch (index) {
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

Rgb foregroundColour(int attribute, bool printing) {
    int f = foregroundIndex(attribute);
    if (printing && f == 7) return colour(0);
    return colour(f);
}

Rgb backgroundColour(int attribute, bool printing) {
    int b = backgroundIndex(attribute);
    if (printing && b == 0) return colour(7);
    return colour(b);
}

} // namespace tanvex::ui
