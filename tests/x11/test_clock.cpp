#include "MainWindowView.h"

#include <QHash>
#include <QTest>
#include <QTimeZone>

// Which day the unmodified program shows, with its clock put at the edges of days, months, years,
// time zones and daylight-saving changes.
class TestClock : public QObject {
    Q_OBJECT

    using View = x11::MainWindowView;
    QHash<int, QImage> references;

    bool shows(const View& view, int day) {
        const bool shown = view.waitUntilShows(references.value(day));
        if (!shown)
            qWarning("day %d is not shown", day);
        return shown;
    }

private slots:
    void initTestCase() {
        QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"), "run under tests/x11/with-display.sh");
        for (int day : {4, 5, 6, 14, 15, 16, 29, 30, 31})
            references[day] =
                View::start(QStringLiteral("2026-12-%1 12:00:00").arg(day, 2, 10, QLatin1Char('0')))
                    .clientArea();
    }

    void dayOfTheMonth_isTheLocalOne_data() {
        QTest::addColumn<QString>("zone");
        QTest::addColumn<QDateTime>("localStart");
        QTest::addColumn<int>("expected");
        const auto at = [](const char* zone, int y, int m, int d, int h, int min, int s) {
            return QDateTime(QDate(y, m, d), QTime(h, min, s), QTimeZone(zone));
        };
        QTest::newRow("29 February") << "UTC" << at("UTC", 2028, 2, 29, 12, 0, 0) << 29;
        QTest::newRow("30th of a 30-day month") << "UTC" << at("UTC", 2026, 11, 30, 8, 0, 0) << 30;
        QTest::newRow("31st") << "UTC" << at("UTC", 2027, 1, 31, 8, 0, 0) << 31;
        // The UTC date is the 16th, the local one the 15th, and the other way round.
        QTest::newRow("UTC-12, a day behind UTC")
            << "Etc/GMT+12" << at("Etc/GMT+12", 2026, 12, 15, 18, 0, 0) << 15;
        QTest::newRow("UTC+14, a day ahead of UTC")
            << "Pacific/Kiritimati" << at("Pacific/Kiritimati", 2026, 12, 16, 1, 0, 0) << 16;
    }
    void dayOfTheMonth_isTheLocalOne() {
        QFETCH(QString, zone);
        QFETCH(QDateTime, localStart);
        QFETCH(int, expected);
        QVERIFY(localStart.isValid());
        View view = View::start(localStart, {QStringLiteral("TZ=") + zone});
        QVERIFY(shows(view, expected));
    }

    // Past midnight the shown day stays; "&Hoje" reads the clock afresh and shows the new day.
    void pastMidnight_hojeShowsTheNewDay_data() {
        QTest::addColumn<QString>("zone");
        QTest::addColumn<QDateTime>("localStart");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("an ordinary midnight")
            << "UTC" << QDateTime(QDate(2026, 12, 15), QTime(23, 59, 55), QTimeZone("UTC")) << 15 << 16;
        // Clocks here jump from 24:00 straight to 01:00 on this night.
        QTest::newRow("a daylight-saving change at midnight")
            << "America/Santiago"
            << QDateTime(QDate(2026, 9, 5), QTime(23, 59, 55), QTimeZone("America/Santiago")) << 5 << 6;
    }
    void pastMidnight_hojeShowsTheNewDay() {
        QFETCH(QString, zone);
        QFETCH(QDateTime, localStart);
        QFETCH(int, before);
        QFETCH(int, after);
        View view = View::start(localStart, {QStringLiteral("TZ=") + zone});
        QVERIFY(shows(view, before));
        QTest::qWait(6000);
        QVERIFY(shows(view, before));
        x11::key(QStringLiteral("alt+n"));
        QVERIFY(shows(view, before - 1));
        x11::key(QStringLiteral("alt+h"));
        QVERIFY(shows(view, after));
    }
};

QTEST_GUILESS_MAIN(TestClock)
#include "test_clock.moc"
