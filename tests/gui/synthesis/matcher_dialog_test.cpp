// The impedance matcher's method dialog and the Norton tool screens on the
// offscreen platform, with pictures; and commands 140/141 through the shell
// with the status screen's matcher box.
#include "design/operations.h"
#include "shell/command_table.h"
#include "synthesis/catalogue.h"
#include "synthesis/matcher_dialog.h"
#include "synthesis/synthesis_commands.h"
#include "ui/gen_win.h"
#include "ui/qt_toolkit.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

using namespace tanvex;
using namespace tanvex::synthesis;

namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "matcher_dialog_test";
    static char* argv[] = {name, nullptr};
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

void savePicture(QWidget& w, const char* name) {
    w.grab().save(QString::fromLatin1(TANVEX_PICTURE_DIR) + "/" + name);
}

// A third-order direct scaled bandpass at 100 MHz, design Zo 200 ohm, built.
std::unique_ptr<Design> builtBandpass(char config, double zo, int command = 106) {
    auto d = std::make_unique<Design>();
    newDesign(d->entries);
    applyNotation(*d, 4); // V.H.F.
    applyDesignType(*d, command);
    d->record[0].value = 1;
    writeMask(d->record, kAllPoleMask);
    writeMask(d->record, designTypeInfo(designTypeOfCommand(command)).mask);
    d->record[1].value = 3;
    d->record[2].value = 0.1;
    d->record[3].value = 0.1;
    d->record[4].value = 60;
    d->record[5].value = 100e6;
    d->record[6].value = 20e6;
    d->record[7].value = zo;
    d->record[8].value = 50;
    d->record[9].value = 50;
    d->record[8].letter = 'x';
    d->record[9].letter = 'X';
    d->record[11].letter = config;
    d->record[13].value = 2;
    return d;
}

void build(Design& d, ui::Toolkit& tk) {
    auto proto = std::make_unique<LowpassPrototype>();
    PrototypeContext ctx{d, *proto, tk, "", true, {}};
    ASSERT_EQ(directBandpass(ctx, 0), 0);
}

} // namespace

TEST(MatcherDialog, DrawsEveryMethodWithItsValues) {
    app();
    gui::QtToolkit tk;
    for (char config : {'P', 'S'}) {
        auto d = builtBandpass(config, config == 'P' ? 200 : 20);
        build(*d, tk);
        gui::MatcherDialog dlg;
        MatchPresets presets;
        dlg.load(*d, 0, presets, "");
        dlg.show();
        QApplication::processEvents();
        const std::string ok = config == 'P' ? "ABCDET" : "FGH";
        for (char m : std::string("ABCDEFGHT")) {
            const QString text = dlg.sketch(m)->text();
            if (ok.find(m) != std::string::npos) {
                EXPECT_TRUE(text.contains(QStringLiteral("Rl 50"))) << m;
                EXPECT_TRUE(text.contains(QStringLiteral("nHy")) ||
                            text.contains(QStringLiteral(":1")))
                    << m;
            } else {
                EXPECT_EQ(text, QStringLiteral("(not possible at this end)")) << m;
            }
        }
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Select an impedance matching method"));
        EXPECT_EQ(dlg.lEdit()->text(), QString());
        savePicture(dlg,
                    config == 'P' ? "matcher_dialog_parallel.png" : "matcher_dialog_series.png");
        // Once a method is stored the schematics are not drawn.
        d->record[8].letter = 'B';
        dlg.load(*d, 0, presets, "");
        EXPECT_EQ(dlg.sketch('B')->text(), QString());
        EXPECT_TRUE(dlg.methodButton('B')->isChecked());
        dlg.hide();
    }
}

