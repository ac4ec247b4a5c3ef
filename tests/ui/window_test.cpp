// The main window and the search action, driven as a person drives them.

#include "tests/ui/window_fixture.h"
#include "ui/program.h"

#include <QHeaderView>
#include <QLabel>
#include <QSignalSpy>
#include <span>
#include <sys/wait.h>
#include <unistd.h>

using testsupport::WindowFixture;

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        fx_ = std::make_unique<WindowFixture>();
        QVERIFY(fx_->active());
    }
    void cleanup() { fx_.reset(); }

    void initialState();
    void enterStartsASearch_data();
    void enterStartsASearch();
    void otherKeysOnlyEdit();
    void buttonSearchesForTheTypedNumber();
    void emptyNumberStillSearches();
    void boxEmptiesWhenItGainsFocus();
    void addressesAreNumberedInPageOrder();
    void cellsShowTheirTextAndKeepTheirBytes();
    void disguisingAddressesShowEscaped_data();
    void disguisingAddressesShowEscaped();
    void failedOrEmptySearchLeavesTheListEmpty_data();
    void failedOrEmptySearchLeavesTheListEmpty();
    void windowPaintsWhileTheRequestWaits();
    void closingDuringASearchAbandonsIt();
    void browserViewTakesNoInput();
    // Last: it ends the application's event loop, as the program's end does.
    void programEndsWhenTheWindowCloses();
    void aWrongBindingRowStopsTheProgram();

private:
    std::unique_ptr<WindowFixture> fx_;
};

void WindowTest::initialState() {
    QWidget* window = fx_->w().window.get();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->windowTitle(), QStringLiteral("SWF Scout"));
    QVERIFY(!window->windowIcon().isNull());
    QCOMPARE(window->minimumSize(), window->maximumSize()); // not resizable

    struct Expected {
        const char* name;
        QRect geometry;
    } const controls[] = {
        {"标签1", {8, 8, 48, 24}},
        {"编辑框1", {56, 8, 120, 22}},
        {"按钮1", {184, 8, 116, 23}},
        {"超级列表框1", {6, 40, 297, 200}},
        {"超文本浏览框1", {303, 8, 385, 232}},
    };
    for (const auto& c : controls) {
        auto* control = window->findChild<QWidget*>(QString::fromUtf8(c.name));
        QVERIFY2(control, c.name);
        QCOMPARE(control->geometry(), c.geometry);
        QCOMPARE(control->isEnabled(), std::string_view(c.name) != "超文本浏览框1");
    }
    auto* label = window->findChild<QLabel*>(QStringLiteral("标签1"));
    QCOMPARE(label->text(), QStringLiteral("QQ账号："));
    QVERIFY2(label->fontMetrics().tightBoundingRect(label->text()).right() < label->width(),
             "the label's text does not fit it");
    auto* button = window->findChild<QPushButton*>(QStringLiteral("按钮1"));
    QCOMPARE(button->text(), QStringLiteral("搜索模块地址"));
    QVERIFY(button->fontMetrics().horizontalAdvance(button->text()) <= button->width());
    QCOMPARE(fx_->w().numberBox->text(), QString());

    auto* list = fx_->w().list;
    QCOMPARE(list->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("序列"));
    QCOMPARE(list->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("FLASH地址"));
    QCOMPARE(list->columnWidth(0), 30);
    QCOMPARE(list->columnWidth(1), 263);
    QCOMPARE(fx_->column(0), QStringList({"", "", ""}));
    QCOMPARE(fx_->column(1), QStringList({"", "在此点击鼠标右键复制地址", ""}));
    QCOMPARE(list->shownCellText(1, 1), QStringLiteral("在此点击鼠标右键复制地址"));

    // Blank, not showing anything it loaded.
    QTRY_VERIFY(testsupport::showsBlank(fx_->w().browser));
}

