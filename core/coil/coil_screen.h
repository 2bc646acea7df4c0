// The coil calculator's window contents, drawn cell by cell into a text
// screen: the title, the wire and form boxes, and the design figures.
#pragma once

#include "coil/coil_design.h"
#include "ui/text_screen.h"

#include <string>

namespace tanvex::coil {

// Attributes (background * 16 + foreground).
constexpr int kAttrTitle = 71;    // white on red
constexpr int kAttrFrame = 6;     // orange
constexpr int kAttrBoxTitle = 22; // orange on blue
constexpr int kAttrText = 7;
constexpr int kAttrWarn = 4;  // red
constexpr int kAttrLabel = 2; // green

// The stand-alone calculator (80 x 25 cells) or the copy inside the layout
// program (80 x 23 cells, a third box for its define commands).
enum class CoilScreenKind { Standalone, Layout };

// A frame of line-drawing characters with a centred title on its top line.
void drawBox(ui::TextScreen& screen, int left, int top, int right, int bottom, int frameAttr,
             const std::string& title, int titleAttr);

// Clears the screen and draws the fixed parts and, when result is given, the
// figures of the design (result is null while painting is suppressed).
void drawCoilScreen(ui::TextScreen& screen, const CoilState& state, const CoilResult* result,
                    CoilScreenKind kind = CoilScreenKind::Standalone);

} // namespace tanvex::coil
