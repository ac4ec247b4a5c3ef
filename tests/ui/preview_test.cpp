// Preview, copy and the row menu: modules that really play, the real clipboard,
// the real popup menu and message box.

#include "platform/qt/player_server.h"
#include "tests/support/swf.h"
#include "tests/ui/window_fixture.h"

#include <QClipboard>
#include <QCursor>

using testsupport::WindowFixture;

namespace {

constexpr QRgb kRed = 0xFF0000;
constexpr QRgb kBlue = 0x0000FF;

bool near(const QColor& c, QRgb want) {
    const QColor w(want);
    return std::abs(c.red() - w.red()) < 40 && std::abs(c.green() - w.green()) < 40 &&
           std::abs(c.blue() - w.blue()) < 40;
}

} // namespace

class PreviewTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { fx_.reset(); }

    void doubleClickAndMenuPlayTheModule();
    void menuHoldsExactlyTwoItems_data();
    void menuHoldsExactlyTwoItems();
    void copyPutsColumnOneOnTheClipboard();
    void copyKeepsInvisibleCharacters();
    void hintRowCopiesBeforeAnySearch();
    void copyWithNoRowSelectedStillConfirms();
    void nonWebTextsLoadNothing_data();
    void nonWebTextsLoadNothing();
    void pagesCannotLeaveTheWebOrOpenWindows();
    void playerServerServesOnlyItsOwn();
    void anyBytesBetweenTheMarkersPlay();
    void playerSpeaksChineseAndItsPanelsFit();

private:
    // Searches for a page listing the red and the blue module.
    void searchModules();
    // Right-clicks at \p at in the list (moving the mouse there first) and
    // handles the menu with \p onMenu; \returns the menu's item texts.
    // Message boxes that come up are closed with OK and their texts added to
    // \p messages, when given.
    QStringList rightClick(QPoint at, const std::function<void(QMenu&)>& onMenu,
                           QStringList* messages = nullptr);
    // Chooses \p item from the row menu opened over \p at; \returns the texts of
    // the message boxes that came up (each closed with its OK button).
    QStringList choose(QPoint at, const QString& item);
    // With SWFSCOUT_SCREENSHOTS set to a folder, saves what the screen shows of
    // the window there (the README's pictures come from here).
    void saveScreenshot(const char* name) const {
        const QString folder = qEnvironmentVariable("SWFSCOUT_SCREENSHOTS");
        if (folder.isEmpty()) return;
        QWidget* window = fx_->w().window.get();
        const QPoint at = window->mapToGlobal(QPoint(0, 0));
        QApplication::primaryScreen()
            ->grabWindow(0, at.x(), at.y(), window->width(), window->height())
            .save(folder + "/" + QString::fromLatin1(name));
    }
    QColor viewCentre() const {
        auto* browser = fx_->w().browser;
        return testsupport::screenColourAt(browser, browser->rect().center());
    }

    std::unique_ptr<WindowFixture> fx_;
};

void PreviewTest::init() {
    fx_ = std::make_unique<WindowFixture>();
    QVERIFY(fx_->active());
    fx_->serve("/red.swf", testsupport::solidColourSwf(kRed), 200, "application/x-shockwave-flash");
    fx_->serve("/blue.swf", testsupport::solidColourSwf(kBlue), 200,
               "application/x-shockwave-flash");
}

void PreviewTest::searchModules() {
    fx_->servePage("90009", "<embed src=\"http://modules.test/red.swf\">"
                            "<embed src=\"http://modules.test/blue.swf\">");
    fx_->typeNumber("90009");
    QTest::keyClick(fx_->w().numberBox, Qt::Key_Return);
    QCOMPARE(fx_->column(1),
             QStringList({"http://modules.test/red.swf", "http://modules.test/blue.swf"}));
}

