#include "platform/toolkit.h"

#include <utility>

namespace forms {

ModalForm::ModalForm(Toolkit& toolkit, const FormDescription& description, OuterSize size, Wiring wire)
    : toolkit_(toolkit)
    , description_(description)
    , size_(size)
    , wire_(std::move(wire)) {}

void ModalForm::show(int modal) {
    if (modal != 1)
        raiseInvalidProcedureCall();
    const std::unique_ptr<FormWindow> window = toolkit_.makeWindow(description_);
    if (wire_)
        wire_(*window);
    window->placeCentred(size_);
    window->showModal();
}

} // namespace forms
