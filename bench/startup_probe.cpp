// The program's own start, as main() does it, up to the window's first frame.

#include "bench/first_frame.h"
#include "ui/main_window.h"
#include "ui/startup.h"

#include <QApplication>

int main(int argc, char** argv) {
    const ui::Startup startup(argc, argv);
    const bench::FirstFrame probe;
    const auto w = ui::openMainWindow();
    return QApplication::exec();
}
