// The "** TANVEX **" window with its selection bar, and the window output
// services (report printing and hard copies to PDF, bitmaps, clipboard,
// logo).
#include "ui/gen_win.h"
#include "ui/gen_win_window.h"
#include "ui/qt_toolkit.h"
#include "ui/report.h"
#include "ui/scripted_toolkit.h"
#include "ui/selection_bar.h"
#include "ui/text_screen_widget.h"
#include "ui/window_output.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "../test_app.h"

using namespace tanvex;
using namespace tanvex::gui;

namespace {

using tanvex::testing::app;

QString picture(const char* name) {
    return QString(TANVEX_PICTURE_DIR) + "/" + name;
}

// Prints to a PDF file instead of asking for a printer.
void printToPdf(const QString& path) {
    choosePrinter() = [path](QPrinter& printer, QWidget*) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        return true;
    };
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void writeMenu(ui::GenWin& g) {
    g.clear();
    g.gotoCell(2, 1);
    g.write("DATA REVIEW AND HARD COPY", 14);
    g.box(0, 0, 40, 8);
    const char* rows[] = {"  Disk file of the results", "  Review on the screen", "",
                          "  Analysis data table"};
    for (int i = 0; i < 4; ++i) {
        g.gotoCell(3, 3 + i);
        g.write(rows[i], i == 2 ? 7 : 3);
    }
    g.gotoCell(0, 10);
    g.write("Network: 7 branches   \xC4\xC4\xC2\xC4\xC4\xC4\xC2\xC4\xC4", 0x1F);
}

} // namespace

TEST(GenWinWindow, SelectionBarUnderTheTextWindow) {
    app();
    QWidget main;
    main.setGeometry(0, 0, 300, 200);
    QtToolkit tk(&main);
    ui::GenWin& g = tk.genWin();
    writeMenu(g);
    ASSERT_NE(tk.genWinWindow(), nullptr);
    EXPECT_EQ(tk.genWinWindow()->windowTitle(), "** TANVEX **");
    EXPECT_TRUE(tk.genWinWindow()->isVisible());

    // Hotkey of the option after the separator returns 4; the markers show
    // while the bar is open and are blanked afterwards.
    tk.onBoxShown = [&](QWidget* bar) {
        EXPECT_EQ(g.screen.at(3, 3).ch, 'D');
        EXPECT_EQ(g.screen.at(3, 6).attr, 14);
        EXPECT_EQ(bar->findChildren<QPushButton*>().size(), 6);
        EXPECT_EQ(bar->height(), 60);
        EXPECT_EQ(bar->width(), tk.genWinWindow()->frameGeometry().width());
        EXPECT_EQ(bar->pos().y(), tk.genWinWindow()->frameGeometry().bottom() + 1);
        // Picture: the text window with the bar under it.
        QImage top = tk.genWinWindow()->grab().toImage();
        QImage bottom = bar->grab().toImage();
        QImage both(std::max(top.width(), bottom.width()), top.height() + bottom.height(),
                    QImage::Format_RGB32);
        both.fill(Qt::darkGray);
        QPainter p(&both);
        p.drawImage(0, 0, top);
        p.drawImage(0, top.height(), bottom);
        p.end();
        both.save(picture("ui_genwin_selection.png"));
        QTest::keyClick(bar, Qt::Key_A);
    };
    EXPECT_EQ(tk.select(1, 3, 3, true, 6, "&Disk,&Review,-,&Analysis"), 4);
    EXPECT_EQ(g.screen.at(3, 3).ch, ' ');

    // A click on an option row in the marker area; a click on the
    // separator row beeps and keeps the bar open.
    tk.onBoxShown = [&](QWidget*) {
        TextScreenWidget* v = tk.genWinView();
        QTest::mouseClick(v, Qt::LeftButton, {}, v->cellOrigin(6, 5) + QPoint(2, 2));
        QTest::mouseClick(v, Qt::LeftButton, {}, v->cellOrigin(8, 4) + QPoint(2, 2));
    };
    EXPECT_EQ(tk.select(1, 3, 3, false, 6, "&Disk,&Review,-,&Analysis"), 2);
    EXPECT_EQ(g.clickColumn, 8);
    EXPECT_EQ(g.clickRow, 4);

    // Esc and help; "si&Ze" makes the window 82 x 29 cells and reopens.
    tk.onBoxShown = [&](QWidget* bar) { QTest::keyClick(bar, Qt::Key_Escape); };
    EXPECT_EQ(tk.select(1, 3, 3, false, 6, "&Disk,&Review"), 27);
    int shown = 0;
    tk.onBoxShown = [&](QWidget* bar) {
        auto* sb = static_cast<SelectionBar*>(bar);
        if (shown++ == 0)
            sb->buttonFor(SelectionBar::kSizeRequest)->click();
        else
            sb->buttonFor(ui::kSelectHelp)->click();
    };
    EXPECT_EQ(tk.select(1, 3, 3, false, 6, "&Disk,&Review"), 140);
    EXPECT_EQ(shown, 2);
    QSize cell = tk.genWinView()->cellSize();
    EXPECT_EQ(tk.genWinWindow()->height(), 29 * cell.height());

    // With a negative marker column a click elsewhere ends the selection
    // with 130, and the next selection takes that click when it is on one
    // of its rows.
    tk.onBoxShown = [&](QWidget*) {
        TextScreenWidget* v = tk.genWinView();
        QTest::mouseClick(v, Qt::LeftButton, {}, v->cellOrigin(20, 12) + QPoint(2, 2));
    };
    EXPECT_EQ(tk.select(1, -3, 3, false, 6, "&Disk,&Review"), 130);
    EXPECT_EQ(tk.pendingClickRow, 12);
    // Row 12 is the third option row of this one: chosen without a bar.
    bool barShown = false;
    tk.onBoxShown = [&](QWidget* bar) {
        barShown = true;
        QTest::keyClick(bar, Qt::Key_Escape);
    };
    EXPECT_EQ(tk.select(1, 3, 10, false, 14, "&One,&Two,&Three"), 3);
    EXPECT_FALSE(barShown);
    EXPECT_EQ(tk.pendingClickRow, -1);
    // While the bar is open the main window takes no input.
    int mainClicks = 0;
    struct Counter : QObject {
        int* n;
        explicit Counter(int* c) : n(c) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::MouseButtonPress) ++*n;
            return false;
        }
    } counter(&mainClicks);
    tk.onBoxShown = [&](QWidget* bar) {
        main.installEventFilter(&counter);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), main.mapToGlobal(QPointF(5, 5)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&main, &press);
        main.removeEventFilter(&counter);
        QTest::keyClick(bar, Qt::Key_Escape);
    };
    EXPECT_EQ(tk.select(1, 3, 3, false, 6, "&Disk,&Review"), 27);
    EXPECT_EQ(mainClicks, 0);

    g.close();
    QApplication::processEvents();
    EXPECT_FALSE(g.isOpen());
}

