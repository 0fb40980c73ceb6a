#include "platform/qt/FormWindow.h"
#include "tools/fitreport/FitReport.h"
#include "ui/forms.h"

#include <QLabel>
#include <QTest>
#include <tuple>
#include <utility>

namespace {
// The lines a label paints when it has room for all, as runs of rows with ink (anything but the
// empty last row), and how many of them end inside its real height.
std::pair<int, int> paintedLines(QLabel& label) {
    const int height = label.height();
    label.resize(label.width(), 1000);
    const QImage image = label.grab().toImage(), empty = image.copy(0, 999, image.width(), 1);
    label.resize(label.width(), height);
    std::pair<int, int> lines;
    for (int y = 0, inked = 0; y < image.height(); ++y) {
        const bool ink = image.copy(0, y, image.width(), 1) != empty;
        lines.first += ink && !inked;
        lines.second += inked && !ink && y <= height;
        inked = ink;
    }
    return lines;
}
} // namespace

class TestFitReport : public QObject {
    Q_OBJECT
    const std::unique_ptr<forms::Toolkit> toolkit_ = forms::makeToolkit();

private slots:
    // The report's measure against the lines the label paints: wrapped, full, one over, cut; words with
    // no accent (the ink of two lines stays apart) and a descender in each line (it reaches the box).
    void measure_agreesWithThePaintedLabel() {
        const auto main = toolkit_->makeWindow(ui::brelundaForm()),
                   sobre = toolkit_->makeWindow(ui::sobreForm());
        const QString words = QStringLiteral("prova de palavras simples para quebrar ");
        const auto column = [](int count) { return QStringLiteral("\nprova").repeated(count).mid(1); };
        // clang-format off
        const std::tuple<forms::FormWindow&, const char*, int, QString> cases[] = {
            {*main, "L3", -1, words.repeated(4)}, {*main, "L4", -1, column(14)}, {*main, "L4", -1, column(15)},
            {*main, "L4", -1, words.repeated(50)}, {*sobre, "Label3", 1, words.repeated(2)},
            {*sobre, "Label3", 2, words.repeated(8)}};
        // clang-format on
        for (const auto& [window, name, index, text] : cases) {
            QLabel* label = static_cast<forms::qt::FormWindow&>(window).label(name, index);
            label->setText(text);
            const fitreport::Fit fit = fitreport::measure(*label);
            QCOMPARE(std::pair(fit.lineCount(), fit.shown), paintedLines(*label));
        }
    }
    // A credit too long for its label (a line too many, a word too wide), or a title reaching below
    // its baseline, is reported cut, and nothing else is.
    void report_flagsCreditsThatDoNotFit() {
        const std::tuple<const char*, int, QString, bool> cases[] = {
            {"Label3", 1, "EDITORA PROVISÓRIA DE EXEMPLO LONGA", false},
            {"Label3", 1, "EDITORAPROVISÓRIADEEXEMPLOLONGA", false},
            {"Label1", -1, "Livro Gij", false},
            {"Label1", -1, "Livro Xis", true}};
        for (const auto& [name, index, text, fits] : cases) {
            const auto made = toolkit_->makeWindow(ui::sobreForm());
            auto& sobre = static_cast<forms::qt::FormWindow&>(*made);
            sobre.label(name, index)->setText(text);
            QStringList cut;
            for (const fitreport::Entry& entry : fitreport::reportAbout(sobre).entries)
                cut << (entry.fit.fits() ? QString() : entry.label);
            QCOMPARE(cut.join(QString()), fits ? QString() : sobre.label(name, index)->objectName());
        }
    }
};

QTEST_APPLESS_MAIN(TestFitReport)
#include "test_fitreport.moc"
