#include "shell/position_file.h"

#include <gtest/gtest.h>

#include <random>

using namespace tanvex::shell;

namespace {

const WindowRect kDefault{5, 5, 640, 480};

std::string tenRects() {
    std::string s;
    for (int i = 0; i < kWindowSlots; ++i)
        s += std::to_string(10 * i) + "," + std::to_string(20 + i) + "," + std::to_string(300 + i) +
             "," + std::to_string(200 + i) + "\r\n";
    return s;
}

} // namespace

TEST(PositionFile, WrittenFileReadsBackRectanglesAndRecentDesigns) {
    PositionData data;
    for (int i = 0; i < kWindowSlots; ++i) data.rects[i] = WindowRect{i, 2 * i, 100 + i, 50 + i};
    data.recent = {{"/home/a", "lp7", false}, {"/home/b", "notch", false}};
    std::string text = formatPositionFile(data, "/work/x", "bandpass");
    // CR LF line ends, the rectangle lines first.
    EXPECT_EQ(text.substr(0, 11), "0,0,100,50\r");
    PositionData back = parsePositionFile(text, 1000);
    EXPECT_EQ(back.rects, data.rects);
    ASSERT_EQ(back.recent.size(), 3u);
    EXPECT_EQ(back.recent[0], (RecentDesign{"/work/x", "bandpass", false}));
    EXPECT_EQ(back.recent[1], data.recent[0]);
    EXPECT_EQ(back.recent[2], data.recent[1]);
}

TEST(PositionFile, MalformedLineEndsTheRectangles) {
    // The fourth line holds only three numbers: main window and the next two
    // keep their values, the other seven get the defaults.
    std::string text = "1,2,3,4\r\n5,6,7,8\r\n9,10,11,12\r\n13,14,15\r\n17,18,19,20\r\n";
    PositionData d = parsePositionFile(text, 1000);
    EXPECT_EQ(d.rects[0], (WindowRect{1, 2, 3, 4}));
    EXPECT_EQ(d.rects[1], (WindowRect{5, 6, 7, 8}));
    EXPECT_EQ(d.rects[2], (WindowRect{9, 10, 11, 12}));
    for (int i = 3; i < kWindowSlots; ++i) EXPECT_EQ(d.rects[i], kDefault) << i;
    EXPECT_TRUE(d.recent.empty());

    // Five numbers are as wrong as three.
    d = parsePositionFile("1,2,3,4,5\r\n", 1000);
    EXPECT_EQ(d.rects[0], kDefault);
    // Missing file: every rectangle the default.
    d = readPositionFile("/nonexistent/dir/tanvexw_pos.dat", 1000);
    for (const WindowRect& r : d.rects) EXPECT_EQ(r, kDefault);
}

TEST(PositionFile, WindowBelowNinetyPercentOfDesktopMovesToOrigin) {
    std::string text = "100,901,640,480\r\n100,900,640,480\r\n";
    PositionData d = parsePositionFile(text, 1000);
    EXPECT_EQ(d.rects[0], (WindowRect{0, 0, 640, 480}));
    EXPECT_EQ(d.rects[1], (WindowRect{100, 900, 640, 480})); // exactly 90% stays
}

TEST(PositionFile, RecentListStopsAtEmptyNameOrNinePairs) {
    std::string text = tenRects();
    for (int i = 0; i < 12; ++i)
        text += "/d" + std::to_string(i) + "\r\nn" + std::to_string(i) + "\r\n";
    PositionData d = parsePositionFile(text, 1000);
    EXPECT_EQ(d.rects[9], (WindowRect{90, 29, 309, 209}));
    ASSERT_EQ(d.recent.size(), 9u);
    EXPECT_EQ(d.recent[8].name, "n8");

    text = tenRects() + "/a\r\nfirst\r\n/b\r\n\r\n/c\r\nthird\r\n";
    d = parsePositionFile(text, 1000);
    ASSERT_EQ(d.recent.size(), 1u);
    EXPECT_EQ(d.recent[0].name, "first");

    // A directory without its name line is dropped.
    d = parsePositionFile(tenRects() + "/a\r\nfirst\r\n/dangling", 1000);
    EXPECT_EQ(d.recent.size(), 1u);
}

