// The "Time domain response" window (command 148): the pulse train's fields
// (ids 301-308) beside a plot of one page of the response, with the marker
// box, reference line and the window output services. It draws the
// TimeDomainModel and forwards its menu commands and keys to it.
#pragma once

#include "analysis/time_domain_model.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QMenu;

namespace tanvex::gui {

// Menu and key commands.
enum FourierCommand {
    kFourierZeroRef = 320,
    kFourierAverageRef = 321,
    kFourierStartRef = 322,
    kFourierExit = 340,
    kFourierAnalyse = 341,
    kFourierCalc = 342,
    kFourierHelp = 343,
    kFourierNormalize = 350,
    kFourierZeroMarker = 351,
    kFourierMarkerMax = 352,
    kFourierNextPage = 353,
    kFourierBitmap = 355,
    kFourierHardCopy = 357,
    kFourierWhite = 358,
    kFourierClipboard = 359,
    kFourierRight = 250,
    kFourierRightFive = 251,
    kFourierLeft = 252,
    kFourierLeftFive = 253,
};

struct FourierContext {
    std::string workingDirectory;
    std::string designName;
    std::string user;
    char hardCopySetting = '1';
    double q[3] = {1e11, 1e11, 1e11}; // for the hard-copy caption
    std::function<void()> analyse;    // the interactive frequency-domain analysis
    std::function<void()> closeViews; // the response plot, before a calculation
    std::function<void()> focusMain;
};

class FourierCanvas;

class FourierWindow : public QMainWindow {
public:
    FourierWindow(analysis::TimeDomainModel& model, ui::Toolkit& toolkit, FourierContext context,
                  QWidget* parent = nullptr);
    ~FourierWindow() override;

    void runCommand(int id);
    // Columns of a page: the plot width in pixels less 10.
    int columns() const;
    FourierCanvas* canvas() const { return canvas_; }
    QLineEdit* field(int id) const;
    // Reads every field into the model (as when the user leaves a field).
    void takeFields();
    void refreshFields();
    std::string status; // last message of the output services

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildMenus(bool calculated);
    QAction* addCommand(QMenu* menu, int id, const char* text, const QString& key = {});

    analysis::TimeDomainModel& model_;
    ui::Toolkit& toolkit_;
    FourierContext context_;
    FourierCanvas* canvas_ = nullptr;
    std::map<int, QLineEdit*> fields_;
    QLabel* message_ = nullptr;
    bool menusCalculated_ = false;
};

class FourierCanvas : public QWidget {
public:
    FourierCanvas(analysis::TimeDomainModel& model, QWidget* parent);
    bool white = false;
    bool printing = false;
    QRect plotRect() const;
    std::function<void(int column)> onClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    analysis::TimeDomainModel& model_;
};

} // namespace tanvex::gui

namespace tanvex::shell {
class Shell;
}

namespace tanvex::gui {

class AnalysisFront;
class QtToolkit;

// Command 148: opens (or raises) the one "Time domain response" window. The
// model lives for the run, so the fields keep their values between visits.
class FourierFront {
public:
    FourierFront(shell::Shell& shell, QtToolkit& toolkit, AnalysisFront& analysis, QWidget* main);
    ~FourierFront();
    int open();
    FourierWindow* window() const { return window_; }
    analysis::TimeDomainModel& model() { return *model_; }

private:
    shell::Shell& shell_;
    QtToolkit& toolkit_;
    AnalysisFront& analysis_;
    QPointer<QWidget> main_;
    std::unique_ptr<analysis::NoDataServices> noData_;
    std::unique_ptr<analysis::TimeDomainModel> model_;
    QPointer<FourierWindow> window_;
};

std::unique_ptr<FourierFront> registerFourierCommand(shell::Shell& shell, QtToolkit& toolkit,
                                                     AnalysisFront& analysis, QWidget* main);

} // namespace tanvex::gui
