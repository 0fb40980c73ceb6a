#include "MainWindowView.h"

#include <QHash>
#include <QTest>
#include <QThread>
#include <algorithm>

// The About window in a real X server under a window manager: how it opens and closes, what it
// lets through to the main window meanwhile, how it looks to the pixel, and how both windows
// hold their outer sizes against the window manager's own resizing.
class TestAbout : public QObject {
    Q_OBJECT

    using View = x11::MainWindowView;

    static constexpr QSize aboutOuter{346, 357};
    static constexpr QSize mainOuter{610, 468};
    static constexpr QRgb paleYellow = 0xffffffdc;

    // The main window's client area on these days, taken with no other window open.
    QHash<int, QImage> references;

    // The About window's labels and rules in client-area pixels.
    const QList<QRect> labelBoxes{QRect(32, 8, 289, 33),   QRect(32, 56, 97, 17),    QRect(32, 72, 185, 17),
                                  QRect(192, 96, 137, 17), QRect(104, 112, 225, 17), QRect(32, 168, 297, 65),
                                  QRect(8, 248, 313, 65)};
    const QRect darkRule{32, 87, 296, 2};
    const QRect lightRule{31, 90, 299, 1};

    static View start(int day) {
        return View::start(QStringLiteral("2026-12-%1 10:00:00").arg(day, 2, 10, QLatin1Char('0')));
    }

    static QStringList aboutWindows(View& view) {
        return x11::findWindows(view.program().pid(), QStringLiteral("Mensagens"));
    }

    static x11::WindowGeometry settledAbout(View& view, QString* id = nullptr) {
        const QString window = view.program().waitForWindow(QStringLiteral("Mensagens"));
        if (id)
            *id = window;
        return view.program().waitForSettled(window);
    }

    // The region of the screen that changes while `action` runs, once it has changed.
    static QRect changedBy(const std::function<void()>& action) {
        const QImage before = x11::screenshot();
        action();
        QRect changed;
        x11::waitFor([&] {
            const QImage after = x11::screenshot();
            changed = QRect();
            for (int y = 0; y < after.height(); ++y)
                for (int x = 0; x < after.width(); ++x)
                    if (after.pixel(x, y) != before.pixel(x, y))
                        changed = changed.united(QRect(x, y, 1, 1));
            return !changed.isEmpty();
        });
        return changed;
    }

    // The drop-down that `action` opens: what changes below the menu bar. (The title on the bar is
    // highlighted too.) The Ajuda drop-down holds one item, so its middle is on it.
    static QRect dropDown(const View& view, const std::function<void()>& action) {
        const QRect below = changedBy(action).intersected(QRect(0, view.clientOrigin().y(), 100000, 100000));
        if (below.isEmpty())
            x11::fail("no drop-down opened below the menu bar");
        return below;
    }

    // Alt+U drops the Ajuda menu down; S, its only item, runs once it is there.
    static void openByKeys(const View& view) {
        dropDown(view, [] { x11::key(QStringLiteral("alt+u")); });
        x11::key(QStringLiteral("s"));
    }

    static void openByClicks(const View& view) {
        const QRect ajuda = view.menuTitles(x11::screenshot()).value(4);
        x11::click(dropDown(view, [&] { x11::click(ajuda.center()); }).center());
    }

    // The main window's client area, with whatever another window covers blanked out.
    static QImage uncovered(const View& view, const QImage& shot, const QRect& cover) {
        QImage client = view.clientArea(shot);
        for (int y = 0; y < client.height(); ++y)
            for (int x = 0; x < client.width(); ++x)
                if (cover.contains(view.clientOrigin() + QPoint(x, y)))
                    client.setPixel(x, y, 0);
        return client;
    }

    // Whether the window stays at that outer size for a while, polled rather than looked at once.
    static bool keeps(const QString& window, QSize outer, int forMs = 400) {
        QRect seen;
        const bool changed = x11::waitFor(
            [&] {
                seen = x11::geometry(window).outer();
                return seen.size() != outer;
            },
            forMs);
        if (changed)
            qWarning("the window went to %d,%d %dx%d", seen.x(), seen.y(), seen.width(), seen.height());
        return !changed;
    }

