#include "ui/startup.h"

#include "platform/qt/browser_view.h"

#include <QLoggingCategory>

namespace ui {

Startup::BeforeApplication::BeforeApplication() {
    // Rules given here yield to the user's own QT_LOGGING_RULES.
    QLoggingCategory::setFilterRules(
        QStringLiteral("*.debug=false\n*.info=false\n*.warning=false"));
    platform::prepareWebEngine();
}

Startup::Startup(int& argc, char** argv)
    : app_(argc, argv) {
    QApplication::setApplicationDisplayName(QStringLiteral("SWF Scout"));
}

} // namespace ui
