// The program's logic against recording fakes: start-up, the commands, the presenter and the
// fixed-size rule, as app/ and messages/ run them on any toolkit.

#include "app/CheckedInt16.h"
#include "app/FixedSize.h"
#include "app/MainWindow.h"
#include "fakes.h"
#include "messages/DailyEntry.h"
#include "messages/FuncBrelunda.h"

#include <QTest>
#include <array>
#include <random>

using fakes::Log;

Q_DECLARE_METATYPE(forms::WindowState)

class TestLogic : public QObject {
    Q_OBJECT

    Log log;
    std::vector<forms::RuntimeError> reported;
    std::unique_ptr<fakes::FakeToolkit> toolkit;
    std::unique_ptr<app::Program> program;
    fakes::FakeClock* clock = nullptr;

    // The program started on that day, its start-up's calls forgotten.
    fakes::FakeFormWindow& start(int today) {
        clock = &fakes::FakeClock::install(today);
        program = std::make_unique<app::Program>(*toolkit);
        log.clear();
        return *toolkit->made.front();
    }

    QString states() {
        auto& window = *toolkit->made.front();
        const auto on = [&](const char* item) { return window.item(item).isEnabled() ? "on" : "off"; };
        return QStringLiteral("day %1, anterior %2, proximo %3, hoje %4")
            .arg(FuncBrelunda::CurrentDay)
            .arg(on("mnuAnterior"), on("mnuProximo"), on("mnuHoje"));
    }

    static QStringList strings(const Log& entries) {
        QStringList list;
        for (const std::string& entry : entries)
            list << QString::fromStdString(entry);
        return list;
    }

private slots:
    void init() {
        log.clear();
        reported.clear();
        forms::resetEnded();
        forms::setErrorReporter([this](const forms::RuntimeError& error) { reported.push_back(error); });
        FuncBrelunda::CurrentDay = 0;
        FuncBrelunda::TargetForm.reset();
        toolkit = std::make_unique<fakes::FakeToolkit>(log);
    }
    void cleanup() { program.reset(); }
    void cleanupTestCase() { forms::Clock::setInstance(nullptr); }

    // One reading of the clock sets the states and the day, before the window is placed and shown.
    void start_loadsTodayBeforeTheFirstShow_data() {
        QTest::addColumn<int>("today");
        QTest::addColumn<QString>("sets");
        QTest::addColumn<QString>("states");
        QTest::newRow("the 1st") << 1 << "mnuAnterior off"
                                 << "day 1, anterior off, proximo on, hoje off";
        QTest::newRow("the 15th") << 15 << ""
                                  << "day 15, anterior on, proximo on, hoje off";
        QTest::newRow("the 30th") << 30 << ""
                                  << "day 30, anterior on, proximo on, hoje off";
        QTest::newRow("the 31st") << 31 << "mnuProximo off"
                                  << "day 31, anterior on, proximo off, hoje off";
    }
    void start_loadsTodayBeforeTheFirstShow() {
        QFETCH(int, today);
        QFETCH(QString, sets);
        QFETCH(QString, states);
        clock = &fakes::FakeClock::install(today);
        program = std::make_unique<app::Program>(*toolkit);
        QCOMPARE(clock->reads, 1);
        QStringList expected{"make Brelunda"};
        if (!sets.isEmpty())
            expected << sets;
        for (const char* key : {"L1", "L2", "L3", "L4"})
            expected << "controls" << QStringLiteral("item %1").arg(key)
                     << QStringLiteral("caption %1").arg(key) << "release";
        expected << "place 7015x9150"
                 << "show";
        QCOMPARE(strings(log).mid(0, expected.size()), expected);
        QCOMPARE(this->states(), states);
        QCOMPARE(toolkit->made.front()->form().captions.at("L1"), std::to_string(today));
        QCOMPARE(program->run(), 0);
    }

    // A run-time error during start-up goes to the report; the window is never shown.
    void start_errorIsReportedAndEndsTheProgram() {
        clock = &fakes::FakeClock::install(15);
        toolkit->labels = {"L1", "L2"};
        program = std::make_unique<app::Program>(*toolkit);
        QCOMPARE(reported.size(), std::size_t(1));
        QCOMPARE(forms::reportText(reported.front()),
                 std::string("Run-time error '730':\n\nControl 'L3' not found"));
        QVERIFY(!log.empty() && !strings(log).contains("show"));
        QCOMPARE(program->run(), 1);
        QVERIFY(!strings(log).contains("run"));
    }

