// KORVADEX: the layout program. Works out the physical parts of a design's
// branches, writes them into the design file, files a parts list and writes
// drawing scripts for CAD programs.
#include "layout/layout_window.h"

#include <QApplication>
#include <clocale>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    tanvex::gui::LayoutWindow w;
    w.show();
    w.startUp();
    return app.exec();
}
