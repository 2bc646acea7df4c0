// The "Analysis results" window: the response plot of the analysis results
// table with its menu "Plotmenu", the eleven buttons Set and F1..F10, keys,
// mouse cursor and the marker, scale, colour and caption dialogs. The
// window draws a plot::PlotModel (core/plot) that outlives it, so markers,
// modes and scales persist while the program runs.
//
//   plot::PlotModel model(design, table, options, toolkit);
//   auto* w = new PlotWindow(model, toolkit, context);  // deletes itself on close
//   if (w->start()) w->show();                           // false: < 2 points
#pragma once

#include "plot/plot_model.h"
#include "ui/window_output.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <map>

class QAction;
class QMenu;
class QPushButton;

namespace tanvex::gui {

class QtToolkit;
class ColourDialog;

// What the window needs from the program around it.
struct PlotContext {
    std::string homeDirectory;    // logo.bmp
    std::string workingDirectory; // BMP files
    std::string designName;       // BMP file name, hard-copy caption
    std::string user;
    char hardCopySetting = '1';
    // The main window asks for the quick comparison box.
    std::function<void()> quickComparison;
    // The optimizer window is open (for its transfer command 140).
    std::function<bool()> optimizerOpen;
    std::function<void(int)> sendToOptimizer;
    // The window moved or resized (rectangle for the position file).
    std::function<void(int, int, int, int)> rectChanged;
};

// The plot itself: curves, scales, markers, panel, Smith chart.
class PlotCanvas : public QWidget {
    Q_OBJECT
public:
    PlotCanvas(plot::PlotModel& model, QWidget* parent = nullptr);

    // Paints the whole plot (also used for print and bitmap outputs).
    void render(QPainter& p, bool printing);
    // Plot width in pixels for the current size (reported to the dialog).
    int plotWidth() const;
    // Left end of the plot in canvas pixels and the last frame drawn.
    int plotLeft() const { return plotLeft_; }
    const plot::Frame& lastFrame() const { return frame_; }
    QFont panelFont() const { return font_; }
    // Where the last frame drew the Smith chart's unit circle (empty: none).
    QRectF smithRect() const { return smithRect_; }
    // Where the marker table was last drawn (empty when none).
    QRectF markerTableRect() const { return tableRect_; }
    // Left edge of the read-out panel in the last frame.
    int panelLeft() const { return panelLeft_; }
    bool printing = false;
    ui::Toolkit* toolkit = nullptr;
    std::string homeDirectory;
    ui::PenBox* pens = nullptr;
    Logo logo;

    std::function<void()> rightClicked;
    std::function<void()> staleTable;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QColor itemColour(int item, bool onWhite) const;
    void dragTo(int x);

    plot::PlotModel& model_;
    QFont font_;
    plot::Frame frame_;
    int plotLeft_ = 0;
    int panelLeft_ = 0;
    QRectF smithRect_;
    QRectF tableRect_;
    bool dragging_ = false;
};

class PlotWindow : public QMainWindow {
    Q_OBJECT
public:
    PlotWindow(plot::PlotModel& model, QtToolkit& toolkit, PlotContext context,
               QWidget* parent = nullptr);
    ~PlotWindow() override;

    // Opens the model on the table; false when it holds fewer than 2 points.
    bool start();
    // Command 141: re-reads the table after a new sweep and repaints.
    void refreshFromTable();
    // Runs a menu or button command.
    void runCommand(int id);
    // A typed key (character and Qt key).
    void typed(int character, int qtKey, Qt::KeyboardModifiers modifiers);

    PlotCanvas* canvas() const { return canvas_; }
    QAction* action(int id) const;
    QMenu* popup(char key) const;
    QPushButton* button(int id) const;
    plot::PlotModel& model() { return model_; }
    // Dialogs open at the moment (for tests): colour dialog is modeless.
    QWidget* colourDialog() const;

    // Test hook: called with each modal dialog once it is on screen.
    std::function<void(QWidget*)> onDialogShown;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    QAction* addCommand(QMenu* menu, int id, const char* text, bool checkable = false);
    void updateChecks();
    void repaintPlot();
    void outputs(int id);
    void runDialog(QDialog& d);

    plot::PlotModel& model_;
    QtToolkit& toolkit_;
    PlotContext context_;
    ui::PenBox pens_;
    PlotCanvas* canvas_ = nullptr;
    QWidget* buttonRow_ = nullptr;
    std::map<int, QAction*> actions_;
    std::map<char, QMenu*> popups_;
    std::array<QPushButton*, 11> buttons_{};
    QPointer<ColourDialog> colourDialog_;
};

} // namespace tanvex::gui
