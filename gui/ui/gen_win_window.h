// GenWinWindow: the "** TANVEX **" window that shows the generic text
// window (tanvex::ui::GenWin, reached through Toolkit::genWin()). QtToolkit
// creates it when the engine opens GenWin and destroys it on close; the
// window keeps GenWin's saved rectangle up to date, records left-button
// releases as GenWin's clicked cell, and repaints when cells change.
#pragma once

#include "ui/gen_win.h"

#include <QWidget>

namespace tanvex::gui {

class TextScreenWidget;

class GenWinWindow : public QWidget {
    Q_OBJECT
public:
    GenWinWindow(ui::GenWin& genWin, QWidget* owner);

    TextScreenWidget* view() const { return view_; }
    ui::GenWin& genWin() const { return genWin_; }

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void remember();

    ui::GenWin& genWin_;
    TextScreenWidget* view_;
};

} // namespace tanvex::gui
