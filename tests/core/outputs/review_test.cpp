// The review and hard-copy menu and `tanvex report`: coupling coefficients
// against published prototype values, report files equal to the console's
// analysis and calculation output, the menu rows against its options, one
// printer job across items.
#include "design/design_file.h"
#include "design/text_io.h"
#include "outputs/review_menu.h"
#include "ui/gen_win.h"
#include "ui/scripted_toolkit.h"

#include "../command_run.h"
#include "../design/test_dir.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <sys/wait.h>

using namespace tanvex;

namespace {

using CliRun = tanvex::test::CommandRun;

CliRun cli(const std::string& dir, const std::string& args, bool withStderr = true) {
    return tanvex::test::runCommand("cd '" + dir + "' && USERNAME=tester '" +
                                    std::string(TANVEX_CLI) + "' " + args +
                                    (withStderr ? " 2>&1" : " 2>/dev/null"));
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string l;
    while (std::getline(in, l)) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        out.push_back(l);
    }
    return out;
}

// The example bandpass (N = 3) with its ripple set to 0 (Butterworth) and
// its band edge at 3 dB, so the prototype is the tabulated one.
class ReportCommand : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* ext : {".spk", ".dzn"})
            std::filesystem::copy_file(std::string(TANVEX_SOURCE_DIR) +
                                           "/resources/examples/bandpass" + ext,
                                       dir.file(std::string("bandpass") + ext));
        Design d;
        ui::ScriptedToolkit tk;
        ASSERT_EQ(loadDesign(d, dir.str(), "bandpass", tk) & kSpkFailed, 0);
        d.record[2].value = 0.0;
        d.record[3].value = 10.0 * std::log10(2.0); // the band edge at 3 dB
        ASSERT_EQ(saveDesign(d, dir.str(), "butter", tk) & kSpkFailed, 0);
        ASSERT_EQ(cli(dir.str(), "calc butter").status, 0);
    }
    test::ScratchDir dir;
};

} // namespace

TEST_F(ReportCommand, CouplingsOfAButterworthBandpassMatchPublishedValues) {
    const CliRun r = cli(dir.str(), "report butter --item couplings");
    ASSERT_EQ(r.status, 0) << r.out;
    const auto lines = splitLines(r.out);
    ASSERT_GE(lines.size(), 10u);
    EXPECT_EQ(lines[1], "user = tester");
    EXPECT_EQ(lines[2], "Design file: butter ...");
    EXPECT_EQ(lines[3], " Coupling coefficients");
    // Butterworth N = 3: g = 1, 1, 2, 1, 1; k12 = k23 = 1/sqrt(2);
    // external Q g0 g1 = g3 g4 = 1. Bandwidth 20 MHz.
    EXPECT_EQ(lines[5], "  0   1.0000   1.0000    20.0000");
    EXPECT_EQ(lines[6], "  1   1.0000   0.7071    14.1421");
    EXPECT_EQ(lines[7], "  2   2.0000   0.7071    14.1421");
    EXPECT_EQ(lines[8], "  3   1.0000   1.0000    20.0000");
    EXPECT_EQ(lines[9], "  4   1.0000 ");
}

