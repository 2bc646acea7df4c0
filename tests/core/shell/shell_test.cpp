#include "shell/shell.h"

#include "design/design_file.h"
#include "design/paths.h"
#include "ui/gen_win.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>

using namespace tanvex;
using namespace tanvex::shell;
namespace fs = std::filesystem;

namespace {

// A fresh folder under the build tree that the test works in; the previous
// working directory is restored afterwards.
class InFolder {
public:
    explicit InFolder(const std::string& name) : old_(fs::current_path()) {
        dir_ = fs::path(TANVEX_BUILD_HOME).parent_path() / "tests" / ("shell_" + name);
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::current_path(dir_);
    }
    ~InFolder() { fs::current_path(old_); }
    std::string path() const { return dir_.string(); }

private:
    fs::path old_;
    fs::path dir_;
};

// A design of type 3 (direct scaled bandpass) saved as dir/name.
void writeSample(const std::string& dir, const std::string& name) {
    ui::ScriptedToolkit tk;
    Design d;
    newDesign(d.entries);
    setEntry(d.entries, 0, 50.0, 'R', 1);
    setEntry(d.entries, 1, 1e-9, 'L', 4);
    setEntry(d.entries, 2, 2e-12, 'C', 4);
    setEntry(d.entries, 3, 50.0, 'R', 1);
    setEntry(d.entries, 4, 100e6, 'x', 1);
    for (int i = 0; i < kSavedSlots; ++i) {
        d.record[i].letter = 'x';
        d.record[i].setText("x");
    }
    d.record[kSlotRefLowpass].setText("-____11111-1-___-----");
    d.record[kSlotSettings].setText(kDefaultSettings);
    d.record[kSlotDesignType].value = 3;
    d.record[kSlotNotation].letter = '3';
    d.record[8].letter = 'F';
    d.record[9].letter = 'L';
    d.analysis = {50, 200, 1, 250, 800, 1e11, 50};
    setDesignName(d, name);
    ASSERT_EQ(saveDesign(d, dir, name, tk), 0);
}

std::string cellsText(const ui::TextScreen& s, int col, int row, int n) {
    std::string out;
    for (int c = col; c < col + n; ++c)
        out += static_cast<char>(s.at(c, row).ch ? s.at(c, row).ch : ' ');
    return out;
}

} // namespace

TEST(ShellStartUp, NamedDesignIsLoadedAndShown) {
    InFolder f("startup_named");
    writeSample(f.path(), "bandpass");
    Design d;
    ui::ScriptedToolkit tk;
    Shell shell(d, tk);
    EXPECT_EQ(shell.startUp("bandpass"), 0);
    EXPECT_EQ(designName(d), "bandpass");
    EXPECT_EQ(entryCount(d.entries), 3);
    EXPECT_DOUBLE_EQ(shell.q(0), 250);
    EXPECT_DOUBLE_EQ(shell.q(2), 1e11);
    EXPECT_EQ(d.record[kSlotMatcher].letter, 1); // type 3 uses the matcher
    EXPECT_TRUE(isSaved(d.record));
    EXPECT_EQ(d.record[kSlotTemplate].str(), "____x%11.5g %s  ");
    EXPECT_EQ(d.notation.frequency.name, "MHz ");
    EXPECT_EQ(shell.env.start, shell.env.working);
    const ui::TextScreen& s = shell.status;
    EXPECT_EQ(cellsText(s, 48, 4, 23), " Active file: bandpass ");
    EXPECT_EQ(cellsText(s, 5, 4, 14), "Termination: L");
    EXPECT_EQ(cellsText(s, 5, 5, 11), "  Source: F");
    EXPECT_EQ(cellsText(s, 5, 6, 10), "Programmed");
    EXPECT_EQ(cellsText(s, 26, 3, 17), "  Ind. Ql= 250   ");
    EXPECT_EQ(cellsText(s, 26, 5, 15), "Trans. Qt= Inf.");
    EXPECT_EQ(s.rowText(2).substr(48), " Working directory: " + f.path());
}

