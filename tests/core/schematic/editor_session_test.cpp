// The editor across openings: "No" abandons only the edits of the opening
// it closes, the backup keeps the editor's notation, and Reverse applied
// twice gives back the network it started from.
#include "design/design_file.h"
#include "design/operations.h"
#include "schematic/editor.h"
#include "scratch_dir_test.h"
#include "test_networks.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <unistd.h>

using namespace tanvex;
using namespace tanvex::schematic;
using tanvex::test::designOf;

namespace {

class EditorSession : public tanvex::test::ScratchDirTest {};

std::vector<NetEntry> entries(const Design& d) {
    int n = entryCount(d.entries);
    return {d.entries.begin(), d.entries.begin() + n + 2};
}

void expectSameEntries(const Design& want, const Design& got, const char* what) {
    auto x = entries(want), y = entries(got);
    ASSERT_EQ(x.size(), y.size()) << what;
    for (std::size_t i = 0; i < x.size(); ++i) {
        EXPECT_EQ(x[i].code, y[i].code) << what << " entry " << i;
        EXPECT_EQ(x[i].letter, y[i].letter) << what << " entry " << i;
        EXPECT_NEAR(x[i].value, y[i].value, 1e-12 * std::fabs(x[i].value))
            << what << " entry " << i;
    }
}

// One value change of branch b to `typed` in the editor's units.
void change(Editor& ed, ui::ScriptedToolkit& tk, int b, const std::string& typed) {
    tk.answer(std::to_string(b));
    tk.answer(typed);
    ed.run(kCmdChange);
}

} // namespace

TEST_F(EditorSession, NoAbandonsOnlyTheEditsOfThisOpening) {
    ui::ScriptedToolkit tk;
    Design d = designOf({{10e-12, 'C', 2}, {50e-9, 'L', 3}, {10e-12, 'C', 2}});
    setSaved(d.record, true);
    Editor ed(d, tk);

    // First opening: an edit, kept with Yes.
    ed.open();
    change(ed, tk, 1, "22");
    tk.answer("Y");
    ASSERT_EQ(ed.run(kCmdExit), Editor::Result::Close);
    ed.closed();
    EXPECT_FALSE(isSaved(d.record)); // kept, not saved to a file
    const Design kept = d;

    // Second opening: another edit, abandoned with No. The design returns
    // to what it was when this opening began, edits of the first kept.
    ed.open();
    change(ed, tk, 2, "68");
    EXPECT_DOUBLE_EQ(d.entries[2].value, 68e-9);
    tk.answer("N");
    ASSERT_EQ(ed.run(kCmdExit), Editor::Result::Close);
    ed.closed();
    expectSameEntries(kept, d, "second opening abandoned");
    EXPECT_DOUBLE_EQ(d.entries[1].value, 22e-12);
    // Still changed since the last save: leaving the program must ask.
    EXPECT_FALSE(isSaved(d.record));

    // Third opening, no edit at all: No has nothing to take back.
    ed.open();
    tk.answer("N");
    ASSERT_EQ(ed.run(kCmdExit), Editor::Result::Close);
    ed.closed();
    expectSameEntries(kept, d, "third opening without edits");
    EXPECT_FALSE(isSaved(d.record));
}

TEST_F(EditorSession, AnUnrelatedOldBackupIsNeverRestored) {
    ui::ScriptedToolkit tk;
    // A "tmp_ed" left by another design (an earlier run of the program).
    Design other = designOf({{1e-9, 'L', 2}});
    ASSERT_EQ(transferDesign(other, "tmp_ed", 'w', kTransferWhole, tk), 0);

    Design d = designOf({{10e-12, 'C', 2}, {50e-9, 'L', 3}});
    setSaved(d.record, false); // e.g. just calculated, not yet saved
    const Design before = d;
    Editor ed(d, tk);
    ed.open();
    tk.answer("1");
    ed.run(kCmdDelete);
    EXPECT_EQ(entryCount(d.entries), 2);
    tk.answer("N");
    ASSERT_EQ(ed.run(kCmdExit), Editor::Result::Close);
    ed.closed();
    expectSameEntries(before, d, "abandoned delete");
    EXPECT_FALSE(isSaved(d.record));
}