TEST(PositionFile, BareLineFeedsReadLikeCrLf) {
    std::string crlf = tenRects() + "/home/u/designs\r\nbp5\r\n";
    std::string lf = crlf;
    for (std::size_t p; (p = lf.find('\r')) != std::string::npos;) lf.erase(p, 1);
    PositionData a = parsePositionFile(crlf, 1000);
    PositionData b = parsePositionFile(lf, 1000);
    EXPECT_EQ(a.rects, b.rects);
    EXPECT_EQ(a.recent, b.recent);
    ASSERT_EQ(b.recent.size(), 1u);
    EXPECT_EQ(b.recent[0].name, "bp5"); // no character lost at the line end
}

TEST(PositionFile, ExitListRules) {
    std::vector<RecentDesign> recent = {{"/a", "one", false},
                                        {"/b", "two", true}, // its file went missing
                                        {"/c", "bandpass", false},
                                        {"/d", "four", false}};
    // The default design is never put on the list.
    auto out = recentForExit(recent, "/w", "default");
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].name, "one");
    EXPECT_EQ(out[1].name, "bandpass");
    EXPECT_EQ(out[2].name, "four");
    EXPECT_EQ(recentForExit(recent, "/w", "DEFAULT").size(), 3u);

    // A named design comes first; an older entry of that name is dropped.
    out = recentForExit(recent, "/w", "bandpass");
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0], (RecentDesign{"/w", "bandpass", false}));
    EXPECT_EQ(out[1].name, "one");
    EXPECT_EQ(out[2].name, "four");

    // Never more than nine pairs, so the reader takes all of them back.
    std::vector<RecentDesign> full;
    for (int i = 0; i < 9; ++i) full.push_back({"/d", "n" + std::to_string(i), false});
    out = recentForExit(full, "/w", "new");
    ASSERT_EQ(out.size(), 9u);
    EXPECT_EQ(out[0].name, "new");
    EXPECT_EQ(out[8].name, "n7");
}

TEST(PositionFile, FileRoundTripOnDisk) {
    std::string path = std::string(TANVEX_BUILD_HOME) + "/../tests/shell_pos_roundtrip.dat";
    PositionData data;
    data.rects[kHelpWindow] = WindowRect{-3, 7, 800, 600};
    ASSERT_TRUE(writePositionFile(path, data, "/x/y", "lp"));
    PositionData back = readPositionFile(path, 2000);
    EXPECT_EQ(back.rects, data.rects);
    ASSERT_EQ(back.recent.size(), 1u);
    EXPECT_EQ(back.recent[0].directory, "/x/y");
    EXPECT_FALSE(writePositionFile("/nonexistent/dir/pos.dat", data, "/x", "lp"));
}

// Random, truncated and mutated files must never crash the reader, and what
// it returns must stay within its limits.
TEST(PositionFile, FuzzedInputNeverBreaksTheReader) {
    std::mt19937 rng(20261207);
    PositionData good;
    for (int i = 0; i < kWindowSlots; ++i) good.rects[i] = WindowRect{i, i, 400, 300};
    for (int i = 0; i < 9; ++i)
        good.recent.push_back({"/dir" + std::to_string(i), "d" + std::to_string(i), false});
    const std::string valid = formatPositionFile(good, "/w", "default");
    const char alphabet[] = "0123456789,-+./eE\r\n xX\0\xff";
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        switch (round % 3) {
        case 0: // truncated
            text = valid.substr(0, rng() % (valid.size() + 1));
            break;
        case 1: { // mutated
            text = valid;
            int n = 1 + rng() % 8;
            for (int k = 0; k < n; ++k)
                text[rng() % text.size()] = alphabet[rng() % (sizeof alphabet - 1)];
            break;
        }
        default: { // random
            std::size_t len = rng() % 600;
            for (std::size_t k = 0; k < len; ++k)
                text += (rng() % 4 == 0) ? static_cast<char>(rng() % 256)
                                         : alphabet[rng() % (sizeof alphabet - 1)];
        }
        }
        PositionData d = parsePositionFile(text, 768);
        ASSERT_LE(d.recent.size(), 9u);
        for (const auto& r : d.recent) ASSERT_FALSE(r.name.empty());
        for (const auto& r : d.rects) {
            ASSERT_LE(r.y, 0.9 * 768);
            ASSERT_LE(std::abs(r.width), 1000000);
        }
    }
    // Huge numbers are clamped rather than overflowing an int.
    PositionData d = parsePositionFile("1e300,-1e300,nan,99999999999\r\n", 768);
    EXPECT_EQ(d.rects[0].x, 1000000);
    EXPECT_EQ(d.rects[0].y, -1000000);
    EXPECT_EQ(d.rects[0].width, 0); // letters are not numbers
    EXPECT_EQ(d.rects[0].height, 1000000);
}
