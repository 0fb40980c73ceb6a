// The program's logic against recording fakes: start-up, the commands, the presenter and the
// fixed-size rule, as app/ and messages/ run them on any toolkit.

#include "app/FixedSize.h"
#include "app/MainWindow.h"
#include "fakes.h"
#include "messages/DailyEntry.h"
#include "messages/FuncBrelunda.h"

#include <QTest>
#include <array>
#include <random>

using fakes::Log;

namespace {
QStringList strings(const Log& entries) {
    QStringList list;
    for (const std::string& entry : entries)
        list << QString::fromStdString(entry);
    return list;
}

// What the presenter does for one day: each label through a fresh lookup, in order.
QStringList showsDay() {
    QStringList calls;
    for (const char* key : {"L1", "L2", "L3", "L4"})
        calls << "controls" << QStringLiteral("item %1").arg(key) << QStringLiteral("caption %1").arg(key)
              << "release";
    return calls;
}
} // namespace

class TestLogic : public QObject {
    Q_OBJECT

    Log log;
    std::vector<forms::RuntimeError> reported;
    std::unique_ptr<fakes::FakeToolkit> toolkit;
    std::unique_ptr<app::Program> program;
    fakes::FakeClock* clock = nullptr;

    // The program started on that day; with forget, its start-up's calls are dropped from the log.
    fakes::FakeFormWindow& start(int today, bool forget = true) {
        clock = &fakes::FakeClock::install(today);
        program = std::make_unique<app::Program>(*toolkit);
        if (forget)
            log.clear();
        return *toolkit->made.front();
    }

    QString states() {
        auto& window = *toolkit->made.front();
        const auto on = [&](const char* item) { return window.item(item).enabled ? "on" : "off"; };
        return QStringLiteral("day %1, anterior %2, proximo %3, hoje %4")
            .arg(FuncBrelunda::CurrentDay)
            .arg(on("mnuAnterior"), on("mnuProximo"), on("mnuHoje"));
    }

private slots:
    void init() {
        log.clear();
        reported.clear();
        forms::resetEnded();
        forms::setErrorReporter([this](const forms::RuntimeError& error) { reported.push_back(error); });
        FuncBrelunda::CurrentDay = 0;
        toolkit = std::make_unique<fakes::FakeToolkit>(log);
    }
    void cleanup() { program.reset(); }
    void cleanupTestCase() { forms::Clock::setInstance(nullptr); }

    // One reading of the clock sets the states and the day, before the window is placed and shown.
    void start_loadsTodayBeforeTheFirstShow() {
        for (const auto& [today, sets, state] :
             {std::tuple{1, "mnuAnterior off", "day 1, anterior off, proximo on, hoje off"},
              {15, "", "day 15, anterior on, proximo on, hoje off"},
              {30, "", "day 30, anterior on, proximo on, hoje off"},
              {31, "mnuProximo off", "day 31, anterior on, proximo off, hoje off"}}) {
            log.clear();
            auto& window = start(today, false);
            QCOMPARE(clock->reads, 1);
            const QStringList expected = QStringList{"make Brelunda"} +
                                         (*sets ? QStringList{sets} : QStringList{}) + showsDay() +
                                         QStringList{"reading", "place 7015x9150", "show"};
            QCOMPARE(strings(log).mid(0, expected.size()), expected);
            QCOMPARE(states(), QString(state));
            QCOMPARE(window.form->captions.at("L1"), std::to_string(today));
            QCOMPARE(program->run(), 0);
            toolkit = std::make_unique<fakes::FakeToolkit>(log);
        }
    }

    // Whatever a user does with the items that are enabled, and whenever the date changes (past
    // midnight the day shown stays), the states follow the day shown and "&Hoje" brings the clock's
    // day, read afresh; each step has its day read out once it is written.
    void randomWalk_keepsTheInvariants() {
        std::mt19937 random(20261206);
        auto& window = start(1 + int(random() % 31));
        bool hoje = false;
        for (int step = 0; step < 5000; ++step) {
            if (random() % 50 == 0)
                clock->day = 1 + int(random() % 31);
            const std::string item = std::array{"mnuAnterior", "mnuProximo", "mnuHoje"}[random() % 3];
            const bool chosen = window.item(item).enabled;
            log.clear();
            window.click(item);
            QCOMPARE(log.empty() ? std::string() : log.back(), std::string(chosen ? "reading" : ""));
            const int day = FuncBrelunda::CurrentDay;
            if (chosen)
                hoje = item != "mnuHoje";
            QVERIFY2(day >= 1 && day <= 31, qPrintable(states()));
            QVERIFY2(window.item("mnuAnterior").enabled == (day > 1), qPrintable(states()));
            QVERIFY2(window.item("mnuProximo").enabled == (day < 31), qPrintable(states()));
            QVERIFY2(window.item("mnuHoje").enabled == hoje, qPrintable(states()));
            if (chosen && item == "mnuHoje")
                QCOMPARE(day, clock->day);
            QCOMPARE(window.form->captions.at("L1"), std::to_string(day));
        }
    }

