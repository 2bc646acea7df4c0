// Random drawings: any codes at all (unknown ones, codes 90 to 100, groups
// cut short by the source), every sink, any first and last branch.
//
// Random editing sessions: random networks, random commands and random
// answers (branch numbers inside, at and beyond the ends of the list). After
// every command the entry list must still be a network - a terminator right
// after the source, a size the files can hold - and it must draw; "Oops!"
// must walk back to the network the session started from.
#include "design/design_file.h"
#include "design/operations.h"
#include "schematic/editor.h"
#include "schematic/network_edit.h"
#include "test_networks.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <unistd.h>

using namespace tanvex;
using namespace tanvex::schematic;

namespace {

// Group codes with the letters of their entries.
struct Shape {
    int code;
    const char* letters;
};
const Shape kShapes[] = {
    {2, "C"},       {2, "L"},    {3, "L"},      {3, "C"},         {4, "LC"},    {5, "LC"},
    {5, "CC"},      {6, "LCL"},  {7, "LCC"},    {10, "CCCLC"},    {11, "LC"},   {12, "CLCL"},
    {14, "LCR"},    {15, "CCC"}, {16, "ZD"},    {17, "ZD"},       {18, "ZD"},   {19, "ZD"},
    {23, "ZD"},     {24, "N"},   {27, "LCCL"},  {28, "CLLC"},     {29, "LCLC"}, {30, "LCCL"},
    {31, "LCLLCL"}, {44, "1"},   {48, "CLRCL"}, {49, "LCCLC"},    {8, "R"},     {9, "_"},
    {22, "F"},      {21, "R"},   {53, "c"},     {13, "CLCLCLCL"},
};

Design randomDesign(std::mt19937& rng) {
    Design d = test::designOf({});
    int k = 1;
    int groups = std::uniform_int_distribution<int>(0, 12)(rng);
    std::uniform_real_distribution<double> scale(0.5, 2.0);
    for (int g = 0; g < groups; ++g) {
        const Shape& s =
            kShapes[std::uniform_int_distribution<int>(0, std::size(kShapes) - 1)(rng)];
        for (const char* l = s.letters; *l; ++l) {
            double v = 1.0;
            switch (*l) {
            case 'C':
                v = 10e-12;
                break;
            case 'L':
                v = 50e-9;
                break;
            case 'R':
                v = 75.0;
                break;
            case 'Z':
                v = 60.0;
                break;
            case 'D':
                v = 0.7;
                break;
            case 'N':
                v = 2.0;
                break;
            case 'F':
                v = 150e6;
                break;
            case '1':
                v = 100.0;
                break;
            default:
                v = 0.0;
                break;
            }
            d.entries[k++] = {v * scale(rng), *l, s.code};
        }
    }
    d.entries[k] = {50.0, 'R', 1};
    d.entries[k + 1] = {100e6, 'x', 1};
    return d;
}

// The list is still a network: a source with the terminator after it.
void expectNetwork(const Design& d, const std::string& what) {
    int n = entryCount(d.entries);
    ASSERT_GE(n, 1) << what;
    ASSERT_LE(n + 1, kEntrySlots - 1) << what;
    EXPECT_EQ(d.entries[n].code, 1) << what;
    EXPECT_EQ(d.entries[n + 1].letter, 'x') << what;
    for (int i = n + 2; i < kEntrySlots; ++i)
        ASSERT_EQ(d.entries[i].code, 0) << what << ": stale entry " << i << " past the terminator";
}

const int kCommands[] = {kCmdChange,  kCmdDelete, kCmdCombine, kCmdInterchange, kCmdMove,
                         kCmdRotate,  kCmdCopy,   kCmdReverse, kCmdQException,  kCmdRatio,
                         kCmdSplit,   kCmdNorm,   kCmdUnNorm,  kCmdTermZo,      kCmdSrcZo,
                         kCmdRatioZo, kCmdInvert, kCmdDual,    kCmdFreq,        kCmdBandpass,
                         kCmdOops,    kCmdSpread, kCmdInsert};

} // namespace

