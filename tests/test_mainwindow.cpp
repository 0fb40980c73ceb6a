#include "app/FixedSize.h"
#include "messages/DailyEntry.h"
#include "messages/FuncBrelunda.h"
#include "platform/qt/FormWindow.h"
#include "platform/qt/Runtime.h"
#include "ui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

// The main window as the program builds it, on the offscreen platform.
class TestMainWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<ui::MainWindow> main;

private slots:
    void initTestCase() { ui::setUpApplication(); }
    void init() { main = std::make_unique<ui::MainWindow>(); }
    void cleanup() {
        main.reset();
        forms::qt::setErrorReporter(nullptr);
        forms::qt::resetEnded();
    }

    void labels_matchTheLayout_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<int>("horizontal");
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<bool>("italic");
        QTest::newRow("L1") << "L1" << QRect(120, 16, 441, 33) << int(Qt::AlignHCenter) << 27 << false;
        QTest::newRow("L2") << "L2" << QRect(120, 56, 441, 33) << int(Qt::AlignHCenter) << 21 << true;
        QTest::newRow("L3") << "L3" << QRect(120, 96, 441, 49) << int(Qt::AlignRight) << 13 << true;
        QTest::newRow("L4") << "L4" << QRect(56, 152, 505, 257) << int(Qt::AlignRight) << 15 << false;
    }
    void labels_matchTheLayout() {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(int, horizontal);
        QFETCH(int, pixelSize);
        QFETCH(bool, italic);
        QLabel* label = main->window.label(name.toStdString());
        QVERIFY(label);
        QCOMPARE(label->parentWidget(), main->window.clientArea());
        QCOMPARE(label->geometry(), geometry);
        QCOMPARE(label->geometry().right() + 1, 561);
        QCOMPARE(int(label->alignment()), horizontal | int(Qt::AlignTop));
        QVERIFY(label->wordWrap());
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QVERIFY(label->text().isEmpty());
        QVERIFY(!label->autoFillBackground());
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0, 128, 0));
        // The face actually matched, not just the one asked for: a machine with other fonts must
        // not change the layout.
        const QFontInfo info(label->font());
        QCOMPARE(info.family(), QString("Brelunda Serif"));
        QCOMPARE(info.pixelSize(), pixelSize);
        QVERIFY(info.bold());
        QCOMPARE(info.italic(), italic);
        QCOMPARE(info.weight(), int(QFont::Bold));
    }

    void menu_holdsTheSevenItemsInOrder() {
        const QList<QAction*> bar = main->window.menuBar()->actions();
        QStringList captions, names;
        for (QAction* action : bar) {
            captions << action->text();
            names << action->objectName();
        }
        QCOMPARE(captions, (QStringList{"&Arquivo", "A&nterior", "&Próximo", "&Hoje", "Aj&uda"}));
        QCOMPARE(names, (QStringList{"mnuArquivo", "mnuAnterior", "mnuProximo", "mnuHoje", "mnuAjuda"}));
        const QList<bool> enabled{bar[0]->isEnabled(), bar[1]->isEnabled(), bar[2]->isEnabled(),
                                  bar[3]->isEnabled(), bar[4]->isEnabled()};
        QCOMPARE(enabled, (QList<bool>{true, true, true, false, true}));
        // Commands on the bar run at once; only the two titles open a drop-down of one item.
        QVERIFY(!bar[1]->menu() && !bar[2]->menu() && !bar[3]->menu());
        const std::pair<int, const char*> dropDowns[] = {{0, "&Sair"}, {4, "&Sobre"}};
        for (const auto& [index, caption] : dropDowns) {
            QMenu* menu = bar[index]->menu();
            QVERIFY(menu);
            QCOMPARE(menu->actions().size(), 1);
            QCOMPARE(menu->actions()[0]->text(), QString(caption));
            QVERIFY(menu->actions()[0]->isEnabled());
        }
        for (QAction* action : main->window.findChildren<QAction*>()) {
            QVERIFY2(action->shortcut().isEmpty(), qPrintable(action->objectName()));
            QVERIFY(!action->isSeparator());
            QVERIFY(!action->isCheckable());
        }
    }

    void window_settings() {
        QCOMPARE(main->window.windowTitle(), QString("Brelunda"));
        QCOMPARE(main->window.objectName(), QString("Brelunda"));
        QVERIFY(!main->window.windowIcon().isNull());
        const QList<QSize> sizes = main->window.windowIcon().availableSizes();
        QVERIFY(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(32, 32)));
    }

    // The picture sits once at its natural size in the client area's corner, below the menu bar.
    void background_isThePictureAtTheCorner() {
        main->window.placeCentred(app::brelundaSize.height, app::brelundaSize.width);
        main->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main->window));
        QWidget* client = main->window.clientArea();
        QCOMPARE(client->y(), main->window.menuBar()->geometry().bottom() + 1);
        const QImage picture(":/ui/assets/background.jpg");
        QCOMPARE(picture.size(), QSize(603, 424));
        const QImage shown = client->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage expected = picture.convertToFormat(QImage::Format_RGB32);
        const int right = std::min(client->width(), picture.width()) - 1;
        const int bottom = std::min(client->height(), picture.height()) - 1;
        for (const QPoint at : {QPoint(0, 0), QPoint(50, 70), QPoint(110, 150), QPoint(right, 0),
                                QPoint(0, bottom), QPoint(right, bottom)})
            QCOMPARE(shown.pixel(at), expected.pixel(at));
        // Beyond the picture, the window's own colour: never a stretched or tiled copy. (The size
        // rule is let go here, as a maximised window would be.)
        main->window.onResize(nullptr);
        main->window.resize(700, 520);
        const QImage larger = client->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(QColor(larger.pixel(650, 20)), main->window.palette().color(QPalette::Window));
        QCOMPARE(QColor(larger.pixel(20, larger.height() - 5)),
                 main->window.palette().color(QPalette::Window));
        QCOMPARE(larger.pixel(0, 0), expected.pixel(0, 0));
    }

    void controls_areFoundByName() {
        forms::qt::FormHandle handle(&main->window);
        handle.controls()->item("L2").setCaption("A & B <b>não</b>");
        // Plain text: an ampersand is itself and markup is not interpreted.
        QCOMPARE(main->window.label("L2")->text(), QString("A & B <b>não</b>"));
        try {
            handle.controls()->item("L5");
            QFAIL("no run-time error");
        } catch (const forms::RuntimeError& error) {
            QCOMPARE(error.number(), int(forms::ControlNotFound));
        }
    }

    // Every day of the catalogue, written by the presenter into the real labels.
    void showDay_writesEveryDayIntoTheLabels() {
        forms::setMainFormFactory([this] { return std::make_shared<forms::qt::FormHandle>(&main->window); });
        for (int day = firstDay; day <= lastDay; ++day) {
            FuncBrelunda::ShowDay(std::int16_t(day));
            const DailyEntry& entry = MessageCatalogue[std::size_t(day - firstDay)];
            QCOMPARE(main->window.label("L1")->text(), QString::number(day));
            QCOMPARE(main->window.label("L2")->text(),
                     QString::fromUtf8(entry.Title.data(), qsizetype(entry.Title.size())));
            const std::pair<const char*, std::span<const std::string_view>> blocks[] = {
                {"L3", entry.VersePieces}, {"L4", entry.CommentaryParagraphs}};
            for (const auto& [name, pieces] : blocks) {
                const QString text = main->window.label(name)->text();
                QVERIFY(!text.contains('\r') && !text.startsWith('\n') && !text.endsWith('\n'));
                QVERIFY(!text.contains(QStringLiteral("\n\n")));
                QCOMPARE(text.count('\n'), qsizetype(pieces.size()) - 1);
                QCOMPARE(text, QString::fromStdString(FuncBrelunda::joinLines(pieces)));
            }
        }
    }

    void loadedWindow_showsToday() {
        forms::setMainFormFactory([this] { return std::make_shared<forms::qt::FormHandle>(&main->window); });
        main->handlers.Form_Load();
        const int today = QDate::currentDate().day();
        QCOMPARE(main->window.label("L1")->text(), QString::number(today));
        QVERIFY(!main->window.label("L4")->text().isEmpty());
        QCOMPARE(main->window.action("mnuAnterior")->isEnabled(), today != 1);
        QCOMPARE(main->window.action("mnuProximo")->isEnabled(), today != 31);
        QVERIFY(!main->window.action("mnuHoje")->isEnabled());
        // Clicking through the real actions steps the day.
        if (today < 31) {
            main->window.action("mnuProximo")->trigger();
            QCOMPARE(main->window.label("L1")->text(), QString::number(today + 1));
            QVERIFY(main->window.action("mnuHoje")->isEnabled());
            main->window.action("mnuHoje")->trigger();
            QCOMPARE(main->window.label("L1")->text(), QString::number(today));
        }
    }

    // The fixed-size rule on the real window: the offscreen platform draws a 2-pixel frame.
    void outerSize_snapsBack() {
        main->window.placeCentred(app::brelundaSize.height, app::brelundaSize.width);
        main->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main->window));
        QTRY_COMPARE(main->window.frameGeometry().size(), QSize(610, 468));
        main->window.resize(300, 200);
        QCOMPARE(main->window.frameGeometry().size(), QSize(610, 468));
        main->window.showMaximized();
        QTRY_VERIFY(main->window.frameGeometry().width() > 610);
        main->window.showNormal();
        QTRY_COMPARE(main->window.frameGeometry().size(), QSize(610, 468));
    }

    void runtimeError_goesToTheReportAndEndsTheProgram() {
        QList<int> reported;
        forms::qt::setErrorReporter([&](const forms::RuntimeError& error) { reported << error.number(); });
        bool ranAfter = false;
        forms::qt::dispatch([] { forms::raiseOverflow(); });
        forms::qt::dispatch([&] { ranAfter = true; });
        QCOMPARE(reported, QList<int>{6});
        QVERIFY(forms::qt::ended());
        QVERIFY(forms::qt::endStatus() != 0);
        QVERIFY(!ranAfter);
        QCOMPARE(forms::qt::reportText(forms::RuntimeError(6, "Overflow")),
                 QString("Run-time error '6':\n\nOverflow"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
