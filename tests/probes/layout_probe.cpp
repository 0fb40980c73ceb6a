// How Qt lays out each label's text, worked out from the window descriptions alone, never from a
// window: the fit report's measure of the text in the font the description names, wrapped to the
// label's width, and where each line's letters reach (their tight bounds about the line's
// baseline). For each day, a line per label: the day, the label's name, the lines the text wraps
// to, two dashes where the Win32 probe gives the ink's columns, then each line's top and bottom of
// ink, in the layout's pixels from the label's top; run at the scale the program runs at.
//   layout_probe DAY...

#include "platform/forms.h"
#include "platform/qt/Toolkit.h"
#include "tests/probes/ShownTexts.h"
#include "tools/fitreport/FitReport.h"

#include <QFontMetricsF>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    try {
        const std::unique_ptr<forms::Toolkit> toolkit = forms::makeToolkit();
        // The windows register the faces they name; nothing else of them is used.
        const auto main = toolkit->makeWindow(ui::brelundaForm()),
                   sobre = toolkit->makeWindow(ui::sobreForm());
        for (int argument = 1; argument < argc; ++argument) {
            const int day = std::atoi(argv[argument]);
            if (!FuncBrelunda::entryFor(day))
                return 2;
            for (const probes::ShownText& shown : probes::shownTexts(day)) {
                const forms::LabelDescription& label = *shown.label;
                const QFont font = forms::qt::fontFor(label.font);
                const QFontMetricsF metrics(font);
                const fitreport::Fit fit =
                    fitreport::measure(font, QSize(forms::pixels(label.width), forms::pixels(label.height)),
                                       forms::qt::qstr(shown.text));
                std::printf("%d %s %d - -", day, shown.name.c_str(), fit.lineCount());
                for (int line = 0; line < fit.lineCount(); ++line) {
                    const QRectF letters = metrics.tightBoundingRect(fit.lines[line]);
                    const qreal baseline = fit.tops[line] + metrics.ascent();
                    if (!letters.isEmpty())
                        std::printf(" %.2f:%.2f", baseline + letters.top(), baseline + letters.bottom());
                }
                std::printf("\n");
            }
        }
    } catch (const forms::RuntimeError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
