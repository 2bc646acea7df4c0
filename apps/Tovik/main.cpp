// Tovik: the air-wound single-layer inductor calculator.
#include "coil/coil_window.h"

#include <QApplication>
#include <clocale>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    tanvex::gui::CoilWindow window;
    window.show();
    return app.exec();
}
