#include "layout/layout_screen.h"

#include "coil/coil_screen.h"
#include "design/text_io.h"
#include "schematic/network_edit.h"

#include <algorithm>

namespace tanvex::layout {

void LayoutScreen::draw(ui::TextScreen& screen, const Layout& k, const MaterialOptions* options) {
    screen.clear();
    const LayoutDesign& d = k.design;
    const int rows = screen.rows();
    std::string file = d.directory.empty() ? d.name : d.directory + "/" + d.name;
    screen.text(0, 0, " File: " + file, 6);
    if (d.count < 1) return;

    Design design = d.toDesign();
    renderer_.window.screen = &screen;
    renderer_.window.topRow = 1;
    renderer_.window.leftColumn = 0;
    renderer_.window.visibleLines = std::max(1, rows - 1 - kMessageRows);
    renderer_.window.firstSelected = k.current;
    renderer_.window.secondSelected = k.current;
    const int under = d.branches[k.current].letter == 'C' ? d.branches[k.current].sitsOn : 0;
    renderer_.config.labelAttribute = [&d, &k](int e) {
        if (e == k.current) return kAttrCurrent;
        const BranchRecord& b = d.branches[e];
        if (b.description.empty()) return kAttrNoPart;
        return b.changed ? kAttrChanged : kAttrPart;
    };
    renderer_.config.labelDecorator = [under](int e, std::string& label) {
        if (under > 0 && e == under) schematic::pointAtLabel(label);
    };
    renderer_.draw(design, schematic::SinkKind::Window, top, -1);
    firstDrawn_ = 1 << 30;
    lastDrawn_ = 0;
    for (int b : renderer_.lineMap())
        if (b >= 1 && b < d.count) {
            firstDrawn_ = std::min(firstDrawn_, b);
            lastDrawn_ = std::max(lastDrawn_, b);
        }
    branchesDrawn_ = lastDrawn_ >= firstDrawn_ ? lastDrawn_ - firstDrawn_ + 1 : 0;
    renderer_.config.labelAttribute = nullptr;
    renderer_.config.labelDecorator = nullptr;

    // The message area.
    const int m = rows - kMessageRows;
    for (int c = 0; c < screen.columns(); ++c) screen.put(c, m, 196, 8);
    if (!d.isPartBranch(k.current)) {
        screen.text(1, m + 1, " Invalid branch ", 4);
    } else {
        std::string a = k.currentLine(), b = k.materialLine();
        std::string q = formatText(" Avg Ql=%d", averageQ(d));
        screen.text(1, m + 1, a, 7);
        screen.text(1 + static_cast<int>(a.size()), m + 1, b, 2);
        screen.text(1 + static_cast<int>(a.size() + b.size()), m + 1, q, 6);
        screen.text(1, m + 2, d.branches[k.current].description, 7);
    }

    optionsBottom_ = 0;
    if (!options || options->lines.empty()) return;
    const int left = kOptionsColumn, width = screen.columns() - left;
    int row = 2;
    int bottom = row + 2 + static_cast<int>(options->lines.size()) + (options->onChip ? 1 : 0);
    for (int r = row; r <= bottom; ++r)
        for (int c = left; c < left + width; ++c) screen.put(c, r, ' ', 7);
    coil::drawBox(screen, left, row, left + width - 1, bottom, 6, "> Optional sizes <", 22);
    screen.text(left + 1, row + 1, "  Material   Width    Length ", 6);
    int r = row + 2;
    for (const auto& line : options->lines) {
        std::string t = line.text;
        if (line.current) t[0] = '>';
        screen.text(left + 1, r++, t, line.isDefault ? 2 : 7);
    }
    if (options->onChip) {
        std::string t = formatText("> On C%d: %.3g x %.3g <", options->onChip, options->chipWidth,
                                   options->chipLength);
        bool larger =
            options->chipWidth * options->chipLength >= options->capWidth * options->capLength;
        screen.text(left + 1, r, t, larger ? 22 : 4);
    }
    optionsBottom_ = bottom;
}

int LayoutScreen::branchAt(const Layout& k, int column, int row) const {
    int branch = renderer_.branchAtLine(row - 1);
    if (branch < 1 || branch >= k.design.count) return -1;
    auto map = schematic::buildGroupMap(k.design.toDesign().entries);
    if (branch < static_cast<int>(map.size()) && map[branch] > 1) {
        int last = branch + map[branch] - 1;
        if (column > 40) ++branch;
        if (column > 58) ++branch;
        branch = std::min(branch, last);
    }
    return branch;
}

void LayoutScreen::drawFollowing(ui::TextScreen& screen, const Layout& k,
                                 const MaterialOptions* options) {
    auto map = schematic::buildGroupMap(k.design.toDesign().entries);
    top = std::clamp(top, 1, std::max(1, k.design.count));
    if (k.current < top) top = schematic::groupStart(map, k.current);
    draw(screen, k, options);
    for (int guard = 0; guard < kEntrySlots && k.current > lastDrawn_ && top < k.current; ++guard) {
        top += std::max(1, static_cast<int>(map[top]));
        draw(screen, k, options);
    }
}

} // namespace tanvex::layout
