#include "shell/status_screen.h"

#include <gtest/gtest.h>

using namespace tanvex::shell;
using tanvex::ui::TextScreen;

namespace {

// The text in cells col.. of row, and whether every one of them carries attr.
std::string cells(const TextScreen& s, int col, int row, int n, int* attr = nullptr) {
    std::string out;
    for (int c = col; c < col + n; ++c) {
        out += static_cast<char>(s.at(c, row).ch ? s.at(c, row).ch : ' ');
        if (attr && s.at(c, row).attr != *attr) *attr = -1;
    }
    return out;
}

StatusInfo sample() {
    StatusInfo i;
    i.terminationMatch = 'F';
    i.sourceMatch = 'L';
    i.ql = 150;
    i.qc = 1e11;
    i.qt = 999999.0;
    i.workingDirectory = "/home/eng/filters";
    i.activeFile = "bandpass";
    return i;
}

} // namespace

TEST(StatusScreen, TextsStandWhereTheyBelong) {
    TextScreen s(kStatusColumns, kStatusRows);
    drawStatusScreen(s, sample());
    EXPECT_EQ(cells(s, 5, 2, 14), "Version: 2.59b");
    EXPECT_EQ(cells(s, 5, 4, 14), "Termination: F");
    EXPECT_EQ(cells(s, 5, 5, 11), "  Source: L");
    EXPECT_EQ(cells(s, 5, 6, 10), "Programmed");
    EXPECT_EQ(cells(s, 26, 3, 17), "  Ind. Ql= 150   ");
    EXPECT_EQ(cells(s, 26, 4, 15), "  Cap. Qc= Inf.");
    EXPECT_EQ(cells(s, 26, 5, 17), "Trans. Qt= 999999");
    int red = kAttrWorkingDir;
    EXPECT_EQ(cells(s, 48, 2, 38, &red), " Working directory: /home/eng/filters ");
    EXPECT_EQ(red, 4 * 16 + 7); // white on red
    int blue = kAttrActiveFile;
    EXPECT_EQ(cells(s, 48, 4, 23, &blue), " Active file: bandpass ");
    EXPECT_EQ(blue, 1 * 16 + 7); // white on blue
    // Nothing else on the stub generator and noise rows.
    EXPECT_EQ(s.rowText(8), "");
}

TEST(StatusScreen, BoxesAreFramedWithTitlesOnTheTopEdge) {
    TextScreen s(kStatusColumns, kStatusRows);
    drawStatusScreen(s, sample());
    // Matcher box 2,3 - 23,6; Q box 25,2 - 45,6.
    EXPECT_EQ(s.at(2, 3).ch, 218);
    EXPECT_EQ(s.at(23, 3).ch, 191);
    EXPECT_EQ(s.at(2, 6).ch, 192);
    EXPECT_EQ(s.at(23, 6).ch, 217);
    EXPECT_EQ(s.at(2, 4).ch, 179);
    EXPECT_EQ(s.at(23, 5).ch, 179);
    EXPECT_EQ(s.at(2, 4).attr, kAttrBox);
    EXPECT_EQ(s.at(25, 2).ch, 218);
    EXPECT_EQ(s.at(45, 6).ch, 217);
    EXPECT_EQ(s.at(30, 6).ch, 196);
    EXPECT_NE(s.rowText(3).find("> Matcher status <"), std::string::npos);
    EXPECT_NE(s.rowText(2).find("> Assumed Q <"), std::string::npos);
    // The titles stay inside their frames.
    std::size_t t = s.rowText(2).find("> Assumed Q <");
    EXPECT_GT(t, 25u);
    EXPECT_LT(t + 13, 45u);

    StatusInfo a = sample();
    a.asciiBoxes = true;
    drawStatusScreen(s, a);
    EXPECT_EQ(s.at(2, 4).ch, '|');
    EXPECT_EQ(s.at(30, 6).ch, '-');
}

TEST(StatusScreen, MatcherStateWords) {
    TextScreen s(kStatusColumns, kStatusRows);
    StatusInfo i = sample();
    i.terminationMatch = i.sourceMatch = 'X';
    drawStatusScreen(s, i);
    EXPECT_EQ(cells(s, 5, 6, 8), "Disabled");
    i.terminationMatch = i.sourceMatch = 'x';
    drawStatusScreen(s, i);
    EXPECT_EQ(cells(s, 5, 6, 5), "Reset");
    EXPECT_EQ(cells(s, 5, 4, 14), "Termination: ?");
    EXPECT_EQ(cells(s, 5, 5, 11), "  Source: x");
    i.terminationMatch = 'X'; // mixed: programmed
    drawStatusScreen(s, i);
    EXPECT_EQ(cells(s, 5, 6, 10), "Programmed");
}