void WindowTest::enterStartsASearch_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::newRow("Return") << int(Qt::Key_Return) << Qt::KeyboardModifiers();
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter)
                                  << Qt::KeyboardModifiers(Qt::KeypadModifier);
    QTest::newRow("Shift+Return") << int(Qt::Key_Return)
                                  << Qt::KeyboardModifiers(Qt::ShiftModifier);
    QTest::newRow("Ctrl+Return") << int(Qt::Key_Return)
                                 << Qt::KeyboardModifiers(Qt::ControlModifier);
}

void WindowTest::enterStartsASearch() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    fx_->servePage("10001", "<embed src=\"http://a.test/1.swf\">");
    fx_->typeNumber("10001");
    QTest::keyClick(fx_->w().numberBox, Qt::Key(key), modifiers);
    QCOMPARE(fx_->searchedNumbers(), QStringList({"10001"}));
    QCOMPARE(fx_->column(1), QStringList({"http://a.test/1.swf"}));

    // The box kept the focus, so it was not emptied: Enter again repeats the search.
    QCOMPARE(fx_->w().numberBox->text(), QStringLiteral("10001"));
    QTest::keyClick(fx_->w().numberBox, Qt::Key(key), modifiers);
    QCOMPARE(fx_->searchedNumbers(), QStringList({"10001", "10001"}));
}

void WindowTest::otherKeysOnlyEdit() {
    fx_->typeNumber("12 a");
    for (const Qt::Key key : {Qt::Key_Backspace, Qt::Key_Left, Qt::Key_Space, Qt::Key_Escape,
                              Qt::Key_Delete, Qt::Key_M, Qt::Key_Home})
        QTest::keyClick(fx_->w().numberBox, key);
    QTest::keyClick(fx_->w().numberBox, Qt::Key_9, Qt::ControlModifier);
    QTest::qWait(50);
    QVERIFY(fx_->searchedNumbers().isEmpty());
    QCOMPARE(fx_->column(1), QStringList({"", "在此点击鼠标右键复制地址", ""})); // untouched
    QVERIFY(!fx_->w().numberBox->text().isEmpty());
}

void WindowTest::buttonSearchesForTheTypedNumber() {
    fx_->servePage("20002", "x http://b.test/2.swf y");
    fx_->typeNumber("20002");
    QVERIFY(fx_->w().numberBox->hasFocus());
    QTest::mouseClick(fx_->w().searchButton, Qt::LeftButton);
    QCOMPARE(fx_->searchedNumbers(), QStringList({"20002"}));
    QCOMPARE(fx_->column(0), QStringList({"1"}));
    QCOMPARE(fx_->column(1), QStringList({"http://b.test/2.swf"}));
}

void WindowTest::emptyNumberStillSearches() {
    fx_->servePage("", "http://c.test/3.swf");
    QTest::mouseClick(fx_->w().searchButton, Qt::LeftButton);
    QCOMPARE(fx_->searchedNumbers(), QStringList({""}));
    QCOMPARE(fx_->column(1), QStringList({"http://c.test/3.swf"}));
}

void WindowTest::boxEmptiesWhenItGainsFocus() {
    fx_->servePage("30003", "http://d.test/4.swf");
    fx_->typeNumber("30003");
    QTest::mouseClick(fx_->w().searchButton, Qt::LeftButton);
    QCOMPARE(fx_->searchedNumbers(), QStringList({"30003"}));
    QCOMPARE(fx_->w().numberBox->text(),
             QStringLiteral("30003")); // the click took no focus away yet

    // Clicking into the box empties it (here after a click into the list took the focus).
    QWidget* listArea = fx_->w().list->viewport();
    QTest::mouseClick(listArea, Qt::LeftButton, {}, QPoint(10, listArea->height() - 5));
    QVERIFY(fx_->w().list->hasFocus());
    QTest::mouseClick(fx_->w().numberBox, Qt::LeftButton);
    QCOMPARE(fx_->w().numberBox->text(), QString());

    // So does tabbing back into it.
    QTest::keyClicks(fx_->w().numberBox, "40004");
    QTest::keyClick(fx_->w().numberBox, Qt::Key_Tab);
    QVERIFY(fx_->w().searchButton->hasFocus());
    QCOMPARE(fx_->w().numberBox->text(), QStringLiteral("40004"));
    QTest::keyClick(fx_->w().searchButton, Qt::Key_Backtab, Qt::ShiftModifier);
    QVERIFY(fx_->w().numberBox->hasFocus());
    QCOMPARE(fx_->w().numberBox->text(), QString());
}

