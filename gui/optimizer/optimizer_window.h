// The "Network optimization" window: the optimizer's status panel and a
// column of buttons whose set and keys change with the mode (command, tune,
// frequency ranges, setup memory). The engine is core/optimizer; this
// window forwards its buttons and keys, keeps the plot window beside it and
// runs a command one item per turn of the event loop (a zero timer), so a
// long command never blocks the window and never depends on painting.
//
//   gui::OptimizerContext ctx;              // the plot window's services
//   auto* w = new gui::OptimizerWindow(design, table, options, toolkit, data, ctx);
//   if (w->start()) w->show(); else delete w;  // the range prompt and job box
#pragma once

#include "optimizer/optimizer.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

class QListWidget;
class QPushButton;
class QVBoxLayout;

namespace tanvex::gui {

// What the window needs from the program around it.
struct OptimizerContext {
    // The response plot window (null when none is open).
    std::function<QWidget*()> plotWindow;
    // Redraws the plot from the results table, opening it when it is closed.
    std::function<void()> refreshPlot;
    std::function<void()> closePlot;
    // The network changed (the main window draws its schematic again).
    std::function<void()> designChanged;
    // The branch and partner last selected in the schematic editor (-1:
    // none); they pre-fill the tune mode's branch prompt.
    std::function<std::pair<int, int>()> schematicSelection;
};

// Keeps the plot rectangle clear of the optimizer's: up to 52 attempts to
// move it 20 pixels right or, at the left edge, to make it 20 pixels
// narrower. Returns false when the plot would get narrower than 401 pixels
// (the optimizer must move instead).
bool keepClear(const QRect& optimizer, QRect& plot);

class OptimizerWindow : public QMainWindow {
    Q_OBJECT
public:
    enum class Mode { kCommand, kTune, kRanges, kMemory };

    OptimizerWindow(Design& design, analysis::ResultsTable& table, analysis::SweepOptions& options,
                    ui::Toolkit& toolkit, analysis::DataServices& data, OptimizerContext context,
                    QWidget* parent = nullptr);
    ~OptimizerWindow() override;

    // Opening: the range prompt (or the plot's hand-over), "tmp_op", the
    // job box; closes the plot window. False when nothing was opened.
    bool start();
    // Runs a button, key or menu command (100..110, 160..168, 200..204,
    // 260..263, 140 from the plot window).
    void runCommand(int id);
    // Handles a typed key as the current mode's accelerators do; returns
    // the command run (0 when none).
    int typed(int qtKey, const QString& text);
    // The sweep, the panel and the plot after a change (the repaint).
    void refreshView();

    Mode mode() const { return mode_; }
    optimizer::Optimizer& engine() { return *op_; }
    QPushButton* button(int id) const;
    QListWidget* list() const { return list_; }
    // The last note of the search ("Next!", "WORSE - backing up!", ...).
    const std::string& note() const { return note_; }
    std::vector<optimizer::PanelLine> panelLines() const;

    // Tests: items run so far and each item's report.
    std::function<void(const optimizer::ItemReport&)> onItem;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class Host;
    class Panel;
    void setMode(Mode mode);
    void runItem();
    void scheduleItem();
    void keepPlotClear();
    void takeSchematicSelection();
    void updateList();
    int selectedSlot() const;

    Design& design_;
    analysis::ResultsTable& table_;
    ui::Toolkit& toolkit_;
    OptimizerContext context_;
    std::unique_ptr<Host> host_;
    std::unique_ptr<optimizer::Optimizer> op_;
    Panel* panel_ = nullptr;
    QWidget* buttonBox_ = nullptr;
    QVBoxLayout* buttonLayout_ = nullptr;
    QListWidget* list_ = nullptr;
    std::map<int, QPushButton*> buttons_;
    Mode mode_ = Mode::kCommand;
    std::string note_;
    int stage_ = 0;
    bool itemPending_ = false;
    bool closing_ = false;
    bool overlapReported_ = false;
};

} // namespace tanvex::gui
