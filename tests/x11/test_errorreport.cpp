#include "XSession.h"

#include <QTest>

// The run-time error report of the real runtime: a box captioned "Brelunda" with the error's
// number and description, the same words on standard error, and a non-zero exit status.
class TestErrorReport : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"), "run under tests/x11/with-display.sh");
    }

    void error_isReportedAndEndsTheProcess_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing picture") << "picture"
                                         << "Run-time error '481': Invalid picture";
        QTest::newRow("missing icon") << "icon"
                                      << "Run-time error '53': File not found: :/ui/assets/missing.ico";
        QTest::newRow("missing control") << "control"
                                         << "Run-time error '730': Control 'L3' not found";
        QTest::newRow("overflow") << "overflow"
                                  << "Run-time error '6': Overflow";
    }
    void error_isReportedAndEndsTheProcess() {
        QFETCH(QString, fault);
        QFETCH(QString, message);
        QProcess probe;
        probe.start(QStringLiteral(BRELUNDA_ERROR_PROBE), {fault});
        QVERIFY(probe.waitForStarted());
        QString box;
        QVERIFY(x11::waitFor([&] {
            const QStringList found = x11::findWindows(probe.processId(), QStringLiteral("Brelunda"));
            box = found.value(0);
            return !box.isEmpty();
        }));
        // The program stays in the report until the user has read it.
        QVERIFY(!probe.waitForFinished(300));
        QVERIFY(QString::fromUtf8(probe.readAllStandardError()).contains(message));
        x11::run(QStringLiteral("xdotool"),
                 {QStringLiteral("windowactivate"), QStringLiteral("--sync"), box});
        x11::key(QStringLiteral("Return"));
        QVERIFY(probe.waitForFinished(5000));
        QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
        QCOMPARE(probe.exitCode(), 1);
    }
};

QTEST_GUILESS_MAIN(TestErrorReport)
#include "test_errorreport.moc"
