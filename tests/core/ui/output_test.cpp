// Palette, pens, box-drawing replacement, bitmaps and hard-copy arithmetic.
#include "ui/bmp.h"
#include "ui/box_ascii.h"
#include "ui/hard_copy.h"
#include "ui/palette.h"
#include "ui/pens.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>

using namespace tanvex::ui;

TEST(Palette, AttributesSplitIntoPaletteColours) {
    EXPECT_EQ(colour(5), (Rgb{225, 0, 255}));
    EXPECT_EQ(colour(6), (Rgb{255, 130, 0}));
    EXPECT_EQ(colour(9), colour(14));
    EXPECT_EQ(colour(10), (Rgb{255, 255, 255}));
    EXPECT_EQ(foregroundColour(0x47), colour(7)); // white on red
    EXPECT_EQ(backgroundColour(0x47), colour(4));
    EXPECT_EQ(foregroundColour(128), colour(0)); // black on grey
    EXPECT_EQ(backgroundColour(128), colour(8));
    // On paper: black background turns white, white text black.
    EXPECT_EQ(backgroundColour(7, true), colour(7));
    EXPECT_EQ(foregroundColour(7, true), colour(0));
    EXPECT_EQ(foregroundColour(14, true), colour(14));
}

TEST(Pens, RequestsOutsideTheTableGiveTheNotice) {
    ScriptedToolkit tk;
    PenBox pens(tk);
    auto p = pens.pen(4, 1);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->colour, colour(4));
    EXPECT_EQ(p->width, 1);
    EXPECT_FALSE(pens.pen(12, 0));
    EXPECT_FALSE(pens.pen(3, 3));
    EXPECT_EQ(tk.notices().size(), 2u);
    EXPECT_TRUE(tk.sawNotice("my_pen error"));
    pens.thickLines = true;
    EXPECT_EQ(pens.pen(2, 0)->width, 2);
    EXPECT_EQ(pens.pen(2, 2)->width, 1); // only solid pens thicken
    pens.printing = true;
    EXPECT_EQ(pens.pen(7)->colour, colour(0));
    pens.printing = false;
    EXPECT_EQ(pens.pen(7)->colour, colour(7));
    EXPECT_GT(pens.cachedPens(), 0);
    EXPECT_FALSE(pens.pen(-1));
    EXPECT_EQ(pens.cachedPens(), 0);
    EXPECT_EQ(tk.notices().size(), 2u);
    EXPECT_EQ(*pens.brush(8), colour(8));
    EXPECT_FALSE(pens.brush(9));
}

TEST(BoxAscii, LineCharactersBecomePlainText) {
    EXPECT_EQ(boxToAscii(static_cast<unsigned char>(178)), 178);
    EXPECT_EQ(boxToAscii(static_cast<unsigned char>(179)), '|');
    EXPECT_EQ(boxToAscii(static_cast<unsigned char>(186)), 'I');
    EXPECT_EQ(boxToAscii(static_cast<unsigned char>(192)), '`');
    EXPECT_EQ(boxToAscii(static_cast<unsigned char>(205)), '=');
    EXPECT_EQ(boxToAscii(static_cast<unsigned char>(217)), '\'');
    EXPECT_EQ(boxToAscii(static_cast<unsigned char>(219)), 'M');
    EXPECT_EQ(boxToAscii(static_cast<unsigned char>(223)), ' ');
    EXPECT_EQ(boxToAscii(static_cast<unsigned char>(234)), 'O');
    EXPECT_EQ(boxToAscii(static_cast<unsigned char>(248)), 'd');
    EXPECT_EQ(boxToAscii(static_cast<unsigned char>(254)), ' ');
    EXPECT_EQ(boxToAscii(static_cast<unsigned char>(255)), 255);
    EXPECT_EQ(boxToAscii(std::string("a\xC9\xCD\xBB")), "a,=,");
}

