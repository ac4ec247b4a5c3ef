// The baseline for start-up: a bare Qt window of the same size.

#include "bench/first_frame.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(694, 246);
    const bench::FirstFrame probe;
    window.show();
    return QApplication::exec();
}