TEST_F(ReportCommand, ReportFilesHoldWhatAnalyseAndCalcPrint) {
    const CliRun analyse = cli(dir.str(), "analyse butter --from 80 --to 120 --points 41", false);
    ASSERT_EQ(analyse.status, 0);
    const CliRun report =
        cli(dir.str(), "report butter --item analysis --from 80 --to 120 --points 41 --out b.1HC");
    ASSERT_EQ(report.status, 0) << report.out;
    const std::string file = dir.read("b.1HC");
    EXPECT_NE(file.find("\r\n"), std::string::npos);
    const auto body = splitLines(file);
    const auto table = splitLines(analyse.out);
    ASSERT_EQ(body.size(), table.size() + 4);
    EXPECT_EQ(body[3], " Analysis data");
    for (std::size_t i = 0; i < table.size(); ++i) EXPECT_EQ(body[i + 4], table[i]) << i;
    EXPECT_EQ(table[2].substr(0, 20), "    (MHz )       (dB");

    const CliRun calc = cli(dir.str(), "calc butter", false);
    const CliRun params = cli(dir.str(), "report butter --item parameters");
    ASSERT_EQ(params.status, 0) << params.out;
    const auto p = splitLines(params.out);
    auto c = splitLines(calc.out);
    // calc ends with what it did at each end (matching); the report item is
    // the parameter report before those lines.
    while (!c.empty() &&
           (c.back().rfind("Source end:", 0) == 0 || c.back().rfind("Termination end:", 0) == 0))
        c.pop_back();
    ASSERT_EQ(p.size(), c.size() + 4);
    EXPECT_EQ(p[3], " Design parameters");
    for (std::size_t i = 0; i < c.size(); ++i) EXPECT_EQ(p[i + 4], c[i]) << i;

    // Standard output is the file's bytes; --ascii leaves no box characters.
    const CliRun drawing = cli(dir.str(), "report butter --item schematic --ascii", false);
    ASSERT_EQ(drawing.status, 0);
    EXPECT_NE(drawing.out.find(" Schematic diagram\r\n"), std::string::npos);
    for (unsigned char ch : drawing.out) ASSERT_LT(ch, 128);

    EXPECT_EQ(cli(dir.str(), "report butter").status, 2);
    EXPECT_EQ(cli(dir.str(), "report butter --item nonsense").status, 2);
    EXPECT_EQ(cli(dir.str(), "report nosuch --item schematic").status, 2);
    // A report that cannot be written is a failure, and leaves nothing.
    std::filesystem::create_directory(dir.file("taken.1HC"));
    const CliRun blocked = cli(dir.str(), "report butter --item analysis --out taken.1HC");
    EXPECT_EQ(blocked.status, 1);
    EXPECT_NE(blocked.out.find("could not be written completely"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("taken.1HC.tmp~")));
}

namespace {

struct Paper : ui::PrinterSink {
    int jobs = 0, ends = 0, tests = 0;
    std::vector<std::string> printed;
    bool begin(const std::string&, char) override {
        ++jobs;
        return true;
    }
    int pageHeight() const override { return 100000; }
    int lineHeight() const override { return 10; }
    int textWidth(const std::string& t) const override { return static_cast<int>(t.size()); }
    void text(int, int, const std::string& t, int) override { printed.push_back(t); }
    void newPage() override {}
    void end() override { ++ends; }
    bool testPage(const std::string&) override {
        ++tests;
        return true;
    }
};

struct MenuBench {
    test::ScratchDir dir;
    Design design;
    ui::ScriptedToolkit tk;
    analysis::ResultsTable results;
    Paper paper;
    outputs::ReviewContext ctx{design, tk, results};
    int windows = 0;
    MenuBench() {
        newDesign(design.entries);
        setEntry(design.entries, 0, 50.0, 'R', 1);
        setEntry(design.entries, 1, 1e-10, 'C', 2);
        setEntry(design.entries, 2, 50.0, 'R', 1);
        setEntry(design.entries, 3, 1e7, 'x', 1);
        setDesignName(design, "menu");
        completeSettingsString(design.record);
        results.records[0] = {2.0f, 1e6f, 1e7f, 1e11f, 1e11f, 1e11f, 50.0f};
        results.records[1] = {1e6f, 30.0f, 0.5f, 1e-9f, -10.0f, 49.0f, -3.0f};
        results.records[2] = {2e6f, 25.0f, 0.75f, 2e-9f, -20.0f, 48.0f, -6.0f};
        ctx.directory = dir.str();
        ctx.printer = &paper;
        ctx.timeText = [] { return std::string("Mon Dec  7 12:00:00 2026"); };
        ctx.showAnalysisData = [this] { ++windows; };
    }
    std::string row(int r) {
        std::string s;
        for (int c = 0; c < ui::GenWin::kColumns; ++c) {
            const unsigned char ch = tk.genWin().screen.at(c, r).ch;
            s += ch ? static_cast<char>(ch) : ' ';
        }
        return s;
    }
};

} // namespace

