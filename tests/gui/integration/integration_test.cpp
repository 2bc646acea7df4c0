// tanvexw put together as main() does it, offscreen: the example bandpass
// design loaded at start-up and drawn under the status screen, recall and
// Calculate redrawing it, Analyse run through the command registry with the
// plot, and every help button of the windows reaching its help page.
//
// First: the schematic renderer has a member named emit, which Qt's keyword
// macro would otherwise rewrite.
#include "schematic/schematic_editor_window.h"

#include "analysis/analysis_dialog.h"
#include "analysis/analysis_front.h"
#include "analysis/plot_window.h"
#include "design/design_file.h"
#include "design/filename_list_dialog.h"
#include "shell/main_window.h"
#include "shell/shell_dialogs.h"
#include "synthesis/narrow_band_dialog.h"
#include "synthesis/parameter_dialog.h"
#include "synthesis/synthesis_commands.h"
#include "ui/cp437.h"
#include "ui/help.h"
#include "ui/help_window.h"
#include "ui/qt_toolkit.h"
#include "ui/text_screen_widget.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>

using namespace tanvex;
using namespace tanvex::gui;
namespace fs = std::filesystem;

namespace {

int argc = 1;
char arg0[] = "gui_integration_test";
char* argv[] = {arg0, nullptr};
QApplication* app() {
    static QApplication* a = [] {
        auto* p = new QApplication(argc, argv);
        std::setlocale(LC_NUMERIC, "C");
        return p;
    }();
    return a;
}

QString picture(const char* name) {
    return QString(TANVEX_PICTURE_DIR) + "/" + name;
}

// A copy of the example designs, made the working directory.
class ExampleFolder {
public:
    ExampleFolder() : old_(fs::current_path()) {
        dir_ = fs::path(TANVEX_BUILD_HOME).parent_path() / "tests" / "gui_integration_designs";
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        for (const char* f : {"bandpass.spk", "bandpass.dzn", "lowpass.spk", "lowpass.dzn"})
            fs::copy_file(fs::path(TANVEX_SOURCE_DIR) / "resources" / "examples" / f, dir_ / f);
        fs::current_path(dir_);
    }
    ~ExampleFolder() { fs::current_path(old_); }
    std::string path() const { return dir_.string(); }

private:
    fs::path old_;
    fs::path dir_;
};

// Runs fn on the next modal dialog once it is on screen (any dialog that a
// command opens with exec()).
void onNextModal(std::function<void(QWidget*)> fn) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, fn] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        fn(w);
    });
    timer->start();
}

