#pragma once

#include "platform/forms.h"

#include <QFont>
#include <functional>

namespace forms {
struct FontDescription;
}

namespace forms::qt {

// Runs one of the program's handlers. A run-time error that escapes it goes to the one report,
// and once the program has ended no handler runs again.
void dispatch(const std::function<void()>& handler);

// The report shows a modal box captioned "Brelunda" and writes the same text on standard error,
// then ends the process with a non-zero status. Tests put a recorder in its place.
using ErrorReporter = std::function<void(const RuntimeError&)>;
void setErrorReporter(ErrorReporter reporter);
void defaultErrorReport(const RuntimeError& error);
QString reportText(const RuntimeError& error);

// Whether forms::end() or a run-time error has ended the program; the status it ended with.
bool ended();
int endStatus();
// Forgets an earlier end, for tests that run many programs in one process.
void resetEnded();

// Registers the embedded faces and makes every face the layouts name resolve to one of them, so
// text looks the same whatever fonts the machine has. Idempotent.
void loadEmbeddedFonts();
QFont fontFor(const FontDescription& description);

// Installs forms::end() for a Qt application: hides every window and leaves the event loop.
void installEndHandler();

} // namespace forms::qt
