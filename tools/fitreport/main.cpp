// Tells whoever supplies the texts which of them the windows' labels cut off: the readings in the
// main window, the credits in the About window; and, asked for, draws both as a reader sees them.
// Exit status: 0 when every text fits, 1 when something is cut off, 2 when the report cannot run.

#include "app/MainWindow.h"
#include "platform/forms.h"
#include "platform/qt/FormWindow.h"
#include "tools/fitreport/FitReport.h"
#include "tools/fitreport/Pictures.h"
#include "ui/forms.h"

#include <cstdio>
#include <cstring>
#include <exception>

int main(int argc, char** argv) {
    bool verbose = false;
    const char* images = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--verbose") == 0) {
            verbose = true;
        } else if (std::strcmp(argv[i], "--images") == 0 && i + 1 < argc) {
            images = argv[++i];
        } else {
            std::fprintf(stderr, "usage: %s [--verbose] [--images DIR]\n", argv[0]);
            return 2;
        }
    }
    // Nothing is shown, so no display is needed unless one is asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    try {
        const std::unique_ptr<forms::Toolkit> toolkit = forms::makeToolkit();
        app::MainWindow main(*toolkit);
        const std::unique_ptr<forms::FormWindow> sobre = toolkit->makeWindow(ui::sobreForm());
        auto& mainWindow = static_cast<forms::qt::FormWindow&>(*main.window);
        auto& sobreWindow = static_cast<forms::qt::FormWindow&>(*sobre);
        fitreport::Report report = fitreport::reportCatalogue(mainWindow);
        const fitreport::Report about = fitreport::reportAbout(sobreWindow);
        report.entries.insert(report.entries.end(), about.entries.begin(), about.entries.end());
        for (const fitreport::Entry& entry : report.entries) {
            std::printf("%s\n", qPrintable(fitreport::describe(entry)));
            if (verbose) {
                for (const QString& row : fitreport::detail(entry))
                    std::printf("%s\n", qPrintable(row));
            }
        }
        std::printf("%s\n", qPrintable(fitreport::summary(report)));
        if (images) {
            const QStringList written =
                fitreport::writePictures(*toolkit, report, QString::fromLocal8Bit(images));
            std::printf("%lld pictures in %s\n", static_cast<long long>(written.size()), images);
        }
        return report.allFit() ? 0 : 1;
    } catch (const forms::RuntimeError& error) {
        std::fprintf(stderr, "Run-time error '%d': %s\n", error.number(), error.what());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
    }
    return 2;
}