QPushButton* buttonLabelled(QWidget* w, const QString& text) {
    for (QPushButton* b : w->findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

// The program as main() wires it.
struct Program {
    Design design;
    QtToolkit toolkit;
    shell::Shell shell{design, toolkit};
    MainWindow window{shell, toolkit};
    SynthesisCommands synthesis{shell, toolkit, &window};
    std::unique_ptr<AnalysisFront> analysis;
    QPointer<SchematicEditorWindow> editor;
    std::vector<std::string> notices;

    Program() {
        toolkit.onBoxShown = [this](QWidget* w) {
            if (auto* m = qobject_cast<QMessageBox*>(w)) {
                notices.push_back(m->text().toStdString());
                m->accept();
            }
        };
        window.show();
        shell.commands.add(shell::kCmdCalculate, [this](int) {
            int r = synthesis.calculate();
            window.designChanged();
            return r;
        });
        analysis = registerAnalysisCommands(shell, toolkit, &window);
        shell.commands.add(shell::kCmdEdit, [this](int) {
            if (!editor) {
                editor = new SchematicEditorWindow(design, &toolkit);
                editor->setAttribute(Qt::WA_DeleteOnClose);
                window.rememberRect(editor, shell::kSchematicEditorWindow);
                QObject::connect(editor, &QObject::destroyed, &window,
                                 [this] { window.designChanged(); });
            }
            editor->show();
            return 0;
        });
        auto repaintMain = shell.repaint;
        shell.repaint = [this, repaintMain] {
            if (repaintMain) repaintMain();
            if (editor) editor->update();
        };
    }
    ~Program() {
        delete editor.data();
        toolkit.helpViewer().close();
    }

    // The schematic's rows as UTF-8 text.
    std::vector<std::string> schematicRows() const {
        std::vector<std::string> rows;
        const ui::TextScreen& s = window.schematicScreen();
        for (int r = 0; r < s.rows(); ++r) rows.push_back(ui::cp437ToUtf8(s.rowText(r)));
        while (!rows.empty() && rows.back().empty()) rows.pop_back();
        return rows;
    }
    std::string helpTopic() { return toolkit.helpViewer().topic(); }
};

bool contains(const std::string& s, const char* part) {
    return s.find(part) != std::string::npos;
}

// Pixels that are neither black nor (nearly) so in a region of an image.
int litPixels(const QImage& img, const QRect& r) {
    int n = 0;
    QRect box = r.intersected(img.rect());
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (qGray(img.pixel(x, y)) > 60) ++n;
    return n;
}

} // namespace

TEST(Integration, StartUpDrawsTheDesignUnderTheStatusScreen) {
    app();
    ExampleFolder folder;
    Program p;
    ASSERT_EQ(p.window.startUp("bandpass") & kDznFailed, 0);
    QApplication::processEvents();

    // The bandpass example: termination, the ladder, source, closing line.
    std::vector<std::string> rows = p.schematicRows();
    ASSERT_GE(rows.size(), 4u);
    EXPECT_TRUE(contains(rows.front(), "  0 ┌─ Termination ─┐")) << rows.front();
    EXPECT_TRUE(contains(rows.front(), "Ohms")) << rows.front();
    const int n = entryCount(p.design.entries);
    const std::string source = rows[rows.size() - 2];
    EXPECT_TRUE(contains(source, "└──── Source ───┘")) << source;
    EXPECT_EQ(std::stoi(source), n);
    EXPECT_TRUE(contains(rows.back(), "Fc =")) << rows.back();
    EXPECT_TRUE(contains(rows.back(), "bandpass")) << rows.back();
    // Every branch of the ladder has its numbered line.
    std::set<int> numbered;
    for (const std::string& r : rows) {
        int b = -1;
        if (std::sscanf(r.c_str(), "%d", &b) == 1) numbered.insert(b);
    }
    for (int b = 0; b <= n + 1; ++b) EXPECT_TRUE(numbered.count(b)) << "branch " << b;

    // Placement: the schematic starts below the status screen's rows, so
    // the boxes and the coloured fields are never painted over.
    TextScreenWidget* status = p.window.statusView();
    QWidget* area = p.window.schematicArea();
    int statusBottom = status->mapTo(&p.window, QPoint(0, status->height())).y();
    int areaTop = area->mapTo(&p.window, QPoint(0, 0)).y();
    EXPECT_GE(areaTop, statusBottom);
    EXPECT_GE(status->height(), 9 * status->cellSize().height());
    EXPECT_TRUE(area->isVisible());
    EXPECT_GT(area->height(), 5 * status->cellSize().height());

    QImage img = p.window.grab().toImage();
    EXPECT_TRUE(img.save(picture("integration_main_window.png")));
    // The active file's field is still white on blue...
    QPoint f = status->mapTo(&p.window, status->cellOrigin(49, 4));
    EXPECT_EQ(img.pixelColor(f + QPoint(1, status->cellSize().height() / 2 - 3)),
              QColor(0, 0, 255));
    // ... and the schematic's first lines are drawn in the window.
    TextScreenWidget* sv = p.window.schematicView();
    QPoint s0 = sv->mapTo(&p.window, QPoint(0, 0));
    EXPECT_GT(litPixels(img, QRect(s0, QSize(area->width(), 3 * sv->cellSize().height()))), 100);

    // A small window scrolls the schematic; the keys move it.
    p.window.resize(640, 330);
    QApplication::processEvents();
    QScrollBar* bar = p.window.schematicArea()->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
    QApplication::sendEvent(&p.window, &end);
    EXPECT_EQ(bar->value(), bar->maximum());
    p.window.grab().save(picture("integration_main_window_scrolled.png"));
}

TEST(Integration, RecallAndCalculateRedrawTheSchematic) {
    app();
    ExampleFolder folder;
    Program p;
    p.window.startUp("bandpass");
    const std::vector<std::string> bandpass = p.schematicRows();

    // Recall design (161) of another design name.
    setDesignName(p.design, "lowpass");
    p.shell.dispatch(shell::kCmdRecallDesign);
    std::vector<std::string> rows = p.schematicRows();
    ASSERT_FALSE(rows.empty());
    EXPECT_TRUE(contains(rows.back(), "lowpass")) << rows.back();
    EXPECT_NE(rows, bandpass);
    p.window.grab().save(picture("integration_lowpass_recalled.png"));

    // The plain-character display option draws the same lines in ASCII.
    const std::vector<std::string> boxed = p.schematicRows();
    p.design.record[kSlotSettings].text[23] = '1';
    p.window.designChanged();
    rows = p.schematicRows();
    ASSERT_EQ(rows.size(), boxed.size());
    for (const std::string& r : rows)
        for (unsigned char c : r) EXPECT_LT(c, 128) << r;
    EXPECT_TRUE(contains(rows.front(), "  0 ,- Termination -,")) << rows.front();
    p.design.record[kSlotSettings].text[23] = '0';

    // Back to the bandpass, its network emptied in memory: the new design's
    // three lines.
    setDesignName(p.design, "bandpass");
    p.shell.dispatch(shell::kCmdRecallDesign);
    EXPECT_EQ(p.schematicRows(), bandpass);
    newDesign(p.design.entries);
    p.window.designChanged();
    EXPECT_EQ(p.schematicRows().size(), 3u);

    // Calculate through the registry builds the ladder again and it shows.
    p.notices.clear();
    EXPECT_EQ(p.shell.dispatch(shell::kCmdCalculate), 0);
    for (const auto& n : p.notices) ADD_FAILURE() << "notice: " << n;
    rows = p.schematicRows();
    EXPECT_GT(rows.size(), 5u);
    EXPECT_EQ(std::stoi(rows[rows.size() - 2]), entryCount(p.design.entries));
    p.window.grab().save(picture("integration_after_calculate.png"));

    // Edits made in the editor show once it closes.
    p.shell.dispatch(shell::kCmdEdit);
    ASSERT_TRUE(p.editor);
    newDesign(p.design.entries);
    p.editor->editor().clearSelection();
    delete p.editor.data();
    EXPECT_EQ(p.schematicRows().size(), 3u);
}

TEST(Integration, AnalyseWithThePlot) {
    app();
    ExampleFolder folder;
    Program p;
    p.window.startUp("bandpass");
    p.shell.positions.rects[shell::kAnalysisResultsWindow] = {20, 20, 900, 560};
    bool graphic = false;
    p.analysis->onDialogShown = [&](QWidget* w) {
        auto* d = qobject_cast<AnalysisDialog*>(w);
        ASSERT_NE(d, nullptr);
        auto* plot = qobject_cast<QAbstractButton*>(d->control(plot::kIdGraphic));
        ASSERT_NE(plot, nullptr);
        plot->click();
        graphic = plot->isChecked();
        d->grab().save(picture("integration_analysis_dialog.png"));
        qobject_cast<QPushButton*>(d->control(plot::kIdSweep))->click();
    };
    EXPECT_EQ(p.shell.dispatch(shell::kCmdAnalyse), 0);
    EXPECT_TRUE(graphic);
    PlotWindow* plot = p.analysis->plotWindow();
    ASSERT_NE(plot, nullptr);
    EXPECT_TRUE(plot->isVisible());
    // The sweep filled the results table: a passband somewhere in it.
    const auto& t = p.shell.results;
    int points = t.pointCount();
    ASSERT_GT(points, 10);
    float best = 1e9f;
    for (int i = 1; i <= points; ++i)
        best = std::min(best, t.records[static_cast<std::size_t>(i)][analysis::kFieldAttenuation]);
    EXPECT_LT(best, 3.0f);
    QApplication::processEvents();
    EXPECT_TRUE(plot->grab().save(picture("integration_plot.png")));
    // The main window still shows the design under its status screen.
    EXPECT_FALSE(p.schematicRows().empty());
    p.window.grab().save(picture("integration_main_after_analyse.png"));
    // The plot's "?-help" item.
    plot->action(plot::kCmdHelp)->trigger();
    EXPECT_EQ(p.helpTopic(), "PLOT.HLW");
    p.toolkit.helpViewer().close();
    plot->close();
}

TEST(Integration, HelpButtonsReachTheirPages) {
    app();
    ExampleFolder folder;
    Program p;
    p.window.startUp("bandpass");
    EXPECT_EQ(p.toolkit.homeDirectory, p.shell.env.home);

    // Every page a help button asks for is in the packed help file.
    std::vector<ui::HelpIndexEntry> index;
    ASSERT_TRUE(ui::readHelpIndex(p.shell.env.home + "/HLW_NDX.DAT", index));
    std::set<std::string> indexed;
    for (const auto& e : index) indexed.insert(e.name);
    for (const char* page :
         {"MAIN.HLW", "BP_MNU.HLW", "REJ_MNU.HLW", "UTIL_MNU.HLW", "FILE.HLW", "JOIN.HLW",
          "LIST.HLW", "PAR_MNU.HLW", "NARROW.HLW", "NWABOX.HLW", "PLOT.HLW", "MASK.HLW", "ED_M.HLW",
          "ED_1.HLW", "ED_2.HLW", "ED_3.HLW", "ED_S.HLW", "ED_N.HLW", "INSERT.HLW"})
        EXPECT_TRUE(indexed.count(page)) << page;

    // The main menu's help items.
    for (auto [id, page] :
         std::vector<std::pair<int, const char*>>{{shell::kCmdHelp, "MAIN.HLW"},
                                                  {shell::kCmdBandpassHelp, "BP_MNU.HLW"},
                                                  {shell::kCmdNotchHelp, "REJ_MNU.HLW"},
                                                  {shell::kCmdUtilitiesHelp, "UTIL_MNU.HLW"},
                                                  {shell::kCmdFileHelp, "FILE.HLW"}}) {
        p.window.action(id)->trigger();
        EXPECT_EQ(p.helpTopic(), page);
        ASSERT_NE(p.toolkit.helpWindow(), nullptr) << page;
        EXPECT_TRUE(p.toolkit.helpWindow()->isVisible());
        EXPECT_FALSE(p.toolkit.helpViewer().pageText().empty()) << page;
    }
    QApplication::processEvents();
    p.toolkit.helpWindow()->grab().save(picture("integration_help_file.png"));
    p.toolkit.helpViewer().close();

    // "?-help" of the Design file operations dialog, then Abort.
    std::string fromDialog;
    bool helpTakesInput = false;
    int shown = 0;
    p.window.onDialogShown = [&](QWidget* w) {
        auto* d = qobject_cast<FileOperationsDialog*>(w);
        if (!d) return;
        if (++shown == 1) {
            d->press(105);
        } else {
            fromDialog = p.helpTopic();
            p.toolkit.helpViewer().close();
            d->press(106);
        }
    };
    p.shell.dispatch(shell::kCmdJoinDesigns);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(fromDialog, "JOIN.HLW");
    p.window.onDialogShown = nullptr;

    // The parameter dialog's "?-help": the help window opens over the modal
    // dialog and takes the input until it closes.
    onNextModal([&](QWidget* w) {
        QPushButton* help = buttonLabelled(w, "&?-help");
        ASSERT_NE(help, nullptr);
        help->click();
        fromDialog = p.helpTopic();
        HelpWindow* hw = p.toolkit.helpWindow();
        helpTakesInput = hw && QGuiApplication::modalWindow() == hw->windowHandle();
        if (hw) hw->grab().save(picture("integration_help_over_dialog.png"));
        p.toolkit.helpViewer().close();
        QApplication::processEvents();
        if (QPushButton* x = buttonLabelled(w, "e&Xit")) x->click();
    });
    p.shell.dispatch(shell::kCmdParameters);
    EXPECT_EQ(fromDialog, "PAR_MNU.HLW");
    EXPECT_TRUE(helpTakesInput);

    // The analysis dialog's "?-help", then eXit.
    fromDialog.clear();
    p.analysis->onDialogShown = [&](QWidget* w) {
        auto* d = qobject_cast<AnalysisDialog*>(w);
        ASSERT_NE(d, nullptr);
        if (fromDialog.empty()) {
            qobject_cast<QPushButton*>(d->control(plot::kIdHelp))->click();
            fromDialog = p.helpTopic();
            p.toolkit.helpViewer().close();
        }
        if (d->isVisible()) qobject_cast<QPushButton*>(d->control(plot::kIdExit))->click();
    };
    p.shell.dispatch(shell::kCmdAnalyse);
    EXPECT_EQ(fromDialog, "NWABOX.HLW");

    // The file list box's "?-Help".
    fromDialog.clear();
    p.window.onDialogShown = [&](QWidget* w) {
        auto* d = qobject_cast<FilenameListDialog*>(w);
        if (!d) return;
        if (QPushButton* b = buttonLabelled(d, "&?-Help")) b->click();
        fromDialog = p.helpTopic();
        p.toolkit.helpViewer().close();
        static_cast<QDialog*>(d)->reject();
    };
    p.shell.dispatch(shell::kCmdFileListBox);
    EXPECT_EQ(fromDialog, "LIST.HLW");
    p.window.onDialogShown = nullptr;

    // The narrow band dialog's "?-Help".
    auto* narrow = p.window.findChild<NarrowBandDialog*>();
    ASSERT_NE(narrow, nullptr);
    QPushButton* narrowHelp = buttonLabelled(narrow, "&?-Help");
    ASSERT_NE(narrowHelp, nullptr);
    narrowHelp->click();
    EXPECT_EQ(p.helpTopic(), "NARROW.HLW");
    p.toolkit.helpViewer().close();

    // The schematic editor's help menu.
    p.shell.dispatch(shell::kCmdEdit);
    ASSERT_TRUE(p.editor);
    p.editor->runCommand(schematic::kCmdHelpMain);
    EXPECT_EQ(p.helpTopic(), "ED_M.HLW");
    p.toolkit.helpViewer().close();
    delete p.editor.data();

    // A topic that is neither indexed nor a file: the notice, no window,
    // and the program goes on (the next help opens as usual).
    p.notices.clear();
    p.toolkit.showHelp("NOSUCH.HLW");
    ASSERT_EQ(p.notices.size(), 1u);
    EXPECT_EQ(p.notices[0], "HLW_NDX.DAT or NOSUCH.HLW files missing!");
    EXPECT_FALSE(p.toolkit.helpViewer().isOpen());
    QApplication::processEvents();
    EXPECT_TRUE(p.toolkit.helpWindow() == nullptr || !p.toolkit.helpWindow()->isVisible());
    p.shell.dispatch(shell::kCmdHelp);
    EXPECT_EQ(p.helpTopic(), "MAIN.HLW");
}
