#include "ui/window_output.h"

#include "ui/bmp.h"
#include "ui/cp437.h"
#include "ui/palette.h"
#include "ui/text_screen_widget.h"
#include "ui/toolkit.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QWidget>

#include <vector>

namespace tanvex::gui {

namespace {

QColor toQColor(const ui::Rgb& c) {
    return QColor(c.r, c.g, c.b);
}

QString fromCp437(const std::string& s) {
    return QString::fromUtf8(ui::cp437ToUtf8(s).c_str());
}

} // namespace

PrinterChooser& choosePrinter() {
    static PrinterChooser chooser = [](QPrinter& printer, QWidget* parent) {
        QPrintDialog dialog(&printer, parent);
        return dialog.exec() == QDialog::Accepted;
    };
    return chooser;
}

// ---- report printer ----

QtPrinterSink::QtPrinterSink(QWidget* mainWindow) : main_(mainWindow) {}

QtPrinterSink::~QtPrinterSink() {
    end();
}

bool QtPrinterSink::begin(const std::string& name, char fontSetting) {
    end();
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer_->setDocName(QString::fromLocal8Bit(name.c_str()));
    if (!choosePrinter()(*printer_, main_)) {
        printer_.reset();
        return false;
    }
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(printer_.get())) {
        painter_.reset();
        printer_.reset();
        return false;
    }
    // One logical unit is one device pixel (QPainter's default on a
    // printer). Font sizes are in points, so they come out the same on any
    // printer resolution.
    if (fontSetting == '1') {
        font_ = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font_.setPointSizeF(10);
    } else if (fontSetting == '3') {
        // The text-screen font, scaled as the screen cell would be.
        font_ = TextScreenWidget::cellFont();
        font_.setPointSizeF(9);
    } else {
        font_ = QFont();
        font_.setPointSizeF(10);
    }
    painter_->setFont(font_);
    if (main_) main_->setEnabled(false);
    return true;
}

int QtPrinterSink::pageHeight() const {
    return printer_ ? printer_->height() : 0;
}

int QtPrinterSink::lineHeight() const {
    if (!painter_) return 1;
    QFontMetrics fm(font_, printer_.get());
    return fm.height() + fm.leading();
}

int QtPrinterSink::textWidth(const std::string& text) const {
    if (!painter_) return 0;
    return QFontMetrics(font_, printer_.get()).horizontalAdvance(fromCp437(text));
}

void QtPrinterSink::text(int x, int y, const std::string& text, int attribute) {
    if (!painter_) return;
    QFontMetrics fm(font_, printer_.get());
    QString s = fromCp437(text);
    if (ui::backgroundIndex(attribute) != 0)
        painter_->fillRect(QRect(x, y, fm.horizontalAdvance(s), fm.height()),
                           toQColor(ui::backgroundColour(attribute, true)));
    painter_->setPen(toQColor(ui::foregroundColour(attribute, true)));
    painter_->drawText(QPoint(x, y + fm.ascent()), s);
}

void QtPrinterSink::newPage() {
    if (printer_) printer_->newPage();
    QCoreApplication::processEvents(); // keep the windows alive on long reports
}

void QtPrinterSink::end() {
    if (painter_) {
        painter_->end();
        painter_.reset();
    }
    printer_.reset();
    if (main_) main_->setEnabled(true);
}

// ---- pictures ----

