// The selection bar's model: option parsing, button layout and the mapping
// of keys and clicked text rows to results. The Qt bar (gui/ui) and the
// scripted toolkit both use it, so the rules live in one place.
#pragma once

#include "ui/text_screen.h"

#include <string>
#include <vector>

namespace tanvex::ui {

// Results besides option numbers.
constexpr int kSelectEsc = 27;
constexpr int kSelectHelp = 140;
constexpr int kSelectOutside = 130;

struct SelectionOption {
    int number = 0;         // from 1, in string order (separators count too)
    std::string label;      // as given, with its '&'
    std::string caption;    // shown text: label without the '&' marker
    char hotkey = 0;        // character after '&', 0 when none
    bool separator = false; // label starting with '-': numbered, no button
};

// Options string: comma-separated labels.
std::vector<SelectionOption> parseOptions(const std::string& options);

struct SelectionButton {
    int option = 0; // option number, or 0 for the fixed buttons
    int result = 0; // value returned when pressed
    std::string label;
    int x = 0, y = 0, width = 0, height = 0;
};

struct SelectionLayout {
    int perColumn = 2; // buttons stacked in one column block (k)
    int perRow = 2;    // option buttons in one row (per)
    int buttonWidth = 0;
    int buttonHeight = 0;
    int height = 60;
    std::vector<SelectionButton> buttons; // fixed buttons first
};

// Layout of the bar for a text window barWidth pixels wide: a first column
// of "<Esc>", "&?-help", "si&Ze" (18 pixels each), then the option buttons
// row by row, perRow to a row.
SelectionLayout layoutSelection(const std::vector<SelectionOption>& options, int barWidth);

// Result for a typed character: the option whose hotkey it is (case-blind),
// 0 when none.
int optionForKey(const std::vector<SelectionOption>& options, char key);

// Rows firstRow..lastRow of the text window hold options 1, 2, ...; the
// marker area of a row is the marker column and the label to its right.
struct SelectionRows {
    int markerColumn = 0; // negative: a click elsewhere ends the selection
    int firstRow = 0;
    int lastRow = -1;
    bool inMarkerArea(int column, int row) const;
};

// What a click on text cell (column, row) means while a selection is open:
// an option number; 0 for "beep and stay" (a separator row or a row past
// the options); 130 when a negative marker column lets a click elsewhere
// end the selection; -1 when the click means nothing.
int resultForClick(const std::vector<SelectionOption>& options, const SelectionRows& rows,
                   int column, int row);

// With the marker switch on, each option row shows its option's hotkey at
// the marker column in attribute 14; clearSelectionMarkers blanks the
// column again.
void showSelectionMarkers(TextScreen& screen, const std::vector<SelectionOption>& options,
                          const SelectionRows& rows);
void clearSelectionMarkers(TextScreen& screen, const SelectionRows& rows);
// mark(option): '-' in attribute 6 at the marker column of that option's row.
void markOption(TextScreen& screen, const SelectionRows& rows, int option);

} // namespace tanvex::ui
