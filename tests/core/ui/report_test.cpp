#include "ui/gen_win.h"
#include "ui/report.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

using namespace tanvex::ui;

namespace {

// A printer with a page of 10 lines of 20 pixels; characters 7 pixels wide.
struct PaperSink : PrinterSink {
    bool accept = true;
    std::string docName;
    struct Line {
        int page, x, y, attr;
        std::string text;
    };
    std::vector<Line> lines;
    int page = 0;
    bool ended = false;
    bool begin(const std::string& name, char) override {
        docName = name;
        page = 1;
        return accept;
    }
    int pageHeight() const override { return 200; }
    int lineHeight() const override { return 20; }
    int textWidth(const std::string& t) const override { return 7 * static_cast<int>(t.size()); }
    void text(int x, int y, const std::string& t, int a) override {
        lines.push_back({page, x, y, a, t});
    }
    void newPage() override { ++page; }
    void end() override { ended = true; }
};

std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

} // namespace

TEST(ReportChannel, ScreenReportsGoToTheTextWindowInTheReportAttribute) {
    ScriptedToolkit tk;
    ReportChannel rep(tk.genWin());
    EXPECT_EQ(rep.start("x", 0), 0);
    rep.report("Header", 14);
    rep.report(" text");
    rep.newline();
    rep.report("next");
    EXPECT_EQ(tk.genWin().screen.rowText(0), "Header text");
    EXPECT_EQ(tk.genWin().screen.at(0, 0).attr, 14);
    EXPECT_EQ(tk.genWin().screen.at(7, 0).attr, 112);
    EXPECT_EQ(tk.genWin().screen.rowText(1), "next");
}

TEST(ReportChannel, FileReportsUseCrLfAndUtf8) {
    ScriptedToolkit tk;
    std::string path = std::string(TANVEX_PICTURE_DIR) + "/../report_test.1HC";
    {
        ReportChannel rep(tk.genWin());
        ASSERT_EQ(rep.start(path, ReportChannel::kFile), ReportChannel::kFile);
        rep.report("L1 \xC4\xC4 5.1 nH");
        rep.newline();
        rep.report("end");
        EXPECT_TRUE(rep.end());
        EXPECT_EQ(rep.destination(), 0);
    }
    EXPECT_EQ(slurp(path), "L1 \u2500\u2500 5.1 nH\r\nend");
    {
        ReportChannel rep(tk.genWin());
        rep.ascii = true;
        rep.start(path, ReportChannel::kFile);
        rep.report("\xDA\xC4\xBF");
    } // the destructor closes the file
    EXPECT_EQ(slurp(path), ",-,");
    std::remove(path.c_str());
    // A file that cannot be written completely is reported by end().
    {
        ReportChannel full(tk.genWin());
        if (full.start("/dev/full", ReportChannel::kFile) == ReportChannel::kFile) {
            for (int i = 0; i < 2000; ++i) full.report("0123456789012345678901234567890123456789");
            EXPECT_FALSE(full.end());
        }
        EXPECT_TRUE(full.end()); // nothing open any more
    }
    // A file that cannot be created leaves the screen as destination.
    ReportChannel rep(tk.genWin());
    EXPECT_EQ(rep.start("/nonexistent-dir/x.1HC", ReportChannel::kFile), 0);
    rep.report("still on screen");
    EXPECT_EQ(tk.genWin().screen.rowText(0), "still on screen");
}

TEST(ReportChannel, PrinterAdvancesAndBreaksPages) {
    ScriptedToolkit tk;
    PaperSink paper;
    ReportChannel rep(tk.genWin(), &paper);
    ASSERT_EQ(rep.start("bp filter", ReportChannel::kPrinter), ReportChannel::kPrinter);
    EXPECT_EQ(paper.docName, "bp filter");
    rep.report("ab");
    rep.report("cde", 7);
    EXPECT_EQ(paper.lines[0].x, 0);
    EXPECT_EQ(paper.lines[1].x, 14);
    EXPECT_EQ(paper.lines[0].attr, 112);
    EXPECT_EQ(paper.lines[1].attr, 7);
    // Ten lines fit a page: the 10th newline starts page 2.
    for (int i = 0; i < 10; ++i) {
        rep.newline();
        rep.report("line");
    }
    EXPECT_EQ(rep.pages(), 2);
    EXPECT_EQ(paper.lines.back().page, 2);
    EXPECT_EQ(paper.lines.back().y, 0);
    EXPECT_EQ(paper.lines[paper.lines.size() - 2].y, 180);
    rep.end();
    EXPECT_TRUE(paper.ended);
    EXPECT_EQ(rep.destination(), 0);

    // A cancelled print dialog: destination 0, nothing printed, no end().
    PaperSink cancelled;
    cancelled.accept = false;
    ReportChannel rep2(tk.genWin(), &cancelled);
    EXPECT_EQ(rep2.start("x", ReportChannel::kPrinter), 0);
    rep2.end();
    EXPECT_FALSE(cancelled.ended);
    // No printer at all behaves the same.
    ReportChannel rep3(tk.genWin(), nullptr);
    EXPECT_EQ(rep3.start("x", ReportChannel::kPrinter), 0);
    EXPECT_EQ(rep3.start("x", ReportChannel::kPrinterTest), 0);
}
