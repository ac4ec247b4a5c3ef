#pragma once

#include "search/text.h"

/// The page of the most recent search; the program's one program-wide variable.
extern search::Text PageText;

namespace ui {

/// Sets up the program's state, shows the main window and runs the event loop
/// until the window is closed; endProgram() runs on the way out.
void startProgram();

/// Releases the program's state. Runs once, when the program ends.
void endProgram();

} // namespace ui
