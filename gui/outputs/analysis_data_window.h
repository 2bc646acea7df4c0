// The "Analysis data" window: the analysis table of the last sweep with its
// Q line, column header and unit row fixed at the top and the point lines
// scrolled below them (scroll bar, Page Up / Page Down, Home, End, Up, Down,
// the mouse wheel). A right-button release or a close request closes it.
// When a new sweep changes the table's point count or step, the window
// closes itself instead of showing lines of another sweep.
//
//   auto* w = new AnalysisDataWindow(shell.results, [&] { return tableOf(...); }, mainWindow);
//   w->show();
#pragma once

#include "analysis/sweep.h"
#include "outputs/analysis_data_view.h"
#include "outputs/analysis_table.h"

#include <QWidget>
#include <functional>

class QScrollBar;

namespace tanvex::gui {

class AnalysisDataWindow : public QWidget {
    Q_OBJECT
public:
    AnalysisDataWindow(const analysis::ResultsTable& results,
                       std::function<outputs::AnalysisTable()> table, QWidget* owner = nullptr);

    const outputs::AnalysisDataView& view() const { return view_; }
    QScrollBar* scrollBar() const { return bar_; }
    // A restored size or a move (x, y, width, height), for the position file.
    std::function<void(int, int, int, int)> rectChanged;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void scroll(outputs::AnalysisDataView::Move move);
    void syncBar();
    bool stale() const;
    void reportRect();
    int barWidth() const;

    const analysis::ResultsTable& results_;
    std::function<outputs::AnalysisTable()> tableOf_;
    outputs::AnalysisTable table_;
    outputs::AnalysisDataView view_;
    float count_ = 0.0f; // the header's point count and step when opened
    float step_ = 0.0f;
    QFont font_;
    QSize cell_;
    QScrollBar* bar_ = nullptr;
    bool syncing_ = false;
};

} // namespace tanvex::gui
