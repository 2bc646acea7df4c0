// The Qt toolkit's boxes, driven from inside their modal loops; pictures go
// to the build tree's picture folder for a person to look at.
#include "ui/qt_toolkit.h"
#include "ui/text_screen_widget.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "../test_app.h"

using namespace tanvex;
using tanvex::gui::QtToolkit;
using tanvex::gui::TextScreenWidget;

namespace {

using tanvex::testing::app;

void savePicture(QWidget* w, const char* name) {
    QImage img = w->grab().toImage();
    ASSERT_FALSE(img.isNull());
    img.save(QString(TANVEX_PICTURE_DIR) + "/" + name);
}

QPushButton* buttonLabelled(QWidget* w, const QString& text) {
    for (auto* b : w->findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

// Number of pixels of an exact colour in an image.
int countColour(const QImage& img, QColor c) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y) == c) ++n;
    return n;
}

} // namespace

TEST(QtToolkit, InputBoxAcceptsWithEnterOkAndEscape) {
    app();
    QtToolkit tk;
    // Esc accepts the typed text like OK; the number is parsed.
    tk.setPrompt(0, "Centre frequency of the passband", 14);
    tk.setPrompt(1, "  in MHz, (Cr) to abort", 4);
    tk.setPrompt(3, "One final [Cr] to exit.", 23);
    tk.defaultAnswer = "10.7";
    QSize boxSize;
    tk.onBoxShown = [&](QWidget* box) {
        boxSize = box->size();
        auto* edit = box->findChild<QLineEdit*>("answer");
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), "10.7");
        savePicture(box, "ui_input_box.png");
        edit->setText("21.4e6");
        QTest::keyClick(edit, Qt::Key_Escape);
    };
    tk.inputBox();
    EXPECT_EQ(tk.textResult, "21.4e6");
    EXPECT_DOUBLE_EQ(tk.numberResult, 21.4e6);
    EXPECT_TRUE(tk.defaultAnswer.empty());
    for (const auto& line : tk.prompt) EXPECT_TRUE(line.text.empty());
    // Four text rows (last line index 3): (3 + 2) cells + 3.5 cells high.
    QSize cell = TextScreenWidget::cellSizeOf(TextScreenWidget::cellFont());
    EXPECT_EQ(boxSize.height(),
              5 * cell.height() + static_cast<int>(std::lround(3.5 * cell.height())));
    EXPECT_EQ(boxSize.width(), 400);

    // Enter accepts; text that is not a number gives 0.
    tk.setPrompt(0, "Design name?");
    tk.onBoxShown = [&](QWidget* box) {
        auto* edit = box->findChild<QLineEdit*>("answer");
        edit->setText("bp_filter");
        QTest::keyClick(edit, Qt::Key_Return);
    };
    tk.inputBox();
    EXPECT_EQ(tk.textResult, "bp_filter");
    EXPECT_EQ(tk.numberResult, 0.0);

    // A long prompt widens the box: 59 characters + 1 cell.
    tk.setPrompt(0, std::string(70, 'x'));
    tk.onBoxShown = [&](QWidget* box) {
        boxSize = box->size();
        buttonLabelled(box, "OK")->click();
    };
    tk.inputBox();
    EXPECT_EQ(boxSize.width(), std::max(400, 60 * cell.width()));
}

TEST(QtToolkit, PromptLinesAreDrawnInTheirColours) {
    app();
    QtToolkit tk;
    tk.setPrompt(0, "Yellow line", 14);
    tk.setPrompt(1, "White on blue", 23);
    QImage img;
    tk.onBoxShown = [&](QWidget* box) {
        img = box->grab().toImage();
        buttonLabelled(box, "OK")->click();
    };
    tk.inputBox();
    EXPECT_GT(countColour(img, QColor(255, 255, 0)), 20); // palette 14
    EXPECT_GT(countColour(img, QColor(0, 0, 255)), 200);  // background 1
}

TEST(QtToolkit, KeyBoxReturnsThePressedKey) {
    app();
    QtToolkit tk;
    tk.setPrompt(0, "Keep this value?  Y / N / Q", 14);
    tk.onBoxShown = [&](QWidget* box) {
        EXPECT_EQ(box->windowTitle(), "Single key");
        EXPECT_NE(buttonLabelled(box, "&Y"), nullptr);
        EXPECT_EQ(buttonLabelled(box, "&N")->width(), 25);
        savePicture(box, "ui_key_box.png");
        QTest::keyClick(box, Qt::Key_N); // lower or upper case both press it
    };
    EXPECT_EQ(tk.keyBox("YNQ"), 'N');
    EXPECT_TRUE(tk.prompt[0].text.empty());

    tk.onBoxShown = [&](QWidget* box) { buttonLabelled(box, "&Q")->click(); };
    EXPECT_EQ(tk.keyBox("YNQ"), 'Q');

    tk.onBoxShown = [&](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); };
    EXPECT_EQ(tk.keyBox("YN"), 27);
}