    // Past the 16-bit range a step raises error 6 before anything is stored or set, and nothing
    // of the program runs after it; nor after "&Sair".
    void overflowAndSair_endTheProgram() {
        for (const auto& [day, item] :
             {std::pair{32767, "mnuProximo"}, {-32768, "mnuAnterior"}, {9, "mnuSair"}}) {
            auto& window = start(15);
            int ends = 0;
            forms::setEndHandler([&] { ++ends; });
            FuncBrelunda::CurrentDay = std::int16_t(day);
            window.click(item);
            window.click("mnuHoje");
            window.window.resizeEvent();
            forms::setEndHandler(nullptr);
            QCOMPARE(ends, day == 9 ? 1 : 0);
            QCOMPARE(reported.size(), std::size_t(day == 9 ? 0 : 1));
            if (!reported.empty())
                QCOMPARE(forms::reportText(reported.front()), std::string("Run-time error '6':\n\nOverflow"));
            QCOMPARE(int(FuncBrelunda::CurrentDay), day);
            QVERIFY(log.empty());
            init();
        }
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

    // The texts are the stored pieces joined by single line feeds, nothing trimmed or added; any
    // day outside 1..31 changes no label.
    void showDay_writesThePiecesJoined() {
        fakes::RecordingForm form(log);
        const auto handle = std::shared_ptr<forms::Form>(&form, [](forms::Form*) {});
        forms::setMainFormFactory([handle] { return handle; });
        for (int day = firstDay; day <= lastDay; ++day) {
            FuncBrelunda::ShowDay(std::int16_t(day));
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
    // 7015 twips is 467 2/3 pixels: a window of whole pixels reports 7020 back every time, and
    // setting it again changes no pixel and raises nothing.
    void holdOuterSize() {
        const auto normal = forms::WindowState::Normal;
        for (const auto& [pixels, state, height, width, sets] :
             {std::tuple{false, normal, 6000.f, 8000.f, QStringList{"set height", "set width"}},
              {false, normal, 7015.f, 8000.f, {"set width"}},
              {false, normal, 7015.f, 9150.f, {}},
              {true, normal, 6000.f, 8000.f, {"set height", "set height", "set width", "set height"}},
              {true, normal, 7020.f, 9150.f, {"set height"}},
              {true, forms::WindowState::Minimized, 300.f, 2000.f, {}},
              {true, forms::WindowState::Maximized, 9000.f, 15000.f, {}}}) {
            log.clear();
            fakes::FakeWindow window(log, height, width, pixels);
            window.state = state;
            window.onResize = [&window] { app::holdOuterSize(window, app::brelundaSize); };
            window.resizeEvent();
            QCOMPARE(strings(log), sets);
            QVERIFY(window.deepest <= 3);
            window.state = normal;
            window.resizeEvent();
            QCOMPARE(int(window.height() / 15 + 0.5f), 468);
            QCOMPARE(window.width(), 9150.f);
        }
    }

    // Layout units in whole pixels: 7015 twips is 467 2/3 pixels, read back as 7020 (7012.5 at
    // 192 dpi) and then the same pixels again, so the size rule's nesting ends; font points at
    // 96 dpi give the character heights the layouts were made for, doubled at 192, the nearest
    // whole pixels at 120 and the smaller of two equally near at 144.
    void layoutUnits_inWholePixels() {
        for (const auto& [twips, dpi, pixels, readBack] :
             {std::tuple{7015.f, 96, 468, 7020.f}, {7015.f, 192, 935, 7012.5f}, {5355.f, 144, 536, 5360.f}}) {
            QCOMPARE(forms::pixels(twips, dpi), pixels);
            QCOMPARE(forms::twips(pixels, dpi), readBack);
            QCOMPARE(forms::pixels(readBack, dpi), pixels);
        }
        for (const auto& [points, dpi, pixels] :
             {std::tuple{20.25, 96, 27}, {8.25, 96, 11}, {9.75, 192, 26}, {11.25, 120, 19}, {9.75, 144, 19}})
            QCOMPARE(forms::pixelsForPoints(points, dpi), pixels);
    }
};

QTEST_GUILESS_MAIN(TestLogic)
#include "test_logic.moc"
