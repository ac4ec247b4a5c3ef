#pragma once

// The process set up the way the program runs it. The program, its window
// tests and its benchmarks all start through here.

#include "platform/http/http_get.h"

#include <QApplication>

namespace ui {

/// Holds what must exist while the window lives: libcurl's process-wide state
/// (made before any thread starts), the web engine's switches and the
/// application object. Quiet by default: Qt prints nothing and Chromium only
/// fatal errors, unless QT_LOGGING_RULES or QTWEBENGINE_CHROMIUM_FLAGS say
/// otherwise.
class Startup {
public:
    Startup(int& argc, char** argv);
    Startup(const Startup&) = delete;
    Startup& operator=(const Startup&) = delete;

private:
    struct BeforeApplication {
        BeforeApplication();
    };
    platform::HttpSession http_;
    BeforeApplication before_;
    QApplication app_;
};

} // namespace ui
