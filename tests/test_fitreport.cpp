#include "messages/DailyEntry.h"
#include "messages/FuncBrelunda.h"
#include "platform/qt/FormWindow.h"
#include "tools/fitreport/FitReport.h"
#include "ui/MainWindow.h"

#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>
#include <climits>
#include <cmath>
#include <memory>

namespace {
struct Band {
    int first, last; // rows
};

// Runs of rows holding any pixel other than the background; lines of text are separated by rows
// without ink as long as no accent or descender spans the gap, which the texts below avoid.
QList<Band> inkBands(const QImage& image, QRgb background) {
    QList<Band> bands;
    bool inBand = false;
    for (int y = 0; y < image.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < image.width() && !ink; ++x)
            ink = image.pixel(x, y) != background;
        if (ink && !inBand)
            bands.append({y, y});
        if (ink)
            bands.back().last = y;
        inBand = ink;
    }
    return bands;
}

bool sameRows(const QImage& a, const QImage& b, Band band) {
    for (int y = band.first; y <= band.last; ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y))
                return false;
        }
    }
    return true;
}

// Plain lowercase words: no accent above a line, so the ink of two lines never touches.
QString words(int count) {
    static const QStringList pool{"texto", "de",    "prova", "com", "palavras", "simples",
                                  "para",  "medir", "onde",  "a",   "linha",    "quebra",
                                  "e",     "se",    "cabe",  "no",  "quadro"};
    QStringList chosen;
    for (int i = 0; i < count; ++i)
        chosen << pool[i % pool.size()];
    return chosen.join(' ');
}

QString paragraphs(int count) {
    QStringList chosen;
    for (int i = 0; i < count; ++i)
        chosen << QStringLiteral("linha %1 sozinha").arg(i + 1);
    return chosen.join('\n');
}

QString labelText(const DailyEntry& entry, const QString& label) {
    std::string text;
    if (label == "L1")
        text = entry.DayText;
    else if (label == "L2")
        text = entry.Title;
    else if (label == "L3")
        text = FuncBrelunda::joinLines(entry.VersePieces);
    else
        text = FuncBrelunda::joinLines(entry.CommentaryParagraphs);
    return QString::fromStdString(text);
}

QStringList wordsOf(const QString& text) {
    return text.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
}

// Qt's own answer for the height the label's text needs, from the engine drawText uses.
int drawTextHeight(const QLabel& label) {
    const QRect unbounded(0, 0, label.contentsRect().width(), INT_MAX);
    return QFontMetrics(label.font())
        .boundingRect(unbounded, int(label.alignment() | Qt::TextWordWrap), label.text())
        .height();
}
} // namespace

class TestFitReport : public QObject {
    Q_OBJECT

    std::unique_ptr<ui::MainWindow> main;

    void write(const QString& label, const QString& text) {
        forms::qt::FormHandle handle(&main->window);
        handle.controls()->item(label.toStdString()).setCaption(text.toStdString());
    }

private slots:
    void initTestCase() { ui::setUpApplication(); }
    void init() { main = std::make_unique<ui::MainWindow>(); }
    void cleanup() { main.reset(); }

    // The report against the real label's own painting: how many lines the text wraps to is read
    // from a grab of the label made tall enough to hold them all, and how many of them it shows
    // whole from a grab at its real size, where a line shows whole if every row of its ink is
    // painted there as in the tall grab. At these labels' sizes the first line whose box the
    // bottom edge crosses always has ink below that edge, so ink and line boxes agree on it.
    void measure_agreesWithThePaintedLabel_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("cutOff"); // what the row is there to cover

