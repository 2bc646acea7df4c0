// KORVADEX: window with its title and an exit command.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <clocale>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QMainWindow w;
    w.setWindowTitle("KORVADEX");
    w.menuBar()->addAction("E&xit", &w, &QWidget::close);
    w.resize(640, 400);
    w.show();
    return app.exec();
}