    // Each command sets the enabled states in one fixed order, then writes the four labels.
    void command_setsEnabledStatesInOrder_data() {
        QTest::addColumn<int>("today");
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QStringList>("sets");
        const QStringList onOn{"mnuProximo on", "mnuHoje on"};
        QTest::newRow("anterior to day 1") << 2 << QStringList{"mnuAnterior"}
                                           << QStringList{"mnuAnterior off", "mnuProximo on", "mnuHoje on"};
        QTest::newRow("anterior to day 9") << 10 << QStringList{"mnuAnterior"} << onOn;
        QTest::newRow("proximo to day 31") << 30 << QStringList{"mnuProximo"}
                                           << QStringList{"mnuProximo off", "mnuAnterior on", "mnuHoje on"};
        QTest::newRow("proximo to day 11")
            << 10 << QStringList{"mnuProximo"} << QStringList{"mnuAnterior on", "mnuHoje on"};
        QTest::newRow("hoje on the 1st")
            << 1 << QStringList{"mnuProximo", "mnuHoje"}
            << QStringList{"mnuHoje off", "mnuAnterior on", "mnuProximo on", "mnuAnterior off"};
        QTest::newRow("hoje on the 31st")
            << 31 << QStringList{"mnuAnterior", "mnuHoje"}
            << QStringList{"mnuHoje off", "mnuAnterior on", "mnuProximo on", "mnuProximo off"};
    }
    void command_setsEnabledStatesInOrder() {
        QFETCH(int, today);
        QFETCH(QStringList, clicks);
        QFETCH(QStringList, sets);
        auto& window = start(today);
        for (const QString& item : clicks) {
            log.clear();
            window.click(item.toStdString());
        }
        QCOMPARE(strings(log).mid(0, sets.size()), sets);
        QCOMPARE(log.size(), std::size_t(sets.size() + 16));
    }

    void navigation_edgeCases_data() {
        QTest::addColumn<int>("today");
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<int>("clockAfterStart");
        QTest::addColumn<QString>("expected");
        const QString back = "mnuAnterior", forward = "mnuProximo", hoje = "mnuHoje";
        QTest::newRow("day 1 stays") << 1 << QStringList{back} << 1
                                     << "day 1, anterior off, proximo on, hoje off";
        QTest::newRow("day 31 stays")
            << 31 << QStringList{forward, hoje} << 31 << "day 31, anterior on, proximo off, hoje off";
        QTest::newRow("day 31 back") << 31 << QStringList{back} << 31
                                     << "day 30, anterior on, proximo on, hoje on";
        QTest::newRow("15th forward then back")
            << 15 << QStringList{forward, back} << 15 << "day 15, anterior on, proximo on, hoje on";
        QTest::newRow("hoje from day 20 on the 1st")
            << 1 << (QStringList(19, forward) << hoje) << 1 << "day 1, anterior off, proximo on, hoje off";
        QTest::newRow("hoje from day 3 on the 31st")
            << 31 << (QStringList(28, back) << hoje) << 31 << "day 31, anterior on, proximo off, hoje off";
        QTest::newRow("the shown day stays past midnight")
            << 30 << QStringList{} << 31 << "day 30, anterior on, proximo on, hoje off";
        QTest::newRow("hoje past midnight shows the new day")
            << 30 << QStringList{forward, hoje} << 1 << "day 1, anterior off, proximo on, hoje off";
    }
    void navigation_edgeCases() {
        QFETCH(int, today);
        QFETCH(QStringList, clicks);
        QFETCH(int, clockAfterStart);
        QFETCH(QString, expected);
        auto& window = start(today);
        clock->day = clockAfterStart;
        for (const QString& item : clicks)
            window.click(item.toStdString());
        QCOMPARE(states(), expected);
        QCOMPARE(window.form().captions.at("L1"), std::to_string(FuncBrelunda::CurrentDay));
    }