QStringList PreviewTest::rightClick(QPoint at, const std::function<void(QMenu&)>& onMenu,
                                    QStringList* messages) {
    QWidget* area = fx_->w().list->viewport();
    QCursor::setPos(area->mapToGlobal(at));
    QStringList items;
    testsupport::handleDialogs(
        [&] { QTest::mouseClick(area, Qt::RightButton, {}, at); },
        [&](QWidget* open) {
            if (auto* menu = qobject_cast<QMenu*>(open)) {
                items = testsupport::itemTexts(*menu);
                onMenu(*menu);
            } else if (auto* box = qobject_cast<QMessageBox*>(open); box && messages) {
                *messages << box->text();
                QCOMPARE(box->icon(), QMessageBox::Information);
                QCOMPARE(box->buttons().size(), 1);
                QCOMPARE(box->standardButtons(), QMessageBox::Ok);
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            } else {
                open->close();
            }
        });
    return items;
}

QStringList PreviewTest::choose(QPoint at, const QString& item) {
    QStringList messages;
    rightClick(
        at, [&](QMenu& menu) { testsupport::clickItem(menu, item); }, &messages);
    return messages;
}

void PreviewTest::doubleClickAndMenuPlayTheModule() {
    searchModules();
    QVERIFY(!near(viewCentre(), kRed));

    QTest::mouseDClick(fx_->w().list->viewport(), Qt::LeftButton, {}, fx_->rowCentre(0));
    QTRY_VERIFY_WITH_TIMEOUT(near(viewCentre(), kRed), 30000);
    saveScreenshot("preview.png");

    QCOMPARE(choose(fx_->rowCentre(1), QStringLiteral("查看效果")), QStringList());
    QTRY_VERIFY_WITH_TIMEOUT(near(viewCentre(), kBlue), 30000);

    // A text that is no address blanks the view again, the module's sound included.
    fx_->w().browser->setAddress("not an address");
    QTRY_VERIFY(testsupport::showsBlank(fx_->w().browser));
    QTest::mouseDClick(fx_->w().list->viewport(), Qt::LeftButton, {}, fx_->rowCentre(0));
    QTRY_VERIFY_WITH_TIMEOUT(near(viewCentre(), kRed), 30000);

    // The module came through the service's proxy, fetched by the program itself.
    bool fetched = false;
    for (const auto& target : fx_->server().targets())
        fetched = fetched || target == "http://modules.test/blue.swf";
    QVERIFY(fetched);
    QVERIFY(!testsupport::webView(fx_->w().browser)->isEnabled());
}

void PreviewTest::menuHoldsExactlyTwoItems_data() {
    QTest::addColumn<bool>("overEmptyPart");
    QTest::newRow("over a row") << false;
    QTest::newRow("over an empty part of the list") << true;
}

void PreviewTest::menuHoldsExactlyTwoItems() {
    QFETCH(bool, overEmptyPart);
    QWidget* area = fx_->w().list->viewport();
    const QPoint at = overEmptyPart ? QPoint(20, area->height() - 10) : fx_->rowCentre(1);
    QPoint shownAt;
    const QStringList items = rightClick(at, [&](QMenu& menu) {
        shownAt = menu.pos();
        menu.close();
    });
    QCOMPARE(items, QStringList({"查看效果", "复制地址"}));
    QCOMPARE(shownAt, area->mapToGlobal(at)); // at the mouse cursor
}

void PreviewTest::copyPutsColumnOneOnTheClipboard() {
    searchModules();
    QApplication::clipboard()->setText(QStringLiteral("before"));
    QCOMPARE(choose(fx_->rowCentre(1), QStringLiteral("复制地址")), QStringList({"复制成功!"}));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("http://modules.test/blue.swf"));
    QCOMPARE(fx_->w().list->selectedRow(), 1);
}

void PreviewTest::copyKeepsInvisibleCharacters() {
    // The cell shows them as escapes; the clipboard gets the characters themselves.
    fx_->servePage("90012", "<embed src=\"http://a.test/a\u202Eb\uFEFFc\u200B.swf\">");
    fx_->typeNumber("90012");
    QTest::keyClick(fx_->w().numberBox, Qt::Key_Return);
    QCOMPARE(fx_->w().list->shownCellText(0, 1),
             QStringLiteral("http://a.test/a%E2%80%AEb%EF%BB%BFc%E2%80%8B.swf"));
    QTest::mouseClick(fx_->w().list->viewport(), Qt::LeftButton, {}, fx_->rowCentre(0));
    QCOMPARE(choose(fx_->rowCentre(0), QStringLiteral("复制地址")), QStringList({"复制成功!"}));
    QCOMPARE(QApplication::clipboard()->text(),
             QString::fromUtf8("http://a.test/a\u202Eb\uFEFFc\u200B.swf"));
}

