// tanvexw: the main design program.
#include "design/design_record.h"
#include "shell/main_window.h"
#include "shell/shell.h"
#include "ui/qt_toolkit.h"

#include <QApplication>
#include <clocale>
#include <memory>
#include <string>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Qt has set the locale from the environment; design files need '.' as
    // the decimal point whatever the user's language.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("tanvexw"));

    // The design lives for the whole run (its arrays are fixed size).
    auto design = std::make_unique<tanvex::Design>();
    tanvex::gui::QtToolkit toolkit;
    tanvex::shell::Shell shell(*design, toolkit);
    tanvex::gui::MainWindow window(shell, toolkit);
    window.show();

    // The design named on the command line (words joined as typed).
    std::string name;
    for (int i = 1; i < argc; ++i) {
        if (!name.empty()) name += ' ';
        name += argv[i];
    }
    window.startUp(name);
    return app.exec();
}
