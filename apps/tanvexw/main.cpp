// tanvexw: the main design program.

// First: the schematic renderer has a member named emit, which Qt's
// keyword macro would otherwise rewrite.
#include "schematic/schematic_editor_window.h"

#include "analysis/analysis_files.h"
#include "analysis/analysis_front.h"
#include "analysis/fourier_window.h"
#include "analysis/power_front.h"
#include "design/design_record.h"
#include "design/paths.h"
#include "equalizer/equalizer_command.h"
#include "optimizer/optimizer_commands.h"
#include "outputs/review_front.h"
#include "shell/main_window.h"
#include "shell/shell.h"
#include "synthesis/synthesis_commands.h"
#include "ui/qt_toolkit.h"

#include <QApplication>
#include <QPointer>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Qt has set the locale from the environment; design files need '.' as
    // the decimal point whatever the user's language.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("tanvexw"));
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("tanvexw %s (data: %s)\n", TANVEX_VERSION, tanvex::homeDirectory().c_str());
        return 0;
    }

    // The design lives for the whole run (its arrays are fixed size).
    auto design = std::make_unique<tanvex::Design>();
    tanvex::gui::QtToolkit toolkit;
    tanvex::shell::Shell shell(*design, toolkit);
    tanvex::gui::MainWindow window(shell, toolkit);
    tanvex::gui::SynthesisCommands synthesis(shell, toolkit, &window);
    window.quitOnClose = true;
    window.show();
    // Calculate (136): the new network is drawn in the main window at once.
    shell.commands.add(tanvex::shell::kCmdCalculate, [&](int) {
        int r = synthesis.calculate();
        window.designChanged();
        return r;
    });

    // ---- The subsystems plug their commands in here ----
    // Analyse (133): the sweep with its dialog, plot window and listing.
    auto analysisFront = tanvex::gui::registerAnalysisCommands(shell, toolkit, &window);
    // Snapshots, the comparison box, S2P and Touchstone files (143-146, 154).
    auto analysisFiles = tanvex::gui::registerAnalysisFileCommands(shell, toolkit, *analysisFront);
    // Power distribution (142): the text screen with its plot hand-over.
    auto powerFront = tanvex::gui::registerPowerCommand(shell, toolkit, *analysisFront, &window);
    // Time domain response (148): the Fourier synthesis window.
    auto fourierFront =
        tanvex::gui::registerFourierCommand(shell, toolkit, *analysisFront, &window);
    // Hard copy or review (150), and the "Analysis data" window.
    auto reviewFront = tanvex::gui::registerReviewCommands(
        shell, toolkit, &window, analysisFront.get(), [&] { return &synthesis.prototype(); });
    // The plot's markers and its bandpass mask reach the parameter dialog
    // and the pole placer (levels counted from the attenuation minimum).
    synthesis.plotMarkers = [&] {
        std::vector<std::pair<double, double>> out;
        const auto& model = analysisFront->plotModel();
        for (const auto& m : model.markers)
            if (m.set())
                out.push_back(
                    {m.frequency, m.absolute ? m.level - model.attenuationMinimum() : m.level});
        return out;
    };
    synthesis.plotBandpassMask = [&] {
        std::vector<std::pair<double, double>> out;
        const auto& mask = analysisFront->plotModel().mask;
        if (mask.kind == 1)
            for (const auto& p : mask.points) out.push_back({p.frequency, p.level});
        return out;
    };
    // Edit (135): the Schematic Editor window, at most one.
    QPointer<tanvex::gui::SchematicEditorWindow> editor;
    shell.commands.add(tanvex::shell::kCmdEdit, [&](int) {
        if (!editor) {
            editor = new tanvex::gui::SchematicEditorWindow(*design, &toolkit);
            editor->setAttribute(Qt::WA_DeleteOnClose);
            window.rememberRect(editor, tanvex::shell::kSchematicEditorWindow);
            // The edits show in the main window once the editor is gone.
            QObject::connect(editor, &QObject::destroyed, &window,
                             [&window] { window.designChanged(); });
        }
        editor->show();
        editor->raise();
        editor->activateWindow();
        return 0;
    });
    // Optimization (139, key O): the "Network optimization" window.
    auto optimizer = tanvex::gui::registerOptimizerCommands(shell, toolkit, *analysisFront);
    optimizer->onCreated = [&window](QWidget* w) {
        window.rememberRect(w, tanvex::shell::kOptimizerWindow);
    };
    optimizer->schematicSelection = [&editor] {
        if (!editor) return std::pair<int, int>(-1, -1);
        return std::pair<int, int>(editor->editor().firstSelected(),
                                   editor->editor().secondSelected());
    };
    // Equalizer window (168): delay or amplitude sections for the design;
    // the equalizer design types (12, 13) of Calculate.
    auto equalizerCommand =
        tanvex::gui::registerEqualizerCommand(shell, toolkit, analysisFront->dataFiles());
    equalizerCommand->onCreated = [&window](QWidget* w) {
        window.rememberRect(w, tanvex::shell::kEqualizerWindow);
    };
    equalizerCommand->designChanged = [&window] { window.designChanged(); };
    synthesis.otherBuilder = [&](int type) {
        if (type != 12 && type != 13) return tanvex::synthesis::CalculateHooks::kNotMine;
        tanvex::synthesis::PrototypeContext ctx{
            *design, synthesis.prototype(), toolkit, tanvex::homeDirectory(), true, {}};
        return tanvex::equalizer::equalizerDesign(ctx, analysisFront->dataFiles());
    };
    // After every command the schematic shows the design as it now is.
    auto repaintMain = shell.repaint;
    shell.repaint = [&, repaintMain] {
        if (repaintMain) repaintMain();
        if (editor) editor->update();
    };

    // The design named on the command line (words joined as typed).
    std::string name;
    for (int i = 1; i < argc; ++i) {
        if (!name.empty()) name += ' ';
        name += argv[i];
    }
    window.startUp(name);
    int result = app.exec();
    delete editor.data();
    return result;
}
