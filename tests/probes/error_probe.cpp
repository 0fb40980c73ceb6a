// Fails the way the program could, through the real toolkit, for the test that the run-time error
// report shows its box, says the same on standard error and ends the process with status 1.
//   error_probe picture|icon|font|overflow

#include "app/MainWindow.h"
#include "messages/FuncBrelunda.h"
#include "ui/forms.h"

#include <array>
#include <string_view>

int main(int argc, char** argv) {
    const std::string_view fault = argc > 1 ? argv[1] : "";
    const std::unique_ptr<forms::Toolkit> toolkit = forms::makeToolkit();
    if (fault == "overflow") {
        app::Program program(*toolkit);
        forms::dispatch([&] {
            FuncBrelunda::CurrentDay = 32767;
            program.mainWindow()->handlers.mnuProximo_Click();
        });
        return program.run();
    }
    // The main window's description with one asset missing or a face that is not ours.
    forms::FormDescription broken = ui::brelundaForm();
    std::array labels{broken.labels.front()};
    if (fault == "picture")
        broken.picture = "missing";
    else if (fault == "icon")
        broken.icon = "missing";
    else if (fault == "font") {
        labels.front().font.face = "Courier New";
        broken.labels = labels;
    }
    forms::dispatch([&] { toolkit->makeWindow(broken)->show(); });
    return toolkit->run();
}
