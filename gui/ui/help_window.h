// HelpWindow: "TANVEX Help", the window of the help viewer
// (tanvex::ui::HelpViewer). Four buttons along the top - "Top <Home>",
// "Previous <Page Up>", "Next <Page Down>", "<eXit>" - with the keys Home,
// Up/Page Up, Down/Page Down, X/grave accent; the right mouse button
// closes it. Opened through QtToolkit::showHelp(topic), which keeps one
// viewer and at most one window.
#pragma once

#include "ui/help.h"
#include "ui/text_screen.h"

#include <QWidget>

class QPushButton;

namespace tanvex::gui {

class TextScreenWidget;

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    enum Command { kTop = 100, kPrevious = 101, kNext = 102, kExit = 103 };

    HelpWindow(ui::HelpViewer& viewer, QWidget* owner);
    ~HelpWindow() override;

    // Runs a button's command.
    void command(int id);
    // Rewrites the text screen from the viewer's page.
    void refresh();
    void setAsciiDrawing(bool on);
    const ui::TextScreen& screen() const { return screen_; }
    QPushButton* button(int id) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    ui::HelpViewer& viewer_;
    ui::TextScreen screen_{84, 32};
    TextScreenWidget* view_;
    QPushButton* buttons_[4] = {};
};

} // namespace tanvex::gui
