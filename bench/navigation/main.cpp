// Times one day's step in the real main window: from the menu command to the four labels redrawn
// and handed to the X server. The window is built and shown the way the program does it.
//
//   brelunda-bench-navigation [--steps N]
//
// Prints: steps=N median_us=... p90_us=... max_us=... first_walk_max_us=... full_repaint_median_us=...
// The days are walked forward with "&Próximo" until it is disabled, then back with "A&nterior",
// so every day's texts are laid out and drawn, not just two of them.

#include "app/MainWindow.h"
#include "platform/qt/FormWindow.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Counts the paint events a widget gets, to tell a step that drew from one that did not.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

double percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto index = std::size_t(fraction * double(values.size() - 1) + 0.5);
    return values[index];
}

} // namespace

int main(int argc, char** argv) {
    int steps = 2000;
    for (int index = 1; index + 1 < argc; ++index) {
        if (std::strcmp(argv[index], "--steps") == 0)
            steps = std::max(1, std::atoi(argv[++index]));
    }

    const std::unique_ptr<forms::Toolkit> toolkit = forms::makeToolkit();
    app::Program program(*toolkit);
    if (!program.mainWindow()) {
        std::fprintf(stderr, "brelunda-bench-navigation: the window did not open\n");
        return 1;
    }
    auto& window = static_cast<forms::qt::FormWindow&>(*program.mainWindow()->window);

    QElapsedTimer waited;
    waited.start();
    while (!(window.windowHandle() && window.windowHandle()->isExposed()) && waited.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    // Let the frame arrive and the start-up resizes finish before the first step.
    while (waited.elapsed() < 500)
        QApplication::processEvents(QEventLoop::AllEvents, 50);

    QAction* forward = window.action("mnuProximo");
    QAction* back = window.action("mnuAnterior");
    QLabel* day = window.label("L1");
    QWidget* client = window.clientArea();
    if (!forward || !back || !day || !client) {
        std::fprintf(stderr, "brelunda-bench-navigation: the window has no day commands\n");
        return 1;
    }

    PaintCounter dayPaints;
    day->installEventFilter(&dayPaints);

    // One step: the command, then the drawing, then a round trip so the X server has the pixels.
    // As the program runs, the drawing is of what the command marked dirty (the labels' areas),
    // done when the event loop reaches the posted update request; the full repaint of the client
    // area is the worst case, for comparison.
    bool forwards = true;
    QElapsedTimer timer;
    auto step = [&](bool fullRepaint) -> double {
        if (!(forwards ? forward : back)->isEnabled())
            forwards = !forwards;
        const QString before = day->text();
        const int paintsBefore = dayPaints.paints;
        timer.start();
        (forwards ? forward : back)->trigger();
        if (fullRepaint)
            client->repaint();
        else
            QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        QGuiApplication::sync();
        const double micros = double(timer.nsecsElapsed()) / 1000.0;
        if (day->text() == before || dayPaints.paints == paintsBefore)
            return -1;
        // Whatever the window system sends in between is handled outside the timed part.
        QApplication::processEvents();
        return micros;
    };

    std::vector<double> times;
    double firstWalkMax = 0;
    for (int index = 0; index < steps; ++index) {
        const double micros = step(false);
        if (micros < 0) {
            std::fprintf(stderr, "brelunda-bench-navigation: step %d did not redraw a new day\n", index);
            return 1;
        }
        times.push_back(micros);
        // A walk there and back shows every day's texts at least once: the glyphs are new then.
        if (index < 62)
            firstWalkMax = std::max(firstWalkMax, micros);
    }
    std::vector<double> fullTimes;
    for (int index = 0; index < std::max(1, steps / 4); ++index) {
        const double micros = step(true);
        if (micros < 0) {
            std::fprintf(stderr, "brelunda-bench-navigation: a full repaint did not redraw the day\n");
            return 1;
        }
        fullTimes.push_back(micros);
    }

    std::printf("steps=%d median_us=%.1f p90_us=%.1f max_us=%.1f first_walk_max_us=%.1f "
                "full_repaint_median_us=%.1f\n",
                steps, percentile(times, 0.5), percentile(times, 0.9),
                *std::max_element(times.begin(), times.end()), firstWalkMax, percentile(fullTimes, 0.5));

    return 0;
}
