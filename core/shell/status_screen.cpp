#include "shell/status_screen.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tanvex::shell {

namespace {

constexpr unsigned char kTopLeft = 218;
constexpr unsigned char kTopRight = 191;
constexpr unsigned char kBottomLeft = 192;
constexpr unsigned char kBottomRight = 217;
constexpr unsigned char kHorizontal = 196;
constexpr unsigned char kVertical = 179;

// Plain-ASCII stand-ins of the frame, for the ASCII drawing switch.
unsigned char frameChar(unsigned char ch, bool ascii) {
    if (!ascii) return ch;
    switch (ch) {
    case kTopLeft:
    case kTopRight:
        return ',';
    case kBottomLeft:
        return '`';
    case kBottomRight:
        return '\'';
    case kHorizontal:
        return '-';
    default:
        return '|';
    }
}

// A frame of line-drawing characters with its corners at (c1, r1) and
// (c2, r2); the title sits centred on the top edge.
void drawBox(ui::TextScreen& s, int c1, int r1, int c2, int r2, const std::string& title,
             bool ascii) {
    for (int c = c1 + 1; c < c2; ++c) {
        s.put(c, r1, frameChar(kHorizontal, ascii), kAttrBox);
        s.put(c, r2, frameChar(kHorizontal, ascii), kAttrBox);
    }
    for (int r = r1 + 1; r < r2; ++r) {
        s.put(c1, r, frameChar(kVertical, ascii), kAttrBox);
        s.put(c2, r, frameChar(kVertical, ascii), kAttrBox);
    }
    s.put(c1, r1, frameChar(kTopLeft, ascii), kAttrBox);
    s.put(c2, r1, frameChar(kTopRight, ascii), kAttrBox);
    s.put(c1, r2, frameChar(kBottomLeft, ascii), kAttrBox);
    s.put(c2, r2, frameChar(kBottomRight, ascii), kAttrBox);
    int inside = c2 - c1 - 1;
    int start = c1 + 1 + (inside - static_cast<int>(title.size())) / 2;
    s.text(start, r1, title, kAttrTitle);
}

std::string printf1(const char* fmt, const std::string& s) {
    char buf[512];
    std::snprintf(buf, sizeof buf, fmt, s.c_str());
    return buf;
}

std::string printfChar(const char* fmt, char c) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, c);
    return buf;
}

} // namespace

StatusInfo statusFromDesign(const Design& design) {
    StatusInfo info;
    info.terminationMatch = design.record[9].letter;
    info.sourceMatch = design.record[8].letter;
    info.ql = design.analysis[3];
    info.qc = design.analysis[4];
    info.qt = design.analysis[5];
    info.activeFile = design.record[24].str();
    const char* settings = design.record[1].text;
    info.asciiBoxes = settings[23] == '1';
    for (int i = 0; i < 23; ++i)
        if (settings[i] == '\0') {
            info.asciiBoxes = false;
            break;
        }
    if (design.record[2].text[0] == '1') info.stubLine = "Stub generator: ON";
    return info;
}

std::string fitText(const std::string& text, int n, bool keepTail) {
    if (n < 0) n = 0;
    const auto size = static_cast<std::size_t>(n);
    if (text.size() <= size) return text;
    if (n < 4) return text.substr(0, size);
    if (keepTail) return "..." + text.substr(text.size() - (size - 3));
    return text.substr(0, size - 3) + "...";
}

std::string formatQ(double q) {
    if (q >= 1e6) return "= Inf.";
    char buf[64];
    std::snprintf(buf, sizeof buf, "= %-6.0f", q);
    return buf;
}

void drawStatusScreen(ui::TextScreen& s, const StatusInfo& info) {
    s.clear();
    s.text(5, 2, kVersionText, kAttrVersion);

    const bool ascii = info.asciiBoxes;
    drawBox(s, 2, 3, 23, 6, "> Matcher status <", ascii);
    char term = info.terminationMatch == 'x' ? '?' : info.terminationMatch;
    if (term == '\0') term = '?';
    char source = info.sourceMatch == '\0' ? ' ' : info.sourceMatch;
    s.text(5, 4, printfChar("Termination: %c", term), kAttrText);
    s.text(5, 5, printfChar("  Source: %c", source), kAttrText);
    const char* state = "Programmed";
    if (info.terminationMatch == 'X' && info.sourceMatch == 'X')
        state = "Disabled";
    else if (info.terminationMatch == 'x' && info.sourceMatch == 'x')
        state = "Reset";
    s.text(5, 6, state, kAttrTitle);

    drawBox(s, 25, 2, 45, 6, "> Assumed Q <", ascii);
    s.text(26, 3, "  Ind. Ql" + formatQ(info.ql), kAttrText);
    s.text(26, 4, "  Cap. Qc" + formatQ(info.qc), kAttrText);
    s.text(26, 5, "Trans. Qt" + formatQ(info.qt), kAttrText);

    // Both lines end by the last column the window shows.
    const int room = std::max(info.columns, 72) - 48;
    const int dirRoom = room - static_cast<int>(std::strlen(" Working directory:  "));
    const int fileRoom = room - static_cast<int>(std::strlen(" Active file:  "));
    s.text(48, 2, printf1(" Working directory: %s ", fitText(info.workingDirectory, dirRoom, true)),
           kAttrWorkingDir);
    s.text(48, 4, printf1(" Active file: %s ", fitText(info.activeFile, fileRoom, false)),
           kAttrActiveFile);
    if (!info.stubLine.empty()) s.text(48, 6, info.stubLine, kAttrStubLine);
    if (!info.noiseLine.empty()) {
        // The line starts at column 48 when the window is wide enough; in a
        // narrower one it moves left up to the Q box, and failing that the
        // value goes to the row below, so no digit or unit is cut off.
        const int width = std::max(info.columns, 72);
        const int len = static_cast<int>(info.noiseLine.size());
        if (48 + len <= width) {
            s.text(48, 8, info.noiseLine, kAttrNoiseLine);
        } else if (46 + len <= width) {
            s.text(width - len, 8, info.noiseLine, kAttrNoiseLine);
        } else {
            const std::size_t eq = info.noiseLine.find("= ");
            const std::string head = info.noiseLine.substr(0, eq == std::string::npos ? 0 : eq + 1);
            const std::string value =
                eq == std::string::npos ? info.noiseLine : info.noiseLine.substr(eq + 2);
            s.text(48, 8, head, kAttrNoiseLine);
            s.text(std::max(46, width - static_cast<int>(value.size())), 9, value, kAttrNoiseLine);
        }
    }
    ++s.revision;
}

StatusClick statusClickAt(int column, int row) {
    if (column >= 3 && column <= 22 && row >= 4 && row <= 5) return StatusClick::MatcherSwitch;
    if (column >= 48 && column <= 70 && row == 6) return StatusClick::StubOff;
    if (column >= 26 && column <= 44 && row == 2) return StatusClick::SetAllQ;
    if (column >= 26 && column <= 46) {
        if (row == 3) return StatusClick::SetQl;
        if (row == 4) return StatusClick::SetQc;
        if (row == 5) return StatusClick::SetQt;
    }
    return StatusClick::None;
}

char statusMenuKey(int character) {
    switch (character) {
    case 'D':
    case 'd':
        return 'D';
    case 'F':
    case 'f':
        return 'F';
    case 'U':
    case 'u':
        return 'U';
    default:
        return 0;
    }
}

} // namespace tanvex::shell
