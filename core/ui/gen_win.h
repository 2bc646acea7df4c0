// GenWin: the generic 80 x 25 text window. Reports, tables and text menus
// are written into it cell by cell; a front end shows its screen (the Qt
// toolkit opens the "** TANVEX **" window on open()).
//
//   GenWin& g = toolkit.genWin();
//   g.clear();                     // open, empty, cursor 0,0
//   g.write("Results", 14);        // wraps to the next row past column 80
//   g.newline();                   // scrolls on the last row
//   double f = g.askValue("Frequency", 1e6);
//
// Cells hold code page 437 bytes (0 = empty). The write attribute returns
// to 7 after each write.
#pragma once

#include "ui/text_screen.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace tanvex::ui {

class Toolkit;

class GenWin {
public:
    static constexpr int kColumns = 80;
    static constexpr int kRows = 25;

    explicit GenWin(Toolkit& toolkit);

    TextScreen screen{kColumns, kRows};
    int column = 0;
    int row = 0;
    int attribute = 7; // current write attribute
    // Text the ask command shows (the "global text").
    std::string text;
    // Vertical lines of boxes as '|' (the ASCII drawing switch).
    bool asciiDrawing = false;
    // Saved window rectangle x, y, width, height (kept by the front end).
    std::array<int, 4> rect{5, 5, 640, 480};
    // Cell of the last left-button release in the window, (-1,-1) before.
    int clickColumn = -1;
    int clickRow = -1;
    // Set by another window that wants a command run when GenWin closes:
    // close() calls it (once) instead of closing.
    std::function<void()> closeCommand;

    // Front-end hooks: the window opened (mode 3 = hidden), closed, or
    // cells changed and need repainting.
    std::function<void(int mode)> onOpen;
    std::function<void()> onClose;
    std::function<void()> onChange;

    bool isOpen() const { return open_; }
    void open(int mode = 0);
    void close();
    // Opens, empties every cell, cursor to 0,0.
    void clear();
    void gotoCell(int col, int r) {
        column = col;
        row = r;
    }
    int whereColumn() const { return column; }
    int whereRow() const { return row; }
    // Writes at the cursor in the given attribute (the current one when -1).
    // Text that would pass column 80 starts at column 0 of the next row;
    // past row 24 it beeps and writes nothing.
    void write(const std::string& s, int attr = -1);
    void put(unsigned char ch, int attr = -1);
    // Empties n cells from (col, r); n = 0 to the end of the row.
    void erase(int col, int r, int n);
    void newline();
    void eraseRows(int col1, int row1, int col2, int row2);
    void box(int col1, int row1, int col2, int row2);
    // Modes 1 and 4 save the rectangle's cells on the window stack; every
    // mode but 0 erases it; modes 1 and 2 draw a box; mode 0 restores the
    // last saved rectangle.
    void panel(int col1, int row1, int col2, int row2, int mode);
    std::size_t stackDepth() const { return stack_.size(); }
    // Whether the last click lies in the cell rectangle.
    bool cellTest(int col1, int row1, int col2, int row2) const;
    // Runs the input box with text as its prompt (cut over two lines when
    // long); the answer is in the toolkit's textResult / numberResult.
    void ask();
    // The repeated value prompt: "%s (Cr = %g)?" at the cursor until an
    // empty answer; returns the last value typed (def when none).
    double askValue(const std::string& label, double def);

    // Tells the front end that cells changed.
    void changed();

private:
    struct SavedPanel {
        int col1, row1, col2, row2;
        std::vector<Cell> cells;
    };
    Toolkit& toolkit_;
    bool open_ = false;
    std::vector<SavedPanel> stack_;
};

// Splits a prompt for the ask command: a text longer than 36 characters is
// cut at its first blank from position 35 on, at position 50 at the latest.
// Returns the two prompt lines (the second empty when there is no cut).
std::array<std::string, 2> splitAskText(const std::string& text);

} // namespace tanvex::ui
