#include "app/FixedSize.h"
#include "fakes/RecordingForms.h"

#include <QTest>

using fakes::Log;

Q_DECLARE_METATYPE(forms::WindowState)

class TestFixedSize : public QObject {
    Q_OBJECT

private slots:
    void holdOuterSize_data() {
        QTest::addColumn<bool>("wholePixels");
        QTest::addColumn<bool>("about");
        QTest::addColumn<float>("height");
        QTest::addColumn<float>("width");
        QTest::addColumn<QStringList>("sets");
        QTest::addColumn<int>("calls");
        // The main window's 7015 twips is 467⅔ pixels: a pixel-based window reports 7020 back
        // every time, and the rule must still come to rest.
        QTest::newRow("both differ") << false << false << 6000.f << 8000.f
                                     << QStringList{"set height", "set width"} << 3;
        QTest::newRow("only the width differs")
            << false << false << 7015.f << 8000.f << QStringList{"set width"} << 2;
        QTest::newRow("already fixed") << false << false << 7015.f << 9150.f << QStringList{} << 1;
        QTest::newRow("taller and wider")
            << false << false << 9000.f << 12000.f << QStringList{"set height", "set width"} << 3;
        QTest::newRow("whole pixels, both differ")
            << true << false << 6000.f << 8000.f
            << QStringList{"set height", "set height", "set width", "set height"} << 3;
        QTest::newRow("whole pixels, at rest")
            << true << false << 7020.f << 9150.f << QStringList{"set height"} << 1;
        QTest::newRow("about, both differ")
            << true << true << 3000.f << 3000.f << QStringList{"set height", "set width"} << 3;
        QTest::newRow("about, only the width")
            << true << true << 5355.f << 6000.f << QStringList{"set width"} << 2;
    }
    void holdOuterSize() {
        QFETCH(bool, wholePixels);
        QFETCH(bool, about);
        QFETCH(float, height);
        QFETCH(float, width);
        QFETCH(QStringList, sets);
        QFETCH(int, calls);
        const forms::OuterSize size = about ? app::sobreSize : app::brelundaSize;
        Log log;
        fakes::FakeWindow window(log, height, width, wholePixels);
        window.onResize = [&] { app::holdOuterSize(window, size); };
        window.resizeEvent();
        QStringList actual;
        for (const std::string& entry : log)
            actual << QString::fromStdString(entry);
        QCOMPARE(actual, sets);
        QCOMPARE(window.calls, calls);
        QVERIFY(window.deepest <= 3);
        QCOMPARE(int(window.height() / 15 + 0.5f), int(size.height / 15 + 0.5f));
        QCOMPARE(window.width(), size.width);
    }

    void holdOuterSize_leavesMinimisedAndMaximisedAlone_data() {
        QTest::addColumn<forms::WindowState>("state");
        QTest::newRow("minimised") << forms::WindowState::Minimized;
        QTest::newRow("maximised") << forms::WindowState::Maximized;
    }
    void holdOuterSize_leavesMinimisedAndMaximisedAlone() {
        QFETCH(forms::WindowState, state);
        Log log;
        fakes::FakeWindow window(log, 12000, 20000, true);
        window.state = state;
        window.onResize = [&] { app::holdOuterSize(window, app::brelundaSize); };
        window.resizeEvent();
        QVERIFY(log.empty());
        QCOMPARE(window.height(), 12000.f);
        // Restored: the fixed size comes back.
        window.state = forms::WindowState::Normal;
        window.resizeEvent();
        QCOMPARE(window.width(), 9150.f);
        QCOMPARE(window.height(), 7020.f);
    }
};

QTEST_GUILESS_MAIN(TestFixedSize)
#include "test_fixedsize.moc"
