// Huge and hostile pages, each in a fresh process: Enter → rows on screen and
// the growth of the process's peak memory meanwhile, beside the bare GET of the
// same page in the same process. For the page of one 60 MiB address, also the
// double-click on it. Runs on a display (Xvfb will do).
//
// Usage: page_bench dense|million|long

#include "platform/http/http_get.h"
#include "platform/qt/controls.h"
#include "tests/support/local_server.h"
#include "tests/support/process_memory.h"
#include "ui/main_window.h"
#include "ui/startup.h"

#include <QTest>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// Peak resident memory from now on, less what is resident now, in MiB.
class PeakGrowth {
public:
    PeakGrowth() {
        std::ofstream("/proc/self/clear_refs") << "5"; // resets the peak to the current size
        start_ = testsupport::statusKiB("VmRSS:");
    }
    [[nodiscard]] double mib() const {
        return static_cast<double>(testsupport::statusKiB("VmHWM:") - start_) / 1024;
    }

private:
    long long start_;
};

void require(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "page_bench: failed: %s\n", what);
    std::exit(1);
}

std::string makePage(const std::string& kind) {
    std::string page;
    if (kind == "dense") {
        for (std::size_t i = 0; i < (std::size_t{64} << 20) / 8; ++i)
            page += "http.swf";
    } else if (kind == "million") {
        for (int i = 0; i < 1'000'000; ++i)
            page += "http://qzs.qq.com/qzone/item/" + std::to_string(i) + ".swf ";
    } else {
        page = "http://a.test/" + std::string(std::size_t{60} << 20, 'a') + ".swf";
    }
    return page;
}

} // namespace

int main(int argc, char** argv) {
    const std::string kind = argc > 1 ? argv[1] : "million";
    const ui::Startup startup(argc, argv);
    const std::string page = makePage(kind);
    testsupport::LocalServer server;
    server.onAnyGet([&](const httplib::Request&, httplib::Response& res) {
        res.set_content(page, "application/octet-stream");
    });
    const testsupport::ProxyThrough proxy(server);

    // The baseline: the bare GET of the same page.
    double baseMs = 0, baseMiB = 0;
    {
        const PeakGrowth peak;
        const auto t0 = Clock::now();
        const std::string body = platform::httpGet("http://b.qzone.qq.com/");
        baseMs = msSince(t0);
        baseMiB = peak.mib();
        require(body.size() == page.size(), "the bare GET got the page");
    }

    auto w = ui::openMainWindow();
    require(QTest::qWaitForWindowExposed(w->window.get()), "the window shows");
    QTest::qWait(3000); // the web engine starts, as it does while a person types
    const PeakGrowth peak;
    const auto t0 = Clock::now();
    QTest::keyClick(w->numberBox, Qt::Key_Return);
    const double searchMs = msSince(t0);
    QCoreApplication::processEvents(); // the view learns of the rows,
    QCoreApplication::processEvents(); // then lays them out
    w->window->repaint();
    std::fprintf(stderr, "(search %.0f ms)\n", searchMs);
    const double ms = msSince(t0);
    const double grown = peak.mib();
    const int rows = w->list->rowCount();
    require(rows > 0, "rows were listed");

    // Afterwards the window answers at once: a key press in the box is handled.
    const auto t1 = Clock::now();
    QTest::keyClick(w->numberBox, Qt::Key_A);
    QCoreApplication::processEvents();
    const double answerMs = msSince(t1);

    std::printf("| %s | %d | %.0f ms | %.0f MiB | %.0f ms | %.0f MiB | %.1f ms |", kind.c_str(),
                rows, ms, grown, baseMs, baseMiB, answerMs);
    if (kind == "long") {
        QTest::mouseClick(w->list->viewport(), Qt::LeftButton, {}, w->list->rowRect(0).center());
        const auto t2 = Clock::now();
        QTest::mouseDClick(w->list->viewport(), Qt::LeftButton, {}, w->list->rowRect(0).center());
        std::printf(" double-click returned in %.0f ms |", msSince(t2));
    }
    std::printf("\n");
    return 0;
}
