// The status screen of the main window: the matcher status, the assumed Q
// values, the working directory and the active file, drawn into character
// cells; and what a click on it or a typed letter means.
#pragma once

#include "design/design_record.h"
#include "ui/text_screen.h"

#include <string>

namespace tanvex::shell {

inline constexpr const char* kVersionText = "Version: 2.59b";

// The grid the status screen is drawn into; wider than the usual 80 columns
// because the working directory line starts at column 48.
inline constexpr int kStatusColumns = 132;
inline constexpr int kStatusRows = 12;

// Text attributes (background * 16 + foreground) of the status screen.
inline constexpr int kAttrBox = 6;         // orange frames, as every text box
inline constexpr int kAttrTitle = 14;      // yellow box titles
inline constexpr int kAttrVersion = 3;     // cyan
inline constexpr int kAttrText = 7;        // white
inline constexpr int kAttrWorkingDir = 71; // white on red
inline constexpr int kAttrActiveFile = 23; // white on blue
inline constexpr int kAttrStubLine = 2;    // green
inline constexpr int kAttrNoiseLine = 7;   // white

// Everything the status screen shows.
struct StatusInfo {
    char terminationMatch = 'x'; // slot 9's letter
    char sourceMatch = 'x';      // slot 8's letter
    double ql = 150.0;
    double qc = 500.0;
    double qt = 1000.0;
    std::string workingDirectory;
    std::string activeFile;
    std::string stubLine;    // empty when the stub generator is off
    std::string noiseLine;   // empty unless a noise bandwidth was just computed
    bool asciiBoxes = false; // slot 1 text position 23 is '1'
    // Columns the window shows. The working directory and active file lines
    // are shortened with "..." so that they end inside them (the directory
    // keeps its last part, the name its first); at least 72 columns are
    // assumed.
    int columns = kStatusColumns;
};

// Gathers the design's part of the status (match letters, Q values, name,
// the ASCII drawing switch and the stub generator line).
StatusInfo statusFromDesign(const Design& design);

// "= %-6.0f" of a Q value, or "= Inf." from 1e6 on.
std::string formatQ(double q);

// Text fitted into n characters: unchanged when it fits, else "..." and its
// last (keepTail) or first characters; cut hard below four characters.
std::string fitText(const std::string& text, int n, bool keepTail);

// Clears the screen and draws the status cell by cell.
void drawStatusScreen(ui::TextScreen& screen, const StatusInfo& info);

// What a left click on a cell of the status screen asks for.
enum class StatusClick {
    None,
    MatcherSwitch, // command 155
    StubOff,       // stub generator switched off
    SetAllQ,       // command 159
    SetQl,         // command 163
    SetQc,         // command 164
    SetQt,         // command 165
};
StatusClick statusClickAt(int column, int row);

// The pop-up menu a typed character opens: 'D' Design, 'F' File,
// 'U' Utilities (either case); 0 for any other character (which beeps).
char statusMenuKey(int character);

} // namespace tanvex::shell