TEST(StatusScreen, QFormatting) {
    EXPECT_EQ(formatQ(150), "= 150   ");
    EXPECT_EQ(formatQ(1234.6), "= 1235  ");
    EXPECT_EQ(formatQ(1e6), "= Inf.");
    EXPECT_EQ(formatQ(1e11), "= Inf.");
}

TEST(StatusScreen, OneShotLinesAndStubLine) {
    TextScreen s(kStatusColumns, kStatusRows);
    StatusInfo i = sample();
    i.stubLine = "Stub generator: ON";
    i.noiseLine = "Equivalent noise Bw = 1.5 MHz ";
    drawStatusScreen(s, i);
    EXPECT_EQ(cells(s, 48, 6, 18), "Stub generator: ON");
    EXPECT_EQ(s.at(48, 6).attr, 2);
    EXPECT_EQ(cells(s, 48, 8, 30), "Equivalent noise Bw = 1.5 MHz ");
}

TEST(StatusScreen, ClickAreas) {
    EXPECT_EQ(statusClickAt(3, 4), StatusClick::MatcherSwitch);
    EXPECT_EQ(statusClickAt(22, 5), StatusClick::MatcherSwitch);
    EXPECT_EQ(statusClickAt(2, 4), StatusClick::None);
    EXPECT_EQ(statusClickAt(10, 6), StatusClick::None);
    EXPECT_EQ(statusClickAt(26, 2), StatusClick::SetAllQ);
    EXPECT_EQ(statusClickAt(44, 2), StatusClick::SetAllQ);
    EXPECT_EQ(statusClickAt(45, 2), StatusClick::None);
    EXPECT_EQ(statusClickAt(26, 3), StatusClick::SetQl);
    EXPECT_EQ(statusClickAt(46, 4), StatusClick::SetQc);
    EXPECT_EQ(statusClickAt(40, 5), StatusClick::SetQt);
    EXPECT_EQ(statusClickAt(47, 5), StatusClick::None);
    EXPECT_EQ(statusClickAt(48, 6), StatusClick::StubOff);
    EXPECT_EQ(statusClickAt(70, 6), StatusClick::StubOff);
    EXPECT_EQ(statusClickAt(71, 6), StatusClick::None);
}

TEST(StatusScreen, TypedLettersOpenMenusInEitherCase) {
    EXPECT_EQ(statusMenuKey('D'), 'D');
    EXPECT_EQ(statusMenuKey('d'), 'D');
    EXPECT_EQ(statusMenuKey('f'), 'F');
    EXPECT_EQ(statusMenuKey('U'), 'U');
    EXPECT_EQ(statusMenuKey('x'), 0);
    EXPECT_EQ(statusMenuKey('1'), 0);
}

TEST(StatusScreen, LongDirectoryAndNameEndInsideTheWindow) {
    StatusInfo i = sample();
    i.workingDirectory = "/home/engineer/projects/filters/bandpass/second_try";
    i.activeFile = "a_design_name_of_29_chars_xyz";
    i.columns = 80;
    TextScreen s(kStatusColumns, kStatusRows);
    drawStatusScreen(s, i);
    // Nothing beyond the last column shown, positions unchanged.
    for (int row = 0; row < kStatusRows; ++row) EXPECT_LE(s.rowText(row).size(), 80u) << row;
    EXPECT_EQ(cells(s, 48, 2, 32), " Working directory: ...cond_try ");
    EXPECT_EQ(s.at(79, 2).attr, kAttrWorkingDir);
    EXPECT_EQ(s.at(80, 2).ch, 0);
    EXPECT_EQ(cells(s, 48, 4, 32), " Active file: a_design_name_... ");
    EXPECT_EQ(s.at(80, 4).ch, 0);
    // A window wide enough shows both whole.
    i.columns = 132;
    drawStatusScreen(s, i);
    EXPECT_EQ(cells(s, 48, 2, 72), " Working directory: " + i.workingDirectory + " ");
    EXPECT_EQ(cells(s, 48, 4, 44), " Active file: a_design_name_of_29_chars_xyz ");
}

TEST(StatusScreen, FitTextKeepsTheEndThatMatters) {
    EXPECT_EQ(fitText("/a/b/c", 6, true), "/a/b/c");
    EXPECT_EQ(fitText("/work/main/examples", 10, true), "...xamples");
    EXPECT_EQ(fitText("bandpass_long", 8, false), "bandp...");
    EXPECT_EQ(fitText("abcdef", 3, true), "abc");
    EXPECT_EQ(fitText("abcdef", -2, true), "");
}
