#include "app/MainWindow.h"

// The command line is ignored: the program has no options, and no toolkit gets to read its own.
int main() {
    const std::unique_ptr<forms::Toolkit> toolkit = forms::makeToolkit();
    return app::runProgram(*toolkit);
}
