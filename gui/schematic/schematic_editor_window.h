// The "Schematic Editor" window: the drawn schematic of the current design
// in a text-cell view with a vertical scroll bar, six menu buttons across
// the top ("MAIN:" .. "NORT:") that put their menu in the menu bar, and the
// right-button pop-up menu. Every command is run by schematic::Editor; the
// window only draws its screen and forwards clicks, keys and menu commands.
//
//   SchematicEditorWindow w(design);          // its own Qt toolkit
//   SchematicEditorWindow t(design, &scriptedToolkit);   // tests
//   t.show();
//   t.runCommand(schematic::kCmdNorm);
#pragma once

#include "schematic/editor.h"
#include "ui/text_screen.h"
#include "ui/text_screen_widget.h"
#include "ui/toolkit.h"

#include <QMainWindow>
#include <array>
#include <memory>

class QMenu;
class QPushButton;
class QScrollBar;

namespace tanvex::gui {

class SchematicEditorWindow;

// The cell view: the editor paints its screen before every paint.
class SchematicView : public TextScreenWidget {
    Q_OBJECT
public:
    SchematicView(SchematicEditorWindow* window, ui::TextScreen* screen, QWidget* parent);
    // While the insert selector shows its pages the editor's drawing waits.
    bool showingOther = false;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    SchematicEditorWindow* window_;
};

class SchematicEditorWindow : public QMainWindow {
    Q_OBJECT
public:
    // toolkit: null for the window's own Qt boxes.
    explicit SchematicEditorWindow(Design& design, ui::Toolkit* toolkit = nullptr,
                                   QWidget* parent = nullptr);
    ~SchematicEditorWindow() override;

    schematic::Editor& editor() { return *editor_; }
    ui::TextScreen& screen() { return screen_; }
    SchematicView* view() const { return view_; }
    ui::Toolkit* toolkit() const { return toolkit_; }
    QPushButton* menuButton(int index) const { return buttons_[index]; }
    // The menu in the menu bar (0 MAIN .. 5 NORT).
    int currentMenu() const { return current_; }
    QMenu* popupMenu() const { return popup_; }

public slots:
    // Runs a menu command (or menu button 100..105) and repaints; closes the
    // window when the command says so.
    void runCommand(int id);
    void showMenu(int index);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class SchematicView;
    void buildMenus();
    void placeButtons();
    void cellPressed(int column, int row, Qt::MouseButton button);
    void cellReleased(int column, int row, Qt::MouseButton button);
    void scrolled(int action);
    void syncScrollBar();
    void showSelectorScreen(const ui::TextScreen& screen);

    Design& design_;
    std::unique_ptr<ui::Toolkit> ownToolkit_;
    ui::Toolkit* toolkit_;
    std::unique_ptr<schematic::Editor> editor_;
    ui::TextScreen screen_{80, 30};
    ui::TextScreen selectorScreen_{80, 32};
    SchematicView* view_ = nullptr;
    QScrollBar* scroll_ = nullptr;
    std::array<QPushButton*, 6> buttons_{};
    std::array<QMenu*, 6> menus_{};
    QMenu* popup_ = nullptr;
    int current_ = 0;
    int previous_ = 0;
    bool closing_ = false;
    // The toolkit's generic text window while the insert selector borrows it.
    QWidget* savedGenWin_ = nullptr;
    TextScreenWidget* savedGenView_ = nullptr;
    bool borrowedGenWin_ = false;
    bool closed_ = false;
};

} // namespace tanvex::gui
