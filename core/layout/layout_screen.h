// The layout program's window contents, cell by cell: the file line, the
// schematic from the top branch with the current branch in red and labels
// coloured by the state of their parts, the message area, and the material
// options beside the schematic.
#pragma once

#include "layout/layout_commands.h"
#include "schematic/renderer.h"
#include "ui/text_screen.h"

namespace tanvex::layout {

// Label colours: no part yet, a part worked out, changed since the last script.
constexpr int kAttrNoPart = 7;
constexpr int kAttrPart = 2;
constexpr int kAttrChanged = 14;
constexpr int kAttrCurrent = 4;
constexpr int kMessageRows = 3;
constexpr int kOptionsColumn = 46; // left edge of the material options

class LayoutScreen {
public:
    int top = 1; // first branch drawn

    // Draws everything; options (when not null) go beside the schematic.
    void draw(ui::TextScreen& screen, const Layout& k, const MaterialOptions* options);
    // The branch of a click at (column, row), following the column rule for
    // groups; -1 when the row shows no branch.
    int branchAt(const Layout& k, int column, int row) const;
    // Branches drawn by the last drawing (for Page Up / Page Down).
    int branchesDrawn() const { return branchesDrawn_; }
    // Scrolls so that the current branch is drawn, and draws.
    void drawFollowing(ui::TextScreen& screen, const Layout& k, const MaterialOptions* options);
    // Rows of the options frame of the last drawing: the drawing area for
    // the two chips starts below it.
    int optionsBottom() const { return optionsBottom_; }

private:
    schematic::Renderer renderer_{schematic::layoutConfig()};
    int branchesDrawn_ = 0;
    int firstDrawn_ = 1;
    int lastDrawn_ = 0;
    int optionsBottom_ = 0;
};

} // namespace tanvex::layout
