#pragma once

#include "search/text.h"

#include <QWidget>
#include <memory>

QT_BEGIN_NAMESPACE
class QUrl;
class QWebEngineProfile;
class QWebEngineView;
QT_END_NAMESPACE

namespace platform {

class PlayerServer;

/// An embedded web view that plays Flash modules through Ruffle.
///
/// It shows a blank page until its first address. The web engine starts right
/// after the window's first frame, so the window appears as fast as one without
/// it. Nothing is kept between runs: the engine's profile is off the record.
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
    void setAddress(const search::Text& address);

    /// \returns the engine's view, once the engine has started.
    [[nodiscard]] QWebEngineView* engineView() const { return view_; }

    /// Starts the web engine now, if it has not started yet.
    void startEngine();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void showBlank();
    [[nodiscard]] bool isPlayerPage(const QUrl& url) const;

    QWebEngineProfile* profile_ = nullptr;
    QWebEngineView* view_ = nullptr;
    bool engineQueued_ = false;
    bool playerReady_ = false; ///< the player page has loaded and is shown
    std::unique_ptr<PlayerServer> player_;
};

/// Prepares the process for the web engine; call before the QApplication exists.
/// Running as root, Chromium refuses its sandbox, so it is turned off there only.
void prepareWebEngine();

} // namespace platform
