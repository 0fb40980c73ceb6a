#include "platform/qt/Toolkit.h"

#include "platform/qt/FormWindow.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QMessageBox>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

namespace forms::qt {

namespace {
// Qt would read options such as -style or -reverse from the command line; the program has none.
int argumentCount = 1;
char programName[] = "brelunda";
char* arguments[] = {programName, nullptr};

constexpr const char* embeddedFonts[] = {
    ":/ui/fonts/LiberationSerif-Bold.ttf",       ":/ui/fonts/LiberationSerif-BoldItalic.ttf",
    ":/ui/fonts/LiberationSans-Bold.ttf",        ":/ui/fonts/LiberationSans-Regular.ttf",
    ":/ui/fonts/texgyrechorus-mediumitalic.otf",
};

// Menus and message boxes use the plain interface face at the size of an 8-point interface font.
constexpr int interfacePixelSize = 11;

QString qstr(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

void hideWindows() {
    for (QWidget* window : QApplication::topLevelWidgets())
        window->hide();
}

void loadEmbeddedFonts() {
    for (const char* path : embeddedFonts) {
        if (QFontDatabase::addApplicationFont(QString::fromLatin1(path)) < 0)
            raiseFileNotFound(path);
    }
    for (const EmbeddedFace& embedded : embeddedFaces)
        QFont::insertSubstitution(qstr(embedded.face), qstr(embedded.family));
    QFont interfaceFont(qstr(embeddedFaceFor("MS Sans Serif")->family));
    interfaceFont.setPixelSize(interfacePixelSize);
    QApplication::setFont(interfaceFont);
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
    : application_(argumentCount, arguments) {
    QApplication::setApplicationName(QStringLiteral("Brelunda"));
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
    setEndHandler(nullptr);
    setErrorReporter(nullptr);
}

std::unique_ptr<forms::FormWindow> Toolkit::makeWindow(const FormDescription& description) {
    // Here rather than at start-up: a face that fails to load is then a run-time error of the
    // program's, reported like any other.
    if (!fontsLoaded_) {
        loadEmbeddedFonts();
        fontsLoaded_ = true;
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
    font.setItalic(description.italic && !embedded->slanted);
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