TEST(ShellStartUp, NoArgumentStartsTheDefaultDesign) {
    InFolder f("startup_default");
    Design d;
    ui::ScriptedToolkit tk;
    Shell shell(d, tk);
    int r = shell.startUp("");
    EXPECT_NE(r & kDznFailed, 0);
    EXPECT_EQ(designName(d), "default");
    EXPECT_EQ(entryCount(d.entries), 1);
    EXPECT_EQ(d.entries[2].letter, 'x');
    EXPECT_DOUBLE_EQ(shell.q(0), 150);
    EXPECT_DOUBLE_EQ(shell.q(1), 500);
    EXPECT_DOUBLE_EQ(shell.q(2), 1000);
    EXPECT_EQ(d.record[kSlotRefLowpass].str(), "x_______________");
    EXPECT_EQ(d.record[5].str(), "x");
    EXPECT_EQ(d.record[16].letter, '4'); // V.H.F.
    EXPECT_EQ(d.notation.inductance.name, "nHy ");
    EXPECT_EQ(d.record[kSlotMatcher].letter, 0);
    EXPECT_EQ(cellsText(shell.status, 5, 6, 5), "Reset");
    // Exiting with the default design puts no current pair on the list.
    EXPECT_TRUE(shell.closeRequested());
    EXPECT_TRUE(shell.finish());
    PositionData back = readPositionFile(f.path() + "/tanvexw_pos.dat", 1000);
    EXPECT_TRUE(back.recent.empty());
}

TEST(ShellStartUp, PositionFileFromStartDirectoryAndRecentWrittenAtExit) {
    InFolder f("startup_positions");
    writeSample(f.path(), "bp");
    std::ofstream(f.path() + "/tanvexw_pos.dat", std::ios::binary)
        << "20,30,700,500\r\n1,1,1,1\r\n1,2,3\r\n"
        << "\r\n\r\n\r\n\r\n\r\n\r\n\r\n/old/place\r\nbp\r\n/other\r\nnotch\r\n";
    Design d;
    ui::ScriptedToolkit tk;
    Shell shell(d, tk);
    shell.startUp("bp");
    EXPECT_EQ(shell.positions.rects[kMainWindow], (WindowRect{20, 30, 700, 500}));
    EXPECT_EQ(shell.positions.rects[kSchematicEditorWindow], (WindowRect{1, 1, 1, 1}));
    EXPECT_EQ(shell.positions.rects[kAnalysisDataWindow], WindowRect{});
    ASSERT_EQ(shell.positions.recent.size(), 2u);
    shell.positions.rects[kMainWindow] = WindowRect{40, 50, 800, 600};
    // The generic text window keeps its own rectangle while it runs.
    EXPECT_EQ(tk.genWin().rect, (std::array<int, 4>{5, 5, 640, 480}));
    tk.genWin().rect = {7, 8, 900, 500};
    ASSERT_TRUE(shell.finish());
    PositionData back = readPositionFile(f.path() + "/tanvexw_pos.dat", 1000);
    EXPECT_EQ(back.rects[kMainWindow], (WindowRect{40, 50, 800, 600}));
    EXPECT_EQ(back.rects[kGenericWindow], (WindowRect{7, 8, 900, 500}));
    ASSERT_EQ(back.recent.size(), 2u);
    EXPECT_EQ(back.recent[0], (RecentDesign{f.path(), "bp", false}));
    EXPECT_EQ(back.recent[1].name, "notch"); // the older "bp" entry is gone
}

TEST(ShellCommands, AllThreeQValues) {
    Design d;
    ui::ScriptedToolkit tk;
    Shell shell(d, tk);
    d.analysis[3] = 150;
    d.analysis[4] = 500;
    d.analysis[5] = 1000;
    tk.answer("0,300");
    shell.dispatch(kCmdSetAllQ);
    EXPECT_TRUE(tk.sawPrompt("(0=Inf.) Inductor Q, Cap. Q, Trans. Q ?"));
    EXPECT_DOUBLE_EQ(shell.q(0), 1e11);
    EXPECT_DOUBLE_EQ(shell.q(1), 300);
    EXPECT_DOUBLE_EQ(shell.q(2), 1000); // not typed: unchanged
    tk.answer("//0.05");
    shell.dispatch(kCmdSetAllQ);
    EXPECT_DOUBLE_EQ(shell.q(1), 300);
    EXPECT_DOUBLE_EQ(shell.q(2), 1e11);
    tk.answer("");
    shell.dispatch(kCmdSetAllQ); // an empty answer changes nothing
    EXPECT_DOUBLE_EQ(shell.q(1), 300);
    // The box offers the current values.
    EXPECT_NE(std::find(tk.log.begin(), tk.log.end(), "INPUT: 1e+11,300,1e+11"), tk.log.end());
}

