#include "MainWindowView.h"

#include <QFile>
#include <QHash>
#include <QTest>
#include <random>

// A long run of real input on the real window: access keys, clicks on the bar, the About window
// opened and closed, resizes from outside, minimise and restore. After every event the day shown
// and the three enabled states must match a model of the rules, and the window its fixed size.
//
// BRELUNDA_SOAK_EVENTS sets the length (the suite runs a short one; 5000 is the full soak).
class TestSoak : public QObject {
    Q_OBJECT

    using View = x11::MainWindowView;

    enum Event {
        KeyAnterior,
        KeyProximo,
        KeyHoje,
        ClickAnterior,
        ClickProximo,
        ClickHoje,
        About,
        Resize,
        Minimise
    };

    struct Model {
        int today = 15;
        int day = 15;
        bool hoje = false;
        // What a command does to the model; whether it is one the user could choose at all.
        bool apply(Event event) {
            switch (event) {
            case KeyAnterior:
            case ClickAnterior:
                if (day == 1)
                    return false;
                --day;
                hoje = true;
                return true;
            case KeyProximo:
            case ClickProximo:
                if (day == 31)
                    return false;
                ++day;
                hoje = true;
                return true;
            case KeyHoje:
            case ClickHoje:
                if (!hoje)
                    return false;
                day = today;
                hoje = false;
                return true;
            default:
                return false;
            }
        }
    };

    static long residentKb(qint64 pid) {
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (!status.open(QIODevice::ReadOnly))
            return -1;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').value(0).toLong();
        return -1;
    }

private slots:
    void soak() {
        QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"), "run under tests/x11/with-display.sh");
        const int events = qEnvironmentVariableIsSet("BRELUNDA_SOAK_EVENTS")
                               ? qEnvironmentVariableIntValue("BRELUNDA_SOAK_EVENTS")
                               : 120;
        const int baselineAt = std::min(500, events / 3);
        std::mt19937 random(20261206);

        View view = View::start(QStringLiteral("2026-12-15 10:00:00"));
        QList<QRect> titles = view.menuTitles(x11::screenshot());
        QCOMPARE(titles.size(), 5);
        const QSize fixed(610, 468);
        Model model;

        // Each day's text must always look the same, and no two days alike.
        QHash<int, QImage> seen;
        seen[model.day] = view.clientArea();
        QImage last = seen[model.day];
        long baseline = 0;

        for (int step = 0; step < events; ++step) {
            const Event event = Event(random() % 9);
            const QString where =
                QStringLiteral("step %1, event %2, day %3").arg(step).arg(int(event)).arg(model.day);
            const int before = model.day;
            const bool acts = model.apply(event);
            switch (event) {
            case KeyAnterior:
                x11::key(QStringLiteral("alt+n"));
                break;
            case KeyProximo:
                x11::key(QStringLiteral("alt+p"));
                break;
            case KeyHoje:
                x11::key(QStringLiteral("alt+h"));
                break;
            case ClickAnterior:
                x11::click(titles[1].center());
                break;
            case ClickProximo:
                x11::click(titles[2].center());
                break;
            case ClickHoje:
                x11::click(titles[3].center());
                break;
            case About: {
                x11::key(QStringLiteral("alt+u"));
                QTest::qWait(150);
                x11::key(QStringLiteral("s"));
                const QString about = view.program().waitForWindow(QStringLiteral("Mensagens"));
                view.program().activate(about);
                x11::key(QStringLiteral("Escape"));
                QVERIFY2(!x11::findWindows(view.program().pid(), QStringLiteral("Mensagens")).isEmpty(),
                         qPrintable(where));
                x11::key(QStringLiteral("alt+F4"));
                QVERIFY2(
                    x11::waitFor([&] {
                        return x11::findWindows(view.program().pid(), QStringLiteral("Mensagens")).isEmpty();
                    }),
                    qPrintable(where));
                view.program().activate(view.window());
                break;
            }
            case Resize:
                x11::run(QStringLiteral("xdotool"), {QStringLiteral("windowsize"), view.window(),
                                                     QString::number(200 + int(random() % 600)),
                                                     QString::number(150 + int(random() % 500))});
                break;
            case Minimise:
                x11::run(QStringLiteral("xdotool"), {QStringLiteral("windowminimize"), view.window()});
                QTest::qWait(100);
                view.program().activate(view.window());
                break;
            }

            // The window comes back to its fixed size.
            QVERIFY2(x11::waitFor([&] { return x11::geometry(view.window()).outer().size() == fixed; }),
                     qPrintable(where));
            if (event == Resize || event == Minimise) {
                view.relocate();
                titles = view.menuTitles(x11::screenshot());
                QCOMPARE(titles.size(), 5);
            }

            QImage now;
            if (acts && model.day != before) {
                // Wait for the new day, then for the picture to hold still.
                QVERIFY2(x11::waitFor([&] { return x11::differingPixels(view.clientArea(), last) != 0; }),
                         qPrintable(where));
                QVERIFY2(x11::waitFor([&] {
                             const QImage a = view.clientArea();
                             now = view.clientArea();
                             return x11::differingPixels(a, now) == 0;
                         }),
                         qPrintable(where));
            } else if (seen.contains(model.day)) {
                // Nothing to change: once the window has repainted it shows the same day as before.
                QTest::qWait(60);
                x11::waitFor([&] {
                    now = view.clientArea();
                    return x11::differingPixels(now, seen[model.day]) == 0;
                });
            }
            if (seen.contains(model.day)) {
                QVERIFY2(x11::differingPixels(now, seen[model.day]) == 0,
                         qPrintable(where + " shows another day"));
            } else {
                for (auto other = seen.cbegin(); other != seen.cend(); ++other)
                    QVERIFY2(x11::differingPixels(now, other.value()) != 0,
                             qPrintable(where + QStringLiteral(" looks like day %1").arg(other.key())));
                seen[model.day] = now;
            }
            last = now;

            const QImage shot = x11::screenshot();
            QVERIFY2(View::isGreyed(shot, titles[1]) == (model.day == 1), qPrintable(where));
            QVERIFY2(View::isGreyed(shot, titles[2]) == (model.day == 31), qPrintable(where));
            QVERIFY2(View::isGreyed(shot, titles[3]) == !model.hoje, qPrintable(where));
            // The highlight a menu bar keeps for a moment after an access key.
            QTest::qWait(120);

            if (step + 1 == baselineAt)
                baseline = residentKb(view.program().pid());
        }
        const long end = residentKb(view.program().pid());
        qInfo("%d events, %lld days seen; resident memory %ld kB after %d events, %ld kB at the end", events,
              qlonglong(seen.size()), baseline, baselineAt, end);
#if !defined(BRELUNDA_SANITIZED)
        QVERIFY2(end - baseline < 1024, qPrintable(QStringLiteral("grew by %1 kB").arg(end - baseline)));
#endif
    }
};

int main(int argc, char** argv) {
    // A full soak takes far longer than QtTest's five minutes a test function.
    if (!qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
        qputenv("QTEST_FUNCTION_TIMEOUT", "14400000");
    QCoreApplication application(argc, argv);
    TestSoak test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_soak.moc"