void WindowTest::addressesAreNumberedInPageOrder() {
    fx_->servePage("50005",
                   "<p>http://m.test/one.swf</p>\n"
                   "<a href=\"https://m.test/two.swf\">two</a> http://m.test/not-flash.html\n"
                   "<embed src='http://m.test/three.SWF?v=1'>");
    fx_->servePage("60006", "http://n.test/a.swf http://n.test/b.swf");
    fx_->typeNumber("50005");
    QTest::keyClick(fx_->w().numberBox, Qt::Key_Return);
    QCOMPARE(fx_->column(0), QStringList({"1", "2", "3"}));
    QCOMPARE(fx_->column(1), QStringList({"http://m.test/one.swf", "https://m.test/two.swf",
                                          "http://m.test/three.SWF"}));

    fx_->typeNumber("60006");
    QTest::keyClick(fx_->w().numberBox, Qt::Key_Return);
    QCOMPARE(fx_->column(0), QStringList({"1", "2"}));
    QCOMPARE(fx_->column(1), QStringList({"http://n.test/a.swf", "http://n.test/b.swf"}));
    QCOMPARE(PageText, std::string("http://n.test/a.swf http://n.test/b.swf"));
}

void WindowTest::cellsShowTheirTextAndKeepTheirBytes() {
    // The page's bytes are not decoded on the way in: a cell shows them as UTF-8
    // where they are UTF-8, as GB18030 where they are not, and reads back as sent.
    const std::string utf8 = "http://a.test/\xE9\x9F\xB3\xE4\xB9\x90.swf"; // 音乐
    const std::string gbk = "http://a.test/\xD2\xF4\xC0\xD6.swf";          // 音乐
    const std::string neither = "http://a.test/\xFF.swf";
    fx_->servePage("11011", utf8 + " " + gbk + " " + neither);
    fx_->typeNumber("11011");
    QTest::keyClick(fx_->w().numberBox, Qt::Key_Return);
    platform::ReportList* list = fx_->w().list;
    QCOMPARE(list->rowCount(), 3);
    QCOMPARE(list->shownCellText(0, 1), QStringLiteral("http://a.test/音乐.swf"));
    QCOMPARE(list->shownCellText(1, 1), QStringLiteral("http://a.test/音乐.swf"));
    QCOMPARE(list->shownCellText(2, 1), QStringLiteral("http://a.test/\uFFFD.swf"));
    QCOMPARE(list->readCell(0, 1), utf8);
    QCOMPARE(list->readCell(1, 1), gbk);
    QCOMPARE(list->readCell(2, 1), neither);
}

