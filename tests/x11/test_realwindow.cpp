#include "XSession.h"

#include <QHash>
#include <QTest>
#include <algorithm>
#include <memory>

// The built program in a real X server under a window manager, driven by real key presses and
// clicks, measured from screenshots.
class TestRealWindow : public QObject {
    Q_OBJECT

    // Where the client area (below the menu bar) is on the screen, and what it shows.
    struct Shown {
        std::unique_ptr<x11::Program> program;
        QString window;
        x11::WindowGeometry geometry;
        QPoint origin;
        int menuHeight = 0;
    };

    QImage picture;
    QHash<int, QImage> references;

    // L1..L4 in client-area pixels.
    const QList<QRect> labelRects{QRect(120, 16, 441, 33), QRect(120, 56, 441, 33), QRect(120, 96, 441, 49),
                                  QRect(56, 152, 505, 257)};

    static QString date(int day) {
        return QStringLiteral("2026-12-%1 10:00:00").arg(day, 2, 10, QLatin1Char('0'));
    }

    Shown start(int day) {
        Shown shown;
        shown.program = std::make_unique<x11::Program>(date(day));
        shown.window = shown.program->waitForWindow(QStringLiteral("Brelunda"));
        shown.geometry = shown.program->waitForSettled(shown.window);
        shown.program->activate(shown.window);
        locateClientArea(shown, x11::screenshot());
        return shown;
    }

    // The picture's corner is free of text, so it tells where the client area starts.
    void locateClientArea(Shown& shown, const QImage& shot) {
        const QImage corner = picture.copy(0, 0, 100, 40);
        for (int dy = 0; dy < 60; ++dy) {
            const QImage candidate =
                shot.copy(QRect(shown.geometry.client.topLeft() + QPoint(0, dy), corner.size()));
            if (x11::differingPixels(candidate, corner, 2) == 0) {
                shown.menuHeight = dy;
                shown.origin = shown.geometry.client.topLeft() + QPoint(0, dy);
                return;
            }
        }
        QFAIL("the picture is not at the client area's top-left corner");
    }

    QImage clientArea(const Shown& shown, const QImage& shot) const {
        return shot.copy(QRect(shown.origin, QSize(shown.geometry.client.width(),
                                                   shown.geometry.client.height() - shown.menuHeight)));
    }

    // What the program shows when started on that day, taken while no other window is open.
    QImage reference(int day) {
        if (!references.contains(day))
            qFatal("no reference taken for day %d", day);
        return references[day];
    }

    bool shows(const Shown& shown, int day) {
        const QImage expected = reference(day);
        return x11::waitFor(
            [&] { return x11::differingPixels(clientArea(shown, x11::screenshot()), expected) == 0; }, 3000);
    }

    // After a command that must do nothing, give the program time to do something all the same.
    bool stillShows(const Shown& shown, int day) {
        QTest::qWait(400);
        const QImage now = clientArea(shown, x11::screenshot());
        const int differing = x11::differingPixels(now, reference(day));
        if (differing)
            qWarning("%d pixels differ from day %d", differing, day);
        return differing == 0;
    }

    // The five titles on the menu bar, found as runs of dark pixels along the bar.
    QList<QRect> menuTitles(const Shown& shown, const QImage& shot) const {
        const QRect bar(shown.geometry.client.topLeft(),
                        QSize(shown.geometry.client.width(), shown.menuHeight));
        QList<QRect> titles;
        int gap = 100;
        for (int x = bar.left(); x <= bar.right(); ++x) {
            int top = bar.bottom(), bottom = bar.top();
            for (int y = bar.top() + 2; y < bar.bottom() - 1; ++y) {
                if (qGray(shot.pixel(x, y)) < 215) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
            }
            if (top > bottom) {
                ++gap;
                continue;
            }
            if (gap > 6)
                titles.append(QRect(x, top, 1, bottom - top + 1));
            else
                titles.last() = titles.last().united(QRect(x, top, 1, bottom - top + 1));
            gap = 0;
        }
        return titles;
    }

    static int darkest(const QImage& shot, const QRect& rect) {
        int darkest = 255;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                darkest = std::min(darkest, qGray(shot.pixel(x, y)));
        return darkest;
    }

private slots:
    void initTestCase() {
        QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"), "run under tests/x11/with-display.sh");
        QVERIFY(picture.load(x11::sourceDir() + "/ui/assets/background.jpg"));
        picture = picture.convertToFormat(QImage::Format_RGB32);
        for (int day : {1, 2, 14, 15, 16, 30, 31}) {
            Shown shown = start(day);
            references[day] = clientArea(shown, x11::screenshot());
        }
    }