QImage windowPicture(QWidget* window) {
    return window->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

bool hardCopy(QWidget* window, const HardCopyJob& job, ui::Toolkit* toolkit) {
    if (job.setPrinting) job.setPrinting(true);
    QImage img = windowPicture(window);
    if (job.setPrinting) job.setPrinting(false);

    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QString::fromLocal8Bit(job.name.c_str()));
    QPainter p;
    if (!choosePrinter()(printer, window) || !p.begin(&printer)) {
        if (toolkit)
            toolkit->beep();
        else
            QApplication::beep();
        return false;
    }
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(10);
    p.setFont(font);
    QFontMetrics fm(font, &printer);
    const int pageW = printer.width();
    const int pageH = printer.height() - 2 * fm.height();
    const int w = img.width();
    const int h = img.height();
    int s = ui::hardCopyScale(w, h, pageW, pageH);
    int x0 = (pageW - s * w) / 2;
    int bottom = s * h;

    switch (ui::hardCopyMode(job.setting, true)) {
    case ui::HardCopyMode::Block:
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(QRect(x0, 0, s * w, s * h), img);
        break;
    case ui::HardCopyMode::PixelRects: {
        std::vector<std::uint32_t> row(static_cast<std::size_t>(w));
        for (int y = 0; y < h; ++y) {
            const auto* line = reinterpret_cast<const std::uint32_t*>(img.constScanLine(y));
            for (int x = 0; x < w; ++x) row[x] = line[x] & 0xFFFFFF;
            for (const auto& run : ui::pixelRuns(row.data(), w))
                p.fillRect(QRect(x0 + run.x * s, y * s, run.length * s, s),
                           QColor::fromRgb(run.colour));
            if (y % 10 == 0 && job.progress) job.progress(y);
        }
        break;
    }
    case ui::HardCopyMode::Stretch: {
        // Stretched over the page width, keeping the proportions.
        double k = std::min(static_cast<double>(pageW) / w, static_cast<double>(pageH) / h);
        int sw = static_cast<int>(w * k);
        int sh = static_cast<int>(h * k);
        x0 = (pageW - sw) / 2;
        bottom = sh;
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(QRect(x0, 0, sw, sh), img);
        break;
    }
    }
    p.setPen(Qt::black);
    p.drawText(QPoint(x0, bottom + fm.height() + fm.ascent()),
               QString::fromLocal8Bit(job.caption.c_str()));
    p.end();
    return true;
}

std::string saveWindowBitmap(ui::Toolkit& toolkit, QWidget* window, const std::string& name,
                             const std::string& workingDirectory, bool shortForm) {
    QImage img = windowPicture(window);
    if (name.empty()) {
        QApplication::clipboard()->setImage(img);
        return std::string();
    }
    std::vector<std::uint32_t> px(static_cast<std::size_t>(img.width()) * img.height());
    for (int y = 0; y < img.height(); ++y) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            px[static_cast<std::size_t>(y) * img.width() + x] = line[x] & 0xFFFFFF;
    }
    return ui::exportBitmap(toolkit, name, workingDirectory, img.width(), img.height(), px.data(),
                            shortForm);
}

void copyWindowToClipboard(QWidget* window) {
    QApplication::clipboard()->setImage(windowPicture(window));
}

// ---- logo ----

bool Logo::draw(QPainter& painter, int x, int y, const std::string& homeDirectory,
                ui::Toolkit& toolkit) {
    if (!tried_) {
        tried_ = true;
        QImage img(QString::fromLocal8Bit((homeDirectory + "/logo.bmp").c_str()));
        if (!img.isNull()) {
            if (img.width() > kFieldWidth)
                toolkit.notice("Logo is too wide, 175 Pixels max.");
            else
                image_ = img;
        }
    }
    if (image_.isNull()) return false;
    painter.drawImage(QPoint(x + (kFieldWidth - image_.width()) / 2, y), image_);
    return true;
}

// ---- pens and rectangles ----

QColor paletteColour(int index) {
    return toQColor(ui::colour(index));
}

void setTextAttribute(QPainter& painter, int attribute, bool printing) {
    painter.setPen(toQColor(ui::foregroundColour(attribute, printing)));
    painter.setBackground(toQColor(ui::backgroundColour(attribute, printing)));
    painter.setBackgroundMode(Qt::OpaqueMode);
}

QPen toQPen(const ui::PenSpec& spec) {
    QPen pen(toQColor(spec.colour));
    pen.setWidth(spec.width);
    pen.setStyle(spec.style == 1 ? Qt::DashLine : spec.style == 2 ? Qt::DotLine : Qt::SolidLine);
    return pen;
}

void outlineRectangle(QPainter& painter, ui::PenBox& pens, int x1, int y1, int x2, int y2,
                      int colour, int style) {
    auto pen = pens.pen(colour, style);
    if (!pen) return;
    painter.save();
    painter.setPen(toQPen(*pen));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(QPoint(x1, y1), QPoint(x2, y2)));
    painter.restore();
}

void filledRectangle(QPainter& painter, ui::PenBox& pens, int x1, int y1, int x2, int y2,
                     int colour) {
    auto brush = pens.brush(colour);
    if (!brush) return;
    painter.fillRect(QRect(QPoint(x1 - 1, y1 - 1), QPoint(x2 + 1, y2 + 1)), toQColor(*brush));
}

} // namespace tanvex::gui