        QTest::newRow("L2 short title") << "L2"
                                        << "UM TITULO CURTO" << false;
        QTest::newRow("L2 title on two lines") << "L2"
                                               << "UM TITULO LONGO DEMAIS PARA CABER NUMA LINHA" << true;
        QTest::newRow("L3 two wrapped lines") << "L3" << words(12) << false;
        QTest::newRow("L3 three paragraphs") << "L3" << paragraphs(3) << false;
        QTest::newRow("L3 four paragraphs") << "L3" << paragraphs(4) << true;
        QTest::newRow("L3 long verse") << "L3" << words(60) << true;
        QTest::newRow("L4 wrapped text") << "L4" << words(90) << false;
        QTest::newRow("L4 fourteen paragraphs") << "L4" << paragraphs(14) << false;
        QTest::newRow("L4 fifteen paragraphs") << "L4" << paragraphs(15) << true;
        QTest::newRow("L4 long commentary") << "L4" << words(260) << true;
        QTest::newRow("L4 paragraphs wrapping")
            << "L4" << words(60) + '\n' + words(70) + '\n' + words(60) << true;
    }
    void measure_agreesWithThePaintedLabel() {
        QFETCH(QString, label);
        QFETCH(QString, text);
        QFETCH(bool, cutOff);
        write(label, text);
        QLabel* shown = main->window.label(label.toStdString());
        QVERIFY(shown);
        QCOMPARE(shown->text(), text);

        const fitreport::Fit fit = fitreport::measure(*shown);

        const QRect geometry = shown->geometry();
        const QImage real = shown->grab().toImage().convertToFormat(QImage::Format_RGB32);
        shown->resize(geometry.width(), 2000);
        const QImage tall = shown->grab().toImage().convertToFormat(QImage::Format_RGB32);
        shown->setGeometry(geometry);
        QCOMPARE(real.size(), geometry.size());

        const QRgb background = tall.pixel(tall.width() - 1, tall.height() - 1);
        const QList<Band> lines = inkBands(tall, background);
        QVERIFY(lines.size() > 0);
        QVERIFY2(lines.back().last < tall.height() - 50, "the tall grab is not tall enough");
        int whole = 0;
        while (whole < lines.size() && lines[whole].last < real.height() &&
               sameRows(real, tall, lines[whole]))
            ++whole;
        // Nothing below the whole lines is painted but the top of the first line cut off.
        const QList<Band> painted = inkBands(real, background);
        QVERIFY(painted.size() == whole || painted.size() == whole + 1);

        QCOMPARE(fit.lineCount(), int(lines.size()));
        QCOMPARE(fit.shown, whole);
        QCOMPARE(fit.cut(), int(lines.size()) - whole);
        QCOMPARE(!fit.fits(), cutOff);
        if (fit.fits())
            QVERIFY(fit.lineCount() <= fit.capacity);
        else
            QCOMPARE(fit.shown, fit.capacity);
        QCOMPARE(int(std::ceil(fit.height)), drawTextHeight(*shown));
    }

    // Every day, every label, in order, each entry measuring the text the presenter wrote for it.
    void report_coversTheShippedCatalogue() {
        const fitreport::Report report = fitreport::reportCatalogue(main->window);
        QCOMPARE(int(report.entries.size()), 31 * 4);
        for (int day = firstDay; day <= lastDay; ++day) {
            const DailyEntry& entry = MessageCatalogue[std::size_t(day - firstDay)];
            for (int i = 0; i < 4; ++i) {
                const fitreport::Entry& measured = report.entries[std::size_t((day - firstDay) * 4 + i)];
                const QString where = QStringLiteral("day %1 %2").arg(day).arg(measured.label);
                QCOMPARE(measured.day, day);
                QCOMPARE(measured.label, QStringLiteral("L%1").arg(i + 1));
                QVERIFY2(wordsOf(measured.fit.lines.join(' ')) == wordsOf(labelText(entry, measured.label)),
                         qPrintable(where));
                QVERIFY2(measured.fit.shown <= measured.fit.lineCount(), qPrintable(where));
            }
        }
    }

    // Line for line, the layout adds up to the height Qt's own text engine, the one the labels paint
    // with, gives every shipped text in its label.
    void layout_matchesDrawTextOnEveryShippedText() {
        forms::setMainFormFactory([this] { return std::make_shared<forms::qt::FormHandle>(&main->window); });
        for (int day = firstDay; day <= lastDay; ++day) {
            FuncBrelunda::ShowDay(std::int16_t(day));
            for (const QString& name : fitreport::reportedLabels) {
                const QLabel* label = main->window.label(name.toStdString());
                const fitreport::Fit fit = fitreport::measure(*label);
                QVERIFY2(int(std::ceil(fit.height)) == drawTextHeight(*label),
                         qPrintable(QStringLiteral("day %1 %2").arg(day).arg(name)));
            }
        }
    }
};

QTEST_MAIN(TestFitReport)
#include "test_fitreport.moc"