    static bool isCentred(const QRect& outer) {
        const QSize screen = x11::screenSize();
        return std::abs(outer.center().x() * 2 + 1 - screen.width()) <= 2 &&
               std::abs(outer.center().y() * 2 + 1 - screen.height()) <= 2;
    }

    static QString state(const QString& window) {
        return QString::fromUtf8(x11::run(QStringLiteral("xprop"),
                                          {QStringLiteral("-id"), window, QStringLiteral("_NET_WM_STATE")}));
    }

    // The maximise button, the middle one of the three at the right of the window manager's title
    // bar: the first click maximises, the next restores.
    static void clickMaximiseButton(const QString& window) {
        const QRect outer = x11::geometry(window).outer();
        x11::click(QPoint(outer.right() - 26, outer.top() + 10));
    }

    static void pointer(const char* action, QPoint at = {}) {
        QStringList arguments{QLatin1String(action)};
        if (QLatin1String(action) == QLatin1String("mousemove"))
            arguments << QString::number(at.x()) << QString::number(at.y());
        else
            arguments << QStringLiteral("1");
        x11::run(QStringLiteral("xdotool"), arguments);
    }

private slots:
    void initTestCase() {
        QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"), "run under tests/x11/with-display.sh");
        QVERIFY(!x11::backgroundPicture().isNull());
        for (int day : {15, 16})
            references[day] = start(day).clientArea();
        QVERIFY(x11::differingPixels(references[15], references[16]) > 0);
    }

    void opens_centredAndModal_data() {
        QTest::addColumn<bool>("byKeys");
        QTest::newRow("Alt+U, S") << true;
        QTest::newRow("clicks") << false;
    }
    void opens_centredAndModal() {
        QFETCH(bool, byKeys);
        View view = start(15);
        const QList<QRect> titles = view.menuTitles(x11::screenshot());
        QCOMPARE(titles.size(), 5);
        byKeys ? openByKeys(view) : openByClicks(view);
        QString about;
        const x11::WindowGeometry geometry = settledAbout(view, &about);
        QCOMPARE(x11::title(about), QString("Mensagens"));
        QCOMPARE(geometry.outer().size(), aboutOuter);
        QVERIFY2(isCentred(geometry.outer()),
                 qPrintable(QStringLiteral("%1,%2").arg(geometry.outer().x()).arg(geometry.outer().y())));

        // The main window takes no key, no click on its menu bar and no click on its close box.
        const QRect cover = geometry.outer();
        const QImage before = uncovered(view, x11::screenshot(), cover);
        const QRect mainOuterRect = view.geometry().outer();
        x11::key(QStringLiteral("alt+p"));
        x11::click(titles[2].center());
        x11::key(QStringLiteral("alt+p"));
        x11::click(QPoint(mainOuterRect.right() - 10, mainOuterRect.top() + 10));
        QTest::qWait(400);
        QCOMPARE(x11::differingPixels(uncovered(view, x11::screenshot(), cover), before), 0);
        QCOMPARE(aboutWindows(view).size(), 1);
        QCOMPARE(x11::geometry(about).outer(), cover);

        // Neither Escape nor Return closes it; the window manager's close key does.
        view.program().activate(about);
        x11::key(QStringLiteral("Escape"));
        x11::key(QStringLiteral("Return"));
        x11::key(QStringLiteral("KP_Enter"));
        QTest::qWait(400);
        QCOMPARE(aboutWindows(view).size(), 1);
        x11::key(QStringLiteral("alt+F4"));
        QVERIFY(x11::waitFor([&] { return aboutWindows(view).isEmpty(); }));

        // The same reading as before, and the main window's keys work again.
        QVERIFY(view.waitUntilShows(references[15]));
        x11::key(QStringLiteral("alt+p"));
        QVERIFY(view.waitUntilShows(references[16]));

        // The close box clicked above was the close box: with no About open it ends the program.
        x11::click(QPoint(mainOuterRect.right() - 10, mainOuterRect.top() + 10));
        QVERIFY(view.program().waitForExit());
        QCOMPARE(view.program().exitCode(), 0);
    }

