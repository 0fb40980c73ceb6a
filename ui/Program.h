#pragma once

namespace ui {

// Builds the main window, runs its load handler, shows it and runs the event loop; returns the
// process's exit status. The command line is not looked at.
int runProgram(const char* programPath);

} // namespace ui
