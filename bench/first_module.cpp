// Double-click → the first module's first frame on screen, in a fresh process.
//   cold: the search starts the moment the window shows, the double-click as
//         soon as the row is there;
//   warm: the program is open 5 s before the search, as when a person types.
// Prints the milliseconds from the double-click until the view's pixels turn
// red. bench/run.sh runs it several times and takes the median.
//
// Usage: first_module cold|warm

#include "platform/qt/browser_view.h"
#include "platform/qt/controls.h"
#include "tests/support/local_server.h"
#include "tests/support/swf.h"
#include "ui/main_window.h"
#include "ui/startup.h"

#include <QScreen>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

bool isRed(QWidget* view) {
    const QPoint c = view->mapToGlobal(view->rect().center());
    const QImage img = QApplication::primaryScreen()->grabWindow(0, c.x(), c.y(), 1, 1).toImage();
    const QColor px = img.pixelColor(0, 0);
    return px.red() > 200 && px.green() < 60 && px.blue() < 60;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "cold";
    const ui::Startup startup(argc, argv);
    testsupport::LocalServer server;
    const std::string movie = testsupport::solidColourSwf(0xFF0000);
    server.onAnyGet([&](const httplib::Request& req, httplib::Response& res) {
        if (req.target.find(".swf") != std::string::npos)
            res.set_content(movie, "application/x-shockwave-flash");
        else
            res.set_content("<embed src=\"http://m.test/a.swf\">", "text/html");
    });
    const testsupport::ProxyThrough proxy(server);

    auto w = ui::openMainWindow();
    if (!QTest::qWaitForWindowExposed(w->window.get())) return 1;
    if (mode == "warm") QTest::qWait(5000);
    QTest::keyClick(w->numberBox, Qt::Key_Return);
    QCoreApplication::processEvents(); // the row is there
    const QPoint row = w->list->rowRect(0).center();
    const auto t0 = Clock::now();
    QTest::mouseDClick(w->list->viewport(), Qt::LeftButton, {}, row);
    while (!isRed(w->browser)) {
        QTest::qWait(5);
        if (Clock::now() - t0 > std::chrono::seconds{30}) return 1;
    }
    std::printf("%.0f\n", std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    return 0;
}
