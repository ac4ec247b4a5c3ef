#include "platform/qt/engine_view.h"

#include <QLoggingCategory>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace platform {
namespace {

// What pages write to their console: off unless QT_LOGGING_RULES turns it on.
Q_LOGGING_CATEGORY(pageConsole, "swfscout.page", QtCriticalMsg)

// A page that goes nowhere but the web: no local files, no other schemes, no pop-ups.
class GuardedPage : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
        return isWebAddress(url) || url == QUrl(QStringLiteral("about:blank"));
    }
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }
    // A page can write megabytes in one message: one short line each, at most.
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int,
                                  const QString&) override {
        if (!pageConsole().isDebugEnabled()) return;
        QString line = message.left(200);
        line.replace(QLatin1Char('\n'), QLatin1Char(' '))
            .replace(QLatin1Char('\r'), QLatin1Char(' '));
        qCDebug(pageConsole).noquote() << line;
    }
};

class WebEngineView final : public EngineView {
public:
    WebEngineView(QWidget* parent, const std::function<void(bool)>& loadFinished)
        : profile_(new QWebEngineProfile) // no storage name: off the record
    {
        // The window speaks Chinese; so do the pages in it (navigator.language
        // comes from the engine's --lang switch, set at start).
        profile_->setHttpAcceptLanguage(QStringLiteral("zh-CN,zh;q=0.9"));
        QWebEngineSettings* settings = profile_->settings();
        settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
        settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
        settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
        settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
        settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
        settings->setAttribute(QWebEngineSettings::ShowScrollBars, false);

        view_ = new QWebEngineView(parent);
        view_->setPage(new GuardedPage(profile_, view_));
        view_->setContextMenuPolicy(Qt::NoContextMenu);
        QObject::connect(view_, &QWebEngineView::loadFinished, view_, loadFinished);
    }
    ~WebEngineView() override {
        delete view_; // the page must go before its profile
        delete profile_;
    }
    WebEngineView(const WebEngineView&) = delete;
    WebEngineView& operator=(const WebEngineView&) = delete;

    QWidget* widget() override { return view_; }
    void load(const QUrl& url) override { view_->setUrl(url); }
    QUrl url() const override { return view_->url(); }
    void runScript(const QString& script) override { view_->page()->runJavaScript(script); }

private:
    QWebEngineProfile* profile_;
    QWebEngineView* view_ = nullptr;
};

} // namespace
} // namespace platform

extern "C" Q_DECL_EXPORT platform::EngineView*
swfscoutCreateEngineView(QWidget* parent, const std::function<void(bool)>& loadFinished) {
    return new platform::WebEngineView(parent, loadFinished);
}
