#pragma once

#include <QFont>
#include <QSize>
#include <QString>
#include <QStringList>
#include <vector>

class QLabel;

namespace forms::qt {
class FormWindow;
}

namespace fitreport {

// How one text sits in one label's box. A line is shown only when its whole line box, from the
// top of the font's ascent to the bottom of its descent, lies inside the label: a line the bottom
// edge crosses is cut off even if its upper part can be seen, because what is missing is exactly
// the part a reader needs (descenders, the next glyph's accent, a whole word if the box were a
// pixel shorter).
//
// A box shorter than one line of its font (the About window's title, whose baseline is the box's
// bottom edge) holds no line box at all; there the first line is shown when its letters are: no
// wider than the box, and no ink of it at or below the bottom edge as the label paints it.
struct Fit {
    QStringList lines;  // the text as the label wraps it, one entry per line
    int shown = 0;      // leading lines that are entirely inside the box
    int capacity = 0;   // lines of this font the box holds entirely
    qreal height = 0;   // pixels the whole text needs, top of the first line to bottom of the last
    QList<qreal> tops;  // where each line's box starts, in pixels from the top of the text
    bool byInk = false; // judged by its letters, the box being shorter than a line

    int lineCount() const { return int(lines.size()); }
    int cut() const { return lineCount() - shown; }
    bool fits() const { return cut() == 0; }
};

// Lays the text out the way a word-wrapping plain-text QLabel paints it (QStyle::drawItemText,
// then QPainter::drawText with Qt::TextWordWrap) in a box of that size, text starting at the top.
// Only the vertical outcome is measured, so the horizontal alignment does not matter.
Fit measure(const QFont& font, QSize box, const QString& text);

// The label's own font, contents rectangle and text. The label must wrap words, show plain text
// and have no margin or indent, as the program's labels do; anything else is refused with
// std::invalid_argument, since the measure would then not be the label's.
Fit measure(const QLabel& label);

struct Entry {
    int day; // 0 for the About window
    QString label;
    Fit fit;
};

struct Report {
    std::vector<Entry> entries;

    int cutTexts() const;
    int cutLines() const;
    bool allFit() const { return cutTexts() == 0; }
};

// The labels the report covers, in the order it lists them.
inline const QStringList reportedLabels{QStringLiteral("L1"), QStringLiteral("L2"), QStringLiteral("L3"),
                                        QStringLiteral("L4")};

// Shows every day of the catalogue in the window through the program's own presenter and measures
// each reported label as it then stands. Installs the window as the program's main form.
Report reportCatalogue(forms::qt::FormWindow& window);

// Measures the About window's labels as they stand, in the order of its description.
Report reportAbout(forms::qt::FormWindow& sobre);

// "day 22  L4  fits (15 of 17 lines)" or "day 22  L4  CUT: 19 lines, 17 shown, 2 cut off";
// "Sobre  Label3(1)  ..." for the About window.
QString describe(const Entry& entry);
// The wrapped lines, numbered, each cut line marked.
QStringList detail(const Entry& entry);
QString summary(const Report& report);

} // namespace fitreport
