#pragma once

// The forms runtime as the program's logic sees it: windows, controls found by name, menu items,
// outer sizes in twips, the clock, process end and the run-time error. Nothing here knows about
// Qt, so app/ and messages/ can be driven by recording fakes in tests.

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace forms {

// A run-time error ends the program through the runtime's one report; no handler of the program
// catches it.
class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int number, const std::string& description)
        : std::runtime_error(description)
        , number_(number) {}
    int number() const noexcept { return number_; }

private:
    int number_;
};

enum ErrorNumber : int {
    Overflow = 6,
    ObjectNotSet = 91,
    ControlNotFound = 730,
};

[[noreturn]] void raiseOverflow();
[[noreturn]] void raiseControlNotFound(std::string_view name);
[[noreturn]] void raiseObjectNotSet();

// A control whose default property is its caption (the labels).
class Control {
public:
    virtual ~Control() = default;
    virtual void setCaption(std::string_view utf8) = 0;
};

// A window's collection of controls, handed out on request and released by dropping the pointer.
class Controls {
public:
    virtual ~Controls() = default;
    // Raises ControlNotFound when no control has that name.
    virtual Control& item(std::string_view name) = 0;
};

// What the message module needs of a window: nothing but its controls.
class Form {
public:
    virtual ~Form() = default;
    virtual std::shared_ptr<Controls> controls() = 0;
};

class MenuItem {
public:
    virtual ~MenuItem() = default;
    // Set only: the program never reads an enabled state back.
    virtual void setEnabled(bool enabled) = 0;
};

enum class WindowState : int { Normal = 0, Minimized = 1, Maximized = 2 };

constexpr float twipsPerPixel = 15.0f;

// A top-level window's state and outer size (frame included), in twips. Setting a size raises the
// window's resize event inside the call whenever the size really changes.
class Window {
public:
    virtual ~Window() = default;
    virtual WindowState windowState() const = 0;
    virtual float height() const = 0;
    virtual float width() const = 0;
    virtual void setHeight(float twips) = 0;
    virtual void setWidth(float twips) = 0;
};

// A window shown modally: the call returns once the user has closed it.
class ModalWindow {
public:
    virtual ~ModalWindow() = default;
    virtual void show(int modal) = 0;
};

// The program-wide main window, made on first use by the factory the runtime installs.
std::shared_ptr<Form> mainForm();
void setMainFormFactory(std::function<std::shared_ptr<Form>()> factory);

// Ends the program at once: no further handler of the program runs.
void end();
void setEndHandler(std::function<void()> handler);

} // namespace forms