TEST(ShellCommands, SingleQPromptsFromMenuAndStatusScreen) {
    Design d;
    ui::ScriptedToolkit tk;
    Shell shell(d, tk);
    d.analysis[3] = d.analysis[4] = d.analysis[5] = 100;
    tk.answer("300");
    shell.dispatch(kCmdSetQl);
    EXPECT_TRUE(tk.sawPrompt("(0=Inf.)   Ind. Ql?"));
    EXPECT_DOUBLE_EQ(shell.q(0), 300);
    tk.answer("0");
    shell.click(30, 4); // the Qc row
    EXPECT_TRUE(tk.sawPrompt("(0=Inf.)   Cap. Qc?"));
    EXPECT_DOUBLE_EQ(shell.q(1), 1e11);
    tk.answer("42");
    shell.dispatch(kCmdSetQt);
    EXPECT_TRUE(tk.sawPrompt("(0=Inf.) Trans. Qt?"));
    EXPECT_DOUBLE_EQ(shell.q(2), 42);
    tk.answer("1,2,3");
    shell.click(30, 2); // the title row: all three
    EXPECT_DOUBLE_EQ(shell.q(1), 2);
    EXPECT_EQ(cellsText(shell.status, 26, 4, 12), "  Cap. Qc= 2");
}

TEST(ShellCommands, MenuEntriesWithoutAFacilitySaySo) {
    Design d;
    ui::ScriptedToolkit tk;
    Shell shell(d, tk);
    // No handler for the mechanical dimensions in this version: a notice,
    // not silence.
    ASSERT_FALSE(shell.commands.has(kCmdMechanicalDimensions));
    EXPECT_EQ(shell.dispatch(kCmdMechanicalDimensions), 0);
    EXPECT_TRUE(tk.sawNotice("Not implemented"));
    // Once something serves it, it runs instead.
    const std::size_t notices = tk.notices().size();
    int ran = 0;
    shell.commands.add(kCmdMechanicalDimensions, [&](int) { return ++ran, 0; });
    shell.dispatch(kCmdMechanicalDimensions);
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(tk.notices().size(), notices);
    // An identifier that is no menu entry stays silent.
    shell.dispatch(9999);
    EXPECT_EQ(tk.notices().size(), notices);
}

TEST(ShellCommands, MatcherSwitchCycles) {
    Design d;
    ui::ScriptedToolkit tk;
    Shell shell(d, tk);
    d.record[kSlotRefLowpass].setText("-____11111-1-___-----");
    d.record[8].letter = 'F';
    d.record[9].letter = 'F';
    shell.dispatch(kCmdMatcher); // first use: set up, disabled
    EXPECT_EQ(d.record[kSlotRefLowpass].text[8], '1');
    EXPECT_EQ(d.record[kSlotRefLowpass].text[9], '1');
    EXPECT_EQ(d.record[kSlotRefLowpass].text[10], '-'); // the rest kept
    EXPECT_EQ(d.record[8].letter, 'X');
    EXPECT_EQ(d.record[9].letter, 'X');
    EXPECT_EQ(d.record[kSlotMatcher].letter, 1);
    EXPECT_EQ(cellsText(shell.status, 5, 6, 8), "Disabled");
    shell.click(10, 4); // the matcher box
    EXPECT_EQ(d.record[8].letter, 'x');
    EXPECT_EQ(d.record[9].letter, 'x');
    shell.dispatch(kCmdMatcher);
    EXPECT_EQ(d.record[8].letter, 'X');
    d.record[9].letter = 'L'; // programmed
    shell.dispatch(kCmdMatcher);
    EXPECT_EQ(d.record[8].letter, 'x');
    EXPECT_EQ(d.record[9].letter, 'x');
}

