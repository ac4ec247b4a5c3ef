#include "platform/browser_view.h"

#include "platform/http_get.h"
#include "platform/player_server.h"

#include <QCoreApplication>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <unistd.h>

namespace platform {
namespace {

bool isWebScheme(const QUrl& url) {
    const QString scheme = url.scheme();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

// A page that goes nowhere but the web: no local files, no other schemes, no pop-ups.
class GuardedPage : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
        return isWebScheme(url) || url == QUrl(QStringLiteral("about:blank"));
    }
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }
};

} // namespace

BrowserView::BrowserView(QWidget* parent)
    : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette blank = palette();
    blank.setColor(QPalette::Window, Qt::white);
    setPalette(blank);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

BrowserView::~BrowserView() {
    delete view_; // the page must go before its profile
    view_ = nullptr;
}

void BrowserView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (view_ == nullptr)
        QMetaObject::invokeMethod(this, &BrowserView::startEngine, Qt::QueuedConnection);
}

void BrowserView::startEngine() {
    if (view_ != nullptr) return;
    profile_ = new QWebEngineProfile(this); // no storage name: off the record
    QWebEngineSettings* settings = profile_->settings();
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    settings->setAttribute(QWebEngineSettings::ShowScrollBars, false);

    view_ = new QWebEngineView(this);
    view_->setPage(new GuardedPage(profile_, view_));
    view_->setContextMenuPolicy(Qt::NoContextMenu);
    layout()->addWidget(view_);
    view_->setUrl(QUrl(QStringLiteral("about:blank")));

    player_ = std::make_unique<PlayerServer>(shippedRuffleDir());
}

void BrowserView::setAddress(const search::Text& address) {
    startEngine();
    const std::string wire = wireAddress(address);
    const QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(wire), QUrl::StrictMode);
    if (!url.isValid() || !isWebScheme(url) || url.host().isEmpty()) {
        view_->setUrl(QUrl(QStringLiteral("about:blank")));
        return;
    }
    if (url.path().endsWith(QLatin1String(".swf"), Qt::CaseInsensitive) && player_->running()) {
        view_->setUrl(QUrl::fromEncoded(
            QByteArray::fromStdString(player_->playerAddress(url.toEncoded().toStdString()))));
        return;
    }
    view_->setUrl(url);
}

void prepareWebEngine() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

} // namespace platform
