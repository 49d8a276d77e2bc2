#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("VELVO 5");
    std::puts("Velvo Studio: the main window is not built yet.");
    return 0;
}
