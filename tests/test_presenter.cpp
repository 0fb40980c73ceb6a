#include "fakes/RecordingForms.h"
#include "messages/DailyEntry.h"
#include "messages/FuncBrelunda.h"

#include <QTest>

using fakes::Log;
using fakes::RecordingForm;

class TestPresenter : public QObject {
    Q_OBJECT

    Log log;
    std::shared_ptr<RecordingForm> form;

    void useForm(std::shared_ptr<RecordingForm> next) {
        form = next;
        forms::setMainFormFactory([next] { return next; });
    }

private slots:
    void init() {
        log.clear();
        FuncBrelunda::TargetForm.reset();
        useForm(std::make_shared<RecordingForm>(log));
    }

    void showDay_looksUpEachLabelOnceInOrder_data() {
        QTest::addColumn<int>("day");
        QTest::newRow("first") << 1;
        QTest::newRow("middle") << 15;
        QTest::newRow("last") << 31;
    }
    void showDay_looksUpEachLabelOnceInOrder() {
        QFETCH(int, day);
        FuncBrelunda::ShowDay(std::int16_t(day));
        Log expected;
        for (const char* key : {"L1", "L2", "L3", "L4"})
            expected.insert(expected.end(), {"controls", std::string("item ") + key,
                                             std::string("caption ") + key, "release"});
        QCOMPARE(log, expected);
        QCOMPARE(form->captions.at("L1"), std::to_string(day));
        QCOMPARE(FuncBrelunda::TargetForm, std::shared_ptr<forms::Form>(form));
    }

    void joinLines_data() {
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<QString>("joined");
        QTest::newRow("none") << QStringList{} << "";
        QTest::newRow("one piece alone") << QStringList{"Só"} << "Só";
        QTest::newRow("edge spaces kept") << QStringList{"verso.", " (Cita)"} << "verso.\n (Cita)";
        QTest::newRow("trailing space and dots")
            << QStringList{"um ", "...dois", "três"} << "um \n...dois\ntrês";
    }
    void joinLines() {
        QFETCH(QStringList, pieces);
        QFETCH(QString, joined);
        std::vector<std::string> utf8;
        for (const QString& piece : pieces)
            utf8.push_back(piece.toStdString());
        const std::vector<std::string_view> views(utf8.begin(), utf8.end());
        QCOMPARE(QString::fromStdString(FuncBrelunda::joinLines(views)), joined);
    }

    // Every label text is its pieces and nothing else: one line feed at each joint, none at the
    // edges, no carriage return.
    void showDay_writesThePiecesJoined() {
        for (int day = firstDay; day <= lastDay; ++day) {
            FuncBrelunda::ShowDay(std::int16_t(day));
            const DailyEntry& entry = MessageCatalogue[std::size_t(day - 1)];
            QCOMPARE(form->captions.at("L2"), std::string(entry.Title));
            const std::pair<std::string, std::span<const std::string_view>> blocks[] = {
                {form->captions.at("L3"), entry.VersePieces},
                {form->captions.at("L4"), entry.CommentaryParagraphs}};
            for (const auto& [text, pieces] : blocks) {
                QVERIFY(text.find('\r') == std::string::npos);
                QVERIFY(text.front() != '\n' && text.back() != '\n');
                QVERIFY(text.find("\n\n") == std::string::npos);
                const QStringList lines = QString::fromStdString(text).split('\n');
                QCOMPARE(lines.size(), qsizetype(pieces.size()));
                for (std::size_t i = 0; i < pieces.size(); ++i)
                    QCOMPARE(lines[qsizetype(i)].toStdString(), std::string(pieces[i]));
            }
        }
    }

    void showDay_outsideTheMonth_changesNothing_data() {
        QTest::addColumn<int>("day");
        QTest::newRow("0") << 0;
        QTest::newRow("32") << 32;
        QTest::newRow("-1") << -1;
        QTest::newRow("100") << 100;
        QTest::newRow("most negative") << -32768;
        QTest::newRow("largest") << 32767;
    }
    void showDay_outsideTheMonth_changesNothing() {
        QFETCH(int, day);
        FuncBrelunda::ShowDay(7);
        const auto before = form->captions;
        log.clear();
        FuncBrelunda::TargetForm.reset();
        FuncBrelunda::ShowDay(std::int16_t(day));
        QVERIFY(log.empty());
        QCOMPARE(form->captions, before);
        QCOMPARE(FuncBrelunda::TargetForm, std::shared_ptr<forms::Form>(form));
    }

    void showDay_twice_leavesTheSameTexts() {
        FuncBrelunda::ShowDay(22);
        const auto first = form->captions;
        FuncBrelunda::ShowDay(22);
        QCOMPARE(form->captions, first);
    }

    void showDay_missingLabel_raisesAfterTheEarlierWrites() {
        useForm(std::make_shared<RecordingForm>(log, std::set<std::string>{"L1", "L2", "L4"}));
        try {
            FuncBrelunda::ShowDay(3);
            QFAIL("no run-time error");
        } catch (const forms::RuntimeError& error) {
            QCOMPARE(error.number(), int(forms::ControlNotFound));
            QVERIFY(std::string(error.what()).find("L3") != std::string::npos);
        }
        QCOMPARE(form->captions.size(), std::size_t(2));
        QCOMPARE(log.back(), std::string("release"));
        QCOMPARE(FuncBrelunda::TargetForm, std::shared_ptr<forms::Form>(form));
    }

    // The main window is made on first use when nothing made it before.
    void showDay_makesTheMainWindowOnFirstUse() {
        int made = 0;
        forms::setMainFormFactory([&] {
            ++made;
            return form;
        });
        FuncBrelunda::ShowDay(1);
        FuncBrelunda::ShowDay(2);
        QCOMPARE(made, 1);
    }
};

QTEST_GUILESS_MAIN(TestPresenter)
#include "test_presenter.moc"