    // Whatever a user does with the items that are enabled, the states follow the day shown.
    void randomWalk_keepsTheInvariants() {
        std::mt19937 random(20261206);
        auto& window = start(1 + int(random() % 31));
        bool hoje = false;
        for (int step = 0; step < 5000; ++step) {
            if (random() % 50 == 0)
                clock->day = 1 + int(random() % 31);
            const std::string item = std::array{"mnuAnterior", "mnuProximo", "mnuHoje"}[random() % 3];
            const bool chosen = window.item(item).isEnabled();
            window.click(item);
            const int day = FuncBrelunda::CurrentDay;
            if (chosen)
                hoje = item != "mnuHoje";
            QVERIFY2(day >= 1 && day <= 31, qPrintable(states()));
            QVERIFY2(window.item("mnuAnterior").isEnabled() == (day > 1), qPrintable(states()));
            QVERIFY2(window.item("mnuProximo").isEnabled() == (day < 31), qPrintable(states()));
            QVERIFY2(window.item("mnuHoje").isEnabled() == hoje, qPrintable(states()));
            if (chosen && item == "mnuHoje")
                QCOMPARE(day, clock->day);
            QCOMPARE(window.form().captions.at("L1"), std::to_string(day));
        }
    }

    // Past the 16-bit range the step raises error 6 before anything is stored or set.
    void overflow_raisesError6AndStoresNothing_data() {
        QTest::addColumn<int>("day");
        QTest::addColumn<QString>("item");
        QTest::newRow("past the largest") << 32767 << "mnuProximo";
        QTest::newRow("below the most negative") << -32768 << "mnuAnterior";
    }
    void overflow_raisesError6AndStoresNothing() {
        QFETCH(int, day);
        QFETCH(QString, item);
        auto& window = start(15);
        FuncBrelunda::CurrentDay = std::int16_t(day);
        window.click(item.toStdString());
        QCOMPARE(reported.size(), std::size_t(1));
        QCOMPARE(forms::reportText(reported.front()), std::string("Run-time error '6':\n\nOverflow"));
        QCOMPARE(int(FuncBrelunda::CurrentDay), day);
        QVERIFY(log.empty());
        // Nothing of the program runs after its error.
        window.click("mnuHoje");
        window.click("mnuProximo");
        QVERIFY(log.empty());
    }

    void sair_endsTheProgramAndNothingRunsAfter() {
        auto& window = start(9);
        int ends = 0;
        forms::setEndHandler([&] { ++ends; });
        window.click("mnuSair");
        window.click("mnuProximo");
        window.window().resizeEvent();
        forms::setEndHandler(nullptr);
        QCOMPARE(ends, 1);
        QVERIFY(log.empty());
        QCOMPARE(program->run(), 0);
    }

    // The About object is made once; its window is built afresh, placed and held at its size at
    // every showing, and leaves the day and the states alone.
    void sobre_isMadeOnceAndItsWindowAtEveryShowing() {
        auto& window = start(9);
        window.click("mnuSobre");
        const forms::ModalWindow* first = app::Sobre.get();
        window.click("mnuSobre");
        QCOMPARE(app::Sobre.get(), first);
        const QStringList showing{"make Sobre", "place 5355x5190", "show modal", "set height", "set width"};
        QCOMPARE(strings(log), showing + showing);
        QCOMPARE(states(), QString("day 9, anterior on, proximo on, hoje off"));
    }

    // The presenter writes each label once, in order, each through a fresh lookup, and the
    // texts are the stored pieces joined by single line feeds, nothing trimmed or added.
    void showDay_writesThePiecesJoined() {
        fakes::RecordingForm form(log);
        forms::setMainFormFactory(
            [&form] { return std::shared_ptr<forms::Form>(&form, [](forms::Form*) {}); });
        for (int day = firstDay; day <= lastDay; ++day) {
            log.clear();
            FuncBrelunda::ShowDay(std::int16_t(day));
            QStringList expected;
            for (const char* key : {"L1", "L2", "L3", "L4"})
                expected << "controls" << QStringLiteral("item %1").arg(key)
                         << QStringLiteral("caption %1").arg(key) << "release";
            QCOMPARE(strings(log), expected);
            const DailyEntry& entry = MessageCatalogue[std::size_t(day - 1)];
            QCOMPARE(form.captions.at("L1"), std::to_string(day));
            QCOMPARE(form.captions.at("L2"), std::string(entry.Title));
            for (const auto& [label, pieces] :
                 {std::pair{"L3", entry.VersePieces}, std::pair{"L4", entry.CommentaryParagraphs}}) {
                std::string joined;
                for (std::size_t i = 0; i < pieces.size(); ++i)
                    joined += (i ? "\n" : "") + std::string(pieces[i]);
                QCOMPARE(form.captions.at(label), joined);
            }
        }
        forms::setMainFormFactory(nullptr);
    }