TEST(ShellCommands, StubLineClickSwitchesTheGeneratorOff) {
    Design d;
    ui::ScriptedToolkit tk;
    Shell shell(d, tk);
    d.record[kSlotStubGen].setText("1000000009");
    shell.drawStatus();
    EXPECT_EQ(cellsText(shell.status, 48, 6, 18), "Stub generator: ON");
    shell.click(60, 6);
    EXPECT_EQ(d.record[kSlotStubGen].text[0], 'x');
    EXPECT_EQ(shell.status.rowText(6).size(), 46u); // the line is gone
}

TEST(ShellCommands, PlainCharacterSwitchReachesTheTextWindow) {
    Design d;
    ui::ScriptedToolkit tk;
    Shell shell(d, tk);
    d.record[kSlotSettings].setText(kDefaultSettings);
    d.record[kSlotSettings].text[23] = '1';
    shell.dispatch(kCmdMatcher);
    EXPECT_TRUE(tk.genWin().asciiDrawing);
    EXPECT_EQ(shell.status.at(2, 3).ch, ','); // the status frames too
    d.record[kSlotSettings].text[23] = '0';
    shell.dispatch(kCmdMatcher);
    EXPECT_FALSE(tk.genWin().asciiDrawing);
    EXPECT_EQ(shell.status.at(2, 3).ch, 218);
}

TEST(ShellCommands, PluggedHandlersAndParametersThenCalculate) {
    Design d;
    ui::ScriptedToolkit tk;
    Shell shell(d, tk);
    int repaints = 0;
    shell.repaint = [&] { ++repaints; };
    EXPECT_EQ(shell.dispatch(kCmdAnalyse), 0); // nobody serves it yet
    EXPECT_TRUE(tk.sawNotice("Not implemented"));
    EXPECT_EQ(repaints, 1);
    std::vector<int> ran;
    shell.commands.add(kCmdAnalyse, [&](int id) {
        ran.push_back(id);
        return 7;
    });
    shell.commands.add(kCmdParameters, [&](int id) {
        ran.push_back(id);
        return 1;
    });
    shell.commands.add(kCmdCalculate, [&](int id) {
        ran.push_back(id);
        return 0;
    });
    EXPECT_EQ(shell.dispatch(kCmdAnalyse), 7);
    shell.dispatch(kCmdParameters); // closed with CALCULATE
    EXPECT_EQ(ran, (std::vector<int>{133, 137, 136}));
    EXPECT_EQ(repaints, 3);
}

TEST(ShellExit, QuestionOnlyWhenUnsavedAndFailedSaveStays) {
    Design d;
    ui::ScriptedToolkit tk;
    Shell shell(d, tk);
    setDesignName(d, "work");
    int saves = 0;
    int saveResult = 0;
    shell.transfer = [&](Design&, const std::string& name, char mode, int kind, ui::Toolkit&) {
        EXPECT_EQ(name, "work");
        EXPECT_EQ(mode, 'w');
        EXPECT_EQ(kind, kTransferWhole);
        ++saves;
        return saveResult;
    };
    ExitAnswer answer = ExitAnswer::Cancel;
    int asked = 0;
    shell.askExit = [&] {
        ++asked;
        return answer;
    };

    shell.busy = true;
    EXPECT_FALSE(shell.closeRequested());
    EXPECT_EQ(tk.beeps, 1);
    shell.busy = false;

    setSaved(d.record, true);
    EXPECT_TRUE(shell.closeRequested());
    EXPECT_EQ(asked, 0);

    setSaved(d.record, false);
    EXPECT_FALSE(shell.closeRequested()); // Cancel
    answer = ExitAnswer::DontSave;
    EXPECT_TRUE(shell.closeRequested());
    EXPECT_EQ(saves, 0);
    answer = ExitAnswer::Save;
    saveResult = kOverwriteRefused;
    EXPECT_FALSE(shell.closeRequested()); // the work is not thrown away
    saveResult = 0;
    EXPECT_TRUE(shell.closeRequested());
    EXPECT_EQ(saves, 2);

    // Without a window the toolkit's Yes/No box asks.
    shell.askExit = nullptr;
    tk.answer("N");
    EXPECT_TRUE(shell.closeRequested());
    EXPECT_NE(std::find(tk.log.begin(), tk.log.end(), std::string("RESPOND: ") + kExitQuestion),
              tk.log.end());
}

