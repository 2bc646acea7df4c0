#pragma once

// The one QApplication of a GUI test program, made on first use (the test
// programs run offscreen; CTest sets the platform).
#include <QApplication>

namespace tanvex::testing {

inline QApplication* app() {
    static int argc = 1;
    static char arg0[] = "tanvex_gui_test";
    static char* argv[] = {arg0, nullptr};
    static QApplication* a = new QApplication(argc, argv);
    return a;
}

} // namespace tanvex::testing
