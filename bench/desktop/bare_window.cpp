// The least a Qt 6 Widgets program does to put a window on the screen: the
// yardstick for Tockmere's start-up time and memory in bench-desktop.sh.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("Bare Qt window"));
    window.setWindowTitle(QStringLiteral("Bare Qt window"));
    window.resize(170, 160);
    window.show();
    return QApplication::exec();
}