TEST(ShellRecall, RecentDesignOpensInItsFolderOrIsMarkedMissing) {
    InFolder f("recent");
    fs::create_directories(f.path() + "/a");
    fs::create_directories(f.path() + "/empty");
    writeSample(f.path() + "/a", "bp");
    Design d;
    ui::ScriptedToolkit tk;
    Shell shell(d, tk);
    shell.startUp("");
    shell.positions.recent = {{f.path() + "/a", "bp", false},
                              {f.path() + "/empty", "gone", false},
                              {f.path() + "/nowhere", "lost", false}};
    int changed = 0;
    shell.recentChanged = [&] { ++changed; };
    int afterRecall = 0;
    shell.afterRecall.push_back([&] { ++afterRecall; });

    EXPECT_EQ(shell.dispatch(kCmdRecentFirst), 0);
    EXPECT_EQ(designName(d), "bp");
    EXPECT_EQ(entryCount(d.entries), 3);
    EXPECT_EQ(d.record[kSlotMatcher].letter, 1);
    EXPECT_EQ(shell.status.rowText(2).substr(48), " Working directory: " + f.path() + "/a");
    EXPECT_EQ(afterRecall, 1);

    EXPECT_NE(shell.dispatch(kCmdRecentFirst + 1) & kDznFailed, 0);
    EXPECT_TRUE(shell.positions.recent[1].missing);
    EXPECT_EQ(designName(d), "default");
    EXPECT_EQ(entryCount(d.entries), 3); // the network read before stays
    bool reported = false;
    for (const auto& n : tk.notices())
        reported |= n.rfind("Can't open: ", 0) == 0 && n.find("gone.dzn") != std::string::npos;
    EXPECT_TRUE(reported);

    // A folder that no longer exists: nothing is read from the current one.
    EXPECT_NE(shell.dispatch(kCmdRecentFirst + 2), 0);
    EXPECT_TRUE(shell.positions.recent[2].missing);
    EXPECT_TRUE(tk.sawNotice("Can't open: " + f.path() + "/nowhere"));
    EXPECT_EQ(changed, 2);
    EXPECT_EQ(shell.dispatch(kCmdRecentFirst + 5), 0); // no such entry

    ASSERT_TRUE(shell.finish());
    PositionData back = readPositionFile(shell.positionFilePath(), 1000);
    ASSERT_EQ(back.recent.size(), 1u); // missing entries dropped; default not added
    EXPECT_EQ(back.recent[0].name, "bp");
}

TEST(ShellRecall, SaveThenRecallKeepsTheDesign) {
    InFolder f("save_recall");
    writeSample(f.path(), "bp");
    Design d;
    ui::ScriptedToolkit tk;
    Shell shell(d, tk);
    shell.startUp("bp");
    d.entries[1].value = 3.3e-9;
    shell.setQ(0, 77);
    tk.answer("Y"); // overwrite
    EXPECT_EQ(shell.dispatch(kCmdSaveDesign), 0);
    d.entries[1].value = 0;
    shell.setQ(0, 1);
    EXPECT_EQ(shell.dispatch(kCmdRecallDesign), 0);
    EXPECT_DOUBLE_EQ(d.entries[1].value, 3.3e-9);
    EXPECT_DOUBLE_EQ(shell.q(0), 77);
}

TEST(ShellNotation, ChoiceIsStoredAndApplied) {
    Design d;
    ui::ScriptedToolkit tk;
    Shell shell(d, tk);
    EXPECT_EQ(shell.storedNotation(), 4);
    EXPECT_EQ(shell.storedMechanicalUnit(), kUnitInch);
    EXPECT_TRUE(shell.applyNotationChoice(2, kUnitMm));
    EXPECT_EQ(d.record[16].letter, '2');
    EXPECT_EQ(d.record[19].letter, '3');
    EXPECT_EQ(d.notation.frequency.name, "KHz ");
    EXPECT_DOUBLE_EQ(d.notation.capacitance.multiplier, 1e12);
    EXPECT_DOUBLE_EQ(d.notation.length.multiplier, 25.4);
    EXPECT_EQ(shell.storedNotation(), 2);
    EXPECT_EQ(shell.storedMechanicalUnit(), kUnitMm);
    EXPECT_FALSE(shell.applyNotationChoice(2, kUnitMm));
}

