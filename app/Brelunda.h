#pragma once

#include "platform/forms.h"

#include <functional>
#include <memory>

namespace app {

// The three menu items whose enabled states follow the day shown.
struct NavigationItems {
    forms::MenuItem& mnuAnterior;
    forms::MenuItem& mnuProximo;
    forms::MenuItem& mnuHoje;
};

// The About window's program-wide object: made on the first "&Sobre" and kept to the end.
extern std::unique_ptr<forms::ModalWindow> Sobre;

// The main window's event handlers.
class Brelunda {
public:
    using SobreFactory = std::function<std::unique_ptr<forms::ModalWindow>()>;

    Brelunda(forms::Window& window, NavigationItems items, SobreFactory makeSobre);

    void Form_Load();
    void Form_Resize();
    void mnuAnterior_Click();
    void mnuProximo_Click();
    void mnuHoje_Click();
    void mnuSair_Click();
    void mnuSobre_Click();

private:
    void showToday();
    void showCurrentDay();

    forms::Window& window_;
    NavigationItems items_;
    SobreFactory makeSobre_;
};

} // namespace app
