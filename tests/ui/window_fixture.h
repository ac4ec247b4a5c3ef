#pragma once

// A fresh main window per test, with its service played by a loopback server
// that the program reaches through http_proxy, as a user's proxy would be.

#include "platform/qt/browser_view.h"
#include "platform/qt/controls.h"
#include "tests/support/local_server.h"
#include "ui/main_window.h"
#include "ui/startup.h"

#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace testsupport {

class WindowFixture {
public:
    WindowFixture()
        : proxy_(server_) {
        server_.onAnyGet([this](const httplib::Request& req, httplib::Response& res) {
            server_.record(req);
            if (holding_) server_.holdUntilReleased(std::chrono::seconds{60});
            if (handler_) return handler_(req, res);
            const std::lock_guard lock(mutex_);
            for (const auto& [suffix, answer] : answers_) {
                if (req.target.size() >= suffix.size() &&
                    req.target.compare(req.target.size() - suffix.size(), suffix.size(), suffix) ==
                        0) {
                    res.status = answer.status;
                    res.set_content(answer.body, answer.type);
                    return;
                }
            }
            res.status = 404;
        });
        main_ = ui::openMainWindow();
        // Without a window manager (Xvfb) a window takes the input focus only
        // once it is on screen.
        if (QTest::qWaitForWindowExposed(main_->window.get())) {
            main_->window->activateWindow();
            active_ = QTest::qWaitForWindowActive(main_->window.get());
        }
    }

    /// Whether the window came up active, as a window a person works in is.
    [[nodiscard]] bool active() const { return active_; }

    /// Makes the service hold every answer until server().release().
    void holdAnswers() { holding_ = true; }

    /// Answers every request with \p handler instead; set it before searching.
    void answerWith(httplib::Server::Handler handler) { handler_ = std::move(handler); }

    /// Serves \p body for every request whose target ends with \p suffix
    /// (for a search, "uin=<number>" + the fixed keys: see pageFor()).
    void serve(const std::string& suffix, std::string body, int status = 200,
               std::string type = "text/html") {
        const std::lock_guard lock(mutex_);
        answers_[suffix] = {std::move(body), status, std::move(type)};
    }
    /// Serves \p body as the custom window of \p number.
    void servePage(const std::string& number, std::string body, int status = 200) {
        serve("uin=" + number + "&type=html&t=0.7202088427527454&fupdate=1&g_tk=7046",
              std::move(body), status);
    }

    ui::MainWindow& w() { return *main_; }
    LocalServer& server() { return server_; }

    /// The `uin` values of the searches the service has seen, in order.
    QStringList searchedNumbers() const {
        QStringList numbers;
        for (const auto& target : server_.targets()) {
            const auto at = target.find("?uin=");
            if (at == std::string::npos) continue;
            const auto end = target.find('&', at);
            numbers << QString::fromStdString(target.substr(at + 5, end - at - 5));
        }
        return numbers;
    }

    /// Column \p column of every row of the list.
    QStringList column(int column) const {
        QStringList cells;
        for (int row = 0; row < main_->list->rowCount(); ++row)
            cells << QString::fromStdString(main_->list->readCell(row, column));
        return cells;
    }

    QPoint rowCentre(int row) const {
        QCoreApplication::processEvents(); // the view learns of rows appended just now
        return main_->list->rowRect(row).center();
    }

    /// Types \p number into the number box the way a person does: a click into
    /// the box (which empties it when it gains the focus) or, when the box has the
    /// focus already, Ctrl+A to type over what it holds; then the keys.
    void typeNumber(const QString& number) {
        if (main_->numberBox->hasFocus())
            QTest::keyClick(main_->numberBox, Qt::Key_A, Qt::ControlModifier);
        else
            QTest::mouseClick(main_->numberBox, Qt::LeftButton);
        QTest::keyClicks(main_->numberBox, number);
    }

private:
    struct Answer {
        std::string body;
        int status = 200;
        std::string type;
    };
    LocalServer server_;
    ProxyThrough proxy_;
    std::atomic<bool> holding_{false};
    httplib::Server::Handler handler_;
    bool active_ = false;
    std::mutex mutex_;
    std::map<std::string, Answer> answers_;
    std::unique_ptr<ui::MainWindow> main_;
};

/// Calls \p whileOpen with each popup menu or modal box that opens while
/// \p action runs, until \p whileOpen closes it. \returns how many opened.
inline int handleDialogs(const std::function<void()>& action,
                         const std::function<void(QWidget*)>& whileOpen) {
    int opened = 0;
    QWidget* last = nullptr;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* open = QApplication::activePopupWidget();
        if (open == nullptr) open = QApplication::activeModalWidget();
        if (open == nullptr || open == last || !open->isVisible()) return;
        last = open;
        ++opened;
        // Not from this slot: what whileOpen does may open a modal box, whose own
        // event loop must let this timer fire again.
        QTimer::singleShot(0, open, [open, whileOpen] { whileOpen(open); });
    });
    poll.start();
    action();
    QTest::qWait(100); // a box that would open late still counts
    return opened;
}

/// The texts of a menu's visible items.
inline QStringList itemTexts(const QMenu& menu) {
    QStringList texts;
    for (const QAction* a : menu.actions())
        if (a->isVisible() && !a->isSeparator()) texts << a->text();
    return texts;
}

/// Clicks the item \p text of an open \p menu.
inline void clickItem(QMenu& menu, const QString& text) {
    for (QAction* a : menu.actions())
        if (a->text() == text)
            QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(a).center());
}

/// The colour at the centre of a widget as the screen shows it.
inline QColor screenColourAt(QWidget* widget, QPoint at) {
    const QPoint global = widget->mapToGlobal(at);
    const QImage image =
        QApplication::primaryScreen()->grabWindow(0, global.x(), global.y(), 1, 1).toImage();
    return image.isNull() ? QColor() : image.pixelColor(0, 0);
}

/// The browser view's web view, once its engine has started.
inline QWebEngineView* webView(platform::BrowserView* browser) {
    return qobject_cast<QWebEngineView*>(browser->engineView());
}

/// Whether \p browser shows a blank page: about:blank or its player page with no
/// module, white on screen.
inline bool showsBlank(platform::BrowserView* browser) {
    QWebEngineView* view = webView(browser);
    if (view == nullptr) return false;
    const QUrl url = view->url();
    const bool blankPage = url == QUrl(QStringLiteral("about:blank")) ||
                           (url.host() == QLatin1String("127.0.0.1") &&
                            url.path().endsWith(QLatin1String("/play.html")));
    return blankPage && screenColourAt(browser, browser->rect().center()) == QColor(Qt::white);
}

/// The main() of a window test: libcurl and the web engine set up as the program
/// sets them up, then the Qt Test run of \p Test.
template <class Test> int runWindowTests(int argc, char** argv) {
    const ui::Startup startup(argc, argv);
    Test test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace testsupport
