// The About window is built afresh at every showing and destroyed at every closing: opening it
// many times must leave nothing behind.

#include "app/MainWindow.h"

#include <QApplication>
#include <QFile>
#include <QTest>
#include <QTimer>

class TestAboutRepeat : public QObject {
    Q_OBJECT

    // -1 when the file cannot be read: the check refuses a growth worked out from it.
    static long residentKb() {
        QFile status(QStringLiteral("/proc/self/status"));
        if (!status.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray text = status.readAll();
        return text.mid(text.indexOf("VmRSS:") + 6).trimmed().split(' ').value(0).toLong();
    }

private slots:
    void openAndClose500Times_leavesNothingBehind() {
        const std::unique_ptr<forms::Toolkit> toolkit = forms::makeToolkit();
        app::Program program(*toolkit);
        const qsizetype windowsBefore = QApplication::topLevelWidgets().size();
        int shown = 0;
        long afterWarmUp = 0;
        for (int round = 0; round < 500; ++round) {
            QTimer::singleShot(0, [&] {
                QWidget* about = QApplication::activeModalWidget();
                QVERIFY(about && about->windowTitle() == QLatin1String("Mensagens"));
                // The X11 window system takes the icon's pixmaps at every showing (offscreen never
                // does); they are cached per icon, so a showing must not bring an icon of its own.
                for (int side : {16, 24, 32, 48, 64, 128})
                    QVERIFY(!about->windowIcon().pixmap(side, side).isNull());
                ++shown;
                about->close();
            });
            program.mainWindow()->handlers.mnuSobre_Click();
            afterWarmUp = round == 100 ? residentKb() : afterWarmUp;
        }
        QCOMPARE(shown, 500);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(QApplication::topLevelWidgets().size(), windowsBefore);
        const long now = residentKb();
        QVERIFY2(afterWarmUp >= 0 && now >= 0, "the resident memory could not be read");
        const long growth = now - afterWarmUp;
        qInfo("resident memory grew by %ld kB over 400 openings", growth);
        // The sanitized build keeps freed memory in quarantine; LeakSanitizer checks it instead.
        QVERIFY2(growth < 1024 || qEnvironmentVariable("BRELUNDA_SANITIZED") == QLatin1String("ON"),
                 qPrintable(QString::number(growth)));
    }
};

QTEST_GUILESS_MAIN(TestAboutRepeat)
#include "test_aboutrepeat.moc"