TEST(EditorFuzz, RandomSessionsKeepAWellFormedNetwork) {
    auto dir = std::filesystem::temp_directory_path() /
               ("tanvex_editor_fuzz_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    auto old = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    ::setenv("TMTANVEX", dir.c_str(), 1);

    std::mt19937 rng(20261207);
    std::map<int, int> edited, tried;
    for (int session = 0; session < 1500; ++session) {
        ui::ScriptedToolkit tk;
        Design d = randomDesign(rng);
        setSaved(d.record, true);
        const Design start = d;
        Editor ed(d, tk);
        ed.open();
        ui::TextScreen screen(90, 30);
        int changes = 0;
        for (int step = 0; step < 12; ++step) {
            int n = entryCount(d.entries);
            int c = kCommands[std::uniform_int_distribution<int>(0, std::size(kCommands) - 1)(rng)];
            std::uniform_int_distribution<int> branch(-2, n + 3);
            for (int a = 0; a < 6; ++a) {
                switch (std::uniform_int_distribution<int>(0, 4)(rng)) {
                case 0:
                    tk.answer(std::to_string(branch(rng)));
                    break;
                case 1:
                    tk.answer(std::to_string(branch(rng)) + "," + std::to_string(branch(rng)));
                    break;
                case 2:
                    tk.answer("");
                    break;
                case 3:
                    tk.answer("Y");
                    break;
                default:
                    tk.answer(std::to_string(std::uniform_int_distribution<int>(1, 200)(rng)));
                }
            }
            if (c == kCmdInsert) tk.answer("0");
            if (c == kCmdCombine) {
                // Two entries of one letter and code, when the network has them.
                std::vector<std::string> pairs;
                for (int i = 1; i < n; ++i)
                    for (int j = 1; j < n; ++j)
                        if (i != j && d.entries[i].code == d.entries[j].code &&
                            d.entries[i].letter == d.entries[j].letter)
                            pairs.push_back(std::to_string(i) + "," + std::to_string(j));
                if (!pairs.empty()) {
                    tk.answers.clear();
                    tk.answer(pairs[std::uniform_int_distribution<std::size_t>(0, pairs.size() -
                                                                                      1)(rng)]);
                }
            }
            if (std::uniform_int_distribution<int>(0, 3)(rng) == 0) {
                ed.select(std::uniform_int_distribution<int>(0, n)(rng));
                ed.select(std::uniform_int_distribution<int>(0, n)(rng));
            }
            std::string what = "session " + std::to_string(session) + " step " +
                               std::to_string(step) + " command " + std::to_string(c);
            EntryList before = d.entries;
            ed.run(c);
            tk.answers.clear();
            bool differs = false;
            for (int i = 0; i < kEntrySlots; ++i)
                differs = differs || before[i].value != d.entries[i].value ||
                          before[i].code != d.entries[i].code;
            if (differs) ++edited[c];
            ++tried[c];
            ed.clearSelection();
            if (c != kCmdOops && c != kCmdSpread && c != kCmdRatio) ++changes;
            expectNetwork(d, what);
            if (::testing::Test::HasFatalFailure()) return;
            ed.paint(screen);
            Renderer r;
            r.draw(d, SinkKind::Document, 0, 0);
            EXPECT_FALSE(r.document().empty()) << what;
        }
        // Walking back through the ring: at most ten steps are kept, so a
        // session of ten or fewer changes returns to where it began.
        if (changes <= kUndoDepth) {
            for (int k = 0; k < kUndoDepth + 1; ++k) ed.run(kCmdOops);
            int n = entryCount(start.entries);
            ASSERT_EQ(entryCount(d.entries), n) << "session " << session;
            for (int i = 0; i <= n + 1; ++i) {
                EXPECT_EQ(d.entries[i].code, start.entries[i].code) << session << " entry " << i;
                EXPECT_EQ(d.entries[i].letter, start.entries[i].letter) << session << " " << i;
                EXPECT_DOUBLE_EQ(d.entries[i].value, start.entries[i].value) << session << " " << i;
            }
        }
        tk.answer("N");
        ed.run(kCmdExit);
        ed.closed();
    }
    std::filesystem::current_path(old);
    std::filesystem::remove_all(dir);
    // Every command must have changed the network at least once: the
    // sessions reach past the refusals.
    for (int c : kCommands) {
        if (c == kCmdSpread || c == kCmdUnNorm || c == kCmdRatio) continue;
        EXPECT_GT(edited[c], 0) << "command " << c << " never changed the network in " << tried[c];
    }
}

TEST(RendererFuzz, AnyEntryListDrawsInsideItsScreen) {
    std::mt19937 rng(7);
    const int kCodes[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,  13,  14, 15,  16, 17,
                          18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30,  31,  32, 33,  34, 35,
                          36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48,  49,  50, 51,  52, 53,
                          54, 77, 90, 91, 92, 93, 94, 95, 96, 97, 98, 99, 100, 101, -3, 1000};
    const char kLetters[] = "LCRZDNFx_0123456789clt";
    for (int round = 0; round < 2000; ++round) {
        Design d = test::designOf({});
        int count = std::uniform_int_distribution<int>(1, 148)(rng);
        for (int i = 1; i < count; ++i) {
            int c = kCodes[std::uniform_int_distribution<int>(0, std::size(kCodes) - 1)(rng)];
            if (c == 1) c = 2; // one source only, at the end
            char l = kLetters[std::uniform_int_distribution<int>(0, sizeof kLetters - 2)(rng)];
            double v = std::uniform_real_distribution<double>(-2.0, 2.0)(rng);
            if (std::uniform_int_distribution<int>(0, 9)(rng) == 0) v = -1.0;
            if (std::uniform_int_distribution<int>(0, 9)(rng) == 0) v = 0.0;
            if (std::uniform_int_distribution<int>(0, 19)(rng) == 0) v = -9.0;
            d.entries[i] = {v * 1e-9, l, c};
        }
        d.entries[count] = {50.0, 'R', 1};
        d.entries[count + 1] = {100e6, 'x', 1};
        ui::ScriptedToolkit tk;
        Renderer r;
        r.toolkit = &tk;
        r.draw(d, SinkKind::Document, 0, 0);
        ASSERT_FALSE(r.document().empty()) << round;
        EXPECT_NE(r.document().back().find("Fc ="), std::string::npos) << round;
        for (const auto& line : r.document()) EXPECT_LT(line.size(), 200u) << round;

        ui::TextScreen screen(80, 24);
        r.window.screen = &screen;
        r.window.visibleLines = std::uniform_int_distribution<int>(1, 24)(rng);
        r.window.firstSelected = std::uniform_int_distribution<int>(-1, count)(rng);
        int first = std::uniform_int_distribution<int>(0, count + 2)(rng);
        int last = r.draw(d, SinkKind::Window, first, -1);
        EXPECT_LE(r.linesDrawn(), r.window.visibleLines) << round;
        EXPECT_TRUE(last == 0 || (last >= first - 1 && last <= count + 1)) << round << " " << last;
        r.draw(d, SinkKind::Document, 0, std::uniform_int_distribution<int>(1, count)(rng));

        ui::TextScreen side(80, 20);
        r.textView.screen = &side;
        r.textView.cursorRow = 0;
        r.draw(d, SinkKind::TextScreen, 0, 0);
    }
}

// Random transforms with random answers on random networks: the list stays a
// network, no transform leaves an infinite, NaN or zero L or C where there
// was none, a command that changes nothing leaves the unchanged flag and the
// undo ring alone, and one "Oops!" undoes a change exactly.
TEST(EditorFuzz, RandomTransformsKeepSoundValuesAndUndo) {
    auto dir = std::filesystem::temp_directory_path() /
               ("tanvex_transform_fuzz_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    auto old = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    ::setenv("TMTANVEX", dir.c_str(), 1);
    const int kTransforms[] = {kCmdXform,     kCmdForce,         kCmdPiT,        kCmdJkInverter,
                               kCmdKuroda,    kCmdNegativeValue, kCmdEqualValue, kCmdIterate,
                               kCmdLcdInsert, kCmdLcdCompensate, kCmdCp,         kCmdDipole,
                               kCmdStub,      kCmdProgStuber,    kCmdTriplet};
    auto soundValues = [](const EntryList& l) {
        int n = entryCount(l);
        for (int i = 1; i < n; ++i)
            if ((l[i].letter == 'L' || l[i].letter == 'C') &&
                (!std::isfinite(l[i].value) || l[i].value == 0.0))
                return false;
        return true;
    };
    std::mt19937 rng(1912);
    std::map<int, int> edited;
    for (int session = 0; session < 1500; ++session) {
        ui::ScriptedToolkit tk;
        Design d = randomDesign(rng);
        setSaved(d.record, true);
        Editor ed(d, tk);
        ed.open();
        for (int step = 0; step < 8; ++step) {
            int n = entryCount(d.entries);
            int c =
                kTransforms[std::uniform_int_distribution<int>(0, std::size(kTransforms) - 1)(rng)];
            std::uniform_int_distribution<int> branch(-1, n + 2);
            for (int a = 0; a < 5; ++a) {
                switch (std::uniform_int_distribution<int>(0, 5)(rng)) {
                case 0:
                    tk.answer(std::to_string(branch(rng)));
                    break;
                case 1:
                    tk.answer(std::to_string(branch(rng)) + "," + std::to_string(branch(rng)));
                    break;
                case 2:
                    tk.answer("");
                    break;
                case 3:
                    tk.answer(std::uniform_int_distribution<int>(0, 1)(rng) ? "L" : "C");
                    break;
                case 4:
                    tk.answer(std::to_string(std::uniform_real_distribution<double>(-2, 3)(rng)));
                    break;
                default:
                    tk.answer(std::to_string(std::uniform_int_distribution<int>(1, 300)(rng)));
                }
            }
            std::string what = "session " + std::to_string(session) + " step " +
                               std::to_string(step) + " command " + std::to_string(c);
            const EntryList before = d.entries;
            const bool sound = soundValues(before);
            const bool wasUnchanged = ed.unchanged();
            const int undo = ed.undoCount();
            ed.run(c);
            tk.answers.clear();
            expectNetwork(d, what);
            if (::testing::Test::HasFatalFailure()) return;
            bool differs = false;
            for (int i = 0; i < kEntrySlots && !differs; ++i)
                differs = std::memcmp(&before[i].value, &d.entries[i].value, sizeof(double)) != 0 ||
                          before[i].code != d.entries[i].code ||
                          before[i].letter != d.entries[i].letter;
            if (!differs) {
                EXPECT_EQ(ed.unchanged(), wasUnchanged) << what;
                EXPECT_EQ(ed.undoCount(), undo) << what;
                continue;
            }
            ++edited[c];
            EXPECT_TRUE(!sound || soundValues(d.entries)) << what;
            EXPECT_FALSE(ed.unchanged()) << what;
            const EntryList after = d.entries;
            ed.run(kCmdOops);
            EXPECT_EQ(std::memcmp(&before, &d.entries, sizeof before), 0) << what << ": undo";
            d.entries = after;
        }
        tk.answer("Y");
        ed.run(kCmdExit);
        ed.closed();
    }
    std::filesystem::current_path(old);
    std::filesystem::remove_all(dir);
    // The sessions reach past the refusals of the commonest transforms.
    for (int c : {kCmdXform, kCmdNegativeValue, kCmdStub, kCmdProgStuber, kCmdDipole})
        EXPECT_GT(edited[c], 0) << "command " << c << " never changed the network";
}
