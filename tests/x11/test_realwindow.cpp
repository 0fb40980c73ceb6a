#include "MainWindowView.h"

#include <QHash>
#include <QTest>
#include <algorithm>
#include <memory>

// The built program in a real X server under a window manager, driven by real key presses and
// clicks, measured from screenshots.
class TestRealWindow : public QObject {
    Q_OBJECT

    using View = x11::MainWindowView;

    QHash<int, QImage> references;

    // L1..L4 in client-area pixels.
    const QList<QRect> labelRects{QRect(120, 16, 441, 33), QRect(120, 56, 441, 33), QRect(120, 96, 441, 49),
                                  QRect(56, 152, 505, 257)};

    static View start(int day) {
        return View::start(QStringLiteral("2026-12-%1 10:00:00").arg(day, 2, 10, QLatin1Char('0')));
    }

    bool shows(const View& view, int day) { return view.waitUntilShows(references.value(day)); }

    // After a command that must do nothing, give the program time to do something all the same.
    bool stillShows(const View& view, int day) {
        QTest::qWait(400);
        const int differing = x11::differingPixels(view.clientArea(), references.value(day));
        if (differing)
            qWarning("%d pixels differ from day %d", differing, day);
        return differing == 0;
    }

private slots:
    void initTestCase() {
        QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"), "run under tests/x11/with-display.sh");
        QVERIFY(!x11::backgroundPicture().isNull());
        // What the program shows when started on each of these days, taken with no other window open.
        for (int day : {1, 2, 14, 15, 16, 30, 31})
            references[day] = start(day).clientArea();
    }

    void startsCentredWithTodaysReading_data() {
        QTest::addColumn<int>("day");
        QTest::newRow("the 1st") << 1;
        QTest::newRow("the 15th") << 15;
        QTest::newRow("the 31st") << 31;
    }
    void startsCentredWithTodaysReading() {
        QFETCH(int, day);
        View view = start(day);
        QCOMPARE(x11::title(view.window()), QString("Brelunda"));
        const QRect outer = view.geometry().outer();
        QCOMPARE(outer.size(), QSize(610, 468));
        const QSize screen = x11::screenSize();
        QVERIFY2(std::abs(outer.center().x() * 2 + 1 - screen.width()) <= 2,
                 qPrintable(QString::number(outer.x())));
        QVERIFY2(std::abs(outer.center().y() * 2 + 1 - screen.height()) <= 2,
                 qPrintable(QString::number(outer.y())));

        const x11::LabelInk ink = x11::labelInk(view.clientArea(), x11::backgroundPicture(), labelRects);
        QCOMPARE(ink.stray, 0);
        QCOMPARE(ink.notGreen, 0);
        for (int pixels : ink.pixels)
            QVERIFY(pixels > 20);
        // The right-aligned verse and commentary end on the labels' common right edge, x = 561.
        for (int label : {2, 3})
            QVERIFY2(std::abs(ink.rightmostEnd[label] - 561) <= 1,
                     qPrintable(QString::number(ink.rightmostEnd[label])));
    }

    // Laid out for the window manager's frame before it is shown: the first frame on the screen
    // is the last, with no resize or move once the frame arrives.
    void firstShown_whereAndAsLargeAsItStays() {
        x11::Program program(QStringLiteral("2026-12-15 10:00:00"));
        const QList<QRect> places = x11::placesFromFirstShow(program.pid(), QStringLiteral("Brelunda"), 400);
        QVERIFY2(places.size() == 1, qPrintable(x11::describe(places)));
        const x11::WindowGeometry settled =
            program.waitForSettled(program.waitForWindow(QStringLiteral("Brelunda")));
        QCOMPARE(places.first(), settled.client);
        QCOMPARE(settled.outer().size(), QSize(610, 468));
    }

    void menuBar_greysHojeAndIgnoresIt() {
        View view = start(15);
        const QImage shot = x11::screenshot();
        const QList<QRect> titles = view.menuTitles(shot);
        QCOMPARE(titles.size(), 5);
        QVERIFY(std::is_sorted(titles.begin(), titles.end(),
                               [](const QRect& a, const QRect& b) { return a.left() < b.left(); }));
        for (int i : {0, 1, 2, 4})
            QVERIFY2(!View::isGreyed(shot, titles[i]), qPrintable(QString::number(i)));
        QVERIFY(View::isGreyed(shot, titles[3]));

        x11::key(QStringLiteral("alt+h"));
        QVERIFY(stillShows(view, 15));
        x11::click(titles[3].center());
        QVERIFY(stillShows(view, 15));
    }

    void keysAndClicks_stepTheDay() {
        View view = start(15);
        const QList<QRect> titles = view.menuTitles(x11::screenshot());
        QCOMPARE(titles.size(), 5);
        x11::key(QStringLiteral("alt+p"));
        QVERIFY(shows(view, 16));
        x11::key(QStringLiteral("alt+n"));
        QVERIFY(shows(view, 15));
        x11::key(QStringLiteral("alt+n"));
        QVERIFY(shows(view, 14));
        x11::click(titles[2].center());
        QVERIFY(shows(view, 15));
        x11::click(titles[2].center());
        QVERIFY(shows(view, 16));
        // Hoje is enabled after a step and brings today back, clicked or by its key.
        x11::click(titles[3].center());
        QVERIFY(shows(view, 15));
        x11::click(titles[1].center());
        QVERIFY(shows(view, 14));
        x11::key(QStringLiteral("alt+h"));
        QVERIFY(shows(view, 15));
        // ...and is disabled again now.
        x11::key(QStringLiteral("alt+n"));
        QVERIFY(shows(view, 14));
        x11::key(QStringLiteral("alt+h"));
        QVERIFY(shows(view, 15));
        x11::key(QStringLiteral("alt+h"));
        QVERIFY(stillShows(view, 15));
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
        View view = start(today);
        const QImage shot = x11::screenshot();
        const QList<QRect> titles = view.menuTitles(shot);
        QCOMPARE(titles.size(), 5);
        QVERIFY(View::isGreyed(shot, titles[blockedTitle]));
        x11::key(blockedKey);
        QVERIFY(stillShows(view, today));
        x11::click(titles[blockedTitle].center());
        QVERIFY(stillShows(view, today));
        x11::key(otherKey);
        QVERIFY(shows(view, otherDay));
        // One step back in: the bound's item is enabled again and takes the day back.
        x11::click(titles[blockedTitle].center());
        QVERIFY(shows(view, today));
    }

    void sair_endsTheProcessWithStatusZero() {
        View view = start(20);
        x11::key(QStringLiteral("alt+a"));
        QTest::qWait(300);
        x11::key(QStringLiteral("s"));
        QVERIFY(view.program().waitForExit());
        QCOMPARE(view.program().exitStatus(), QProcess::NormalExit);
        QCOMPARE(view.program().exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestRealWindow)
#include "test_realwindow.moc"
