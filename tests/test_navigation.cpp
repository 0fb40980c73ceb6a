#include "app/Brelunda.h"
#include "app/CheckedInt16.h"
#include "fakes/RecordingForms.h"
#include "messages/FuncBrelunda.h"

#include <QTest>
#include <random>

using fakes::Log;

namespace {
class CountingModal : public forms::ModalWindow {
public:
    explicit CountingModal(Log& log)
        : log_(log) {}
    void show(int modal) override { log_.push_back("show " + std::to_string(modal)); }

private:
    Log& log_;
};

enum Command { Anterior, Proximo, Hoje };
} // namespace

class TestNavigation : public QObject {
    Q_OBJECT

    Log log;
    Log formLog;
    std::shared_ptr<fakes::RecordingForm> form;
    std::unique_ptr<fakes::FakeWindow> window;
    std::unique_ptr<fakes::RecordingMenuItem> anterior, proximo, hoje;
    std::unique_ptr<app::Brelunda> brelunda;
    fakes::FakeClock* clock = nullptr;
    int sobresMade = 0;

    // A freshly made window in its design-time states, loaded on the given day.
    void start(int today) {
        clock = &fakes::FakeClock::install(today);
        FuncBrelunda::CurrentDay = 0;
        app::Sobre.reset();
        log.clear();
        anterior = std::make_unique<fakes::RecordingMenuItem>(log, "mnuAnterior", true);
        proximo = std::make_unique<fakes::RecordingMenuItem>(log, "mnuProximo", true);
        hoje = std::make_unique<fakes::RecordingMenuItem>(log, "mnuHoje", false);
        window = std::make_unique<fakes::FakeWindow>(log, 7015, 9150, false);
        brelunda = std::make_unique<app::Brelunda>(*window, app::NavigationItems{*anterior, *proximo, *hoje},
                                                   [this] {
                                                       ++sobresMade;
                                                       return std::make_unique<CountingModal>(log);
                                                   });
        brelunda->Form_Load();
        log.clear();
    }

    void run(Command command) {
        switch (command) {
        case Anterior:
            brelunda->mnuAnterior_Click();
            break;
        case Proximo:
            brelunda->mnuProximo_Click();
            break;
        case Hoje:
            brelunda->mnuHoje_Click();
            break;
        }
    }

    QString states() const {
        return QStringLiteral("day %1, anterior %2, proximo %3, hoje %4")
            .arg(FuncBrelunda::CurrentDay)
            .arg(anterior->isEnabled() ? "on" : "off", proximo->isEnabled() ? "on" : "off",
                 hoje->isEnabled() ? "on" : "off");
    }

private slots:
    void init() {
        formLog.clear();
        form = std::make_shared<fakes::RecordingForm>(formLog);
        forms::setMainFormFactory([this] { return form; });
        sobresMade = 0;
    }
    void cleanupTestCase() { forms::Clock::setInstance(nullptr); }

    void formLoad_setsTheStartingStates_data() {
        QTest::addColumn<int>("today");
        QTest::addColumn<QString>("sets");
        QTest::addColumn<QString>("expected");
        QTest::newRow("the 1st") << 1 << "mnuAnterior off"
                                 << "day 1, anterior off, proximo on, hoje off";
        QTest::newRow("a middle day") << 15 << ""
                                      << "day 15, anterior on, proximo on, hoje off";
        QTest::newRow("the 30th") << 30 << ""
                                  << "day 30, anterior on, proximo on, hoje off";
        QTest::newRow("the 31st") << 31 << "mnuProximo off"
                                  << "day 31, anterior on, proximo off, hoje off";
    }
    void formLoad_setsTheStartingStates() {
        QFETCH(int, today);
        QFETCH(QString, sets);
        QFETCH(QString, expected);
        clock = &fakes::FakeClock::install(today);
        Log loadLog;
        fakes::RecordingMenuItem a(loadLog, "mnuAnterior", true), p(loadLog, "mnuProximo", true),
            h(loadLog, "mnuHoje", false);
        fakes::FakeWindow w(loadLog, 7015, 9150, false);
        app::Brelunda handlers(w, {a, p, h}, nullptr);
        handlers.Form_Load();
        QCOMPARE(clock->reads, 1);
        QCOMPARE(QString::fromStdString(loadLog.empty() ? "" : loadLog.front()), sets);
        QVERIFY(loadLog.size() <= 1);
        QCOMPARE(QStringLiteral("day %1, anterior %2, proximo %3, hoje %4")
                     .arg(FuncBrelunda::CurrentDay)
                     .arg(a.isEnabled() ? "on" : "off", p.isEnabled() ? "on" : "off",
                          h.isEnabled() ? "on" : "off"),
                 expected);
        QCOMPARE(form->captions.at("L1"), std::to_string(today));
    }