TEST(WindowOutput, ReportsAndHardCopiesPrintToPdf) {
    app();
    QtToolkit tk;
    QString pdf = picture("ui_report.pdf");
    QFile::remove(pdf);
    printToPdf(pdf);
    QtPrinterSink printer;
    ui::ReportChannel rep(tk.genWin(), &printer);
    ASSERT_EQ(rep.start("report", ui::ReportChannel::kPrinter), ui::ReportChannel::kPrinter);
    for (int i = 0; i < 150; ++i) {
        rep.report("Line " + std::to_string(i) + "  \xC4\xC4\xC4 value 1.25e-9", 7);
        rep.newline();
    }
    EXPECT_GE(rep.pages(), 2);
    rep.end();
    QByteArray bytes = fileBytes(pdf);
    ASSERT_GT(bytes.size(), 1000);
    EXPECT_TRUE(bytes.startsWith("%PDF"));

    // A cancelled dialog leaves the screen as destination.
    choosePrinter() = [](QPrinter&, QWidget*) { return false; };
    EXPECT_EQ(rep.start("report", ui::ReportChannel::kPrinter), 0);

    // Hard copy of a window in all three raster modes.
    ui::TextScreen screen(30, 6);
    screen.text(1, 1, "Hard copy test", 14);
    screen.text(1, 3, "\xDA\xC4\xC4\xC4\xBF", 6);
    TextScreenWidget w(&screen);
    w.resize(w.sizeHint());
    int printingCalls = 0;
    for (char mode : {'1', '2', '0'}) {
        QString out = picture("ui_hard_copy_") + QChar(mode) + ".pdf";
        QFile::remove(out);
        printToPdf(out);
        HardCopyJob job;
        job.setting = mode;
        job.caption = ui::hardCopyCaption("bp7", 100, 1000, 1e11, "tester");
        job.setPrinting = [&](bool on) {
            ++printingCalls;
            w.setPrinting(on);
        };
        EXPECT_TRUE(hardCopy(&w, job, &tk));
        EXPECT_TRUE(fileBytes(out).startsWith("%PDF")) << mode;
    }
    EXPECT_EQ(printingCalls, 6);
    EXPECT_FALSE(w.printing());
    choosePrinter() = [](QPrinter&, QWidget*) { return false; };
    ui::ScriptedToolkit stk;
    EXPECT_FALSE(hardCopy(&w, HardCopyJob{}, &stk));
    EXPECT_EQ(stk.beeps, 1);
}

