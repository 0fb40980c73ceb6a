#pragma once

// What the program asks of the toolkit it runs on: windows built from their descriptions, the
// modal display of one, and the event loop. One implementation per toolkit (platform/qt/,
// platform/win32/); the start-up order and the handlers' wiring live in app/, shared by all.

#include "platform/description.h"
#include "platform/forms.h"

#include <functional>
#include <memory>
#include <string_view>

namespace forms {

// A top-level window built from its fixed description: settings, then controls, then the menu
// tree. It raises the resize event when it is first shown, when its state or size changes, and
// inside the call when the program sets its size.
class FormWindow {
public:
    virtual ~FormWindow() = default;

    // Its state and outer size, for the fixed-size rule.
    virtual Window& outer() = 0;
    // Raises ControlNotFound when the menu has no item of that name.
    virtual MenuItem& menuItem(std::string_view name) = 0;
    // The handle the message module keeps for the whole run; it outlives the window.
    virtual std::shared_ptr<Form> handle() = 0;

    virtual void onResize(std::function<void()> handler) = 0;
    virtual void onClick(std::string_view menuItem, std::function<void()> handler) = 0;

    // Before the first show: at that outer size, centred on the screen.
    virtual void placeCentred(OuterSize size) = 0;
    virtual void show() = 0;
    // Shows the window modally: the program's other windows take no input, and the call returns
    // once the user has closed it.
    virtual void showModal() = 0;
};

class Toolkit {
public:
    virtual ~Toolkit() = default;
    virtual std::unique_ptr<FormWindow> makeWindow(const FormDescription& description) = 0;
    // Runs the event loop until the program ends; returns the process's exit status.
    virtual int run() = 0;
};

// The toolkit this build was made for; it lives as long as the program runs.
std::unique_ptr<Toolkit> makeToolkit();

// A window object built afresh from its description every time it is shown, because closing a
// window destroys it: nothing of one showing is remembered by the next.
class ModalForm : public ModalWindow {
public:
    using Wiring = std::function<void(FormWindow&)>;

    ModalForm(Toolkit& toolkit, const FormDescription& description, OuterSize size, Wiring wire);

    // Only modal display (1) is offered; the call returns once the user has closed the window.
    void show(int modal) override;

private:
    Toolkit& toolkit_;
    const FormDescription& description_;
    OuterSize size_;
    Wiring wire_;
};

} // namespace forms