    // The enabled states are set in one fixed order for each command.
    void command_setsEnabledStatesInOrder_data() {
        QTest::addColumn<int>("today");
        QTest::addColumn<QList<int>>("before");
        QTest::addColumn<int>("command");
        QTest::addColumn<QStringList>("sets");
        QTest::newRow("anterior to day 1") << 2 << QList<int>{} << int(Anterior)
                                           << QStringList{"mnuAnterior off", "mnuProximo on", "mnuHoje on"};
        QTest::newRow("anterior to day 9")
            << 10 << QList<int>{} << int(Anterior) << QStringList{"mnuProximo on", "mnuHoje on"};
        QTest::newRow("proximo to day 31") << 30 << QList<int>{} << int(Proximo)
                                           << QStringList{"mnuProximo off", "mnuAnterior on", "mnuHoje on"};
        QTest::newRow("proximo to day 11")
            << 10 << QList<int>{} << int(Proximo) << QStringList{"mnuAnterior on", "mnuHoje on"};
        QTest::newRow("hoje on the 1st")
            << 1 << QList<int>{int(Proximo)} << int(Hoje)
            << QStringList{"mnuHoje off", "mnuAnterior on", "mnuProximo on", "mnuAnterior off"};
        QTest::newRow("hoje on the 31st")
            << 31 << QList<int>{int(Anterior)} << int(Hoje)
            << QStringList{"mnuHoje off", "mnuAnterior on", "mnuProximo on", "mnuProximo off"};
        QTest::newRow("hoje mid-month") << 12 << QList<int>{int(Anterior)} << int(Hoje)
                                        << QStringList{"mnuHoje off", "mnuAnterior on", "mnuProximo on"};
    }
    void command_setsEnabledStatesInOrder() {
        QFETCH(int, today);
        QFETCH(QList<int>, before);
        QFETCH(int, command);
        QFETCH(QStringList, sets);
        start(today);
        for (int step : before)
            run(Command(step));
        log.clear();
        formLog.clear();
        run(Command(command));
        QStringList actual;
        for (const std::string& entry : log)
            actual << QString::fromStdString(entry);
        QCOMPARE(actual, sets);
        // The labels are written after the states, once each.
        QCOMPARE(formLog.size(), std::size_t(16));
    }

    void navigation_edgeCases_data() {
        QTest::addColumn<int>("today");
        QTest::addColumn<QList<int>>("commands");
        QTest::addColumn<int>("clockAfterStart");
        QTest::addColumn<QString>("expected");
        QTest::newRow("day 2 back") << 2 << QList<int>{Anterior} << 2
                                    << "day 1, anterior off, proximo on, hoje on";
        QTest::newRow("day 30 forward")
            << 30 << QList<int>{Proximo} << 30 << "day 31, anterior on, proximo off, hoje on";
        QTest::newRow("day 31 back") << 31 << QList<int>{Anterior} << 31
                                     << "day 30, anterior on, proximo on, hoje on";
        QTest::newRow("15th forward then back")
            << 15 << QList<int>{Proximo, Anterior} << 15 << "day 15, anterior on, proximo on, hoje on";
        QTest::newRow("15th forward, back, hoje")
            << 15 << QList<int>{Proximo, Anterior, Hoje} << 15 << "day 15, anterior on, proximo on, hoje off";
        QList<int> toTwenty(19, Proximo);
        QTest::newRow("hoje from day 20 on the 1st")
            << 1 << (toTwenty << Hoje) << 1 << "day 1, anterior off, proximo on, hoje off";
        QTest::newRow("hoje from day 3 on the 31st")
            << 31 << (QList<int>(28, Anterior) << Hoje) << 31 << "day 31, anterior on, proximo off, hoje off";
        QTest::newRow("30-day month reaches 31")
            << 30 << QList<int>{Proximo} << 30 << "day 31, anterior on, proximo off, hoje on";
        QTest::newRow("hoje past midnight shows the new day")
            << 30 << QList<int>{Hoje} << 31 << "day 31, anterior on, proximo off, hoje off";
        QTest::newRow("the shown day stays past midnight")
            << 30 << QList<int>{} << 31 << "day 30, anterior on, proximo on, hoje off";
    }
    void navigation_edgeCases() {
        QFETCH(int, today);
        QFETCH(QList<int>, commands);
        QFETCH(int, clockAfterStart);
        QFETCH(QString, expected);
        start(today);
        clock->day = clockAfterStart;
        for (int command : commands)
            run(Command(command));
        QCOMPARE(states(), expected);
        QCOMPARE(form->captions.at("L1"), std::to_string(FuncBrelunda::CurrentDay));
    }