void PreviewTest::hintRowCopiesBeforeAnySearch() {
    QTest::mouseClick(fx_->w().list->viewport(), Qt::LeftButton, {}, fx_->rowCentre(1));
    QCOMPARE(choose(fx_->rowCentre(1), QStringLiteral("复制地址")), QStringList({"复制成功!"}));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("在此点击鼠标右键复制地址"));

    // Previewing it shows the blank page: the hint is no address.
    QCOMPARE(choose(fx_->rowCentre(1), QStringLiteral("查看效果")), QStringList());
    QTRY_VERIFY(testsupport::showsBlank(fx_->w().browser));
}

void PreviewTest::copyWithNoRowSelectedStillConfirms() {
    searchModules();
    QCOMPARE(fx_->w().list->selectedRow(), -1);
    QApplication::clipboard()->setText(QStringLiteral("before"));
    QWidget* area = fx_->w().list->viewport();
    QCOMPARE(choose(QPoint(20, area->height() - 10), QStringLiteral("复制地址")),
             QStringList({"复制成功!"}));
    QCOMPARE(fx_->w().list->selectedRow(), -1);
    QCOMPARE(QApplication::clipboard()->text(), QString());
}

void PreviewTest::nonWebTextsLoadNothing_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("hint") << QByteArray("在此点击鼠标右键复制地址");
    QTest::newRow("file") << QByteArray("file:///etc/hostname");
    QTest::newRow("file module") << QByteArray("file:///tmp/x.swf");
    QTest::newRow("javascript") << QByteArray("javascript:document.title='ran'");
    QTest::newRow("data") << QByteArray("data:text/html,<title>ran</title>");
    QTest::newRow("leading piece") << QByteArray("httpclip.swf");
    QTest::newRow("ftp") << QByteArray("ftp://a.test/b.swf");
    QTest::newRow("longer than the engine takes")
        << "http://a.test/" + QByteArray(2 << 20, 'a') + ".swf";
}

void PreviewTest::nonWebTextsLoadNothing() {
    QFETCH(QByteArray, text);
    platform::BrowserView* browser = fx_->w().browser;
    // Something shows first, so that going blank is visible.
    fx_->serve("/shown.html", "<title>shown</title>");
    browser->setAddress("http://127.0.0.1:" + std::to_string(fx_->server().port()) + "/shown.html");
    QWebEngineView* view = testsupport::webView(browser);
    QTRY_COMPARE_WITH_TIMEOUT(view->title(), QStringLiteral("shown"), 15000);

    // Requests other than the browser's own look for the shown page's icon.
    const auto requests = [this] {
        const auto targets = fx_->server().targets();
        return std::count_if(targets.begin(), targets.end(), [](const std::string& t) {
            return t.find("favicon") == std::string::npos;
        });
    };
    const auto requestsBefore = requests();
    browser->setAddress(text.toStdString());
    QTRY_VERIFY(testsupport::showsBlank(browser));
    QTest::qWait(200);
    QVERIFY(testsupport::showsBlank(browser));
    QVERIFY(view->title() != QStringLiteral("ran"));
    QCOMPARE(requests(), requestsBefore); // nothing was fetched
}

void PreviewTest::pagesCannotLeaveTheWebOrOpenWindows() {
    const std::string origin = "http://127.0.0.1:" + std::to_string(fx_->server().port());
    fx_->serve("/escape.html",
               "<title>start</title><script>"
               "const w = window.open('" +
                   origin +
                   "/popup.html');"
                   "document.title = w ? 'opened' : 'blocked';"
                   "setTimeout(() => { location.href = 'file:///etc/hostname'; }, 50);"
                   "setTimeout(() => { document.title += ' still here'; }, 400);"
                   "</script>");
    fx_->serve("/popup.html", "<title>popup</title>");
    platform::BrowserView* browser = fx_->w().browser;
    browser->setAddress(origin + "/escape.html");
    QWebEngineView* view = testsupport::webView(browser);
    QTRY_COMPARE_WITH_TIMEOUT(view->title(), QStringLiteral("blocked still here"), 15000);
    QCOMPARE(view->url(), QUrl(QString::fromStdString(origin + "/escape.html")));
    for (const auto& target : fx_->server().targets())
        QVERIFY(target.find("popup") == std::string::npos);
}

