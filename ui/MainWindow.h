#pragma once

#include "app/Brelunda.h"
#include "platform/qt/FormWindow.h"

#include <memory>

namespace ui {

// The main window and its handlers, made together as the program's one main-window instance.
struct MainWindow {
    MainWindow();

    static std::unique_ptr<forms::ModalWindow> makeSobre();

    forms::qt::FormWindow window;
    app::Brelunda handlers;
};

// Sets the style, palette and fonts every window of the program is drawn with.
void setUpApplication();

} // namespace ui
