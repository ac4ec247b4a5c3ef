#pragma once

#include <QWidget>
#include <memory>
#include <string_view>

QT_BEGIN_NAMESPACE
class QUrl;
QT_END_NAMESPACE

namespace platform {

class EngineView;
class PlayerServer;

/// An embedded web view that plays Flash modules through Ruffle.
///
/// It shows a blank page until its first address. The web engine (a plug-in,
/// see engine_view.h) is loaded and started right after the window's first
/// frame, so the window appears without waiting for it. Without the plug-in the
/// view stays blank. Nothing is kept between runs: the engine's profile is off
/// the record.
class BrowserView : public QWidget {
    Q_OBJECT
public:
    explicit BrowserView(QWidget* parent = nullptr);
    ~BrowserView() override;

    /// Navigates to \p address and shows what it yields:
    /// - an http(s) address whose path ends in ".swf" (any case): a player page
    ///   that plays that module;
    /// - any other http(s) address: that address as it is;
    /// - anything else (empty, no scheme, file:, javascript:, data: …): a blank
    ///   page (the player page without a module); nothing is loaded.
    void setAddress(std::string_view address);

    /// \returns the engine's view (a QWebEngineView), once the engine has started.
    [[nodiscard]] QWidget* engineView() const;

    /// Starts the web engine now, if it has not started yet.
    void startEngine();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void showBlank();
    [[nodiscard]] bool isPlayerPage(const QUrl& url) const;

    std::unique_ptr<EngineView> engine_;
    bool engineQueued_ = false;
    bool engineFailed_ = false; ///< the plug-in could not be loaded
    bool playerReady_ = false;  ///< the player page has loaded and is shown
    std::unique_ptr<PlayerServer> player_;
};

/// Prepares the process for the web engine; call before the QApplication exists.
/// Running as root, Chromium refuses its sandbox, so it is turned off there only.
void prepareWebEngine();

} // namespace platform
