// tanvexw: the main design program.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <clocale>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QMainWindow w;
    w.setWindowTitle("TANVEX");
    w.setCentralWidget(new QLabel("TANVEX"));
    w.resize(800, 500);
    w.show();
    return app.exec();
}
