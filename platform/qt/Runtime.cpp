#include "platform/qt/Runtime.h"

#include "platform/description.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QMessageBox>
#include <QWidget>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace forms::qt {

namespace {
bool programEnded = false;
int programStatus = 0;

ErrorReporter& reporter() {
    static ErrorReporter current = defaultErrorReport;
    return current;
}

void endProgram(int status) {
    programEnded = true;
    programStatus = status;
    for (QWidget* window : QApplication::topLevelWidgets())
        window->hide();
    QCoreApplication::exit(status);
}

struct FaceMapping {
    const char* face;   // as a layout names it
    const char* family; // the embedded face that stands in for it
    bool slanted;       // drawn slanted by design: asking for italic would slant it twice
};

constexpr FaceMapping faceMappings[] = {
    {"Times New Roman", "Brelunda Serif", false},
    {"MS Sans Serif", "Brelunda Sans", false},
    {"Monotype Corsiva", "Brelunda Script", true},
};

constexpr const char* embeddedFonts[] = {
    ":/ui/fonts/LiberationSerif-Bold.ttf",       ":/ui/fonts/LiberationSerif-BoldItalic.ttf",
    ":/ui/fonts/LiberationSans-Bold.ttf",        ":/ui/fonts/LiberationSans-Regular.ttf",
    ":/ui/fonts/texgyrechorus-mediumitalic.otf",
};

// Menus and message boxes use the plain interface face at the size of an 8-point interface font.
constexpr int interfacePixelSize = 11;
} // namespace

void dispatch(const std::function<void()>& handler) {
    if (programEnded)
        return;
    try {
        handler();
    } catch (const RuntimeError& error) {
        programEnded = true;
        programStatus = 1;
        reporter()(error);
    }
}

void setErrorReporter(ErrorReporter newReporter) {
    reporter() = newReporter ? std::move(newReporter) : ErrorReporter(defaultErrorReport);
}

QString reportText(const RuntimeError& error) {
    return QStringLiteral("Run-time error '%1':\n\n%2")
        .arg(error.number())
        .arg(QString::fromUtf8(error.what()));
}

void defaultErrorReport(const RuntimeError& error) {
    const QString text = reportText(error);
    std::fprintf(stderr, "%s\n",
                 qPrintable(QString(text).replace(QStringLiteral("\n\n"), QStringLiteral(" "))));
    std::fflush(stderr);
    for (QWidget* window : QApplication::topLevelWidgets())
        window->hide();
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Brelunda"), text, QMessageBox::Ok);
    box.exec();
    // Nothing of the program may run after its error: leave without unwinding back into it.
    std::fflush(stdout);
    std::_Exit(1);
}

bool ended() {
    return programEnded;
}
int endStatus() {
    return programStatus;
}

void resetEnded() {
    programEnded = false;
    programStatus = 0;
}

void loadEmbeddedFonts() {
    static bool loaded = false;
    if (loaded)
        return;
    loaded = true;
    for (const char* path : embeddedFonts) {
        if (QFontDatabase::addApplicationFont(QString::fromLatin1(path)) < 0)
            throw RuntimeError(53, std::string("File not found: ") + path);
    }
    for (const FaceMapping& mapping : faceMappings)
        QFont::insertSubstitution(QString::fromLatin1(mapping.face), QString::fromLatin1(mapping.family));
    QFont interfaceFont(QStringLiteral("Brelunda Sans"));
    interfaceFont.setPixelSize(interfacePixelSize);
    QApplication::setFont(interfaceFont);
}

QFont fontFor(const FontDescription& description) {
    bool slanted = false;
    QString family = QString::fromUtf8(description.face.data(), qsizetype(description.face.size()));
    for (const FaceMapping& mapping : faceMappings) {
        if (family == QLatin1String(mapping.face)) {
            family = QString::fromLatin1(mapping.family);
            slanted = mapping.slanted;
        }
    }
    QFont font(family);
    // Point sizes are laid out for 96 dots per inch; pixel sizes keep the layout whatever the
    // screen reports, and scale with the device pixel ratio like everything else.
    font.setPixelSize(int(std::lround(description.points * 96.0 / 72.0)));
    font.setWeight(description.bold ? QFont::Bold : QFont::Normal);
    font.setItalic(description.italic && !slanted);
    font.setStyleStrategy(QFont::PreferMatch);
    return font;
}

void installEndHandler() {
    forms::setEndHandler([] { endProgram(0); });
}

} // namespace forms::qt
