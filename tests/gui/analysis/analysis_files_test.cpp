// The analysis file commands in the main program: snapshot save and recall
// with the plot reopened, the comparison box driven by its keys (also from
// the plot's Ctrl+F4), and the S2P command's question and notice.
#include "analysis/analysis_files.h"
#include "plot_bench.h"

#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTest>

#include <deque>
#include <filesystem>
#include <fstream>

using namespace tanvex;
using namespace tanvex::testing;

namespace {

void savePicture(QWidget* w, const char* name) {
    const QImage img = w->grab().toImage();
    ASSERT_FALSE(img.isNull());
    img.save(QString(TANVEX_PICTURE_DIR) + "/" + name);
}

struct FilesBench : PlotBench {
    std::unique_ptr<gui::AnalysisFiles> files;
    std::string dir;
    // Scripted answers to the boxes: a key for a key box, text for an input
    // box; notices are recorded and closed.
    std::deque<std::string> script;
    std::vector<std::string> notices;
    std::vector<int> states; // the box state whenever the key box showed
    bool pictureTaken = false;

    FilesBench() {
        dir = (std::filesystem::temp_directory_path() / "tanvex_gui_files").string();
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        shell.env.working = dir;
        files = gui::registerAnalysisFileCommands(shell, tk, *front);
        tk.onBoxShown = [this](QWidget* box) {
            if (auto* mb = qobject_cast<QMessageBox*>(box)) {
                notices.push_back(mb->text().toStdString());
                mb->button(QMessageBox::Ok)->click();
                return;
            }
            ASSERT_FALSE(script.empty()) << "a box nobody answers";
            const std::string a = script.front();
            script.pop_front();
            if (auto* edit = box->findChild<QLineEdit*>("answer")) {
                edit->setText(QString::fromStdString(a));
                QTest::keyClick(edit, Qt::Key_Return);
                return;
            }
            states.push_back(files->boxState());
            if (!pictureTaken && files->boxState() == gui::kBoxOpen) {
                savePicture(box, "analysis_comparison_box.png");
                pictureTaken = true;
            }
            QTest::keyClick(box, a == "Esc" ? Qt::Key_Escape : static_cast<Qt::Key>(a[0]));
        };
    }
};

std::size_t fileSize(const std::string& path) {
    return std::filesystem::exists(path) ? std::filesystem::file_size(path) : 0;
}

TEST(AnalysisFiles, SaveAndRecallReplotTheSnapshot) {
    FilesBench b;
    ASSERT_EQ(b.analyse(), 0);
    const int n = b.shell.results.pointCount();
    ASSERT_GT(n, 2);
    const auto saved = std::make_unique<analysis::ResultsTable>(b.shell.results);
    ASSERT_EQ(b.shell.commands.run(gui::kCmdSaveAnalysisData), 0);
    EXPECT_EQ(fileSize(b.dir + "/ANAL.dat"), analysis::snapshotSize(n));

    // A different sweep, then the recall brings the first back into the
    // table and a freshly opened plot.
    b.design.analysis[0] = 150.0;
    b.design.analysis[1] = 160.0;
    b.design.analysis[2] = -31.0;
    b.design.record[kSlotSettings].text[analysis::kSettingSpacing] = '0';
    analysis::NoDataServices data(b.tk);
    analysis::NoAnalysisViews views;
    analysis::SweepEvaluator sweep(b.design, b.shell.results, b.front->options(), b.tk, data,
                                   views);
    ASSERT_EQ(sweep.analyse(1), 0);
    ASSERT_EQ(b.shell.results.pointCount(), 31);
    QPointer<gui::PlotWindow> old = b.plot();
    ASSERT_FALSE(old.isNull());
    ASSERT_EQ(b.shell.commands.run(gui::kCmdRecallAnalysisData), 0);
    EXPECT_EQ(b.shell.results.records, saved->records);
    ASSERT_NE(b.plot(), nullptr);
    EXPECT_TRUE(old.isNull()); // closed, and a new one opened
    EXPECT_EQ(b.plot()->model().points(), n);
    QApplication::processEvents();
    savePicture(b.plot(), "analysis_recalled_plot.png");

    // A logarithmic sweep comes back on a logarithmic axis, and the fast
    // delay flag with it.
    b.design.record[kSlotSettings].text[analysis::kSettingSpacing] = '2';
    b.design.analysis = {10.0, 400.0, -60.0, 0.0, 0.0, 0.0, 10.0};
    b.front->options().fastDelay = true;
    ASSERT_EQ(sweep.analyse(1), 0);
    ASSERT_EQ(b.files->save(5), 0);
    b.design.record[kSlotSettings].text[analysis::kSettingSpacing] = '0';
    b.front->options().fastDelay = false;
    ASSERT_EQ(sweep.analyse(1), 0);
    ASSERT_EQ(b.files->recall(5), 0);
    EXPECT_TRUE(b.front->options().fastDelay);
    b.front->closeViews();
    b.front->openViews(true);
    ASSERT_NE(b.plot(), nullptr);
    EXPECT_TRUE(b.plot()->model().logSweep());

    // A damaged snapshot: refused with its reason, the table untouched.
    const auto current = std::make_unique<analysis::ResultsTable>(b.shell.results);
    std::ofstream(b.dir + "/ANAL.dat", std::ios::binary) << "garbage";
    EXPECT_EQ(b.shell.commands.run(gui::kCmdRecallAnalysisData), 1);
    EXPECT_EQ(b.shell.results.records, current->records);
    ASSERT_EQ(b.notices.size(), 1u);
    EXPECT_NE(b.notices[0].find("Can't recall ANAL.dat"), std::string::npos);
}

TEST(AnalysisFiles, ComparisonBoxSavesRecallsAndWritesBitmaps) {
    FilesBench b;
    ASSERT_EQ(b.analyse(), 0);
    const auto first = std::make_unique<analysis::ResultsTable>(b.shell.results);
    // Analyse again (the box comes back); save as 3; recall 5 (missing:
    // the box stays); bitmap of 3; exit.
    int dialogState = -1;
    b.front->onDialogShown = [&](QWidget* w) {
        dialogState = b.files->boxState();
        qobject_cast<QPushButton*>(qobject_cast<gui::AnalysisDialog*>(w)->control(plot::kIdSweep))
            ->click();
    };
    b.script = {"A", "S", "3", "R", "5", "B", "3", "X"};
    std::vector<std::string> bitmaps;
    b.files->onBitmap = [&](const std::string& m) { bitmaps.push_back(m); };
    ASSERT_EQ(b.shell.commands.run(gui::kCmdPlotAnalysisData), 0);
    EXPECT_TRUE(b.script.empty());
    EXPECT_EQ(b.files->boxState(), gui::kBoxInactive);
    EXPECT_EQ(b.states, (std::vector<int>(8, gui::kBoxOpen)));
    EXPECT_EQ(dialogState, gui::kBoxAfterAnalysis);
    EXPECT_EQ(fileSize(b.dir + "/ANAL3.dat"), analysis::snapshotSize(first->pointCount()));
    ASSERT_EQ(bitmaps.size(), 1u);
    EXPECT_GT(fileSize(b.dir + "/ANAL3.bmp"), 10000u);
    EXPECT_EQ(b.notices.size(), 1u); // the missing snapshot 5
    EXPECT_EQ(b.shell.results.records, first->records);
    ASSERT_NE(b.plot(), nullptr);

    // Ctrl+F4 in the plot window opens the same box; Esc leaves it.
    b.script = {"Esc"};
    b.states.clear();
    b.plot()->typed(0, Qt::Key_F4, Qt::ControlModifier);
    EXPECT_EQ(b.states.size(), 1u);
    EXPECT_TRUE(b.script.empty());
    EXPECT_EQ(b.files->boxState(), gui::kBoxInactive);
}

TEST(AnalysisFiles, WriteS2pAsksForTheSystemImpedance) {
    FilesBench b;
    ASSERT_EQ(b.analyse(), 0);
    const auto entries = std::make_unique<EntryList>(b.design.entries);
    b.script = {"75"};
    ASSERT_EQ(b.shell.commands.run(gui::kCmdWriteS2p), 0);
    ASSERT_EQ(b.notices.size(), 1u);
    const std::string path = b.dir + "/bandpass.S2P";
    EXPECT_EQ(b.notices[0], "File is: " + path);
    std::ifstream f(path, std::ios::binary);
    std::string line;
    std::getline(f, line);
    std::getline(f, line);
    EXPECT_EQ(line, "# Hz S DB R 75 \r");
    EXPECT_EQ(std::memcmp(entries.get(), &b.design.entries, sizeof(EntryList)), 0);

    // Touchstone: Q elements (Y), node 1, the design's sweep.
    b.notices.clear();
    b.script = {"Y", "1", ""};
    ASSERT_EQ(b.shell.commands.run(gui::kCmdTouchstone), 0);
    EXPECT_TRUE(std::filesystem::exists(b.dir + "/bandpass.CKT"));
    ASSERT_FALSE(b.notices.empty());
    EXPECT_EQ(b.notices.back().rfind("Last node number used is ", 0), 0u);
}

} // namespace