TEST(NoiseBandwidth, TrapezoidOfPowerTransfer) {
    // A flat passband of 11 points 0.5 apart: exactly 5.
    EXPECT_NEAR(noiseBandwidth(std::vector<double>(11, 0.0), 0.5, 1.0), 5.0, 1e-12);
    // 3.0103 dB is half power.
    EXPECT_NEAR(noiseBandwidth(std::vector<double>(3, 10 * std::log10(2.0)), 1.0, 1.0), 1.0, 1e-6);
    // A single-pole response |H|^2 = 1/(1+(f/fc)^2) from 0 to F integrates
    // to fc*atan(F/fc).
    const double fc = 1e6, top = 20e6, step = 1e3;
    std::vector<double> att;
    for (double fr = 0; fr <= top + step / 2; fr += step)
        att.push_back(10 * std::log10(1 + (fr / fc) * (fr / fc)));
    double expected = fc * std::atan(top / fc);
    EXPECT_NEAR(noiseBandwidth(att, step, 1.0), expected, expected * 1e-5);
    EXPECT_NEAR(noiseBandwidth(att, step, 1e-6), expected * 1e-6, expected * 1e-11);
    EXPECT_EQ(noiseBandwidth({}, 1.0, 1.0), 0.0);
}

TEST(NoiseBandwidth, ShownOnceOnTheStatusScreen) {
    Design d;
    ui::ScriptedToolkit tk;
    Shell shell(d, tk);
    applyElectricalNotation(d.notation, 3);
    shell.showNoiseBandwidth(1.25);
    shell.drawStatus();
    EXPECT_EQ(shell.status.rowText(8).substr(48), "Equivalent noise Bw = 1.25 MHz");
    // A narrower window redraws the design as it is now and keeps the line.
    d.analysis[3] = 321;
    shell.setStatusColumns(80);
    EXPECT_EQ(shell.status.rowText(8).substr(48), "Equivalent noise Bw = 1.25 MHz");
    EXPECT_EQ(cellsText(shell.status, 26, 3, 14), "  Ind. Ql= 321");
    EXPECT_LE(shell.status.rowText(2).size(), 80u);
    shell.drawStatus();
    EXPECT_EQ(shell.status.rowText(8), "");
    EXPECT_EQ(shell.statusColumns(), 80);

    // Wider figures at 80 columns: the whole line stays on the screen, moved
    // left beside the Q box, or with its value on the row below.
    const auto trimmed = [&](int row) {
        std::string t = shell.status.rowText(row);
        while (!t.empty() && t.back() == ' ') t.pop_back();
        return t;
    };
    shell.showNoiseBandwidth(24.5453);
    shell.drawStatus();
    const std::size_t at = trimmed(8).find("Equivalent noise Bw = 24.5453 MHz");
    ASSERT_NE(at, std::string::npos);
    EXPECT_GE(at, 46u); // clear of the Q box
    EXPECT_LE(trimmed(8).size(), 80u);
    shell.showNoiseBandwidth(1.23456e+07);
    shell.drawStatus();
    EXPECT_EQ(trimmed(8).substr(48), "Equivalent noise Bw =");
    EXPECT_EQ(trimmed(9).substr(trimmed(9).size() - 15), "1.23456e+07 MHz");
    EXPECT_LE(trimmed(9).size(), 80u);
}

