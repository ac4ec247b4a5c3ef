// The program's own start, as main() does it, up to the window's first frame.

#include "bench/first_frame.h"
#include "platform/browser_view.h"
#include "platform/http_get.h"
#include "ui/main_window.h"

#include <QApplication>

int main(int argc, char** argv) {
    const platform::HttpSession http;
    platform::prepareWebEngine();
    QApplication app(argc, argv);
    const bench::FirstFrame probe;
    const auto w = ui::openMainWindow();
    return QApplication::exec();
}