TEST(WindowOutput, BitmapClipboardAndLogo) {
    app();
    ui::ScriptedToolkit tk;
    ui::TextScreen screen(20, 3);
    screen.text(0, 0, "Bitmap", 0x4E);
    TextScreenWidget w(&screen);
    w.resize(w.sizeHint());
    std::string base = (picture("ui_window_bitmap")).toStdString();
    std::string msg = saveWindowBitmap(tk, &w, base, "/home/x");
    EXPECT_EQ(msg, "* Done *  File is: " + base + ".bmp ");
    QImage back(QString::fromStdString(base + ".bmp"));
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.size(), w.size());
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32),
              w.grab().toImage().convertToFormat(QImage::Format_RGB32));
    QByteArray bytes = fileBytes(QString::fromStdString(base + ".bmp"));
    EXPECT_EQ(bytes.size(), 54 + w.width() * w.height() * 4);

    EXPECT_EQ(saveWindowBitmap(tk, &w, "", "/home/x"), "");
    EXPECT_EQ(QApplication::clipboard()->image().size(), w.size());

    // Logo: a 200-pixel-wide one is refused once; a 100-pixel one is drawn
    // centred in its 175-pixel field.
    QString home = picture("logo_home");
    QDir().mkpath(home);
    QImage wide(200, 20, QImage::Format_RGB32);
    wide.fill(Qt::red);
    wide.save(home + "/logo.bmp");
    QImage canvas(300, 50, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter p(&canvas);
    Logo logo;
    EXPECT_FALSE(logo.draw(p, 10, 5, home.toStdString(), tk));
    EXPECT_FALSE(logo.draw(p, 10, 5, home.toStdString(), tk));
    EXPECT_EQ(tk.notices(), std::vector<std::string>{"Logo is too wide, 175 Pixels max."});
    QImage small(100, 20, QImage::Format_RGB32);
    small.fill(Qt::blue);
    small.save(home + "/logo.bmp");
    Logo logo2;
    EXPECT_TRUE(logo2.draw(p, 10, 5, home.toStdString(), tk));
    p.end();
    EXPECT_EQ(canvas.pixelColor(10 + 37, 6), QColor(Qt::blue));
    EXPECT_EQ(canvas.pixelColor(10 + 36, 6), QColor(Qt::white));
    EXPECT_EQ(canvas.pixelColor(10 + 136, 6), QColor(Qt::blue));
    EXPECT_EQ(canvas.pixelColor(10 + 137, 6), QColor(Qt::white));
}

TEST(WindowOutput, PalettePensAndRectangles) {
    app();
    ui::ScriptedToolkit tk;
    ui::PenBox pens(tk);
    QImage img(40, 40, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    filledRectangle(p, pens, 10, 10, 20, 20, 4);
    outlineRectangle(p, pens, 2, 2, 30, 30, 3, 0);
    outlineRectangle(p, pens, 2, 2, 30, 30, 13, 0); // my_pen error, nothing drawn
    p.end();
    EXPECT_EQ(img.pixelColor(9, 9), QColor(255, 0, 0)); // one pixel larger
    EXPECT_EQ(img.pixelColor(21, 21), QColor(255, 0, 0));
    EXPECT_EQ(img.pixelColor(8, 8), QColor(0, 0, 0));
    EXPECT_EQ(img.pixelColor(2, 15), QColor(0, 255, 255));
    EXPECT_TRUE(tk.sawNotice("my_pen error"));

    // Text in attribute 0x4E: yellow on red; on paper the same.
    QImage t(60, 30, QImage::Format_RGB32);
    t.fill(Qt::black);
    QPainter tp(&t);
    setTextAttribute(tp, 0x4E);
    tp.drawText(QPoint(2, 20), "MM");
    tp.end();
    EXPECT_EQ(paletteColour(6), QColor(255, 130, 0));
    int red = 0, yellow = 0;
    for (int y = 0; y < t.height(); ++y)
        for (int x = 0; x < t.width(); ++x) {
            red += t.pixelColor(x, y) == QColor(255, 0, 0);
            QColor c = t.pixelColor(x, y);
            yellow += c.red() > 200 && c.green() > 120 && c.blue() < 60 && c != QColor(255, 0, 0);
        }
    EXPECT_GT(red, 20);
    EXPECT_GT(yellow, 5);
}
