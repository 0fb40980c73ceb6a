#include "tools/fitreport/FitReport.h"

#include "messages/DailyEntry.h"
#include "messages/FuncBrelunda.h"
#include "platform/qt/FormWindow.h"

#include <QFontMetricsF>
#include <QImage>
#include <QLabel>
#include <QTextLayout>
#include <QTextOption>
#include <cmath>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace fitreport {

namespace {
// QPainter::drawText's own reading of the text: a line feed starts a new line; a carriage return,
// and a tab when no tab expansion is asked for, are drawn as spaces.
QString asDrawn(const QString& text) {
    QString drawn = text;
    for (QChar& c : drawn) {
        if (c == QLatin1Char('\n'))
            c = QChar::LineSeparator;
        else if (c == QLatin1Char('\r') || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    }
    return drawn;
}

QString withoutLineEnd(QString line) {
    while (!line.isEmpty() && (line.back() == QChar::LineSeparator || line.back() == QLatin1Char(' ')))
        line.chop(1);
    return line;
}

// drawText's layout: each line starts on the first whole pixel at or below the previous line's
// bottom plus the font's leading, and is as tall as the font's ascent and descent together.
struct Layout {
    QStringList lines;
    QList<qreal> tops;
    int whole = 0; // lines, from the top, whose box lies inside
    qreal height = 0;
};

Layout layOut(const QFont& font, QSize box, const QString& drawn) {
    Layout result;
    if (drawn.isEmpty())
        return result;
    QTextLayout layout(drawn, font);
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::WordWrap);
    option.setTextDirection(Qt::LeftToRight);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    const qreal leading = QFontMetricsF(font).leading();
    const qreal width = qMax<qreal>(0, box.width());
    qreal bottom = -leading;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        const qreal top = std::ceil(bottom + leading);
        line.setPosition(QPointF(0, top));
        // Not QTextLine::height(), which rounds up: drawText stacks the unrounded heights.
        bottom = top + line.ascent() + line.descent();
        // A word too long for the width does not wrap: its line runs past the side and is clipped.
        const bool inside = bottom <= box.height() && line.naturalTextWidth() <= width;
        if (inside && result.whole == result.lines.size())
            ++result.whole;
        result.lines << withoutLineEnd(drawn.mid(line.textStart(), line.textLength()));
        result.tops << top;
    }
    layout.endLayout();
    result.height = bottom;
    return result;
}

// Lines of this font the box holds whole, found by filling it with one-letter lines.
int capacityOf(const QFont& font, QSize box) {
    for (qsizetype count = 8;; count *= 2) {
        QString filler = QStringLiteral("x");
        for (qsizetype i = 1; i < count; ++i)
            filler += QChar(QChar::LineSeparator) + QLatin1Char('x');
        const Layout filled = layOut(font, box, filler);
        if (filled.whole < filled.lines.size())
            return filled.whole;
    }
}

// Whether one line of the label's text, painted as the label paints it in a box with room below,
// leaves no ink at or below the label's bottom edge. A copy is painted, black on white, so the
// label itself is left as it is; only pixels at least half dark count, not the smoothing along a
// letter's edge.
bool inkAbove(const QLabel& label, const QString& line) {
    QLabel copy;
    copy.setTextFormat(Qt::PlainText);
    copy.setWordWrap(true);
    copy.setAlignment(label.alignment());
    copy.setFont(label.font());
    QPalette palette = copy.palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    copy.setPalette(palette);
    copy.setText(line);
    const QSize box = label.contentsRect().size();
    copy.resize(box.width(), box.height() * 3);
    const QImage image = copy.grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (int y = int(std::lround(box.height() * image.devicePixelRatio())); y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 128)
                return false;
        }
    }
    return true;
}

QString plural(int count, const char* word) {
    return QStringLiteral("%1 %2%3").arg(count).arg(QLatin1String(word)).arg(count == 1 ? "" : "s");
}
} // namespace

Fit measure(const QFont& font, QSize box, const QString& text) {
    Layout layout = layOut(font, box, asDrawn(text));
    Fit fit;
    fit.lines = std::move(layout.lines);
    fit.tops = std::move(layout.tops);
    fit.shown = layout.whole;
    fit.height = layout.height;
    fit.capacity = capacityOf(font, box);
    return fit;
}

