#pragma once

// Prints the monotonic clock, in nanoseconds, once a window has been exposed
// and painted for the first time, then ends the process.

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <ctime>

namespace bench {

/// Watches every window of the application: install it before the first window
/// is shown.
class FirstFrame : public QObject {
public:
    FirstFrame() { QCoreApplication::instance()->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* window = qobject_cast<QWindow*>(watched);
        if (event->type() == QEvent::Expose && window != nullptr && window->isExposed()) {
            // After this event the window paints; the timer fires once that is done.
            QTimer::singleShot(0, [] {
                timespec now{};
                clock_gettime(CLOCK_MONOTONIC, &now);
                std::printf("%lld\n",
                            static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec);
                std::fflush(stdout);
                std::_Exit(0);
            });
        }
        return false;
    }
};

} // namespace bench
