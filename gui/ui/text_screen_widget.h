// TextScreenWidget: paints a tanvex::ui::TextScreen (code page 437 bytes
// with text attributes) in a fixed-pitch font on a grid of character cells.
//
//   TextScreen screen(80, 25);
//   auto* w = new TextScreenWidget(&screen, parent);
//   screen.text(3, 2, "Hello", 14);  w->update();
//   connect(w, &TextScreenWidget::cellClicked, ...);   // column, row, button
//
// Cell geometry: cell height = font height + leading, cell width = the
// font's character advance; text starts a quarter cell from the left edge
// (cellOrigin()). Runs of cells with one attribute get one background fill;
// empty cells (byte 0) are left in the window background (black, or white
// while printing). The widget does not own the screen; the screen must
// outlive it (or be replaced with setScreen()).
#pragma once

#include "ui/text_screen.h"

#include <QFont>
#include <QSize>
#include <QWidget>

class QPainter;

namespace tanvex::gui {

class TextScreenWidget : public QWidget {
    Q_OBJECT
public:
    explicit TextScreenWidget(ui::TextScreen* screen, QWidget* parent = nullptr);

    // The fixed-pitch cell font: DejaVu Sans Mono when installed, else the
    // system fixed font, at the given pixel size.
    static QFont cellFont(int pixelSize = 15);
    // Cell size of a font by the rules above.
    static QSize cellSizeOf(const QFont& font);

    void setScreen(ui::TextScreen* screen);
    ui::TextScreen* screen() const { return screen_; }
    void setCellFont(const QFont& font);
    QFont cellFontUsed() const { return font_; }
    QSize cellSize() const { return cell_; }
    // Left margin in pixels (a quarter of a cell width).
    int leftMargin() const { return cell_.width() / 4; }
    // Pixel position of a cell's top-left corner.
    QPoint cellOrigin(int column, int row) const;
    // Cell under a pixel position (may lie outside the grid).
    QPoint cellAt(const QPoint& pixel) const;

    // Printing colours: background 0 is white and foreground 7 black.
    void setPrinting(bool on);
    bool printing() const { return printing_; }
    // Replace line-drawing characters by plain ASCII when drawing.
    void setAsciiDrawing(bool on);
    bool asciiDrawing() const { return ascii_; }

    // Paints the whole grid with painter at its current origin (used by
    // paintEvent, hard copies and bitmap export).
    void paintCells(QPainter& painter) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return cell_ * 4; }

signals:
    void cellPressed(int column, int row, Qt::MouseButton button);
    // Emitted when a mouse button is released over the widget.
    void cellClicked(int column, int row, Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    ui::TextScreen* screen_;
    QFont font_;
    QSize cell_;
    int ascent_ = 0;
    bool printing_ = false;
    bool ascii_ = false;
};

} // namespace tanvex::gui
