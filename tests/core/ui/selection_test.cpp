#include "ui/selection.h"

#include <gtest/gtest.h>

using namespace tanvex::ui;

TEST(Selection, SeparatorsTakeANumberButNoButton) {
    auto opts = parseOptions("&Disk,&Review,-,&Analysis");
    ASSERT_EQ(opts.size(), 4u);
    EXPECT_TRUE(opts[2].separator);
    EXPECT_EQ(opts[3].caption, "Analysis");
    EXPECT_EQ(opts[3].hotkey, 'A');
    EXPECT_EQ(optionForKey(opts, 'a'), 4);
    EXPECT_EQ(optionForKey(opts, 'R'), 2);
    EXPECT_EQ(optionForKey(opts, '-'), 0);
    SelectionLayout l = layoutSelection(opts, 642);
    ASSERT_EQ(l.buttons.size(), 6u); // 3 fixed + 3 options
    EXPECT_EQ(l.buttons[0].label, "<Esc>");
    EXPECT_EQ(l.buttons[0].result, kSelectEsc);
    EXPECT_EQ(l.buttons[1].result, kSelectHelp);
    EXPECT_EQ(l.buttons[2].label, "si&Ze");
    EXPECT_EQ(l.buttons[5].result, 4);
    // 3 buttons: two per column block, two per row, width (642-2)/3.
    EXPECT_EQ(l.perColumn, 2);
    EXPECT_EQ(l.perRow, 2);
    EXPECT_EQ(l.buttonWidth, 213);
    EXPECT_EQ(l.buttonHeight, 27);
    EXPECT_EQ(l.buttons[3].x, 213);
    EXPECT_EQ(l.buttons[4].x, 426);
    EXPECT_EQ(l.buttons[5].x, 213); // next row
    EXPECT_EQ(l.buttons[5].y, 27);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(l.buttons[i].height, 18);
}

TEST(Selection, ManyOptionsStackThreeHigh) {
    std::string s;
    for (int i = 0; i < 20; ++i) s += (i ? "," : "") + std::string("&") + char('A' + i);
    SelectionLayout l = layoutSelection(parseOptions(s), 802);
    EXPECT_EQ(l.perColumn, 3);
    EXPECT_EQ(l.perRow, 7); // 7 * 3 >= 20
    EXPECT_EQ(l.buttonHeight, 18);
    EXPECT_EQ(l.buttonWidth, 100);
    // The last (20th) option sits in row 2, column 6 of the option grid.
    EXPECT_EQ(l.buttons.back().y, 36);
    EXPECT_EQ(l.buttons.back().x, 6 * 100);
    for (const auto& b : l.buttons) EXPECT_LE(b.y + b.height, 60);
}

TEST(Selection, ClicksOnOptionRows) {
    auto opts = parseOptions("&One,-,&Three");
    SelectionRows rows{5, 10, 14};
    EXPECT_EQ(resultForClick(opts, rows, 5, 10), 1);
    EXPECT_EQ(resultForClick(opts, rows, 30, 12), 3);
    EXPECT_EQ(resultForClick(opts, rows, 6, 11), 0);  // separator: beep
    EXPECT_EQ(resultForClick(opts, rows, 6, 13), 0);  // past the options: beep
    EXPECT_EQ(resultForClick(opts, rows, 2, 10), -1); // left of the marker column
    EXPECT_EQ(resultForClick(opts, rows, 6, 20), -1);
    rows.markerColumn = -5; // clicks elsewhere end the selection
    EXPECT_EQ(resultForClick(opts, rows, 6, 20), kSelectOutside);
    EXPECT_EQ(resultForClick(opts, rows, 6, 12), 3);

    TextScreen screen(80, 25);
    rows.markerColumn = 5;
    showSelectionMarkers(screen, opts, rows);
    EXPECT_EQ(screen.at(5, 10).ch, 'O');
    EXPECT_EQ(screen.at(5, 10).attr, 14);
    EXPECT_EQ(screen.at(5, 11).ch, 0);
    EXPECT_EQ(screen.at(5, 12).ch, 'T');
    markOption(screen, rows, 3);
    EXPECT_EQ(screen.at(5, 12).ch, '-');
    EXPECT_EQ(screen.at(5, 12).attr, 6);
    clearSelectionMarkers(screen, rows);
    EXPECT_EQ(screen.rowText(10), "");
}
