#include "ui/MainWindow.h"

#include "app/FixedSize.h"
#include "platform/qt/ModalForm.h"
#include "platform/qt/Runtime.h"
#include "ui/forms.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

namespace ui {

MainWindow::MainWindow()
    : window(brelundaForm())
    , handlers(window.outer(),
               {window.menuItem("mnuAnterior"), window.menuItem("mnuProximo"), window.menuItem("mnuHoje")},
               makeSobre) {
    window.onResize([this] { handlers.Form_Resize(); });
    window.onClick("mnuSair", [this] { handlers.mnuSair_Click(); });
    window.onClick("mnuAnterior", [this] { handlers.mnuAnterior_Click(); });
    window.onClick("mnuProximo", [this] { handlers.mnuProximo_Click(); });
    window.onClick("mnuHoje", [this] { handlers.mnuHoje_Click(); });
    window.onClick("mnuSobre", [this] { handlers.mnuSobre_Click(); });
}

std::unique_ptr<forms::ModalWindow> MainWindow::makeSobre() {
    return std::make_unique<forms::qt::ModalForm>(
        sobreForm(), app::sobreSize.height, app::sobreSize.width, [](forms::qt::FormWindow& window) {
            window.onResize([&window] { app::holdOuterSize(window.outer(), app::sobreSize); });
        });
}

void setUpApplication() {
    // One style and palette everywhere, so the menu bar and the About window's pale background
    // do not depend on the desktop the program happens to run in.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(QApplication::style()->standardPalette());
    forms::qt::loadEmbeddedFonts();
}

} // namespace ui
