#include "app/MainWindow.h"

#include "app/FixedSize.h"
#include "ui/forms.h"

namespace app {

namespace {
std::unique_ptr<forms::ModalWindow> makeSobre(forms::Toolkit& toolkit) {
    return std::make_unique<forms::ModalForm>(
        toolkit, ui::sobreForm(), sobreSize, [](forms::FormWindow& window) {
            window.onResize([&window] { holdOuterSize(window.outer(), sobreSize); });
        });
}
} // namespace

MainWindow::MainWindow(forms::Toolkit& toolkit)
    : window(toolkit.makeWindow(ui::brelundaForm()))
    , handlers(window->outer(),
               {window->menuItem("mnuAnterior"), window->menuItem("mnuProximo"), window->menuItem("mnuHoje")},
               [&toolkit] { return makeSobre(toolkit); }) {
    window->onResize([this] { handlers.Form_Resize(); });
    window->onClick("mnuSair", [this] { handlers.mnuSair_Click(); });
    window->onClick("mnuAnterior", [this] { handlers.mnuAnterior_Click(); });
    window->onClick("mnuProximo", [this] { handlers.mnuProximo_Click(); });
    window->onClick("mnuHoje", [this] { handlers.mnuHoje_Click(); });
    window->onClick("mnuSobre", [this] { handlers.mnuSobre_Click(); });
}

Program::Program(forms::Toolkit& toolkit)
    : toolkit_(toolkit) {
    forms::setMainFormFactory([this] {
        main_ = std::make_unique<MainWindow>(toolkit_);
        return main_->window->handle();
    });
    forms::dispatch([this] {
        forms::mainForm();
        main_->handlers.Form_Load();
        main_->window->placeCentred(brelundaSize);
        main_->window->show();
    });
}

Program::~Program() {
    // The windows go while the toolkit still exists; handles kept elsewhere then find them gone
    // instead of dangling.
    Sobre.reset();
    main_.reset();
}

int Program::run() {
    return forms::ended() ? forms::endStatus() : toolkit_.run();
}

int runProgram(forms::Toolkit& toolkit) {
    Program program(toolkit);
    return program.run();
}

} // namespace app
