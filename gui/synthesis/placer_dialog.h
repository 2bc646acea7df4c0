// "Conventional pole placer and zero finder": the dialog in which the
// engineer sets the zero counts, the mask and the finite zeros, solves or
// optimizes them against the mask and looks at the response before the
// ladder is synthesized.
//
//   tanvex::gui::PlacerDialog dlg(state, band, mode, design, toolkit, parent);
//   dlg.openParameters = [&] { ... };   // "&Parameters"
//   int r = dlg.exec();                  // 0 exit and synthesize, 27 quit
#pragma once

#include "design/design_record.h"
#include "synthesis/placer.h"
#include "ui/toolkit.h"

#include <QDialog>

#include <array>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tanvex::gui {

class PlacerDialog : public QDialog {
    Q_OBJECT
public:
    PlacerDialog(synthesis::PlacerState& state, const synthesis::PlacerBand& band, int mode,
                 const Design& design, ui::Toolkit& toolkit, QWidget* parent = nullptr);

    std::function<void()> openParameters;
    std::function<void(const std::string&)> showHelp;

    // Controls and actions (also for tests).
    QLineEdit* maskFreqEdit(int row) const { return maskFreq_[static_cast<size_t>(row)]; }
    QLineEdit* maskDbEdit(int row) const { return maskDb_[static_cast<size_t>(row)]; }
    QLineEdit* zeroEdit(int row) const { return zeros_[static_cast<size_t>(row)]; }
    QPushButton* button(const QString& text) const;
    QListWidget* analysisList() const { return list_; }
    QString countsText() const;
    QString responseText(int row) const;

    void changeCount(bool dc, bool up);
    void solve();
    void optimize();
    void backUp();
    void reset();
    void clearMask();
    void threeDb();
    void analyse();
    void exitAndSynthesize();
    void quit();
    void modifySequence();
    void finiteSequence();
    // Reads the edits into the state; false (with a notice) when a zero is
    // refused - the state keeps its old zeros then.
    bool readEdits();

private:
    void refresh();
    void saveBackup();
    void list(const std::string& line);
    double toDisplay(double f) const { return f * unit_; }
    double fromDisplay(double f) const { return f / unit_; }

    synthesis::PlacerState& st_;
    synthesis::PlacerBand band_;
    int mode_;
    ui::Toolkit& toolkit_;
    double unit_ = 1.0;
    bool margins_ = true;
    std::array<double, synthesis::kPlacerMax> backup_{};
    int backupCount_ = -1;
    std::array<QLineEdit*, synthesis::kPlacerMax> maskFreq_{}, maskDb_{}, zeros_{};
    std::array<QLabel*, synthesis::kPlacerMax> respFreq_{}, respDb_{};
    QLabel* dcLabel_ = nullptr;
    QLabel* infLabel_ = nullptr;
    QPushButton* absButton_ = nullptr;
    QPushButton* marginButton_ = nullptr;
    QListWidget* list_ = nullptr;
};

} // namespace tanvex::gui
