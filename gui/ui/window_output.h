// Window output services: report printing, hard copy of a window, window
// pictures as BMP files or on the clipboard, the plot logo, and the
// palette pens and rectangles the plot windows draw with.
//
//   QtPrinterSink printer(mainWindow);            // for ui::ReportChannel
//   hardCopy(plotWidget, settings, caption, &setPrinting);
//   std::string msg = saveWindowBitmap(tk, plotWidget, "bp7", workDir);
//   copyWindowToClipboard(plotWidget);
//   logo.draw(painter, x, y, homeDir, tk);
//
// Every print job asks for its printer through choosePrinter(); the
// default shows the system print dialog (which also prints to PDF files).
// Tests replace it to print to a PDF file without a dialog.
#pragma once

#include "ui/hard_copy.h"
#include "ui/pens.h"
#include "ui/report.h"

#include <QFont>
#include <QImage>
#include <QPen>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

class QPainter;
class QPrinter;
class QWidget;

namespace tanvex::ui {
class Toolkit;
}

namespace tanvex::gui {

// Fills in the printer for a job; false when the user cancelled.
using PrinterChooser = std::function<bool(QPrinter& printer, QWidget* parent)>;
PrinterChooser& choosePrinter();

// The report channel's printer: a print job with one painter, text in
// report attributes (paper colours), page breaks on request.
class QtPrinterSink : public ui::PrinterSink {
public:
    explicit QtPrinterSink(QWidget* mainWindow = nullptr);
    ~QtPrinterSink() override;

    bool begin(const std::string& name, char fontSetting) override;
    int pageHeight() const override;
    int lineHeight() const override;
    int textWidth(const std::string& text) const override;
    void text(int x, int y, const std::string& text, int attribute) override;
    void newPage() override;
    void end() override;

private:
    QPointer<QWidget> main_;
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<QPainter> painter_;
    QFont font_;
};

// What a hard copy needs beyond the window.
struct HardCopyJob {
    char setting = '1';  // hard-copy setting character (raster mode)
    std::string caption; // printed under the picture (ui::hardCopyCaption)
    std::string name = "TANVEX hard copy";
    // Called with true before the window is drawn for paper and with false
    // afterwards (printing colours).
    std::function<void(bool)> setPrinting;
    // Called every ten rows in pixel-rectangle mode (progress mark).
    std::function<void(int row)> progress;
};

// Prints the window at the largest whole scale (15 down to 1) that fits
// the page, centred across it, with the caption underneath. Beeps and
// returns false when no print job could be started.
bool hardCopy(QWidget* window, const HardCopyJob& job, ui::Toolkit* toolkit = nullptr);

// The window's picture as 0xRRGGBB pixels, top row first.
QImage windowPicture(QWidget* window);

// Writes the window as "<name>.bmp" (32 bits per pixel) and returns the
// "* Done *  File is: ..." text; "" and the notice "Can't open bitmap
// file" when it cannot be written. An empty name puts the picture on the
// clipboard instead (and returns "").
std::string saveWindowBitmap(ui::Toolkit& toolkit, QWidget* window, const std::string& name,
                             const std::string& workingDirectory, bool shortForm = false);
void copyWindowToClipboard(QWidget* window);

// The plot logo "logo.bmp" of the home directory, loaded once.
class Logo {
public:
    static constexpr int kFieldWidth = 175;
    // Draws the logo centred in a 175-pixel field at (x, y). The first call
    // loads it; a logo wider than 175 pixels gives the notice "Logo is too
    // wide, 175 Pixels max." and is never drawn; a failed load is not
    // tried again. Returns whether a logo was drawn.
    bool draw(QPainter& painter, int x, int y, const std::string& homeDirectory,
              ui::Toolkit& toolkit);
    bool loaded() const { return !image_.isNull(); }

private:
    bool tried_ = false;
    QImage image_;
};

// Palette colours and text attributes on a painter.
QColor paletteColour(int index);
// Text in the attribute's colours from now on: foreground pen, opaque
// background (paper colours while printing).
void setTextAttribute(QPainter& painter, int attribute, bool printing = false);

// Palette pens and rectangles.
QPen toQPen(const ui::PenSpec& pen);
void outlineRectangle(QPainter& painter, ui::PenBox& pens, int x1, int y1, int x2, int y2,
                      int colour, int style);
// Filled in a palette colour, one pixel larger than asked on every side.
void filledRectangle(QPainter& painter, ui::PenBox& pens, int x1, int y1, int x2, int y2,
                     int colour);

} // namespace tanvex::gui
