#include "platform/qt/Toolkit.h"

#include "platform/qt/FormWindow.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QMessageBox>
#include <QResource>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <fontconfig/fontconfig.h>
#include <set>

namespace forms::qt {

namespace {
// Qt would read options such as -style or -reverse from the command line; the program has none.
// The only options Qt is given are the program's own choice of window system.
char programName[] = "brelunda";
char platformOption[] = "-platform";
char x11First[] = "xcb;wayland";
char* arguments[] = {programName, nullptr, nullptr, nullptr};
int argumentCount = 1;

// Where a Wayland desktop also offers an X server (XWayland), the program goes to X11 unless the
// user has named a platform: Qt 6 would take Wayland, where the windows cannot keep their
// promises. Wayland lets no program place its windows, so neither would open centred; and the
// frame would be Qt's own drawing, which on GNOME (from Qt 6.8) counts its drop shadow as frame
// and leaves the window 20 pixels narrower and shorter than its fixed size. Through XWayland the
// desktop's window manager draws the frame and says how large it is, as on an X11 desktop. With
// no X server, Wayland it is.
int& commandLine() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY")) {
        arguments[1] = platformOption;
        arguments[2] = x11First;
        argumentCount = 3;
    }
    return argumentCount;
}

// Each style of the embedded families, in the executable's resources.
struct EmbeddedFont {
    std::string_view family;
    bool bold;
    bool italic;
    const char* resource;
};
constexpr EmbeddedFont embeddedFonts[] = {
    {"Brelunda Serif", true, false, ":/ui/fonts/LiberationSerif-Bold.ttf"},
    {"Brelunda Serif", true, true, ":/ui/fonts/LiberationSerif-BoldItalic.ttf"},
    {"Brelunda Sans", true, false, ":/ui/fonts/LiberationSans-Bold.ttf"},
    {"Brelunda Sans", false, false, ":/ui/fonts/LiberationSans-Regular.ttf"},
    // The script face comes in one style, slanted by design and drawn bold as it is.
    {"Brelunda Script", true, false, ":/ui/fonts/texgyrechorus-mediumitalic.otf"},
};

// Menus and message boxes use the plain interface face at the size of an 8-point interface font.
constexpr int interfacePixelSize = 11;

void hideWindows() {
    for (QWidget* window : QApplication::topLevelWidgets())
        window->hide();
}

// Registers the style of an embedded family the first time a window asks for it, so the About
// window's faces cost nothing until it opens. Qt reads the font where it lies in the executable
// (stored uncompressed), rather than from a copy.
void registerFont(std::string_view family, bool bold, bool italic) {
    static std::set<const char*> registered;
    for (const EmbeddedFont& font : embeddedFonts) {
        if (font.family != family || font.bold != bold || font.italic != italic)
            continue;
        if (registered.count(font.resource))
            return;
        const QResource resource(QString::fromLatin1(font.resource));
        if (!resource.data() || resource.compressionAlgorithm() != QResource::NoCompression ||
            QFontDatabase::addApplicationFontFromData(QByteArray::fromRawData(
                reinterpret_cast<const char*>(resource.data()), qsizetype(resource.size()))) < 0)
            raiseFileNotFound(font.resource);
        registered.insert(font.resource);
        return;
    }
    raiseFileNotFound(family);
}

[[noreturn]] void report(const RuntimeError& error) {
    hideWindows();
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Brelunda"), qstr(reportText(error)),
                    QMessageBox::Ok);
    box.exec();
    // Nothing of the program may run after its error: leave without unwinding back into it.
    std::fflush(stdout);
    std::_Exit(1);
}
} // namespace

Toolkit::Toolkit()
    : fontConfiguration_([] { FcInit(); })
    , application_(commandLine(), arguments) {
    QApplication::setApplicationName(QStringLiteral("Brelunda"));
    // The menu bar belongs to the window's fixed layout: on a desktop that shows menus in a panel
    // of its own, Qt would take it out and leave the window's foot empty. Not asking costs nothing,
    // where asking is a round trip to the session bus at every start.
    QApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
    setEndHandler([] {
        hideWindows();
        QCoreApplication::exit(0);
    });
    setErrorReporter(report);
    // One style and palette everywhere, so the menu bar and the About window's pale background
    // do not depend on the desktop the program happens to run in.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(QApplication::style()->standardPalette());
}

Toolkit::~Toolkit() {
    if (fontConfiguration_.joinable())
        fontConfiguration_.join();
    setEndHandler(nullptr);
    setErrorReporter(nullptr);
}

std::unique_ptr<forms::FormWindow> Toolkit::makeWindow(const FormDescription& description) {
    // Here rather than at start-up: a face that fails to load is then a run-time error of the
    // program's, reported like any other. A window's faces are registered together, before any
    // is matched: each registration makes Qt build its font database again.
    if (fontConfiguration_.joinable())
        fontConfiguration_.join();
    const std::string_view interfaceFamily = embeddedFaceFor("MS Sans Serif")->family;
    registerFont(interfaceFamily, false, false);
    for (const LabelDescription& label : description.labels) {
        const EmbeddedFace* embedded = embeddedFaceFor(label.font.face);
        if (embedded)
            registerFont(embedded->family, label.font.bold, embedded->italicFor(label.font));
    }
    if (!interfaceFontSet_) {
        QFont interfaceFont(qstr(interfaceFamily));
        interfaceFont.setPixelSize(interfacePixelSize);
        QApplication::setFont(interfaceFont);
        interfaceFontSet_ = true;
    }
    return std::make_unique<FormWindow>(description);
}

int Toolkit::run() {
    return QApplication::exec();
}

QFont fontFor(const FontDescription& description) {
    const EmbeddedFace* embedded = embeddedFaceFor(description.face);
    if (!embedded)
        raiseFileNotFound(description.face);
    QFont font(qstr(embedded->family));
    // Point sizes are laid out for 96 dots per inch; pixel sizes keep the layout whatever the
    // screen reports, and scale with the device pixel ratio like everything else.
    font.setPixelSize(pixelsForPoints(description.points));
    font.setWeight(description.bold ? QFont::Bold : QFont::Normal);
    font.setItalic(embedded->italicFor(description));
    font.setStyleStrategy(QFont::PreferMatch);
    // Qt falls back to another face without a word; the layout is made for ours alone.
    if (QFontInfo(font).family() != qstr(embedded->family))
        raiseFileNotFound(embedded->family);
    return font;
}

} // namespace forms::qt

std::unique_ptr<forms::Toolkit> forms::makeToolkit() {
    return std::make_unique<qt::Toolkit>();
}