    // Like the main window, laid out for its frame before it is shown: never resized or moved
    // once it is on the screen.
    void firstShown_whereAndAsLargeAsItStays() {
        View view = start(15);
        openByKeys(view);
        const QList<QRect> places =
            x11::placesFromFirstShow(view.program().pid(), QStringLiteral("Mensagens"), 400);
        QVERIFY2(places.size() == 1, qPrintable(x11::describe(places)));
        const x11::WindowGeometry settled = settledAbout(view);
        QCOMPARE(places.first(), settled.client);
        QCOMPARE(settled.outer().size(), aboutOuter);
    }

    void reopens_centredAfterBeingMoved() {
        View view = start(15);
        openByKeys(view);
        QString about;
        settledAbout(view, &about);
        x11::run(QStringLiteral("xdotool"),
                 {QStringLiteral("windowmove"), about, QStringLiteral("40"), QStringLiteral("60")});
        QVERIFY(x11::waitFor([&] { return !isCentred(x11::geometry(about).outer()); }));
        x11::key(QStringLiteral("alt+F4"));
        QVERIFY(x11::waitFor([&] { return aboutWindows(view).isEmpty(); }));
        QVERIFY(view.waitUntilShows(references[15]));

        openByKeys(view);
        const x11::WindowGeometry again = settledAbout(view, &about);
        QCOMPARE(again.outer().size(), aboutOuter);
        QVERIFY2(isCentred(again.outer()),
                 qPrintable(QStringLiteral("%1,%2").arg(again.outer().x()).arg(again.outer().y())));
    }

    // Measured by pixel: the pale background, the two rules, and text only inside the labels.
    void looks_asLaidOut() {
        View view = start(15);
        openByKeys(view);
        const x11::WindowGeometry geometry = settledAbout(view);
        QTest::qWait(200);
        const QImage client = x11::screenshot().copy(geometry.client);
        QCOMPARE(client.size(), QSize(344, 332));

        // The rules, one row and one column beyond them included: exactly their pixels.
        const auto grey = [&](int x, int y) { return qGray(client.pixel(x, y)); };
        for (int y = darkRule.top() - 1; y <= lightRule.bottom() + 1; ++y) {
            for (int x = lightRule.left() - 1; x <= lightRule.right() + 1; ++x) {
                const QRgb pixel = client.pixel(x, y) | 0xff000000;
                const QString where = QStringLiteral("%1,%2 is %3").arg(x).arg(y).arg(QColor(pixel).name());
                if (darkRule.contains(x, y))
                    QVERIFY2(grey(x, y) < 20, qPrintable(where));
                else if (lightRule.contains(x, y))
                    QVERIFY2(std::abs(grey(x, y) - 0xca) <= 8 && qRed(pixel) == qBlue(pixel),
                             qPrintable(where));
                else if (y > darkRule.bottom() || !QRect(32, 72, 185, 17).contains(x, y))
                    QVERIFY2(pixel == paleYellow, qPrintable(where));
            }
        }

        int background = 0, stray = 0;
        QList<int> inkPerLabel(labelBoxes.size(), 0);
        for (int y = 0; y < client.height(); ++y) {
            for (int x = 0; x < client.width(); ++x) {
                const QRgb pixel = client.pixel(x, y) | 0xff000000;
                if (pixel == paleYellow) {
                    ++background;
                    continue;
                }
                if (darkRule.contains(x, y) || lightRule.contains(x, y))
                    continue;
                const auto box = std::find_if(labelBoxes.begin(), labelBoxes.end(),
                                              [&](const QRect& r) { return r.contains(x, y); });
                if (box == labelBoxes.end()) {
                    ++stray;
                    continue;
                }
                ++inkPerLabel[box - labelBoxes.begin()];
                // Olive and light olive on pale yellow: red and green alike, blue below them.
                QVERIFY2(std::abs(qRed(pixel) - qGreen(pixel)) <= 8 && qBlue(pixel) <= qGreen(pixel),
                         qPrintable(QStringLiteral("%1,%2 is %3").arg(x).arg(y).arg(QColor(pixel).name())));
            }
        }
        QCOMPARE(stray, 0);
        QVERIFY(background > client.width() * client.height() * 3 / 4);
        for (int i = 0; i < inkPerLabel.size(); ++i)
            QVERIFY2(inkPerLabel[i] > 30, qPrintable(QString::number(i)));
    }

