#pragma once

#include "platform/toolkit.h"

#include <QApplication>
#include <QFont>
#include <QString>
#include <string_view>
#include <thread>

namespace forms::qt {

// The program on Qt Widgets: one application object, one style and palette everywhere, the
// embedded faces registered, and the runtime's end and error report wired to Qt.
class Toolkit : public forms::Toolkit {
public:
    Toolkit();
    ~Toolkit() override;

    std::unique_ptr<forms::FormWindow> makeWindow(const FormDescription& description) override;
    int run() override;

private:
    // Reading the machine's font configuration is a third of a start's instructions; it goes on
    // beside the connection to the display and is waited for before the first face is registered.
    // Declared first, so it starts before the application object.
    std::thread fontConfiguration_;
    QApplication application_;
    bool interfaceFontSet_ = false;
};

// The descriptions' texts are UTF-8.
inline QString qstr(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// The embedded face that stands in for the one a layout names, at the layout's pixel size.
QFont fontFor(const FontDescription& description);

} // namespace forms::qt
