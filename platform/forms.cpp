#include "platform/forms.h"

#include <utility>

namespace forms {

namespace {
std::function<std::shared_ptr<Form>()>& mainFormFactory() {
    static std::function<std::shared_ptr<Form>()> factory;
    return factory;
}

std::shared_ptr<Form>& mainFormInstance() {
    static std::shared_ptr<Form> form;
    return form;
}

std::function<void()>& endHandler() {
    static std::function<void()> handler;
    return handler;
}
} // namespace

void raiseOverflow() {
    throw RuntimeError(Overflow, "Overflow");
}

void raiseControlNotFound(std::string_view name) {
    throw RuntimeError(ControlNotFound, "Control '" + std::string(name) + "' not found");
}

void raiseObjectNotSet() {
    throw RuntimeError(ObjectNotSet, "Object variable not set");
}

std::shared_ptr<Form> mainForm() {
    auto& form = mainFormInstance();
    if (!form) {
        if (!mainFormFactory())
            raiseObjectNotSet();
        form = mainFormFactory()();
    }
    return form;
}

void setMainFormFactory(std::function<std::shared_ptr<Form>()> factory) {
    mainFormFactory() = std::move(factory);
    mainFormInstance().reset();
}

void end() {
    if (endHandler())
        endHandler()();
}

void setEndHandler(std::function<void()> handler) {
    endHandler() = std::move(handler);
}

} // namespace forms