TEST(MatcherDialog, InvalidPickReopensAndTheStatusShowsTheMethod) {
    app();
    auto d = builtBandpass('P', 200);
    gui::QtToolkit tk;
    shell::Shell sh(*d, tk);
    gui::SynthesisCommands synth(sh, tk, nullptr);
    build(*d, tk);
    // First pick G (a series option at a shunt end), then A from the
    // reopened dialog, which must say "** Invalid option **".
    std::deque<char> picks = {'G', 'A'};
    QString secondMessage;
    int shown = 0;
    std::function<void()> clickNext = [&] {
        auto* dlg = dynamic_cast<gui::MatcherDialog*>(QApplication::activeModalWidget());
        if (!dlg) {
            QTimer::singleShot(10, clickNext);
            return;
        }
        ++shown;
        if (shown == 2) {
            secondMessage = dlg->messageLabel()->text();
            EXPECT_FALSE(dlg->methodButton('G')->isChecked()) << "the letter is x again";
            savePicture(*dlg, "matcher_dialog_invalid_option.png");
        }
        const char m = picks.front();
        picks.pop_front();
        dlg->methodButton(m)->click();
        if (!picks.empty()) QTimer::singleShot(10, clickNext);
    };
    QTimer::singleShot(10, clickNext);
    sh.dispatch(shell::kCmdMatchSource);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(secondMessage, QStringLiteral("** Invalid option **"));
    EXPECT_EQ(d->record[8].letter, 'A');
    const int n = entryCount(d->entries);
    EXPECT_EQ(d->entries[n].value, 50);
    EXPECT_EQ(d->entries[n - 1].letter, 'C');
    EXPECT_EQ(d->entries[n - 1].code, 3);
    EXPECT_NE(sh.status.rowText(5).find("  Source: A"), std::string::npos) << sh.status.rowText(5);
    EXPECT_NE(sh.status.rowText(4).find("Termination: X"), std::string::npos);

    // 140 again: the end already has 50 ohms, so the design is calculated
    // anew and the dialog opens on the end as built (200 ohms); pick C.
    int reopened = 0;
    QString endLine;
    QTimer::singleShot(10, [&] {
        if (auto* dlg = dynamic_cast<gui::MatcherDialog*>(QApplication::activeModalWidget())) {
            ++reopened;
            endLine = dlg->findChildren<QLabel*>().front()->text();
            dlg->methodButton('C')->click();
        }
    });
    sh.dispatch(shell::kCmdMatchSource);
    EXPECT_EQ(reopened, 1);
    EXPECT_TRUE(endLine.contains(QStringLiteral("Rd 200 -> Rl 50"))) << endLine.toStdString();
    EXPECT_EQ(d->record[8].letter, 'C');
    EXPECT_EQ(d->entries[entryCount(d->entries)].value, 50);
    EXPECT_NE(sh.status.rowText(5).find("  Source: C"), std::string::npos);

    // 141 with Bypass: the termination letter stays x.
    d->record[9].letter = 'A';
    QTimer::singleShot(10, [&] {
        if (auto* dlg = dynamic_cast<gui::MatcherDialog*>(QApplication::activeModalWidget()))
            dlg->bypassButton()->click();
    });
    sh.dispatch(shell::kCmdMatchTermination);
    EXPECT_EQ(d->record[9].letter, 'x');
    EXPECT_NE(sh.status.rowText(4).find("Termination: ?"), std::string::npos);
}

namespace {
// Grabs the text window at the tool's key menu, then answers from a list.
class ToolToolkit : public gui::QtToolkit {
public:
    std::deque<char> keys;
    const char* picture = nullptr;
    std::vector<std::string> notices;
    void notice(const std::string& text) override { notices.push_back(text); }
    char keyBox(const std::string&) override {
        QApplication::processEvents();
        if (picture && genWinWindow()) {
            savePicture(*genWinWindow(), picture);
            picture = nullptr;
        }
        if (keys.empty()) return 'X';
        const char k = keys.front();
        keys.pop_front();
        return k;
    }
};
} // namespace

TEST(NortonToolScreens, ForcedShuntAndMinimumComponentPictures) {
    app();
    for (int command : {107, 108}) {
        auto d = builtBandpass('P', 200, command);
        d->record[1].value = 7;
        d->record[8].letter = 'X';
        ToolToolkit tk;
        tk.picture =
            command == 107 ? "norton_forced_shunt_screen.png" : "norton_min_component_screen.png";
        tk.keys = {'M', 'R', 'X'};
        auto proto = std::make_unique<LowpassPrototype>();
        PrototypeContext ctx{*d, *proto, tk, "", true, {}};
        CalculateHooks hooks;
        const int r = calculate(ctx, hooks);
        EXPECT_EQ(r, command == 107 ? 0 : kBuildTerminationMatcher);
        const std::string heading = tk.genWin().screen.rowText(0);
        EXPECT_NE(heading.find(command == 107 ? "> Force Shunt Norton Transformation <"
                                              : "> Minimum Component Norton Transform <"),
                  std::string::npos);
        EXPECT_NE(tk.genWin().screen.rowText(1).find("Local changes Mode"), std::string::npos);
        EXPECT_EQ(tk.picture, nullptr) << "the text window was shown";
        if (command == 108) {
            EXPECT_EQ(tk.notices, (std::vector<std::string>{"Source matching bypassed"}));
        }
    }
}