void PreviewTest::playerServerServesOnlyItsOwn() {
    platform::PlayerServer player(platform::shippedRuffleDir());
    QVERIFY(player.running());
    const std::string base = player.base();
    const std::string origin = base.substr(0, base.rfind('/'));
    const std::string port = origin.substr(origin.rfind(':') + 1);
    // The test's requests go straight to the player; the player's own go through the proxy.
    const testsupport::ScopedEnv direct("no_proxy", "127.0.0.1");
    const auto get = [](const std::string& address) { return platform::httpGet(address); };

    QVERIFY(get(base + "/play.html").find("ruffle/ruffle.js") != std::string::npos);
    QVERIFY(get(base + "/ruffle/ruffle.js").size() > 1000);
    const auto red = player.playModule("http://modules.test/red.swf");
    QCOMPARE(get(player.playerAddress(red)), get(base + "/play.html")); // the module is the query
    QCOMPARE(get(origin + red.path), testsupport::solidColourSwf(kRed));
    QCOMPARE(get(origin + red.routes + "http/modules.test/blue.swf"),
             testsupport::solidColourSwf(kBlue));
    QCOMPARE(get(origin + red.routes + "HTTP/modules.test/blue.swf"),
             testsupport::solidColourSwf(kBlue));

    // An intranet the module must not reach: a second loopback server.
    testsupport::LocalServer intranet;
    intranet.onAnyGet([&](const httplib::Request& req, httplib::Response& res) {
        intranet.record(req);
        res.set_content("secret=1", "text/plain");
    });
    const std::string inside = std::to_string(intranet.port());
    const testsupport::ScopedEnv directToo("no_proxy", "127.0.0.1,localhost");
    const std::string refused[] = {
        origin + "/play.html",                                  // no per-run prefix
        origin + "/0123456789abcdef0123456789abcdef/play.html", // a guessed one
        base + "/ruffle/%2e%2e/%2e%2e/%2e%2e/%2e%2e/%2e%2e/%2e%2e/etc/hostname", // out of Ruffle's
                                                                                 // folder
        origin + red.routes + "file/etc/hostname",                               // not the web
        origin + red.routes + "ftp/modules.test/red.swf",
        origin + red.routes + "http/127.0.0.1:" + port + base.substr(origin.size()) +
            "/play.html", // itself
        origin + red.routes + "http/localhost:" + port + "/x.swf",
        origin + red.routes + "http/2130706433:" + port + "/x.swf",
        origin + red.routes + "http/127.0.0.1:" + inside + "/secret", // the intranet
        origin + red.routes + "http/localhost:" + inside + "/secret",
        origin + red.routes + "http/0x7f.0.0.1:" + inside + "/secret",
        origin + red.routes + "http/modules.test/missing.swf", // the module's server says 404
    };
    for (const auto& address : refused) {
        QVERIFY2(get(address).empty(), address.c_str());
    }
    QVERIFY(intranet.targets().empty());

    // A new module abandons the old one: its addresses answer nothing any more.
    const auto blue = player.playModule("http://modules.test/blue.swf");
    QVERIFY(get(origin + red.path).empty());
    QVERIFY(get(origin + red.routes + "http/modules.test/blue.swf").empty());
    QCOMPARE(get(origin + blue.path), testsupport::solidColourSwf(kBlue));
    player.stopModule();
    QVERIFY(get(origin + blue.path).empty());

    // Only requests for 127.0.0.1:PORT by that name: not a rebound name, not localhost.
    httplib::Client client("127.0.0.1", std::stoi(port));
    const std::string page = base.substr(origin.size()) + "/play.html";
    const auto named = [&](const std::string& host) {
        const auto answer = client.Get(page.c_str(), httplib::Headers{{"Host", host}});
        return answer ? answer->status : -1;
    };
    QCOMPARE(named("127.0.0.1:" + port), 200);
    QCOMPARE(named("evil.example:" + port), 403);
    QCOMPARE(named("localhost:" + port), 403);
    QCOMPARE(named("127.0.0.1"), 403);
}

