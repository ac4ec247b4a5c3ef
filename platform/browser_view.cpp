#include "platform/browser_view.h"

#include "platform/http_get.h"
#include "platform/player_server.h"

#include <QCoreApplication>
#include <QQuickWidget>
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
    // The web view draws through a texture, which needs a window made for that.
    // An empty texture-drawn child from the start makes the window that way when
    // it is first shown, instead of destroying and remaking it (a flash and a lost
    // focus) when the web view arrives.
    auto* placeholder = new QQuickWidget(this);
    placeholder->setGeometry(0, 0, 1, 1);
    placeholder->setAttribute(Qt::WA_TransparentForMouseEvents);
    placeholder->lower();
}

BrowserView::~BrowserView() {
    delete view_; // the page must go before its profile
    view_ = nullptr;
}

void BrowserView::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    // The window's first frame is being drawn: start the engine once it is on screen.
    if (view_ == nullptr && !engineQueued_) {
        engineQueued_ = true;
        QMetaObject::invokeMethod(this, &BrowserView::startEngine, Qt::QueuedConnection);
    }
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
    connect(view_, &QWebEngineView::loadFinished, this,
            [this](bool ok) { playerReady_ = ok && isPlayerPage(view_->url()); });

    player_ = std::make_unique<PlayerServer>(shippedRuffleDir());
    showBlank(); // the player page, blank: Ruffle gets ready while the user searches
}

bool BrowserView::isPlayerPage(const QUrl& url) const {
    return player_->running() &&
           url.toString(QUrl::RemoveQuery).toStdString() == player_->playerAddress();
}

void BrowserView::showBlank() {
    if (!player_->running()) {
        view_->setUrl(QUrl(QStringLiteral("about:blank")));
    } else if (playerReady_ && isPlayerPage(view_->url())) {
        view_->page()->runJavaScript(QStringLiteral("play('')"));
    } else {
        playerReady_ = false;
        view_->setUrl(QUrl(QString::fromStdString(player_->playerAddress())));
    }
}

void BrowserView::setAddress(const search::Text& address) {
    startEngine();
    const std::string wire = wireAddress(address);
    const QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(wire), QUrl::StrictMode);
    if (!url.isValid() || !isWebScheme(url) || url.host().isEmpty()) {
        showBlank();
        return;
    }
    if (!url.path().endsWith(QLatin1String(".swf"), Qt::CaseInsensitive) || !player_->running()) {
        playerReady_ = false;
        view_->setUrl(url);
        return;
    }
    const std::string module = url.toEncoded().toStdString();
    if (playerReady_ && isPlayerPage(view_->url())) {
        // The player is loaded and warm: only the movie changes. The path holds
        // only letters, digits and - _ . ~ / %, so it stands safely in quotes.
        view_->page()->runJavaScript(QStringLiteral("play(decodeURIComponent('%1'))")
                                         .arg(QString::fromStdString(player_->modulePath(module))));
    } else {
        playerReady_ = false;
        view_->setUrl(QUrl::fromEncoded(QByteArray::fromStdString(player_->playerAddress(module))));
    }
}

void prepareWebEngine() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

} // namespace platform
