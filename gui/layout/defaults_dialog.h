// The DEFAULTS dialog "Inductor and capacitor defaults" of the layout
// program: wire gauge (50), form diameter (51, "<--Auto"), winding pitch
// limits (52, 53), lead length (54), rectangular chip side (55,
// "<-- Square"), the duplicate rule (60-62), one button per capacitor
// material of the menu, "Change menu" (21) and "eXit" (20). Values are
// taken when a field loses the focus; a value that is not allowed is put
// back as it was.
#pragma once

#include "layout/materials.h"

#include <QDialog>
#include <QString>
#include <map>

class QLineEdit;
class QLabel;
class QRadioButton;

namespace tanvex::gui {

class DefaultsDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kExit = 20;
    static constexpr int kChangeMenu = 21;

    DefaultsDialog(layout::LayoutDefaults& defaults, const layout::MaterialMenu& menu,
                   QWidget* parent = nullptr);

    QLineEdit* edit(int id) const;
    // Takes every field's value (as when the focus leaves it).
    void takeAll();

private:
    void take(int id);
    void display(int id);
    void showMaterial();

    layout::LayoutDefaults& d_;
    const layout::MaterialMenu& menu_;
    std::map<int, QLineEdit*> edits_;
    std::map<int, QString> shown_;
    QLabel* material_ = nullptr;
};

} // namespace tanvex::gui
