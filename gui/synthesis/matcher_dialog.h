// "Select an impedance matching method": the matcher's method dialog for one
// end. Radio buttons for no matching, the parallel options A-E and T and the
// series options F-H, each with a small schematic of the method and its
// element values at this end; Bypass; a help button; the two fields that
// preset method E. A click on a method picks it and closes the dialog.
#pragma once

#include "design/design_record.h"
#include "synthesis/matcher.h"

#include <QDialog>

#include <functional>
#include <map>
#include <string>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tanvex::gui {

class MatcherDialog : public QDialog, public synthesis::MatcherView {
public:
    explicit MatcherDialog(QWidget* parent = nullptr);

    // Opens the help viewer on a page (P_MATCH.HLW or S_MATCH.HLW).
    std::function<void(const std::string&)> showHelp;

    char choose(Design& design, int end, synthesis::MatchPresets& presets,
                const std::string& message) override;

    // Fills the dialog for an end without running it (the tests' pictures
    // and choose() use it).
    void load(const Design& design, int end, const synthesis::MatchPresets& presets,
              const std::string& message);

    QRadioButton* methodButton(char letter) const;
    QLabel* sketch(char letter) const;
    QLabel* messageLabel() const { return message_; }
    QLineEdit* lEdit() const { return lEdit_; }
    QLineEdit* csEdit() const { return csEdit_; }
    QPushButton* bypassButton() const { return bypass_; }
    char picked() const { return picked_; }

private:
    void pick(char letter);
    void readPresets();
    void drawSketches();

    QButtonGroup* group_ = nullptr;
    std::map<char, QRadioButton*> buttons_;
    std::map<char, QLabel*> sketches_;
    QLabel* endLine_ = nullptr;
    QLabel* message_ = nullptr;
    QLabel* lLabel_ = nullptr;
    QLabel* csLabel_ = nullptr;
    QLineEdit* lEdit_ = nullptr;
    QLineEdit* csEdit_ = nullptr;
    QPushButton* bypass_ = nullptr;
    QPushButton* help_ = nullptr;
    const Design* design_ = nullptr;
    int end_ = 0;
    synthesis::MatchPresets presets_;
    synthesis::EndFacts facts_;
    char picked_ = 0;
    bool loading_ = false;
};

// Draws a method's entries as a small text schematic with values, from the
// network side to the end resistor; a method that cannot be built gives
// its reason.
std::string matchSketch(const synthesis::MatchPlan& plan, const synthesis::EndFacts& facts,
                        const Notation& notation);

} // namespace tanvex::gui
