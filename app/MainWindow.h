#pragma once

#include "app/Brelunda.h"
#include "platform/toolkit.h"

#include <memory>

namespace app {

// The main window and its handlers, made together as the program's one main-window instance.
struct MainWindow {
    explicit MainWindow(forms::Toolkit& toolkit);

    std::unique_ptr<forms::FormWindow> window;
    Brelunda handlers;
};

// The program from start to end: the main window made as the program's one instance, loaded,
// placed and shown; then the event loop until the program ends.
class Program {
public:
    explicit Program(forms::Toolkit& toolkit);
    ~Program();

    // Null when the start ended the program (a run-time error).
    MainWindow* mainWindow() const { return main_.get(); }
    // Returns the process's exit status.
    int run();

private:
    forms::Toolkit& toolkit_;
    std::unique_ptr<MainWindow> main_;
};

// The command line is not looked at.
int runProgram(forms::Toolkit& toolkit);

} // namespace app