TEST_F(EditorSession, FirstEditOfANormalizedDesignKeepsNormalizedUnits) {
    ui::ScriptedToolkit tk;
    // A normalized lowpass (1 rad/s) whose file still names V.H.F. notation.
    Design d = designOf({{1.0, 'C', 2}, {2.0, 'L', 3}, {1.0, 'C', 2}}, 1.0, 0.159155);
    d.entries[0].value = 1.0;
    setSaved(d.record, true);
    Editor ed(d, tk);
    ed.open();
    ASSERT_EQ(d.notation.electrical, kNotationNormalized);
    change(ed, tk, 2, "1.5"); // henries, in the Normalized notation
    EXPECT_EQ(d.notation.electrical, kNotationNormalized);
    EXPECT_DOUBLE_EQ(d.entries[2].value, 1.5);
    change(ed, tk, 1, "0.5");
    EXPECT_DOUBLE_EQ(d.entries[1].value, 0.5);
    ed.closed();
    EXPECT_EQ(d.notation.electrical, kNotationVHF); // the notation of the opening
}

TEST_F(EditorSession, TwoSelectedBranchesAreConfirmedByName) {
    ui::ScriptedToolkit tk;
    Design d = designOf({{10e-12, 'C', 2}, {50e-9, 'L', 3}, {10e-12, 'C', 2}});
    Editor ed(d, tk);
    ed.open();
    ed.select(1);
    ed.select(3);
    tk.answer("Y");
    tk.answer("15");
    ed.run(kCmdChange);
    bool asked = false;
    for (const std::string& line : tk.log)
        asked = asked || line.find("TWO branches were specified") != std::string::npos;
    EXPECT_TRUE(asked);
    EXPECT_DOUBLE_EQ(d.entries[1].value, 15e-12);
    EXPECT_DOUBLE_EQ(d.entries[3].value, 15e-12);
}

TEST_F(EditorSession, ReverseTwiceGivesBackTheNetwork) {
    ui::ScriptedToolkit tk;
    // A reference-frequency marker at the front, a Q exception before its
    // element, a transformer, a bridged-T group and a composite trap whose
    // sub-code turns with the direction.
    Design d = designOf({{150e6, 'F', 22},
                         {12e-12, 'C', 2},
                         {80.0, '1', 44},
                         {40e-9, 'L', 3},
                         {2.0, 'N', 24},
                         {10e-12, 'C', 10},
                         {20e-12, 'C', 10},
                         {30e-12, 'C', 10},
                         {50e-9, 'L', 10},
                         {40e-12, 'C', 10},
                         {33e-12, 'C', 13},
                         {0.0, 'R', 18},
                         {0.0, 'R', 18},
                         {0.3e-6, 'L', 13},
                         {0.2e-6, 'L', 13},
                         {68e-12, 'C', 13},
                         {0.15e-6, 'L', 13},
                         {1.0, 'R', 13},
                         {47e-12, 'C', 2}},
                        75.0);
    setSaved(d.record, true);
    const Design original = d;
    Editor ed(d, tk);
    ed.open();
    ed.run(kCmdReverse);
    int n = entryCount(d.entries);
    EXPECT_DOUBLE_EQ(d.entries[0].value, 75.0);
    EXPECT_DOUBLE_EQ(d.entries[n].value, 50.0);
    EXPECT_EQ(d.entries[1].code, 22); // the marker stays in front
    EXPECT_EQ(d.entries[2].code, 2);  // the last shunt C comes first
    EXPECT_DOUBLE_EQ(d.entries[2].value, 47e-12);
    EXPECT_EQ(d.entries[3].code, 13);
    EXPECT_EQ(d.entries[4].code, 19); // the trap's sub-code turned
    // The Q exception still points at its inductor; the transformer inverted.
    bool sawException = false;
    for (int i = 1; i < n; ++i) {
        if (d.entries[i].code == 44) {
            sawException = true;
            EXPECT_EQ(d.entries[i + d.entries[i].letter - '0'].letter, 'L');
        }
        if (d.entries[i].code == 24) {
            EXPECT_DOUBLE_EQ(d.entries[i].value, 0.5);
        }
    }
    EXPECT_TRUE(sawException);
    ed.run(kCmdReverse);
    expectSameEntries(original, d, "reversed twice");
    EXPECT_FALSE(tk.sawNotice("* Incorrect configuration *"));
}
