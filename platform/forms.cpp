#include "platform/forms.h"

#include <cmath>
#include <cstdio>
#include <utility>

namespace forms {

namespace {
struct Runtime {
    std::function<std::shared_ptr<Form>()> mainFormFactory;
    std::shared_ptr<Form> mainForm;
    std::function<void()> endHandler;
    ErrorReporter reporter;
    bool ended = false;
    int status = 0;
};

Runtime& runtime() {
    static Runtime state;
    return state;
}

[[noreturn]] void raise(ErrorNumber number, std::string description) {
    throw RuntimeError(number, description);
}
} // namespace

void raiseInvalidProcedureCall() {
    raise(InvalidProcedureCall, "Invalid procedure call or argument");
}

void raiseOverflow() {
    raise(Overflow, "Overflow");
}

void raiseFileNotFound(std::string_view name) {
    raise(FileNotFound, "File not found: " + std::string(name));
}

void raiseObjectNotSet() {
    raise(ObjectNotSet, "Object variable not set");
}

void raiseInvalidPicture(std::string_view name) {
    raise(InvalidPicture, "Invalid picture: " + std::string(name));
}

void raiseControlNotFound(std::string_view name) {
    raise(ControlNotFound, "Control '" + std::string(name) + "' not found");
}

std::string reportText(const RuntimeError& error) {
    return "Run-time error '" + std::to_string(error.number()) + "':\n\n" + error.what();
}

void dispatch(const std::function<void()>& handler) {
    Runtime& state = runtime();
    if (state.ended)
        return;
    try {
        handler();
    } catch (const RuntimeError& error) {
        state.ended = true;
        state.status = 1;
        // The same words on standard error, on one line, for whoever started the program from a
        // terminal or a script.
        std::fprintf(stderr, "Run-time error '%d': %s\n", error.number(), error.what());
        std::fflush(stderr);
        if (state.reporter)
            state.reporter(error);
    }
}

void setErrorReporter(ErrorReporter reporter) {
    runtime().reporter = std::move(reporter);
}

bool ended() {
    return runtime().ended;
}

int endStatus() {
    return runtime().status;
}

void resetEnded() {
    runtime().ended = false;
    runtime().status = 0;
}

void end() {
    Runtime& state = runtime();
    state.ended = true;
    state.status = 0;
    if (state.endHandler)
        state.endHandler();
}

void setEndHandler(std::function<void()> handler) {
    runtime().endHandler = std::move(handler);
}

int pixels(double twips, int dpi) {
    return int(std::lround(twips * dpi / (double(twipsPerPixel) * layoutDpi)));
}

float twips(int pixels, int dpi) {
    return float(double(pixels) * double(twipsPerPixel) * layoutDpi / dpi);
}

int pixelsForPoints(double points, int dpi) {
    return int(std::ceil(points * dpi / 72.0 - 0.5));
}

std::shared_ptr<Form> mainForm() {
    Runtime& state = runtime();
    if (!state.mainForm) {
        if (!state.mainFormFactory)
            raiseObjectNotSet();
        state.mainForm = state.mainFormFactory();
    }
    return state.mainForm;
}

void setMainFormFactory(std::function<std::shared_ptr<Form>()> factory) {
    runtime().mainFormFactory = std::move(factory);
    runtime().mainForm.reset();
}

} // namespace forms
