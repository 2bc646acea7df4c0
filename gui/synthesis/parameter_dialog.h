// The "DESIGN PARAMETERS" dialog: one row per used design parameter, the
// couplings grid, the order estimate, the hints, and the buttons that close
// it with CALCULATE or eXit.
//
//   tanvex::gui::ParameterDialog dlg(design, toolkit, parent);
//   dlg.openMatcher = [&] { ... };          // "ma&Tcher"
//   dlg.showHelp = [&](const std::string& page) { ... };   // "PAR_MNU.HLW"
//   if (dlg.exec() == 1) ... run Calculate
#pragma once

#include "design/design_record.h"
#include "ui/toolkit.h"

#include <QDialog>

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tanvex::gui {

class ParameterDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kRows = 14;
    static constexpr int kGridRows = 18;

    ParameterDialog(Design& design, ui::Toolkit& toolkit, QWidget* parent = nullptr);

    std::function<void()> openMatcher;
    std::function<void(const std::string&)> showHelp;
    // The plot markers for the order estimate of all-pole and elliptic
    // references (frequencies in hertz); unset: none.
    std::function<std::vector<double>()> plotMarkers;
    // The plot markers with their levels (hertz, dB) for the placer's
    // lowpass mask ("Make LP Placer mask?"); unset: none.
    std::function<std::vector<std::pair<double, double>>()> plotMarkerLevels;

    // Rows, slots and controls (for tests).
    const std::vector<int>& rowSlots() const { return rows_; }
    QLineEdit* rowEdit(int row) const { return edits_[static_cast<size_t>(row)]; }
    QLabel* rowLabel(int row) const { return labels_[static_cast<size_t>(row)]; }
    QLineEdit* editForSlot(int slot) const;
    QRadioButton* gridButton(int row, int column) const; // row 1..18, column 0..4
    QPushButton* button(const QString& text) const;
    QString hintText() const;
    QString warningText() const;

    // Button actions.
    void calculate();
    void exitDialog();
    void preset();
    void modify();
    void estimateOrder();
    // Takes the text of the row that has slot (as leaving the row does).
    void commitSlot(int slot);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuild();
    void refreshValues();
    void refreshGrid();
    void showHint(int slot);

    Design& design_;
    ui::Toolkit& toolkit_;
    std::vector<int> rows_;
    std::array<QLabel*, kRows> labels_{};
    std::array<QLineEdit*, kRows> edits_{};
    std::array<std::array<QRadioButton*, 5>, kGridRows> grid_{};
    std::array<QButtonGroup*, kGridRows> groups_{};
    QGroupBox* gridBox_ = nullptr;
    QLabel* designLabel_ = nullptr;
    QLabel* refLabel_ = nullptr;
    QLabel* hint_ = nullptr;
    QLabel* warning_ = nullptr;
    QLabel* message_ = nullptr;
    QLineEdit* estAtten_ = nullptr;
    QLineEdit* estFreq_ = nullptr;
    QLabel* estFreqLabel_ = nullptr;
    QPushButton* calcButton_ = nullptr;
    int lastEdited_ = -1;
    int focusSlot_ = -1;
    bool rebuilding_ = false;
};

// The preset bandpass picker in the generic text window: returns the menu
// command chosen, 0 when cancelled.
int runPresetPicker(DesignRecord& rec, ui::Toolkit& toolkit);

} // namespace tanvex::gui