TEST(NoiseBandwidth, CommandReadsTheLastLinearSweep) {
    Design d;
    ui::ScriptedToolkit tk;
    Shell shell(d, tk);
    applyElectricalNotation(d.notation, 3); // MHz
    auto& t = shell.results;
    // No sweep yet.
    shell.dispatch(kCmdNoiseBandwidth);
    EXPECT_TRUE(tk.sawNotice("Linear sweep required"));
    // Five points 1 MHz apart, flat at 3.0103 dB (half power): 2 MHz.
    t.records[0][analysis::kHeaderPoints] = 5;
    t.records[0][analysis::kHeaderStep] = 1e6;
    for (int k = 1; k <= 5; ++k) {
        t.records[k][analysis::kFieldFrequency] = static_cast<float>(10e6 + (k - 1) * 1e6);
        t.records[k][analysis::kFieldAttenuation] = static_cast<float>(10 * std::log10(2.0));
    }
    tk.log.clear();
    EXPECT_EQ(shell.dispatch(kCmdNoiseBandwidth), 0);
    EXPECT_TRUE(tk.notices().empty());
    EXPECT_EQ(shell.status.rowText(8).substr(48), "Equivalent noise Bw = 2 MHz");
    // Uneven spacing (a logarithmic sweep) is refused.
    t.records[5][analysis::kFieldFrequency] = 20e6;
    shell.dispatch(kCmdNoiseBandwidth);
    EXPECT_TRUE(tk.sawNotice("Linear sweep required"));
    EXPECT_EQ(shell.status.rowText(8), "");
}

TEST(ShellCommands, FollowUpsOfPresetHardCopyDimensionsAndMatcherEnds) {
    Design d;
    ui::ScriptedToolkit tk;
    Shell shell(d, tk);
    std::vector<int> ran;
    auto record = [&](int result) {
        return [&ran, result](int id) {
            ran.push_back(id);
            return result;
        };
    };
    // The preset list runs busy and answers with the design command.
    bool busyInside = false;
    shell.commands.add(kCmdPresetBandpass, [&](int id) {
        ran.push_back(id);
        busyInside = shell.busy;
        EXPECT_FALSE(shell.closeRequested()); // closing only beeps meanwhile
        return 106;
    });
    shell.commands.add(106, record(0));
    shell.dispatch(kCmdPresetBandpass);
    EXPECT_TRUE(busyInside);
    EXPECT_FALSE(shell.busy);
    EXPECT_EQ(tk.beeps, 1);
    EXPECT_EQ(ran, (std::vector<int>{134, 106}));

    // Review menu answers 1, then 0: one hard-copy sequence in between.
    ran.clear();
    int reviews = 0;
    shell.commands.add(kCmdHardCopy, [&](int id) {
        ran.push_back(id);
        return reviews++ == 0 ? 1 : 0;
    });
    shell.commands.add(kCmdMechanicalDimensions, record(kCmdTouchstone));
    shell.commands.add(kCmdTouchstone, record(0));
    shell.commands.add(kCmdCalculate, record(0));
    int quiet = 0;
    shell.mechanicalDimensionsQuiet = [&] { ++quiet; };
    shell.dispatch(kCmdHardCopy);
    EXPECT_EQ(ran, (std::vector<int>{150, 151, 154, 136, 150}));
    EXPECT_EQ(quiet, 1);

    // Match source / termination reset their end first.
    d.record[8].letter = 'L';
    d.record[9].letter = 'C';
    std::vector<int> ends;
    shell.impedanceMatcher = [&](int end) {
        ends.push_back(end);
        return 0;
    };
    shell.dispatch(kCmdMatchTermination);
    EXPECT_EQ(d.record[9].letter, 'x');
    EXPECT_EQ(d.record[8].letter, 'L');
    shell.dispatch(kCmdMatchSource);
    EXPECT_EQ(d.record[8].letter, 'x');
    EXPECT_EQ(ends, (std::vector<int>{1, 0}));
}

