#pragma once

#include "platform/description.h"
#include "platform/forms.h"

#include <functional>

namespace forms::qt {

class FormWindow;

// A window object that is built afresh from its description every time it is shown, because
// closing a window destroys it; nothing of one showing is remembered by the next.
class ModalForm : public forms::ModalWindow {
public:
    using Wiring = std::function<void(FormWindow&)>;

    ModalForm(const FormDescription& description, float outerHeightTwips, float outerWidthTwips, Wiring wire);

    // Only modal display (1) is offered; the call returns once the user has closed the window.
    void show(int modal) override;

private:
    const FormDescription& description_;
    float outerHeight_;
    float outerWidth_;
    Wiring wire_;
};

} // namespace forms::qt