TEST(QtToolkit, MessageBoxesHaveTheirTitlesAndDefaults) {
    app();
    QtToolkit tk;
    QString title;
    tk.onBoxShown = [&](QWidget* box) {
        title = box->windowTitle();
        static_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
    };
    tk.notice("Value out of range");
    EXPECT_EQ(title, "NOTICE!");

    // A file name that looks like markup is shown as it is.
    QString shown;
    Qt::TextFormat format = Qt::AutoText;
    tk.onBoxShown = [&](QWidget* box) {
        auto* mb = static_cast<QMessageBox*>(box);
        shown = mb->text();
        format = mb->textFormat();
        mb->button(QMessageBox::Ok)->click();
    };
    tk.notice("Can't open: <b>odd</b>.dzn");
    EXPECT_EQ(shown, "Can't open: <b>odd</b>.dzn");
    EXPECT_EQ(format, Qt::PlainText);

    tk.onBoxShown = [&](QWidget* box) {
        auto* mb = static_cast<QMessageBox*>(box);
        title = mb->windowTitle();
        mb->defaultButton()->click();
    };
    EXPECT_EQ(tk.respond("Save the design?", 'Y'), 'Y');
    EXPECT_EQ(title, "Respond");
    EXPECT_EQ(tk.respond("Save the design?", 'N'), 'N');

    // The overwrite question: its own title, OK (the default) and Cancel.
    QMessageBox::StandardButtons buttons;
    tk.onBoxShown = [&](QWidget* box) {
        auto* mb = static_cast<QMessageBox*>(box);
        title = mb->windowTitle();
        buttons = mb->standardButtons();
        mb->defaultButton()->click();
    };
    EXPECT_EQ(tk.confirm("Warning", "File exists: Overwrite it ?"), 'Y');
    EXPECT_EQ(title, "Warning");
    EXPECT_EQ(buttons, QMessageBox::Ok | QMessageBox::Cancel);
    tk.onBoxShown = [&](QWidget* box) {
        static_cast<QMessageBox*>(box)->button(QMessageBox::Cancel)->click();
    };
    EXPECT_EQ(tk.confirm("Warning", "File exists: Overwrite it ?"), 'N');
}

TEST(TextScreenWidget, PaintsCellsInPaletteColoursAndReportsClicks) {
    app();
    ui::TextScreen screen(20, 4);
    screen.text(1, 1, "\xDA\xC4\xC4\xBF", 6);
    screen.text(1, 2, "AB", 0x17); // white on blue
    TextScreenWidget w(&screen);
    w.resize(w.sizeHint());
    QSize cell = w.cellSize();
    EXPECT_GT(cell.width(), 4);
    EXPECT_GT(cell.height(), cell.width());
    EXPECT_EQ(w.sizeHint().width(), 20 * cell.width() + 2 * (cell.width() / 4));
    QImage img = w.grab().toImage();
    // The blue run covers exactly its two cells, less the glyph pixels.
    QPoint o = w.cellOrigin(1, 2);
    EXPECT_EQ(img.pixelColor(o + QPoint(1, 1)), QColor(0, 0, 255));
    EXPECT_EQ(img.pixelColor(o + QPoint(2 * cell.width() + 1, 1)), QColor(0, 0, 0));
    EXPECT_GT(countColour(img, QColor(255, 130, 0)), 3); // the orange box line
    int col = -1, row = -1;
    QObject::connect(&w, &TextScreenWidget::cellClicked, [&](int c, int r, Qt::MouseButton b) {
        col = c;
        row = r;
        EXPECT_EQ(b, Qt::LeftButton);
    });
    QTest::mouseClick(&w, Qt::LeftButton, {}, w.cellOrigin(5, 3) + QPoint(2, 2));
    EXPECT_EQ(col, 5);
    EXPECT_EQ(row, 3);
    // While printing, background 0 turns white and foreground 7 black.
    screen.text(0, 0, "P", 7);
    w.setPrinting(true);
    img = w.grab().toImage();
    EXPECT_EQ(img.pixelColor(w.cellOrigin(10, 0) + QPoint(2, 2)), QColor(255, 255, 255));
    EXPECT_GT(countColour(img, QColor(0, 0, 0)), 5);
}
