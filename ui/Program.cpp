#include "ui/Program.h"

#include "app/Brelunda.h"
#include "app/FixedSize.h"
#include "platform/qt/Runtime.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <memory>

namespace ui {

int runProgram(const char* programPath) {
    // Qt would read options such as -style or -reverse from the command line; the program has none.
    int argc = 1;
    char* argv[] = {const_cast<char*>(programPath), nullptr};
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brelunda"));
    forms::qt::installEndHandler();

    std::unique_ptr<MainWindow> main;
    forms::setMainFormFactory([&main] {
        main = std::make_unique<MainWindow>();
        return std::make_shared<forms::qt::FormHandle>(&main->window);
    });

    forms::qt::dispatch([&main] {
        setUpApplication();
        forms::mainForm();
        main->handlers.Form_Load();
        main->window.placeCentred(app::brelundaSize.height, app::brelundaSize.width);
        main->window.show();
    });
    const int status = forms::qt::ended() ? forms::qt::endStatus() : QApplication::exec();
    // The windows go while the application object still exists; handles kept elsewhere then
    // find them gone instead of dangling.
    app::Sobre.reset();
    main.reset();
    return status;
}

} // namespace ui