TEST(Bitmap, ThirtyTwoBitFileIsByteExact) {
    // 2 x 2: top row red, green; bottom row blue, white.
    const std::uint32_t px[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    std::vector<unsigned char> b = encodeBmp32(2, 2, px);
    const unsigned char expected[] = {
        'B', 'M', 70,  0, 0,   0,   0,   0, 0, 0, 54, 0, 0, 0,                    // file header
        40,  0,   0,   0, 2,   0,   0,   0, 2, 0, 0,  0, 1, 0, 32, 0, 0, 0, 0, 0, // info header
        0,   0,   0,   0, 0,   0,   0,   0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0, //
        255, 0,   0,   0, 255, 255, 255, 0, // bottom row first
        0,   0,   255, 0, 0,   255, 0,   0};
    ASSERT_EQ(b.size(), sizeof expected);
    for (std::size_t i = 0; i < b.size(); ++i) EXPECT_EQ(b[i], expected[i]) << "byte " << i;

    // Write, read back, and the export's messages.
    ScriptedToolkit tk;
    std::string base = std::string(TANVEX_PICTURE_DIR) + "/ui_bitmap_test";
    std::string msg = exportBitmap(tk, base, "/work", 2, 2, px);
    EXPECT_EQ(msg, "* Done *  File is: " + base + ".bmp ");
    int w = 0, h = 0;
    std::vector<std::uint32_t> back;
    ASSERT_TRUE(readBmp(base + ".bmp", w, h, back));
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(back, std::vector<std::uint32_t>(px, px + 4));
    EXPECT_TRUE(tk.notices().empty());
    EXPECT_EQ(exportBitmap(tk, "/nonexistent-dir/pic", "/work", 2, 2, px), "");
    EXPECT_TRUE(tk.sawNotice("Can't open bitmap file"));
    // Truncated and foreign files are refused, not read past their end.
    std::ofstream(base + "_bad.bmp", std::ios::binary).write(reinterpret_cast<char*>(b.data()), 60);
    EXPECT_FALSE(readBmp(base + "_bad.bmp", w, h, back));
    std::remove((base + "_bad.bmp").c_str());
    EXPECT_FALSE(readBmp("/nonexistent-dir/pic.bmp", w, h, back));
}

TEST(HardCopy, ScaleRunsAndCaption) {
    // A4 at 600 dpi is 4960 x 7016 pixels.
    EXPECT_EQ(hardCopyScale(640, 480, 4960, 7016), 7);
    EXPECT_EQ(hardCopyScale(100, 100, 4960, 7016), 15);
    EXPECT_EQ(hardCopyScale(5000, 100, 4960, 7016), 1);
    EXPECT_EQ(hardCopyScale(640, 480, 1280, 900), 1); // 2 * 480 > 900
    const std::uint32_t row[] = {0xFFFFFF, 0xFF0000, 0xFF0000, 0xFFFFFF, 0x000000, 0xFF000000};
    auto runs = pixelRuns(row, 6);
    ASSERT_EQ(runs.size(), 2u); // white skipped; the alpha byte is ignored
    EXPECT_EQ(runs[0].x, 1);
    EXPECT_EQ(runs[0].length, 2);
    EXPECT_EQ(runs[1].x, 4);
    EXPECT_EQ(runs[1].length, 2);
    EXPECT_EQ(hardCopyCaption("bp7", 100, 1000, 1e11, "ann"),
              "File: bp7    Ql=100 Qc=1000 Qt=1e+11   User: ann");
    EXPECT_EQ(hardCopyMode('1', true), HardCopyMode::Block);
    EXPECT_EQ(hardCopyMode('1', false), HardCopyMode::PixelRects);
    EXPECT_EQ(hardCopyMode('2', true), HardCopyMode::PixelRects);
    EXPECT_EQ(hardCopyMode('0', true), HardCopyMode::Stretch);
}

TEST(Bitmap, RandomAndTruncatedFilesAreRefusedSafely) {
    const std::uint32_t px[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    std::vector<unsigned char> good = encodeBmp32(4, 3, px);
    std::string path = std::string(TANVEX_PICTURE_DIR) + "/ui_bitmap_fuzz.bmp";
    std::mt19937 rng(7);
    int accepted = 0;
    for (int trial = 0; trial < 400; ++trial) {
        std::vector<unsigned char> b = good;
        if (trial % 2 == 0)
            b.resize(rng() % b.size()); // truncated
        else
            for (int k = 0; k < 4; ++k) b[rng() % 54] = static_cast<unsigned char>(rng());
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
        int w = 0, h = 0;
        std::vector<std::uint32_t> out;
        if (readBmp(path, w, h, out)) {
            ++accepted;
            EXPECT_EQ(out.size(), static_cast<std::size_t>(w) * h);
        }
    }
    EXPECT_LT(accepted, 400);
    std::remove(path.c_str());
}

TEST(Toolkit, ContinueBoxOffersOneBlankKey) {
    ScriptedToolkit tk;
    tk.setPrompt(2, "Sweep finished", 14);
    EXPECT_EQ(tk.continueBox(2), ' ');
    EXPECT_TRUE(tk.sawPrompt("(Cr) to continue"));
    EXPECT_TRUE(tk.sawPrompt("Sweep finished"));
    EXPECT_EQ(tk.log.back(), "KEYS:  ");
    EXPECT_TRUE(tk.prompt[2].text.empty()); // the box cleared the lines
}