void PreviewTest::anyBytesBetweenTheMarkersPlay() {
    // Line feeds, carriage returns, spaces and bytes >= 0x80 inside an address:
    // the module is fetched with them percent-encoded, and plays.
    fx_->serve("/a%0Ab%0D%20%E9%9F%B3.swf", testsupport::solidColourSwf(kRed), 200,
               "application/x-shockwave-flash");
    fx_->servePage("90010", "<embed src=\"http://modules.test/a\nb\r \xE9\x9F\xB3.swf\">");
    fx_->typeNumber("90010");
    QTest::keyClick(fx_->w().numberBox, Qt::Key_Return);
    QCOMPARE(fx_->w().list->rowCount(), 1);
    QTest::mouseDClick(fx_->w().list->viewport(), Qt::LeftButton, {}, fx_->rowCentre(0));
    QTRY_VERIFY_WITH_TIMEOUT(near(viewCentre(), kRed), 30000);
}

// Runs \p script in the view's page and \returns its result, once there is one.
QVariant evaluate(QWebEngineView* view, const QString& script) {
    QVariant result;
    bool done = false;
    view->page()->runJavaScript(script, [&](const QVariant& r) {
        result = r;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 10000)) return {};
    return result;
}

void PreviewTest::playerSpeaksChineseAndItsPanelsFit() {
    // A module whose server says 404: Ruffle shows its error panel.
    fx_->servePage("90011", "<embed src=\"http://modules.test/gone.swf\">");
    fx_->typeNumber("90011");
    QTest::keyClick(fx_->w().numberBox, Qt::Key_Return);
    QTest::mouseDClick(fx_->w().list->viewport(), Qt::LeftButton, {}, fx_->rowCentre(0));
    QWebEngineView* view = testsupport::webView(fx_->w().browser);
    QVERIFY(view != nullptr);
    const QString panel = QStringLiteral(
        "(() => { const p = document.querySelector('ruffle-player');"
        "  const panic = p && p.shadowRoot && p.shadowRoot.querySelector('#panic');"
        "  if (!panic || panic.hidden || panic.offsetHeight === 0) return '';"
        "  const box = panic.getBoundingClientRect();"
        "  const parts = [...panic.children].map(c => c.getBoundingClientRect());"
        "  const inside = parts.every(r => r.top >= box.top - 1 && r.bottom <= box.bottom + 1);"
        "  return navigator.language + '|' + (inside && panic.scrollHeight <= panic.clientHeight + "
        "1) +"
        "         '|' + panic.textContent; })()");
    QString seen;
    QTRY_VERIFY_WITH_TIMEOUT((seen = evaluate(view, panel).toString()).contains('|'), 30000);
    const QStringList parts = seen.split('|');
    QCOMPARE(parts.value(0), QStringLiteral("zh-CN"));
    QCOMPARE(parts.value(1), QStringLiteral("true")); // nothing cut off
    QVERIFY2(parts.value(2).contains(QStringLiteral("出了些问题")), qPrintable(seen));

    // Requests from the view ask for Chinese too.
    fx_->serve("/plain.html", "<title>plain</title>");
    fx_->w().browser->setAddress("http://127.0.0.1:" + std::to_string(fx_->server().port()) +
                                 "/plain.html");
    QTRY_COMPARE_WITH_TIMEOUT(view->title(), QStringLiteral("plain"), 15000);
    const auto headers = fx_->server().lastHeaders();
    const auto language = headers.find("Accept-Language");
    QVERIFY(language != headers.end());
    QVERIFY2(language->second.starts_with("zh-CN"), language->second.c_str());
}

int main(int argc, char** argv) {
    return testsupport::runWindowTests<PreviewTest>(argc, argv);
}

#include "preview_test.moc"
