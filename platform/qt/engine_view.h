#pragma once

// The part of the web view that needs Qt WebEngine. It is built as a plug-in
// and loaded after the window's first frame: linking Qt WebEngine into the
// program itself would cost the window's first appearance about 0.2 s.

#include <QString>
#include <QUrl>
#include <functional>

QT_BEGIN_NAMESPACE
class QWidget;
QT_END_NAMESPACE

namespace platform {

/// Whether \p url is on the web: http or https, the only schemes the view shows.
inline bool isWebAddress(const QUrl& url) {
    const QString scheme = url.scheme();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

/// A web view that goes nowhere but the web: http(s) and about:blank only, no
/// pop-ups, no local files, no context menu; off the record; sound plays
/// without a click.
class EngineView {
public:
    virtual ~EngineView() = default;
    /// \returns the view's widget, a child of the parent it was created with.
    [[nodiscard]] virtual QWidget* widget() = 0;
    virtual void load(const QUrl& url) = 0;
    [[nodiscard]] virtual QUrl url() const = 0;
    virtual void runScript(const QString& script) = 0;
};

/// Signature of the plug-in's one entry point, named kCreateEngineView.
/// \p loadFinished is called after each page load with whether it succeeded.
using CreateEngineView = EngineView* (*)(QWidget* parent,
                                         const std::function<void(bool)>& loadFinished);
inline constexpr char kCreateEngineView[] = "swfscoutCreateEngineView";

} // namespace platform
