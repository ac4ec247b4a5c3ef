// Searches against servers that misbehave, with the window open: each search
// must end within its time-outs, keep the window painting, hold memory to the
// body cap, show no message, and leave the list empty or with what the cut page
// holds.

#include "search/module_addresses.h"
#include "tests/support/process_memory.h"
#include "tests/ui/window_fixture.h"

#include <QProcess>
#include <fstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <zlib.h>

using testsupport::WindowFixture;

namespace {

constexpr std::size_t kCap = 8u << 20;

// A unit of page text holding one module address, 1 KiB long.
std::string pageUnit(int i) {
    std::string unit = "<embed src=\"http://e.test/" + std::to_string(i) + ".swf\">";
    unit.resize(1024, ' ');
    return unit;
}

std::string gzip(const std::string& data) {
    z_stream z{};
    deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// A TCP server on loopback that answers every connection with bytes that are
// no TLS at all, then closes it.
class GarbageServer {
public:
    GarbageServer() {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(fd_, 8);
        socklen_t len = sizeof addr;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] {
            for (int c; (c = accept(fd_, nullptr, nullptr)) >= 0;) {
                const char junk[] = "HTTP/1.1 200 OK\r\n\r\n\x16\x03\x01 garbage garbage";
                (void)!write(c, junk, sizeof junk);
                close(c);
            }
        });
    }
    ~GarbageServer() {
        shutdown(fd_, SHUT_RDWR);
        close(fd_);
        thread_.join();
    }
    [[nodiscard]] int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
    std::thread thread_;
};

} // namespace

class HostileTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { fx_.reset(); }

    void searchSurvives_data();
    void searchSurvives();
    void rapidEntersDuringASearchAreDropped();

private:
    std::unique_ptr<WindowFixture> fx_;
};

void HostileTest::init() {
    fx_ = std::make_unique<WindowFixture>();
    QVERIFY(fx_->active());
    // Short bounds, so that each case ends in seconds.
    platform::HttpLimits& limits = fx_->w().searchLimits;
    limits.connectTimeout = std::chrono::milliseconds{2000};
    limits.stallTimeout = std::chrono::milliseconds{1000};
    limits.totalTimeout = std::chrono::milliseconds{4000};
    limits.maxBodyBytes = kCap;
    // The web view starts its engine after the first frame; let it settle, so
    // that memory figures belong to the search.
    QTRY_VERIFY_WITH_TIMEOUT(testsupport::showsBlank(fx_->w().browser), 20000);
    QTest::qWait(500);
}