Fit measure(const QLabel& label) {
    const QString name = label.objectName();
    if (label.textFormat() != Qt::PlainText || !label.wordWrap())
        throw std::invalid_argument(qPrintable(name + QStringLiteral(": not word-wrapped plain text")));
    // A selectable label draws through a text document, and a margin, indent or frame moves the
    // text off the contents rectangle: neither is measured here.
    if (label.textInteractionFlags() & (Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard))
        throw std::invalid_argument(qPrintable(name + QStringLiteral(": selectable text")));
    if (label.margin() != 0 || label.indent() > 0 || label.frameWidth() != 0)
        throw std::invalid_argument(qPrintable(name + QStringLiteral(": margin, indent or frame")));
    if (!(label.alignment() & Qt::AlignTop))
        throw std::invalid_argument(qPrintable(name + QStringLiteral(": text not at the top")));
    Fit fit = measure(label.font(), label.contentsRect().size(), label.text());
    if (fit.capacity == 0 && !fit.lines.isEmpty()) {
        fit.byInk = true;
        fit.capacity = 1;
        const QString& first = fit.lines.front();
        const bool narrow =
            QFontMetricsF(label.font()).horizontalAdvance(first) <= label.contentsRect().width();
        fit.shown = narrow && inkAbove(label, first) ? 1 : 0;
    }
    return fit;
}

int Report::cutTexts() const {
    int count = 0;
    for (const Entry& entry : entries)
        count += entry.fit.fits() ? 0 : 1;
    return count;
}

int Report::cutLines() const {
    int count = 0;
    for (const Entry& entry : entries)
        count += entry.fit.cut();
    return count;
}

Report reportCatalogue(forms::qt::FormWindow& window) {
    forms::setMainFormFactory([&window] { return std::make_shared<forms::qt::FormHandle>(&window); });
    Report report;
    for (int day = firstDay; day <= lastDay; ++day) {
        FuncBrelunda::ShowDay(std::int16_t(day));
        for (const QString& name : reportedLabels) {
            const QLabel* label = window.label(name.toStdString());
            if (!label)
                throw std::invalid_argument(qPrintable(QStringLiteral("no label ") + name));
            report.entries.push_back({day, name, measure(*label)});
        }
    }
    return report;
}

Report reportAbout(forms::qt::FormWindow& sobre) {
    Report report;
    for (const forms::LabelDescription& item : sobre.description().labels) {
        const QLabel* label = sobre.label(item.name, item.index);
        if (!label)
            throw std::invalid_argument(std::string("no label ") + std::string(item.name));
        report.entries.push_back({0, label->objectName(), measure(*label)});
    }
    return report;
}

QString describe(const Entry& entry) {
    const Fit& fit = entry.fit;
    const QString where =
        (entry.day ? QStringLiteral("day %1  ").arg(entry.day, 2) : QStringLiteral("Sobre  ")) + entry.label +
        QStringLiteral("  ");
    const QLatin1String ink(fit.byInk ? ", by its letters" : "");
    if (fit.fits())
        return where + QStringLiteral("fits (%1 of %2%3)")
                           .arg(fit.lineCount())
                           .arg(plural(fit.capacity, "line"))
                           .arg(ink);
    const QLatin1String below(fit.byInk && fit.shown == 0 ? "; its letters reach outside the label" : "");
    return where + QStringLiteral("CUT: %1, %2 shown, %3 cut off%4")
                       .arg(plural(fit.lineCount(), "line"))
                       .arg(fit.shown)
                       .arg(fit.cut())
                       .arg(below);
}

QStringList detail(const Entry& entry) {
    QStringList rows;
    for (int i = 0; i < entry.fit.lineCount(); ++i) {
        const char* mark = i < entry.fit.shown ? "    " : "CUT ";
        rows
            << QStringLiteral("    %1%2 | %3").arg(QLatin1String(mark)).arg(i + 1, 2).arg(entry.fit.lines[i]);
    }
    return rows;
}

QString summary(const Report& report) {
    const int texts = int(report.entries.size());
    if (report.allFit())
        return QStringLiteral("all %1 fit").arg(plural(texts, "text"));
    return QStringLiteral("%1 of %2 cut off, %3 in all")
        .arg(report.cutTexts())
        .arg(plural(texts, "text"))
        .arg(plural(report.cutLines(), "line"));
}

} // namespace fitreport