    void startsCentredWithTodaysReading_data() {
        QTest::addColumn<int>("day");
        QTest::newRow("the 1st") << 1;
        QTest::newRow("the 15th") << 15;
        QTest::newRow("the 31st") << 31;
    }
    void startsCentredWithTodaysReading() {
        QFETCH(int, day);
        Shown shown = start(day);
        QCOMPARE(x11::title(shown.window), QString("Brelunda"));
        const QRect outer = shown.geometry.outer();
        QCOMPARE(outer.size(), QSize(610, 468));
        const QSize screen = x11::screenSize();
        QVERIFY2(std::abs(outer.center().x() * 2 + 1 - screen.width()) <= 2,
                 qPrintable(QString::number(outer.x())));
        QVERIFY2(std::abs(outer.center().y() * 2 + 1 - screen.height()) <= 2,
                 qPrintable(QString::number(outer.y())));

        const QImage client = clientArea(shown, x11::screenshot());
        // Every pixel that is not the picture's own is text, and text lies only inside the labels.
        const int width = std::min(client.width(), picture.width());
        const int height = std::min(client.height(), picture.height());
        QList<int> inkPerLabel(labelRects.size(), 0);
        QList<int> lastInkColumn(labelRects.size(), -1);
        int stray = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const QRgb a = client.pixel(x, y), b = picture.pixel(x, y);
                if (std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                        std::abs(qBlue(a) - qBlue(b)) <
                    60)
                    continue;
                const auto inside = std::find_if(labelRects.begin(), labelRects.end(),
                                                 [&](const QRect& rect) { return rect.contains(x, y); });
                if (inside == labelRects.end()) {
                    ++stray;
                    continue;
                }
                const auto index = inside - labelRects.begin();
                ++inkPerLabel[index];
                lastInkColumn[index] = std::max(lastInkColumn[index], x);
                // Text is green: more green than red or blue.
                QVERIFY(qGreen(a) >= qRed(a) && qGreen(a) >= qBlue(a));
            }
        }
        QCOMPARE(stray, 0);
        for (int ink : inkPerLabel)
            QVERIFY(ink > 20);
        // The right-aligned verse and commentary end on the labels' common right edge, x = 561.
        QVERIFY2(std::abs(lastInkColumn[2] + 1 - 561) <= 1, qPrintable(QString::number(lastInkColumn[2])));
        QVERIFY2(std::abs(lastInkColumn[3] + 1 - 561) <= 1, qPrintable(QString::number(lastInkColumn[3])));
    }

    void menuBar_greysHojeAndIgnoresIt() {
        Shown shown = start(15);
        const QImage shot = x11::screenshot();
        const QList<QRect> titles = menuTitles(shown, shot);
        QCOMPARE(titles.size(), 5);
        QVERIFY(std::is_sorted(titles.begin(), titles.end(),
                               [](const QRect& a, const QRect& b) { return a.left() < b.left(); }));
        for (int i : {0, 1, 2, 4})
            QVERIFY2(darkest(shot, titles[i]) < 80, qPrintable(QString::number(i)));
        QVERIFY(darkest(shot, titles[3]) > 120);

        x11::key(QStringLiteral("alt+h"));
        QVERIFY(stillShows(shown, 15));
        x11::click(titles[3].center());
        QVERIFY(stillShows(shown, 15));
    }

    void keysAndClicks_stepTheDay() {
        Shown shown = start(15);
        const QList<QRect> titles = menuTitles(shown, x11::screenshot());
        QCOMPARE(titles.size(), 5);
        x11::key(QStringLiteral("alt+p"));
        QVERIFY(shows(shown, 16));
        x11::key(QStringLiteral("alt+n"));
        QVERIFY(shows(shown, 15));
        x11::key(QStringLiteral("alt+n"));
        QVERIFY(shows(shown, 14));
        x11::click(titles[2].center());
        QVERIFY(shows(shown, 15));
        x11::click(titles[2].center());
        QVERIFY(shows(shown, 16));
        // Hoje is enabled after a step and brings today back, clicked or by its key.
        x11::click(titles[3].center());
        QVERIFY(shows(shown, 15));
        x11::click(titles[1].center());
        QVERIFY(shows(shown, 14));
        x11::key(QStringLiteral("alt+h"));
        QVERIFY(shows(shown, 15));
        // ...and is disabled again now.
        x11::key(QStringLiteral("alt+n"));
        QVERIFY(shows(shown, 14));
        x11::key(QStringLiteral("alt+h"));
        QVERIFY(shows(shown, 15));
        x11::key(QStringLiteral("alt+h"));
        QVERIFY(stillShows(shown, 15));
    }

    void bounds_holdAgainstKeysAndClicks_data() {
        QTest::addColumn<int>("today");
        QTest::addColumn<QString>("blockedKey");
        QTest::addColumn<int>("blockedTitle");
        QTest::addColumn<QString>("otherKey");
        QTest::addColumn<int>("otherDay");
        QTest::newRow("day 31") << 31 << "alt+p" << 2 << "alt+n" << 30;
        QTest::newRow("day 1") << 1 << "alt+n" << 1 << "alt+p" << 2;
    }
    void bounds_holdAgainstKeysAndClicks() {
        QFETCH(int, today);
        QFETCH(QString, blockedKey);
        QFETCH(int, blockedTitle);
        QFETCH(QString, otherKey);
        QFETCH(int, otherDay);
        Shown shown = start(today);
        const QImage shot = x11::screenshot();
        const QList<QRect> titles = menuTitles(shown, shot);
        QCOMPARE(titles.size(), 5);
        QVERIFY(darkest(shot, titles[blockedTitle]) > 120);
        x11::key(blockedKey);
        QVERIFY(stillShows(shown, today));
        x11::click(titles[blockedTitle].center());
        QVERIFY(stillShows(shown, today));
        x11::key(otherKey);
        QVERIFY(shows(shown, otherDay));
        // One step back in: the bound's item is enabled again and takes the day back.
        x11::click(titles[blockedTitle].center());
        QVERIFY(shows(shown, today));
    }

    void sair_endsTheProcessWithStatusZero() {
        Shown shown = start(20);
        x11::key(QStringLiteral("alt+a"));
        QTest::qWait(300);
        x11::key(QStringLiteral("s"));
        QVERIFY(shown.program->waitForExit());
        QCOMPARE(shown.program->exitStatus(), QProcess::NormalExit);
        QCOMPARE(shown.program->exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestRealWindow)
#include "test_realwindow.moc"