    void showDay_outsideTheMonth_changesNothing() {
        fakes::RecordingForm form(log);
        auto handle = std::shared_ptr<forms::Form>(&form, [](forms::Form*) {});
        forms::setMainFormFactory([handle] { return handle; });
        FuncBrelunda::ShowDay(7);
        const auto before = form.captions;
        for (int day : {0, 32, -1, 100, -32768, 32767}) {
            log.clear();
            FuncBrelunda::TargetForm.reset();
            FuncBrelunda::ShowDay(std::int16_t(day));
            QVERIFY(log.empty());
            QCOMPARE(form.captions, before);
            QCOMPARE(FuncBrelunda::TargetForm, handle);
        }
        forms::setMainFormFactory(nullptr);
    }

    // Each size is read once and set only when it differs; sets raise nested resizes that end.
    void holdOuterSize_data() {
        QTest::addColumn<bool>("wholePixels");
        QTest::addColumn<forms::WindowState>("state");
        QTest::addColumn<float>("height");
        QTest::addColumn<float>("width");
        QTest::addColumn<QStringList>("sets");
        const auto normal = forms::WindowState::Normal;
        QTest::newRow("both differ") << false << normal << 6000.f << 8000.f
                                     << QStringList{"set height", "set width"};
        QTest::newRow("only the width") << false << normal << 7015.f << 8000.f << QStringList{"set width"};
        QTest::newRow("already fixed") << false << normal << 7015.f << 9150.f << QStringList{};
        // 7015 twips is 467 2/3 pixels: a pixel-based window reports 7020 back every time, and
        // setting it again changes no pixel and raises nothing.
        QTest::newRow("whole pixels, both differ")
            << true << normal << 6000.f << 8000.f
            << QStringList{"set height", "set height", "set width", "set height"};
        QTest::newRow("whole pixels, at rest")
            << true << normal << 7020.f << 9150.f << QStringList{"set height"};
        QTest::newRow("minimised") << true << forms::WindowState::Minimized << 300.f << 2000.f
                                   << QStringList{};
        QTest::newRow("maximised") << true << forms::WindowState::Maximized << 9000.f << 15000.f
                                   << QStringList{};
    }
    void holdOuterSize() {
        QFETCH(bool, wholePixels);
        QFETCH(forms::WindowState, state);
        QFETCH(float, height);
        QFETCH(float, width);
        QFETCH(QStringList, sets);
        fakes::FakeWindow window(log, height, width, wholePixels);
        window.state = state;
        window.onResize = [&] { app::holdOuterSize(window, app::brelundaSize); };
        window.resizeEvent();
        QCOMPARE(strings(log), sets);
        QVERIFY(window.deepest <= 3);
        if (state != forms::WindowState::Normal) {
            QCOMPARE(window.height(), height);
            window.state = forms::WindowState::Normal;
            window.resizeEvent();
        }
        QCOMPARE(int(window.height() / 15 + 0.5f), 468);
        QCOMPARE(window.width(), 9150.f);
    }

    // Layouts are in twips and points at 96 dots per inch; at 192 everything doubles.
    void pixels_roundAsLaidOut() {
        const std::tuple<int, int, int> twips[] = {{7015, 96, 468},  {9150, 96, 610},   {5355, 96, 357},
                                                   {7015, 192, 935}, {9150, 192, 1220}, {8415, 192, 1122}};
        for (const auto& [value, dpi, expected] : twips)
            QCOMPARE(forms::pixels(value, dpi), expected);
        const std::tuple<double, int, int> points[] = {{20.25, 96, 27}, {15.75, 96, 21}, {9.75, 96, 13},
                                                       {11.25, 96, 15}, {8.25, 96, 11},  {24, 96, 32},
                                                       {9.75, 192, 26}, {8.25, 192, 22}};
        for (const auto& [value, dpi, expected] : points)
            QCOMPARE(forms::pixelsForPoints(value, dpi), expected);
    }
};

QTEST_GUILESS_MAIN(TestLogic)
#include "test_logic.moc"
