// The window's figures, each beside its baseline in the same run, medians of
// several rounds. Runs on a real display (Xvfb will do).

#include "platform/http/http_get.h"
#include "platform/qt/browser_view.h"
#include "platform/qt/controls.h"
#include "tests/support/local_server.h"
#include "tests/support/swf.h"
#include "ui/main_window.h"
#include "ui/startup.h"

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>
#include <QWebEngineView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// A benchmark whose set-up fails must not print a row: it stops, saying why.
void require(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "window_bench: failed: %s\n", what);
    std::exit(1);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void row(const char* what, double ms, const char* baseline, double baseMs, const char* goal) {
    std::printf("| %s | %.1f ms | %s | %.1f ms | %.2f | %s |\n", what, ms, baseline, baseMs,
                ms / baseMs, goal);
    std::fflush(stdout);
}

std::vector<std::string> addresses(int n) {
    std::vector<std::string> out;
    out.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        out.push_back("http://qzs.qq.com/qzone/space_item/orig/7/" + std::to_string(i) + ".swf");
    return out;
}

// Appending 100,000 rows the way the search does, one append and one cell write
// each, until they are on screen; beside Qt's own batch insert of ready items.
void listAppend(int rounds) {
    const auto list = addresses(100'000);
    std::vector<double> ours, base;
    for (int r = 0; r < rounds; ++r) {
        {
            auto w = ui::openMainWindow();
            require(QTest::qWaitForWindowExposed(w->window.get()),
                    "QTest::qWaitForWindowExposed(w->window.get())");
            const auto t0 = Clock::now();
            w->list->removeAllRows();
            for (const auto& a : list) {
                const platform::RowIndex i =
                    w->list->appendRow(std::to_string(w->list->rowCount() + 1));
                w->list->writeCell(i, 1, a);
            }
            QCoreApplication::processEvents(); // the view learns of the rows
            w->window->repaint();
            ours.push_back(msSince(t0));
        }
        {
            QTreeWidget plain;
            plain.setColumnCount(2);
            plain.setUniformRowHeights(true);
            plain.resize(297, 200);
            plain.show();
            require(QTest::qWaitForWindowExposed(&plain), "QTest::qWaitForWindowExposed(&plain)");
            const auto t0 = Clock::now();
            QList<QTreeWidgetItem*> items;
            items.reserve(static_cast<qsizetype>(list.size()));
            for (std::size_t i = 0; i < list.size(); ++i)
                items << new QTreeWidgetItem(
                    {QString::number(i + 1), QString::fromStdString(list[i])});
            plain.addTopLevelItems(items);
            plain.repaint();
            base.push_back(msSince(t0));
        }
    }
    row("100,000 rows appended and shown", median(ours), "Qt batch insert of ready items",
        median(base), "≤ 1000 ms");
}

// Enter → rows shown, for a 10 MiB page from a loopback server; beside the bare
// GET of the same page.
void enterToRows(int rounds) {
    testsupport::LocalServer server;
    std::string page;
    int n = 0;
    while (page.size() < (10u << 20)) {
        page += "<div class=\"mod\"><embed src=\"http://qzs.qq.com/qzone/space_item/orig/7/" +
                std::to_string(n++) +
                ".swf\" width=\"180\" height=\"200\"></div>\n"
                "<p>欢迎来到我的空间，这里有我喜欢的音乐和动画。谢谢大家的支持！</p>\n";
        page.append(1000, ' ');
    }
    // Served as it is: a text type would make the test server gzip 10 MiB on every
    // request, which would time the server rather than the program.
    server.onAnyGet([&](const httplib::Request&, httplib::Response& res) {
        res.set_content(page, "application/octet-stream");
    });
    const testsupport::ProxyThrough proxy(server);
    std::vector<double> ours, base;
    for (int r = 0; r < rounds; ++r) {
        auto w = ui::openMainWindow();
        require(QTest::qWaitForWindowExposed(w->window.get()),
                "QTest::qWaitForWindowExposed(w->window.get())");
        const auto t0 = Clock::now();
        QTest::keyClick(w->numberBox, Qt::Key_Return);
        QCoreApplication::processEvents(); // the view learns of the rows
        w->window->repaint();
        ours.push_back(msSince(t0));
        require(w->list->rowCount() == n, "w->list->rowCount() == n");

        const auto t1 = Clock::now();
        const std::string body = platform::httpGet("http://b.qzone.qq.com/");
        base.push_back(msSince(t1));
        require(body.size() == page.size(), "body.size() == page.size()");
    }
    std::fprintf(stderr, "(%d rows from %zu bytes)\n", n, page.size());
    row("Enter → rows shown, 10 MiB page", median(ours), "the bare GET of that page", median(base),
        "≤ 500 ms");
}

bool isRed(QWidget* view) {
    const QPoint c = view->mapToGlobal(view->rect().center());
    const QImage img = QApplication::primaryScreen()->grabWindow(0, c.x(), c.y(), 1, 1).toImage();
    const QColor px = img.pixelColor(0, 0);
    return px.red() > 200 && px.green() < 60 && px.blue() < 60;
}

double waitFor(const std::function<bool()>& done, int limitMs = 30000) {
    const auto t0 = Clock::now();
    while (!done() && msSince(t0) < limitMs)
        QTest::qWait(5);
    return msSince(t0);
}

// Double-click → first frame of a module from a loopback server, the first one
// after the window opened and a later one; beside a plain page load in the same view.
void doubleClickToFrame(int rounds) {
    testsupport::LocalServer server;
    const std::string movie = testsupport::solidColourSwf(0xFF0000);
    server.onAnyGet([&](const httplib::Request& req, httplib::Response& res) {
        if (req.target.find(".swf") != std::string::npos)
            res.set_content(movie, "application/x-shockwave-flash");
        else if (req.target.find("plain.html") != std::string::npos)
            res.set_content("<title>plain</title><body style='background:#f00'>", "text/html");
        else
            res.set_content(
                "<embed src=\"http://m.test/a.swf\"><embed src=\"http://m.test/b.swf\">",
                "text/html");
    });
    const testsupport::ProxyThrough proxy(server);
    std::vector<double> first, later, base;
    for (int r = 0; r < rounds; ++r) {
        auto w = ui::openMainWindow();
        require(QTest::qWaitForWindowExposed(w->window.get()),
                "QTest::qWaitForWindowExposed(w->window.get())");
        QTest::keyClick(w->numberBox, Qt::Key_Return);
        QWidget* viewport = w->list->viewport();
        const auto rowAt = [&](int i) {
            QCoreApplication::processEvents();
            return w->list->rowRect(i).center();
        };
        QTest::qWait(1500); // the user reads the list; the engine starts meanwhile
        // From an action to the view's first red pixel; the view is blanked before
        // each but the first.
        const auto untilRed = [&](const std::function<void()>& action) {
            const auto t0 = Clock::now();
            action();
            waitFor([&] { return isRed(w->browser); });
            const double ms = msSince(t0);
            w->browser->setAddress("about:blank");
            QTest::qWait(300);
            return ms;
        };
        first.push_back(
            untilRed([&] { QTest::mouseDClick(viewport, Qt::LeftButton, {}, rowAt(0)); }));
        later.push_back(
            untilRed([&] { QTest::mouseDClick(viewport, Qt::LeftButton, {}, rowAt(1)); }));
        base.push_back(untilRed([&] {
            w->browser->setAddress("http://127.0.0.1:" + std::to_string(server.port()) +
                                   "/plain.html");
        }));
    }
    row("double-click → first frame, first module", median(first), "a plain page in the view",
        median(base), "≤ 1500 ms");
    row("double-click → first frame, later module", median(later), "a plain page in the view",
        median(base), "≤ 1500 ms");
}

} // namespace

int main(int argc, char** argv) {
    const ui::Startup startup(argc, argv);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    std::printf(
        "| figure | time | baseline | baseline time | ratio | goal |\n|---|---|---|---|---|---|\n");
    listAppend(rounds);
    enterToRows(rounds);
    doubleClickToFrame(rounds);
    return 0;
}
