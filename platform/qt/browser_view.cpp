#include "platform/qt/browser_view.h"

#include "platform/http/http_get.h"
#include "platform/qt/engine_view.h"
#include "platform/qt/player_server.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QQuickWidget>
#include <QVBoxLayout>
#include <unistd.h>

namespace platform {
namespace {

// The Qt WebEngine plug-in, found beside the program: <prefix>/lib/swfscout/plugins.
CreateEngineView loadEngine() {
    QLibrary plugin(QCoreApplication::applicationDirPath() +
                    QStringLiteral("/../lib/swfscout/plugins/libswfscout_webengine.so"));
    plugin.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    return reinterpret_cast<CreateEngineView>(plugin.resolve(kCreateEngineView));
}

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

BrowserView::~BrowserView() = default;

void BrowserView::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    // The window's first frame is being drawn: start the engine once it is on screen.
    if (engine_ == nullptr && !engineQueued_) {
        engineQueued_ = true;
        QMetaObject::invokeMethod(this, &BrowserView::startEngine, Qt::QueuedConnection);
    }
}

void BrowserView::startEngine() {
    if (engine_ != nullptr || engineFailed_) return;
    const CreateEngineView create = loadEngine();
    if (create == nullptr) { // nothing to show modules with: the view stays blank
        engineFailed_ = true;
        return;
    }
    engine_.reset(
        create(this, [this](bool ok) { playerReady_ = ok && isPlayerPage(engine_->url()); }));
    layout()->addWidget(engine_->widget());

    player_ = std::make_unique<PlayerServer>(shippedRuffleDir());
    showBlank(); // the player page, blank: Ruffle gets ready while the user searches
}

QWidget* BrowserView::engineView() const {
    return engine_ ? engine_->widget() : nullptr;
}

bool BrowserView::isPlayerPage(const QUrl& url) const {
    return player_->running() &&
           url.toString(QUrl::RemoveQuery).toStdString() == player_->playerAddress();
}

void BrowserView::showBlank() {
    if (!player_->running()) {
        engine_->load(QUrl(QStringLiteral("about:blank")));
        return;
    }
    player_->stopModule();
    if (playerReady_ && isPlayerPage(engine_->url())) {
        engine_->runScript(QStringLiteral("play('', '', '')"));
    } else {
        playerReady_ = false;
        engine_->load(QUrl(QString::fromStdString(player_->playerAddress())));
    }
}

void BrowserView::setAddress(std::string_view address) {
    startEngine();
    if (engine_ == nullptr) return;
    // Longer than the web engine accepts (and no module address of any use): blank, at once.
    constexpr std::size_t kMaxAddressBytes = std::size_t{2} << 20;
    if (address.size() > kMaxAddressBytes) {
        showBlank();
        return;
    }
    const std::string wire = wireAddress(address);
    if (wire.size() > kMaxAddressBytes) {
        showBlank();
        return;
    }
    const QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(wire), QUrl::StrictMode);
    if (!url.isValid() || !isWebAddress(url) || url.host().isEmpty()) {
        showBlank();
        return;
    }
    if (!url.path().endsWith(QLatin1String(".swf"), Qt::CaseInsensitive) || !player_->running()) {
        if (player_->running()) player_->stopModule();
        playerReady_ = false;
        engine_->load(url);
        return;
    }
    const PlayerServer::Movie movie = player_->playModule(url.toEncoded().toStdString());
    if (playerReady_ && isPlayerPage(engine_->url())) {
        // The player is loaded and warm: only the movie changes. Each argument
        // holds only letters, digits and - _ . ~ / %, so it stands safely in quotes.
        engine_->runScript(QStringLiteral("play('%1', decodeURIComponent('%2'), '%3')")
                               .arg(QString::fromStdString(movie.path),
                                    QString::fromStdString(movie.base),
                                    QString::fromStdString(movie.routes)));
    } else {
        playerReady_ = false;
        engine_->load(QUrl::fromEncoded(QByteArray::fromStdString(player_->playerAddress(movie))));
    }
}

void prepareWebEngine() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // Pages in the view speak the window's language, whatever the system's, and
    // Chromium prints only fatal errors. The user's own flags come after ours, so
    // theirs win.
    QByteArray flags = "--lang=zh-CN --log-level=3";
    const QByteArray own = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!own.isEmpty()) flags += ' ' + own;
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
}

} // namespace platform
