// Fails the way the program could, through the real runtime: for the test that the run-time error
// report shows its box, says the same on standard error and ends the process.
//   error_probe picture|icon|control|overflow

#include "app/CheckedInt16.h"
#include "messages/FuncBrelunda.h"
#include "platform/qt/FormWindow.h"
#include "platform/qt/Runtime.h"
#include "ui/MainWindow.h"
#include "ui/forms.h"

#include <QApplication>
#include <cstring>
#include <memory>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    forms::qt::installEndHandler();
    const char* fault = argc > 1 ? argv[1] : "";

    // The main window's description with its picture missing from the resources.
    forms::FormDescription broken = ui::brelundaForm();
    broken.picture = ":/ui/assets/missing.jpg";
    forms::FormDescription iconless = ui::brelundaForm();
    iconless.icon = ":/ui/assets/missing.ico";

    std::unique_ptr<ui::MainWindow> main;
    forms::qt::dispatch([&] {
        ui::setUpApplication();
        if (!std::strcmp(fault, "picture")) {
            forms::qt::FormWindow window(broken);
            window.show();
        } else if (!std::strcmp(fault, "icon")) {
            forms::qt::FormWindow window(iconless);
            window.show();
        } else if (!std::strcmp(fault, "control")) {
            // A collection that has no L3 in it.
            forms::setMainFormFactory([] {
                struct Partial : forms::Form, forms::Controls, forms::Control {
                    std::shared_ptr<forms::Controls> controls() override {
                        return std::shared_ptr<forms::Controls>(std::shared_ptr<void>(), this);
                    }
                    forms::Control& item(std::string_view name) override {
                        if (name == "L3")
                            forms::raiseControlNotFound(name);
                        return *this;
                    }
                    void setCaption(std::string_view) override {}
                };
                return std::make_shared<Partial>();
            });
            FuncBrelunda::ShowDay(3);
        } else if (!std::strcmp(fault, "overflow")) {
            main = std::make_unique<ui::MainWindow>();
            main->window.show();
            FuncBrelunda::CurrentDay = 32767;
            main->handlers.mnuProximo_Click();
        }
    });
    return forms::qt::ended() ? forms::qt::endStatus() : 0;
}