TEST(ReviewMenu, EveryOptionSitsOnItsOwnRow) {
    MenuBench b;
    outputs::ReviewMenu menu(b.ctx);
    menu.draw();
    const std::string opts = menu.options();
    std::vector<std::string> names;
    std::stringstream in(opts);
    for (std::string o; std::getline(in, o, ',');) names.push_back(o);
    ASSERT_EQ(names.size(), 14u); // rows 4..17
    // The hot letter of each selectable option appears on its row.
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string row = b.row(4 + static_cast<int>(i));
        if (names[i] == "-") continue;
        const char hot = names[i][names[i].find('&') + 1];
        EXPECT_NE(row.find(hot), std::string::npos)
            << names[i] << " on row " << 4 + i << ": " << row;
    }
    EXPECT_NE(b.row(14).find("eXit to main menu"), std::string::npos);
    EXPECT_NE(b.row(15).find("Form feed printer"), std::string::npos);
    EXPECT_NE(b.row(16).find("Box characters = Extended"), std::string::npos);
    EXPECT_EQ(b.row(5)[21], '*');                               // review to screen
    EXPECT_NE(b.row(11).find("( )  -----"), std::string::npos); // no prototype: no table
    EXPECT_EQ(names[8], "-");                                   // nor dimensions
}

TEST(ReviewMenu, FilesScreenAndOnePrinterJob) {
    MenuBench b;
    outputs::ReviewMenu menu(b.ctx);
    // Disk: analysis and schematic; review: analysis opens the window and
    // parameters wait for the continue box; printer: two items, one job,
    // printed at eXit.
    for (const char* a : {"1", "5", "7", "2", "5", "6", " ", "3", "5", "6", "11"}) b.tk.answer(a);
    EXPECT_EQ(menu.run(), 0);
    const auto file = splitLines(b.dir.read("menu.1HC"));
    ASSERT_GE(file.size(), 9u);
    EXPECT_EQ(file[0], "Date / time = Mon Dec  7 12:00:00 2026");
    EXPECT_EQ(file[2], "Design file: menu ...");
    EXPECT_EQ(file[3], " Analysis data");
    EXPECT_EQ(file[5],
              "   Frequency   Rtn. loss    Atten.       Delay       Phase       Impedance");
    EXPECT_EQ(file[7],
              "      1.000      30.000       0.500       1.000     -10.000   49.00   -3.00 ");
    EXPECT_NE(b.dir.read("menu.3HC").find(" Schematic diagram"), std::string::npos);
    EXPECT_EQ(b.windows, 1);
    EXPECT_TRUE(b.tk.sawPrompt(ui::kContinueText));
    EXPECT_EQ(b.paper.jobs, 1);
    EXPECT_EQ(b.paper.ends, 1);
    int headers = 0;
    for (const auto& t : b.paper.printed) headers += t.rfind("Date / time", 0) == 0;
    EXPECT_EQ(headers, 2);
    EXPECT_FALSE(b.tk.genWin().isOpen());

    // Form feed: an empty test page without a job, the job's end with one.
    b.tk.answer("12");
    b.tk.answer("3");
    b.tk.answer("5");
    b.tk.answer("12");
    b.tk.answer("11");
    outputs::ReviewMenu again(b.ctx);
    again.run();
    EXPECT_EQ(b.paper.tests, 1);
    EXPECT_EQ(b.paper.jobs, 2);
    EXPECT_EQ(b.paper.ends, 2);
    EXPECT_EQ(again.destination, outputs::kToScreen);
}

TEST(ReviewMenu, BoxCharactersPrinterSettingsAndEmptyAnalysis) {
    MenuBench b;
    outputs::ReviewMenu menu(b.ctx);
    menu.toggleBoxCharacters();
    menu.draw();
    EXPECT_NE(b.row(16).find("Box characters = Generic "), std::string::npos);
    EXPECT_EQ(b.design.record[kSlotSettings].text[13], '0');
    menu.toggleBoxCharacters();
    EXPECT_EQ(b.design.record[kSlotSettings].text[13], '1');
    for (const char* a : {"14", "D", "M", "X", "11"}) b.tk.answer(a);
    menu.run();
    EXPECT_EQ(b.design.record[kSlotSettings].text[10], '2');
    EXPECT_EQ(b.design.record[kSlotSettings].text[11], '3');
    EXPECT_TRUE(b.tk.sawPrompt(" (D) *Default  (S)  Scanned"));

    // No sweep yet: nothing is written and the user is told.
    b.results.records[0][0] = 0.0f;
    menu.destination = outputs::kToFile;
    EXPECT_FALSE(menu.produce(outputs::kItemAnalysis));
    EXPECT_TRUE(b.tk.sawNotice("No analysis data: analyse the design first."));
    EXPECT_FALSE(std::filesystem::exists(b.dir.file("menu.1HC")));
}
