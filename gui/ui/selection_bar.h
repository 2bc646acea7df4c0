// The selection bar: a 60-pixel-high row of buttons opened under the
// generic text window ("<Esc>", "&?-help", "si&Ze", then one button per
// option). Run by QtToolkit::select; result() is the option number, 27,
// 140, 130, or kSizeRequest when "si&Ze" was pressed.
#pragma once

#include "ui/selection.h"

#include <QDialog>
#include <QPointer>
#include <vector>

class QPushButton;

namespace tanvex::gui {

class SelectionBar : public QDialog {
    Q_OBJECT
public:
    static constexpr int kSizeRequest = -2;

    SelectionBar(const std::vector<ui::SelectionOption>& options, int preselected,
                 const ui::SelectionRows& rows, int width, QWidget* parent);

    int result() const { return result_; }
    // Cell of the last click in the text window, (-1,-1) before one.
    int clickColumn() const { return clickColumn_; }
    int clickRow() const { return clickRow_; }
    // Lays the buttons out again for a bar of this width.
    void relayout(int width);
    QPushButton* buttonFor(int result) const;

public slots:
    // A click in the text window (cell column, row).
    void textClicked(int column, int row, Qt::MouseButton button);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

private:
    void finish(int result);

    std::vector<ui::SelectionOption> options_;
    ui::SelectionRows rows_;
    std::vector<QPushButton*> buttons_;
    int result_ = ui::kSelectEsc;
    int clickColumn_ = -1;
    int clickRow_ = -1;
};

} // namespace tanvex::gui
