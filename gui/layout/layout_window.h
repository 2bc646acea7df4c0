// KORVADEX's window: the layout program's design drawn as a schematic with
// the current branch, its part and the material options; the menu, keys and
// mouse forward to layout::Layout (core/layout/layout_commands.h).
//
//   LayoutWindow w;        // its own Qt boxes
//   w.startUp();           // menu "cmenu", job file, design "default"
//   w.show();
//
//   LayoutWindow t(&scriptedToolkit);   // tests: boxes answered from a queue
//   t.chooseFile = [](int kind) { return QString("x.dzn"); };
//   t.openDesign("x.dzn");  t.runCommand(layout::kCmdWorkOut);
#pragma once

#include "layout/layout_commands.h"
#include "ui/text_screen.h"
#include "ui/text_screen_widget.h"
#include "ui/toolkit.h"

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QScrollBar;

namespace tanvex::layout {
class LayoutScreen;
}

namespace tanvex::gui {

class CoilWindow;
class DefaultsDialog;

// The cell view, with the two chips of the material options drawn to scale.
class LayoutView : public TextScreenWidget {
    Q_OBJECT
public:
    using TextScreenWidget::TextScreenWidget;
    const layout::MaterialOptions* options = nullptr;
    int optionsBottom = 0;
    // Called when the view changed size (the window fits its screen to it).
    std::function<void()> resized;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};

class LayoutWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit LayoutWindow(ui::Toolkit* toolkit = nullptr, QWidget* parent = nullptr);
    ~LayoutWindow() override;

    // Start-up: material menu, job file (and its last-design item), the design
    // "default" from the working directory, else the open dialog.
    void startUp();
    bool openDesign(const QString& path);

    layout::Layout& layout() { return k_; }
    ui::TextScreen& screen() { return screen_; }
    LayoutView* view() const { return view_; }
    ui::Toolkit& toolkit() { return *tk_; }
    QAction* action(int id) const;
    // The coil window opened by the last coil work-out (null when closed).
    CoilWindow* coilWindow() const;

    // File choosers (kind: kCmdOpen, kCmdSaveAs or 21 for a material menu);
    // the system dialogs unless a test sets them. An empty string cancels.
    std::function<QString(int kind)> chooseFile;
    // Called with the DEFAULTS dialog before it runs modally (tests).
    std::function<void(DefaultsDialog*)> onDefaults;

public slots:
    void runCommand(int id);
    void refresh();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void fitScreen();
    void buildMenu();
    void addLastDesignItem();
    // Opens the DEFAULTS dialog; returns 21 when left through "Change menu".
    int defaultsDialog();
    void defaultsCommand();
    void changeMenu();
    void workOut();
    void cellClicked(int column, int row, Qt::MouseButton button);
    bool printLines(const std::vector<std::string>& lines);
    void updateScrollBar();

    layout::Layout k_;
    std::unique_ptr<layout::LayoutScreen> painterOwned_;
    layout::LayoutScreen& painter_;
    ui::TextScreen screen_{80, 25};
    std::unique_ptr<ui::Toolkit> ownToolkit_;
    ui::Toolkit* tk_;
    LayoutView* view_ = nullptr;
    QScrollBar* scroll_ = nullptr;
    std::optional<layout::MaterialOptions> options_;
    QAction* lastDesign_ = nullptr;
    std::vector<std::pair<int, QAction*>> actions_;
    QWidget* coil_ = nullptr;
};

} // namespace tanvex::gui
