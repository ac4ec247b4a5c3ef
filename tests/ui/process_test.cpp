// The program as a user starts it: its own process, its own window, closed the
// way a window manager's close button closes it. Checks what it prints and how
// fast it ends.

#include "tests/support/local_server.h"
#include "tests/support/swf.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <cstring>
#include <xcb/xcb.h>

namespace {

// Talks to the X server the test runs on, as a window manager would.
class Display {
public:
    Display()
        : c_(xcb_connect(nullptr, nullptr)) {}
    ~Display() { xcb_disconnect(c_); }
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    [[nodiscard]] bool ok() const { return xcb_connection_has_error(c_) == 0; }

    /// The top-level window on screen titled \p title, or 0.
    xcb_window_t find(const char* title) {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        xcb_query_tree_reply_t* tree =
            xcb_query_tree_reply(c_, xcb_query_tree(c_, screen->root), nullptr);
        xcb_window_t found = 0;
        if (tree == nullptr) return 0;
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree) && found == 0; ++i) {
            xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
                c_, xcb_get_window_attributes(c_, children[i]), nullptr);
            const bool shown =
                attributes != nullptr && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
            std::free(attributes);
            if (!shown) continue;
            xcb_get_property_reply_t* name = xcb_get_property_reply(
                c_, xcb_get_property(c_, 0, children[i], XCB_ATOM_WM_NAME, XCB_ATOM_ANY, 0, 256),
                nullptr);
            if (name != nullptr) {
                const int length = xcb_get_property_value_length(name);
                if (length == static_cast<int>(std::strlen(title)) &&
                    std::memcmp(xcb_get_property_value(name), title,
                                static_cast<std::size_t>(length)) == 0)
                    found = children[i];
                std::free(name);
            }
        }
        std::free(tree);
        return found;
    }

    /// Asks \p window to close (WM_DELETE_WINDOW), as a close button does.
    void close(xcb_window_t window) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = atom("WM_PROTOCOLS");
        event.data.data32[0] = atom("WM_DELETE_WINDOW");
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(c_, 0, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(c_);
    }

private:
    xcb_atom_t atom(const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t a = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return a;
    }
    xcb_connection_t* c_;
};

// The program beside this test in the build tree, with a clean environment:
// nothing asks it to print, and its traffic goes to \p proxy.
class Program {
public:
    explicit Program(const testsupport::LocalServer& proxy) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_LOGGING_RULES"));
        env.remove(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"));
        env.insert(QStringLiteral("http_proxy"), QString::fromStdString(proxy.origin()));
        env.insert(QStringLiteral("no_proxy"), QString());
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(QCoreApplication::applicationDirPath() + QStringLiteral("/swfscout"), {});
    }
    ~Program() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    QProcess& process() { return process_; }

    /// Waits for the window, \returns it (0 if it never came).
    xcb_window_t window(Display& display) {
        xcb_window_t w = 0;
        for (int i = 0; i < 200 && w == 0; ++i) {
            QTest::qWait(50);
            w = display.find("SWF Scout");
        }
        return w;
    }

private:
    QProcess process_;
};

// Real input through the X server, as a person gives it.
void xdotool(const QStringList& args) {
    QProcess::execute(QStringLiteral("xdotool"), args);
}

} // namespace

class ProcessTest : public QObject {
    Q_OBJECT

private slots:
    void plainStartAndClosePrintNothing();
    void closingDuringAStalledModuleEndsWithinASecond();
};

void ProcessTest::plainStartAndClosePrintNothing() {
    testsupport::LocalServer service;
    service.onAnyGet([](const httplib::Request&, httplib::Response& res) { res.status = 404; });
    Display display;
    QVERIFY(display.ok());
    Program program(service);
    const xcb_window_t window = program.window(display);
    QVERIFY(window != 0);
    QTest::qWait(4000); // the web engine starts and loads the blank player
    QElapsedTimer closing;
    closing.start();
    display.close(window);
    QVERIFY(program.process().waitForFinished(10000));
    qInfo("plain close took %lld ms", closing.elapsed());
    QCOMPARE(program.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.process().exitCode(), 0);
    QCOMPARE(QString::fromUtf8(program.process().readAll()), QString());
}

void ProcessTest::closingDuringAStalledModuleEndsWithinASecond() {
    // The service lists one module, whose server sends a few bytes and then stalls.
    testsupport::LocalServer service;
    std::atomic<int> moduleRequests{0};
    service.onAnyGet([&](const httplib::Request& req, httplib::Response& res) {
        if (req.target.find(".swf") == std::string::npos) {
            res.set_content("<embed src=\"http://modules.test/slow.swf\">", "text/html");
            return;
        }
        ++moduleRequests;
        res.set_chunked_content_provider("application/x-shockwave-flash",
                                         [&service](std::size_t offset, httplib::DataSink& sink) {
                                             if (offset == 0) sink.write("FWS", 3);
                                             service.holdUntilReleased(std::chrono::seconds{60});
                                             return false;
                                         });
    });
    Display display;
    QVERIFY(display.ok());
    Program program(service);
    const xcb_window_t window = program.window(display);
    QVERIFY(window != 0);
    const QString id = QString::number(window);
    // Type a number and press Enter, then double-click the first row.
    xdotool({"mousemove", "--window", id, "100", "19"}); // into the number box
    xdotool({"click", "1"});
    xdotool({"type", "10001"});
    xdotool({"key", "Return"});
    QTest::qWait(500);
    xdotool({"mousemove", "--window", id, "60", "71"}); // first row of the list
    xdotool({"click", "--repeat", "2", "--delay", "80", "1"});
    QTRY_VERIFY_WITH_TIMEOUT(moduleRequests > 0, 20000);
    QTest::qWait(300);

    QElapsedTimer closing;
    closing.start();
    display.close(window);
    QVERIFY(program.process().waitForFinished(10000));
    const qint64 ms = closing.elapsed();
    service.release();
    QCOMPARE(program.process().exitCode(), 0);
    QVERIFY2(ms < 1000, qPrintable(QStringLiteral("the program took %1 ms to end").arg(ms)));
}

QTEST_GUILESS_MAIN(ProcessTest)

#include "process_test.moc"
