#include "platform/qt/ModalForm.h"

#include "platform/qt/FormWindow.h"

#include <QEventLoop>
#include <utility>

namespace forms::qt {

ModalForm::ModalForm(const FormDescription& description, float outerHeightTwips, float outerWidthTwips,
                     Wiring wire)
    : description_(description)
    , outerHeight_(outerHeightTwips)
    , outerWidth_(outerWidthTwips)
    , wire_(std::move(wire)) {}

void ModalForm::show(int modal) {
    if (modal != 1)
        throw RuntimeError(5, "Invalid procedure call or argument");
    FormWindow window(description_);
    if (wire_)
        wire_(window);
    window.placeCentred(outerHeight_, outerWidth_);
    window.setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    QObject::connect(&window, &FormWindow::closed, &loop, &QEventLoop::quit);
    window.show();
    loop.exec(QEventLoop::DialogExec);
}

} // namespace forms::qt
