// ledgerly: the desktop program. Start-up follows in this file.
#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    return 0;
}
