#pragma once

// The handlers: plain procedures, each bound to one control event by the
// table in main_window.cpp.

#include <Qt>

namespace ui {

struct MainWindow;

/// What an event carries. Each handler reads only what its event has.
struct EventArgs {
    int keyCode = 0; ///< key pressed: 13 for Enter
    Qt::KeyboardModifiers modifiers;
    int x = 0; ///< mouse events: position in the control
    int y = 0;
};

using Handler = void (*)(MainWindow&, const EventArgs&);

void onWindowCreated(MainWindow& w, const EventArgs& e);
void runSearch(MainWindow& w, const EventArgs& e);
void onNumberKey(MainWindow& w, const EventArgs& e);
void clearNumberBox(MainWindow& w, const EventArgs& e);
void previewSelected(MainWindow& w, const EventArgs& e);
void copySelected(MainWindow& w, const EventArgs& e);
void showRowMenu(MainWindow& w, const EventArgs& e);

} // namespace ui