void WindowTest::disguisingAddressesShowEscaped_data() {
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<QString>("shown");
    QTest::newRow("right-to-left override")
        << QByteArray("http://a.test/\u202Egpj.exe\u202C.swf")
        << QStringLiteral("http://a.test/%E2%80%AEgpj.exe%E2%80%AC.swf");
    QTest::newRow("isolates and marks")
        << QByteArray("http://a.test/\u2067x\u2069\u200F.swf")
        << QStringLiteral("http://a.test/%E2%81%A7x%E2%81%A9%E2%80%8F.swf");
    QTest::newRow("line feed") << QByteArray("http://a.test/x\ny.swf")
                               << QStringLiteral("http://a.test/x%0Ay.swf");
    QTest::newRow("carriage return and tab")
        << QByteArray("http://a.test/x\r\t.swf") << QStringLiteral("http://a.test/x%0D%09.swf");
    QTest::newRow("zero-width") << QByteArray("http://a.test/a\u200Bb\uFEFFc\u2060.swf")
                                << QStringLiteral(
                                       "http://a.test/a%E2%80%8Bb%EF%BB%BFc%E2%81%A0.swf");
    QTest::newRow("C1 control") << QByteArray("http://a.test/\u0085.swf")
                                << QStringLiteral("http://a.test/%C2%85.swf");
    QTest::newRow("ordinary Chinese")
        << QByteArray("http://a.test/音乐 1.swf") << QStringLiteral("http://a.test/音乐 1.swf");
    const QByteArray longOne = "http://a.test/" + QByteArray(100'000, 'a') + ".swf";
    QTest::newRow("very long") << longOne
                               << QString::fromLatin1(longOne.left(platform::kMaxShownChars)) +
                                      QChar(0x2026);
}

void WindowTest::disguisingAddressesShowEscaped() {
    // A cell shows what could hide or disguise part of an address as escapes, and
    // at most a bounded prefix; it still holds the exact bytes for copy and preview.
    QFETCH(QByteArray, address);
    QFETCH(QString, shown);
    fx_->servePage("12012", "<embed src=\"" + address.toStdString() + "\">");
    fx_->typeNumber("12012");
    QTest::keyClick(fx_->w().numberBox, Qt::Key_Return);
    platform::ReportList* list = fx_->w().list;
    QCOMPARE(list->rowCount(), 1);
    QCOMPARE(list->readCell(0, 1), address.toStdString());
    QCOMPARE(list->shownCellText(0, 1), shown);
}

void WindowTest::failedOrEmptySearchLeavesTheListEmpty_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("no module in the page") << 200 << QByteArray("<html>http://x.test/</html>");
    QTest::newRow("empty page") << 200 << QByteArray();
    QTest::newRow("server error") << 500 << QByteArray("http://x.test/error.swf");
    QTest::newRow("not found") << 404 << QByteArray("http://x.test/missing.swf");
}

void WindowTest::failedOrEmptySearchLeavesTheListEmpty() {
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    fx_->servePage("70007", "http://x.test/first.swf");
    fx_->servePage("80008", body.toStdString(), status);
    fx_->typeNumber("70007");
    QTest::keyClick(fx_->w().numberBox, Qt::Key_Return);
    QCOMPARE(fx_->w().list->rowCount(), 1);

    const int boxes = testsupport::handleDialogs(
        [&] {
            fx_->typeNumber("80008");
            QTest::keyClick(fx_->w().numberBox, Qt::Key_Return);
        },
        [](QWidget* box) { box->close(); });
    QCOMPARE(boxes, 0);
    QCOMPARE(fx_->w().list->rowCount(), 0);
    QCOMPARE(fx_->searchedNumbers(), QStringList({"70007", "80008"}));
}

void WindowTest::windowPaintsWhileTheRequestWaits() {
    // The service answers only when released; meanwhile the event loop must
    // keep running (a timer fires) with the list already emptied.
    fx_->servePage("", "http://late.test/1.swf");
    fx_->holdAnswers();
    int rowsWhileWaiting = -1;
    QTimer::singleShot(300, [&] {
        rowsWhileWaiting = fx_->w().list->rowCount();
        fx_->server().release();
    });
    QTest::mouseClick(fx_->w().searchButton, Qt::LeftButton);
    QCOMPARE(rowsWhileWaiting, 0);
    QCOMPARE(fx_->column(1), QStringList({"http://late.test/1.swf"}));
}

void WindowTest::closingDuringASearchAbandonsIt() {
    fx_->servePage("", "http://late.test/1.swf");
    fx_->holdAnswers();
    QTimer::singleShot(200, [this] { fx_->w().window->close(); });
    QTest::mouseClick(fx_->w().searchButton, Qt::LeftButton); // returns once abandoned
    QVERIFY(!fx_->w().window->isVisible());
    QCOMPARE(fx_->w().list->rowCount(), 0);
    fx_->server().release();
}

