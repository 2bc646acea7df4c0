// The "Equalizer" window: flattens the group delay or the attenuation of the
// current design (or of .eqd data) with constant-resistance sections. The
// left column holds the job (delay or amplitude, target, band, sections or
// ripple, end) and the buttons; the plot shows the target, the equalizer and
// their sum over the band; the list below it the fitted sections.
//
//   auto* w = new gui::EqualizerWindow(design, toolkit, dataFiles);
//   w->designChanged = [&] { mainWindow.designChanged(); };
//   w->show();
//
// "&Fit" runs the fitter (core/equalizer), "&Apply" cascades the sections
// into the design (undone by "&Undo" until the window closes), "Save
// &data" writes kbd_data.eqd through the data services.
#pragma once

#include "equalizer/equalizer.h"

#include <QMainWindow>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace tanvex::gui {

// The plot of the target, the equalizer and their sum.
class EqualizerPlot : public QWidget {
public:
    explicit EqualizerPlot(QWidget* parent = nullptr);
    struct Curves {
        std::vector<double> f;      // display units
        std::vector<double> target; // display units (time unit or dB)
        std::vector<double> equalizer;
        std::vector<double> sum;
        QString frequencyUnit;
        QString valueUnit;
    };
    void setCurves(Curves curves);
    const Curves& curves() const { return curves_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    Curves curves_;
};

class EqualizerWindow : public QMainWindow {
public:
    EqualizerWindow(Design& design, ui::Toolkit& toolkit, analysis::DataFileServices& data,
                    QWidget* parent = nullptr);
    ~EqualizerWindow() override;

    // The network changed (the main window draws its schematic again).
    std::function<void()> designChanged;

    // The job as the controls hold it; false (after a notice) when a number
    // cannot be read.
    bool readJob(equalizer::Job& job);
    void showJob(const equalizer::Job& job);

    bool fit();     // "&Fit"
    bool apply();   // "&Apply"
    bool undo();    // "&Undo"
    int saveData(); // "Save &data"

    const equalizer::Equalizer& equalizer() const { return *equalizer_; }
    EqualizerPlot* plot() const { return plot_; }
    QListWidget* sectionList() const { return list_; }
    QString status() const;

private:
    void refresh();
    void showProgress(const std::vector<equalizer::Section>& sections);

    Design& design_;
    ui::Toolkit& toolkit_;
    analysis::DataFileServices& data_;
    std::unique_ptr<equalizer::Equalizer> equalizer_;
    // The network before the last "&Apply".
    std::unique_ptr<EntryList> undoEntries_;
    bool fitted_ = false;

    QRadioButton* delay_ = nullptr;
    QRadioButton* amplitude_ = nullptr;
    QRadioButton* fromDesign_ = nullptr;
    QRadioButton* fromData_ = nullptr;
    QLineEdit* from_ = nullptr;
    QLineEdit* to_ = nullptr;
    QSpinBox* sections_ = nullptr;
    QLineEdit* ripple_ = nullptr;
    QComboBox* end_ = nullptr;
    QPushButton* fitButton_ = nullptr;
    QPushButton* applyButton_ = nullptr;
    QPushButton* undoButton_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    EqualizerPlot* plot_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* status_ = nullptr;
};

} // namespace tanvex::gui
