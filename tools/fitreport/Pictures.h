#pragma once

#include <QString>
#include <QStringList>

namespace forms {
class Toolkit;
}

namespace fitreport {

struct Report;

// What a reader sees, for whoever supplies the texts, written into dir (made if missing):
// day-01.png to day-31.png, the main window's client area with that day shown through the
// program's presenter; about.png, the About window's client area; and all-days.png, the 31 days at
// half size, seven to a row, those with a text cut off (by the report) framed in red. The windows
// are built afresh from their descriptions, sized as the program sizes them for the frame the
// layouts were made for, and painted offscreen; the main one becomes the program's main form.
// Returns the files' paths; throws std::runtime_error when one cannot be written.
QStringList writePictures(forms::Toolkit& toolkit, const Report& report, const QString& dir);

} // namespace fitreport