TEST(ShellCommands, ExternalReferenceLowpass) {
    Design d;
    ui::ScriptedToolkit tk;
    Shell shell(d, tk);
    setDesignName(d, "bp7");
    shell.env.working = "/home/u";
    std::vector<std::string> transfers;
    shell.transfer = [&](Design& des, const std::string& name, char mode, int kind, ui::Toolkit&) {
        transfers.push_back(name + " " + mode + std::to_string(kind));
        if (name == "tmp_k" && mode == 'r') des.record[7].value = 42; // the saved design back
        return 0;
    };
    d.record[7].value = 42;
    int built = 0;
    shell.buildLumpedLowpass = [&] {
        ++built;
        EXPECT_DOUBLE_EQ(d.record[7].value, 1.0);
        EXPECT_DOUBLE_EQ(d.record[10].value, 1.0 / (2.0 * std::numbers::pi));
        return 0;
    };
    shell.prototypeLastCode = [] { return 3; };
    tk.answer("/refs/ell5");
    shell.dispatch(kCmdExternalRefLowpass);
    EXPECT_EQ(built, 1);
    EXPECT_EQ(d.record[kSlotDesignType].letter, 'S'); // odd last code
    EXPECT_TRUE(tk.sawPrompt("What /Path/file_name for new reference?"));
    EXPECT_TRUE(tk.sawPrompt(" (No extension)"));
    EXPECT_NE(std::find(tk.log.begin(), tk.log.end(), "INPUT: /home/u/REF"), tk.log.end());
    EXPECT_EQ(transfers, (std::vector<std::string>{"tmp_k w0", "/refs/ell5 w1", "tmp_k r0"}));
    EXPECT_DOUBLE_EQ(d.record[7].value, 42);
    EXPECT_EQ(designName(d), "bp7");

    // The design's own name is refused; a failed synthesis beeps.
    transfers.clear();
    shell.prototypeLastCode = [] { return 2; };
    tk.answer("bp7");
    shell.dispatch(kCmdExternalRefLowpass);
    EXPECT_TRUE(tk.sawNotice("ABORT - Ref. file name must be unique!"));
    EXPECT_EQ(d.record[kSlotDesignType].letter, 'P');
    EXPECT_EQ(transfers, (std::vector<std::string>{"tmp_k w0", "tmp_k r0"}));
    shell.buildLumpedLowpass = [] { return 2; };
    int beeps = tk.beeps;
    shell.dispatch(kCmdExternalRefLowpass);
    EXPECT_EQ(tk.beeps, beeps + 1);
}

TEST(ShellCommands, HelpPagesAndFileOperations) {
    Design d;
    ui::ScriptedToolkit tk;
    Shell shell(d, tk);
    const std::pair<int, const char*> pages[] = {{kCmdHelp, "MAIN.HLW"},
                                                 {kCmdBandpassHelp, "BP_MNU.HLW"},
                                                 {kCmdNotchHelp, "REJ_MNU.HLW"},
                                                 {kCmdUtilitiesHelp, "UTIL_MNU.HLW"},
                                                 {kCmdFileHelp, "FILE.HLW"}};
    for (const auto& [id, page] : pages) {
        tk.log.clear();
        shell.dispatch(id);
        EXPECT_EQ(tk.log, (std::vector<std::string>{std::string("HELP: ") + page}));
    }

    // Design file operations: help opens the dialog again; joins read the
    // design of the current name; opening the dialog marks a change.
    setDesignName(d, "second");
    setSaved(d.record, true);
    std::vector<std::string> transfers;
    shell.transfer = [&](Design&, const std::string& name, char mode, int kind, ui::Toolkit&) {
        transfers.push_back(name + " " + mode + std::to_string(kind));
        return 0;
    };
    std::vector<int> choices = {105, 103};
    shell.chooseFileOperation = [&] {
        int c = choices.front();
        choices.erase(choices.begin());
        return c;
    };
    tk.log.clear();
    shell.dispatch(kCmdJoinDesigns);
    EXPECT_EQ(tk.log, (std::vector<std::string>{"HELP: JOIN.HLW"}));
    EXPECT_EQ(transfers, (std::vector<std::string>{"second r2"}));
    EXPECT_FALSE(isSaved(d.record));
    choices = {104};
    shell.dispatch(kCmdJoinDesigns);
    choices = {101};
    shell.dispatch(kCmdJoinDesigns);
    choices = {106};
    shell.dispatch(kCmdJoinDesigns);
    EXPECT_EQ(transfers, (std::vector<std::string>{"second r2", "second r3", "second w0"}));

    // set File name: the chosen file's folder becomes the working directory
    // and its name without extension the design name.
    InFolder f("file_name");
    fs::create_directories(f.path() + "/sub");
    shell.chooseDesignFile = [&] { return f.path() + "/sub/lp9.spk"; };
    choices = {106};
    shell.dispatch(kCmdSetFileName);
    EXPECT_EQ(designName(d), "lp9");
    EXPECT_EQ(shell.env.working, f.path() + "/sub");
}
