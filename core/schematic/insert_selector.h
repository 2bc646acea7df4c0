// The insert selector of the schematic editor: six pages of group pictures
// (drawn by the schematic renderer with the elements lettered A, B, C ...)
// from which the engineer picks the groups to insert.
#pragma once

#include "ui/text_screen.h"

#include <string>
#include <vector>

namespace tanvex::schematic {

// A group the selector offers: its connection code and, for the impedance
// data rows, the value of the code-22 entry (-9 data, -8 fits).
struct InsertChoice {
    int code = 0;
    double value = 0.0;
};

struct InsertRow {
    std::string text; // code page 437 bytes
    int choice = -1;  // index into the page's choices on a selectable row
};

struct InsertPage {
    std::string title;
    std::vector<InsertChoice> choices;
    std::vector<InsertRow> rows;
};

constexpr int kInsertPages = 6;

// The six pages, pictures drawn.
const std::vector<InsertPage>& insertPages();

// Screen rows of the selector: the heading, the element type box, then the
// page's rows, the "next page" row and the two page names at the bottom.
constexpr int kInsertFirstRow = 3; // first selectable row (element types)
constexpr int kInsertPageRow = 7;  // first row of the page's pictures
constexpr int kInsertMaxRows = 21; // rows of one page, "next page" row included

// Draws page p (0..5) with the element type preset (0 L, 1 C, 2 R) marked.
// Returns the selection options string (one label per row from
// kInsertFirstRow; "-" for rows that cannot be chosen) and the last row.
std::string drawInsertPage(ui::TextScreen& screen, int page, int elementType, int& lastRow);

} // namespace tanvex::schematic