void HostileTest::searchSurvives_data() {
    QTest::addColumn<QString>("behaviour");
    for (const char* name : {"never answers", "one byte at a time", "endless body",
                             "zero bytes first", "gzip that inflates past the cap", "redirect loop",
                             "redirect to file", "TLS port speaking garbage"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void HostileTest::searchSurvives() {
    QFETCH(QString, behaviour);
    GarbageServer garbage;
    std::string expectedPage; // what the program should end up with

    // Shared with the server's threads, which may still be writing it as the test ends.
    const auto endlessUnit = std::make_shared<std::string>();
    for (int i = 0; i < 64; ++i)
        *endlessUnit += pageUnit(i);
    const std::string& endless = *endlessUnit;

    if (behaviour == "never answers") {
        fx_->holdAnswers();
    } else if (behaviour == "one byte at a time") {
        fx_->answerWith([](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/html", [](size_t, httplib::DataSink& sink) {
                std::this_thread::sleep_for(std::chrono::milliseconds{300});
                return sink.write("h", 1);
            });
        });
    } else if (behaviour == "endless body") {
        fx_->answerWith([endlessUnit](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider(
                "application/octet-stream", [endlessUnit](size_t, httplib::DataSink& sink) {
                    return sink.write(endlessUnit->data(), endlessUnit->size());
                });
        });
        while (expectedPage.size() < kCap)
            expectedPage += endless;
        expectedPage.resize(kCap);
    } else if (behaviour == "zero bytes first") {
        fx_->answerWith([](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string(1 << 20, '\0') + "http://a.test/b.swf",
                            "application/octet-stream");
        });
    } else if (behaviour == "gzip that inflates past the cap") {
        std::string big;
        while (big.size() < 8 * kCap)
            big += endless;
        auto packed = std::make_shared<std::string>(gzip(big));
        QVERIFY(packed->size() < kCap / 16);
        fx_->answerWith([packed](const httplib::Request&, httplib::Response& res) {
            res.set_header("Content-Encoding", "gzip");
            res.set_content(*packed, "application/octet-stream");
        });
        expectedPage = big.substr(0, kCap);
    } else if (behaviour == "redirect loop") {
        fx_->answerWith([](const httplib::Request& req, httplib::Response& res) {
            res.set_redirect(req.target);
        });
    } else if (behaviour == "redirect to file") {
        fx_->answerWith([](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("file:///etc/hostname");
        });
    } else if (behaviour == "TLS port speaking garbage") {
        const int port = garbage.port();
        fx_->answerWith([port](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("https://127.0.0.1:" + std::to_string(port) + "/");
        });
    }

    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(100);
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start();
    std::ofstream("/proc/self/clear_refs") << "5"; // restart the memory high-water mark
    const long long rssBefore = testsupport::statusKiB("VmRSS:");
    QElapsedTimer clock;
    clock.start();
    const int boxes = testsupport::handleDialogs(
        [&] { QTest::mouseClick(fx_->w().searchButton, Qt::LeftButton); },
        [](QWidget* box) { box->close(); });
    const qint64 elapsed = clock.elapsed();
    const long long grownKiB = testsupport::statusKiB("VmHWM:") - rssBefore;
    fx_->server().release();

    QCOMPARE(boxes, 0);
    QVERIFY2(elapsed < 10'000, qPrintable(QString::number(elapsed)));
    if (elapsed > 500) QVERIFY2(ticks >= 2, "the window stopped painting during the search");
    QVERIFY2(grownKiB < static_cast<long long>(3 * kCap / 1024) + 64 * 1024,
             qPrintable(QString("memory grew by %1 KiB").arg(grownKiB)));
    const auto expected = search::extractModuleAddresses(expectedPage);
    QCOMPARE(fx_->w().list->rowCount(), static_cast<int>(expected.size()));
    if (!expected.empty())
        QCOMPARE(fx_->w().list->readCell(fx_->w().list->rowCount() - 1, 1), expected.back());
}

void HostileTest::rapidEntersDuringASearchAreDropped() {
    // Real key presses through the X server, sent while a search waits: they are
    // dropped, neither run at once nor replayed afterwards; then the window takes
    // input again.
    struct Counts {
        std::atomic<int> inFlight{0}, most{0};
    };
    const auto counts = std::make_shared<Counts>(); // the server's threads share it
    fx_->answerWith([counts](const httplib::Request&, httplib::Response& res) {
        const int now = ++counts->inFlight;
        counts->most = std::max(counts->most.load(), now);
        std::this_thread::sleep_for(std::chrono::milliseconds{50});
        res.set_content("http://r.test/1.swf", "text/html");
        --counts->inFlight;
    });
    fx_->holdAnswers();
    fx_->typeNumber("12345");
    QVERIFY(fx_->w().numberBox->hasFocus());
    QTimer::singleShot(300, [this] {
        QProcess::execute(
            "xdotool", {"key", "--delay", "40", "Return", "Return", "Return", "Return", "Return"});
        // Not qWait(): that would handle the keys here, as no person's key can be.
        std::this_thread::sleep_for(std::chrono::milliseconds{300});
        fx_->server().release();
    });
    QTest::keyClick(fx_->w().numberBox, Qt::Key_Return);
    QTest::qWait(1000); // time for any replayed press to start its search
    QCOMPARE(fx_->searchedNumbers(), QStringList({"12345"}));
    QCOMPARE(counts->most.load(), 1);
    QCOMPARE(fx_->column(1), QStringList({"http://r.test/1.swf"}));

    // Afterwards a real press searches again.
    QProcess::execute("xdotool", {"key", "Return"});
    QTRY_COMPARE(fx_->searchedNumbers(), QStringList({"12345", "12345"}));
}

int main(int argc, char** argv) {
    return testsupport::runWindowTests<HostileTest>(argc, argv);
}

#include "hostile_test.moc"
