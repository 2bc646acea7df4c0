// The dialogs of the "Analysis results" window: markers and mask
// ("+ markers <F11>"), manual scale factors, plot colours and the caption
// and logo control. Controls carry their template identifiers as object
// names. Each dialog changes the plot model and asks the window to repaint.
#pragma once

#include "plot/plot_model.h"

#include <QDialog>
#include <functional>
#include <map>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tanvex::gui {

class MarkerDialog : public QDialog {
    Q_OBJECT
public:
    MarkerDialog(plot::PlotModel& model, ui::Toolkit& toolkit, QWidget* parent = nullptr);
    QWidget* control(int id) const;
    // Takes every row into the markers.
    void storeRows();
    void showRows();
    std::function<void()> changed;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void reject() override;

private:
    void pressed(int id);
    void labelButtons();
    plot::PlotModel& model_;
    ui::Toolkit& toolkit_;
    std::map<int, QWidget*> controls_;
    bool markersAtOpen_ = true;
    bool maskAtOpen_ = true;
    bool toggledMarkers_ = false;
    bool toggledMask_ = false;
};

class ScaleDialog : public QDialog {
    Q_OBJECT
public:
    ScaleDialog(plot::PlotModel& model, QWidget* parent = nullptr);
    QWidget* control(int id) const;
    void showValues();
    std::function<void()> changed;

private:
    plot::PlotModel& model_;
    std::map<int, QWidget*> controls_;
};

class ColourDialog : public QDialog {
    Q_OBJECT
public:
    ColourDialog(plot::PlotModel& model, QWidget* parent = nullptr);
    QWidget* control(int id) const;
    std::function<void()> changed;

private:
    plot::PlotModel& model_;
    std::map<int, QWidget*> controls_;
    int item_ = 0;
};

class CaptionDialog : public QDialog {
    Q_OBJECT
public:
    CaptionDialog(plot::PlotModel& model, QWidget* parent = nullptr);
    QWidget* control(int id) const;
    std::function<void()> changed;

private:
    plot::PlotModel& model_;
    std::map<int, QWidget*> controls_;
};

} // namespace tanvex::gui