void WindowTest::browserViewTakesNoInput() {
    // A page that reports every click and key in its title.
    fx_->serve("/input.html",
               "<html><head><title>untouched</title></head>"
               "<body style='margin:0' onmousedown=\"document.title='clicked'\""
               " onkeydown=\"document.title='typed'\">"
               "<textarea style='width:100vw;height:100vh'></textarea></body></html>");
    platform::BrowserView* browser = fx_->w().browser;
    browser->setAddress("http://127.0.0.1:" + std::to_string(fx_->server().port()) + "/input.html");
    QWebEngineView* view = testsupport::webView(browser);
    QTRY_COMPARE_WITH_TIMEOUT(view->title(), QStringLiteral("untouched"), 15000);

    QWidget* target = view->focusProxy() ? view->focusProxy() : view;
    QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
    QTest::keyClicks(target, "abc");
    QTest::qWait(300);
    QCOMPARE(view->title(), QStringLiteral("untouched"));
    QVERIFY(!view->hasFocus() && !target->hasFocus());
}

void WindowTest::programEndsWhenTheWindowCloses() {
    fx_.reset(); // the program opens its own window here
    testsupport::LocalServer server;
    server.onAnyGet([&](const httplib::Request& req, httplib::Response& res) {
        server.record(req);
        res.set_content("http://end.test/1.swf", "text/html");
    });
    const testsupport::ProxyThrough proxy(server);
    PageText = "left from before";
    int rowsSeen = -1;
    QTimer::singleShot(0, [&] {
        QWidget* window = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == QStringLiteral("主窗口")) window = top;
        QVERIFY(window && QTest::qWaitForWindowExposed(window));
        auto* box = window->findChild<platform::NumberBox*>(QStringLiteral("编辑框1"));
        QTest::keyClicks(box, "424242");
        QTest::keyClick(box, Qt::Key_Return);
        rowsSeen = window->findChild<platform::ReportList*>()->rowCount();
        window->close();
    });
    ui::startProgram(); // returns once the window is closed
    QCOMPARE(rowsSeen, 1);
    QCOMPARE(server.targets().size(), std::size_t{1});
    QVERIFY(PageText.empty()); // released at the end
    for (QWidget* top : QApplication::topLevelWidgets())
        QVERIFY(top->objectName() != QStringLiteral("主窗口")); // and the window is gone
}

void WindowTest::aWrongBindingRowStopsTheProgram() {
    // A row naming a control the window lacks, and one naming an event its
    // control lacks: either stops the program at start, naming the row, in every
    // build (the tests run the optimised one). Tried in a child process.
    const ui::Binding noControl[] = {{"按钮2", ui::Event::Clicked, ui::runSearch}};
    const ui::Binding noEvent[] = {{"标签1", ui::Event::DoubleClick, ui::previewSelected}};
    const std::pair<std::span<const ui::Binding>, QString> cases[] = {
        {noControl, QStringLiteral("按钮2")}, {noEvent, QStringLiteral("标签1")}};
    for (const auto& [table, name] : cases) {
        int out[2];
        QVERIFY(::pipe(out) == 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::dup2(out[1], STDERR_FILENO);
            ::close(out[0]);
            ui::bindEvents(fx_->w(), table);
            ::_exit(0); // went on as if nothing were wrong
        }
        ::close(out[1]);
        QByteArray said;
        char buffer[512];
        for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
            said.append(buffer, n);
        ::close(out[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        QVERIFY2(!(WIFEXITED(status) && WEXITSTATUS(status) == 0), qPrintable(name));
        QVERIFY2(QString::fromUtf8(said).contains(name), said.constData());
    }
    // The real table binds without a word.
    QVERIFY(fx_->w().searchButton->isEnabled());
}

int main(int argc, char** argv) {
    return testsupport::runWindowTests<WindowTest>(argc, argv);
}

#include "window_test.moc"
