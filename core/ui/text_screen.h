// A grid of character cells: code page 437 bytes with a text attribute
// (background * 16 + foreground). The generic text window, the status
// screen, the schematic and the coil calculator all draw into one; the Qt
// widget gui/ui/text_screen_widget.h paints it with a fixed-pitch font.
#pragma once

#include <string>
#include <vector>

namespace tanvex::ui {

struct Cell {
    unsigned char ch = 0; // 0 = empty cell
    unsigned char attr = 7;
};

class TextScreen {
public:
    explicit TextScreen(int columns = 80, int rows = 25) { resize(columns, rows); }

    int columns() const { return columns_; }
    int rows() const { return rows_; }
    void resize(int columns, int rows) {
        columns_ = columns;
        rows_ = rows;
        cells_.assign(static_cast<std::size_t>(columns) * rows, Cell{});
    }
    bool inside(int col, int row) const {
        return col >= 0 && row >= 0 && col < columns_ && row < rows_;
    }
    Cell& at(int col, int row) { return cells_[static_cast<std::size_t>(row) * columns_ + col]; }
    const Cell& at(int col, int row) const {
        return cells_[static_cast<std::size_t>(row) * columns_ + col];
    }
    void clear() { cells_.assign(cells_.size(), Cell{}); }
    // One cell; ignored outside the grid.
    void put(int col, int row, unsigned char ch, int attr) {
        if (inside(col, row)) at(col, row) = Cell{ch, static_cast<unsigned char>(attr)};
    }
    // Text from (col, row), clipped at the right edge; no wrapping.
    void text(int col, int row, const std::string& s, int attr) {
        for (unsigned char ch : s) put(col++, row, ch, attr);
    }
    // The row's characters (empty cells as blanks), trailing blanks removed.
    std::string rowText(int row) const {
        std::string s;
        for (int c = 0; c < columns_; ++c) {
            unsigned char ch = at(c, row).ch;
            s += static_cast<char>(ch ? ch : ' ');
        }
        while (!s.empty() && s.back() == ' ') s.pop_back();
        return s;
    }
    // Counts changes so views know when to repaint.
    unsigned long revision = 0;

private:
    int columns_ = 0;
    int rows_ = 0;
    std::vector<Cell> cells_;
};

} // namespace tanvex::ui