    // Whatever a user does with the items that are enabled, the states follow the day shown.
    void randomWalk_keepsTheInvariants() {
        std::mt19937 random(20261206);
        start(1 + int(random() % 31));
        bool lastWasStep = false;
        for (int step = 0; step < 5000; ++step) {
            std::vector<Command> choosable;
            if (anterior->isEnabled())
                choosable.push_back(Anterior);
            if (proximo->isEnabled())
                choosable.push_back(Proximo);
            if (hoje->isEnabled())
                choosable.push_back(Hoje);
            QVERIFY(!choosable.empty());
            if (random() % 50 == 0)
                clock->day = 1 + int(random() % 31);
            const Command command = choosable[random() % choosable.size()];
            run(command);
            lastWasStep = command != Hoje;
            const int day = FuncBrelunda::CurrentDay;
            QVERIFY2(day >= 1 && day <= 31, qPrintable(states()));
            QVERIFY2(anterior->isEnabled() == (day > 1), qPrintable(states()));
            QVERIFY2(proximo->isEnabled() == (day < 31), qPrintable(states()));
            QVERIFY2(hoje->isEnabled() == lastWasStep, qPrintable(states()));
            if (command == Hoje)
                QCOMPARE(day, clock->day);
            QCOMPARE(form->captions.at("L1"), std::to_string(day));
        }
    }

    void overflow_raisesError6AndStoresNothing_data() {
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("command");
        QTest::newRow("past the largest") << 32767 << int(Proximo);
        QTest::newRow("below the most negative") << -32768 << int(Anterior);
    }
    void overflow_raisesError6AndStoresNothing() {
        QFETCH(int, day);
        QFETCH(int, command);
        start(15);
        FuncBrelunda::CurrentDay = std::int16_t(day);
        formLog.clear();
        try {
            run(Command(command));
            QFAIL("no run-time error");
        } catch (const forms::RuntimeError& error) {
            QCOMPARE(error.number(), int(forms::Overflow));
        }
        QCOMPARE(int(FuncBrelunda::CurrentDay), day);
        QVERIFY(log.empty());
        QVERIFY(formLog.empty());
    }

    void addChecked_bounds_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("delta");
        QTest::addColumn<bool>("fits");
        QTest::newRow("largest reached") << 32766 << 1 << true;
        QTest::newRow("largest passed") << 32767 << 1 << false;
        QTest::newRow("most negative reached") << -32767 << -1 << true;
        QTest::newRow("most negative passed") << -32768 << -1 << false;
        QTest::newRow("day 0 back") << 0 << -1 << true;
    }
    void addChecked_bounds() {
        QFETCH(int, value);
        QFETCH(int, delta);
        QFETCH(bool, fits);
        bool raised = false;
        try {
            QCOMPARE(int(addChecked(std::int16_t(value), delta)), value + delta);
        } catch (const forms::RuntimeError& error) {
            raised = error.number() == forms::Overflow;
        }
        QCOMPARE(raised, !fits);
    }

    void sair_endsTheProgramAndTouchesNothing() {
        start(9);
        int ends = 0;
        forms::setEndHandler([&] { ++ends; });
        formLog.clear();
        brelunda->mnuSair_Click();
        forms::setEndHandler(nullptr);
        QCOMPARE(ends, 1);
        QVERIFY(log.empty());
        QVERIFY(formLog.empty());
    }

    void sobre_isMadeOnceAndShownModallyEachTime() {
        start(9);
        formLog.clear();
        brelunda->mnuSobre_Click();
        brelunda->mnuSobre_Click();
        QCOMPARE(sobresMade, 1);
        QCOMPARE(log, (Log{"show 1", "show 1"}));
        QVERIFY(formLog.empty());
        QCOMPARE(states(), QString("day 9, anterior on, proximo on, hoje off"));
    }
};

QTEST_GUILESS_MAIN(TestNavigation)
#include "test_navigation.moc"