    // Resized from outside, each window goes back to its outer size; minimised and restored it
    // has it again; maximised it stays so until restored.
    void outerSize_isHeld_data() {
        QTest::addColumn<bool>("about");
        QTest::newRow("main window") << false;
        QTest::newRow("About") << true;
    }
    void outerSize_isHeld() {
        QFETCH(bool, about);
        View view = start(15);
        QString window = view.window();
        const QSize fixed = about ? aboutOuter : mainOuter;
        if (about) {
            openByKeys(view);
            settledAbout(view, &window);
        }
        QCOMPARE(x11::geometry(window).outer().size(), fixed);

        // A client asking for another size: the window manager gives it, and the window goes back.
        x11::run(QStringLiteral("xdotool"),
                 {QStringLiteral("windowsize"), window, QStringLiteral("250"), QStringLiteral("200")});
        QVERIFY(x11::waitFor([&] { return x11::geometry(window).outer().size() != fixed; }, 2000));
        QVERIFY(x11::waitFor([&] { return x11::geometry(window).outer().size() == fixed; }));
        QVERIFY(keeps(window, fixed));

        // The user dragging the frame's bottom-right corner: the window manager holds the new
        // size while the button is down, and the window goes back once it is let go.
        const QPoint corner = x11::geometry(window).outer().bottomRight() - QPoint(1, 1);
        pointer("mousemove", corner);
        QThread::msleep(100);
        pointer("mousedown");
        for (int step = 1; step <= 6; ++step)
            pointer("mousemove", corner - QPoint(20 * step, 15 * step));
        const bool resizedMeanwhile =
            x11::waitFor([&] { return x11::geometry(window).outer().size() != fixed; }, 2000);
        pointer("mouseup");
        QVERIFY(resizedMeanwhile);
        QVERIFY(x11::waitFor([&] { return x11::geometry(window).outer().size() == fixed; }));
        QVERIFY(keeps(window, fixed));

        // Minimised and restored.
        const QRect placed = x11::geometry(window).outer();
        x11::run(QStringLiteral("xdotool"), {QStringLiteral("windowminimize"), window});
        QVERIFY(x11::waitFor([&] { return state(window).contains(QLatin1String("HIDDEN")); }));
        x11::run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), window});
        QVERIFY(x11::waitFor([&] { return !state(window).contains(QLatin1String("HIDDEN")); }));
        QVERIFY(keeps(window, fixed));
        QCOMPARE(x11::geometry(window).outer(), placed);

        // Maximised: the window manager's size stands; restored: the fixed size and place.
        clickMaximiseButton(window);
        QVERIFY(
            x11::waitFor([&] { return x11::geometry(window).outer().width() == x11::screenSize().width(); }));
        const QSize maximised = x11::geometry(window).outer().size();
        QVERIFY(maximised.height() > fixed.height());
        QVERIFY(keeps(window, maximised));
        clickMaximiseButton(window);
        QVERIFY(x11::waitFor([&] { return x11::geometry(window).outer() == placed; }));
        QVERIFY(keeps(window, fixed));
        QCOMPARE(x11::geometry(window).outer(), placed);
    }
};

QTEST_GUILESS_MAIN(TestAbout)
#include "test_about.moc"
