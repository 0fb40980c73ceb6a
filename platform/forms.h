#pragma once

// The forms runtime as the program's logic sees it: windows, controls found by name, menu items,
// outer sizes in twips, the clock, process end and the run-time error. Nothing here knows about a
// toolkit, so app/ and messages/ can be driven by recording fakes in tests, and every toolkit the
// program runs on shares the same rules.

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
    InvalidProcedureCall = 5,
    Overflow = 6,
    FileNotFound = 53,
    ObjectNotSet = 91,
    InvalidPicture = 481,
    ControlNotFound = 730,
};

[[noreturn]] void raiseInvalidProcedureCall();
[[noreturn]] void raiseOverflow();
[[noreturn]] void raiseFileNotFound(std::string_view name);
[[noreturn]] void raiseObjectNotSet();
[[noreturn]] void raiseInvalidPicture(std::string_view name);
[[noreturn]] void raiseControlNotFound(std::string_view name);

// What the report says, the same on every toolkit: "Run-time error '6':\n\nOverflow".
std::string reportText(const RuntimeError& error);

// Runs one of the program's handlers. A run-time error that escapes it is written on standard
// error and goes to the one report, and once the program has ended no handler runs again.
void dispatch(const std::function<void()>& handler);

// The toolkit's report shows the text in a box captioned "Brelunda" and ends the process with
// status 1; it does not return. Tests put a recorder in its place.
using ErrorReporter = std::function<void(const RuntimeError&)>;
void setErrorReporter(ErrorReporter reporter);

// Whether end() or a run-time error has ended the program, and the status it ended with.
bool ended();
int endStatus();
// Forgets an earlier end, for tests that run many programs in one process.
void resetEnded();

// Ends the program at once: no further handler of the program runs. The toolkit's handler closes
// the windows and leaves the event loop.
void end();
void setEndHandler(std::function<void()> handler);

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

// Layouts are made at 96 dots per inch, where a pixel is 15 twips and a point 4/3 of a pixel.
// Windows are whole pixels: a size read back is its pixels in twips, which need not be the twips
// that were set (7015 twips is 467 2/3 pixels, and reads back as 7020).
constexpr int layoutDpi = 96;
constexpr float twipsPerPixel = 15.0f;
int pixels(double twips, int dpi = layoutDpi);
float twips(int pixels, int dpi = layoutDpi);
// A character height halfway between two whole pixels takes the smaller: GDI fits each size's
// letters to whole pixels, and the larger's outgrow their label (at 144 dpi a 9.75-point verse
// that fits in two lines at 96 dpi wrapped to four in a label that holds three).
int pixelsForPoints(double points, int dpi = layoutDpi);

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
    // Its texts were written anew, as a whole: once the handler has returned (or once the window
    // is shown), a screen reader is brought to read them out from the top, as it would a window
    // that has just opened.
    virtual void readingChanged() = 0;
};

// An outer size in twips, frame included.
struct OuterSize {
    float height;
    float width;
};

// A window shown modally: the call returns once the user has closed it.
class ModalWindow {
public:
    virtual ~ModalWindow() = default;
    virtual void show(int modal) = 0;
};

// The program-wide main window, made on first use by the factory the program installs.
std::shared_ptr<Form> mainForm();
void setMainFormFactory(std::function<std::shared_ptr<Form>()> factory);

} // namespace forms
