#include "app/Brelunda.h"
#include "app/FixedSize.h"
#include "platform/qt/FormWindow.h"
#include "tools/fitreport/FitReport.h"
#include "ui/MainWindow.h"
#include "ui/forms.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string_view>

namespace {
const QColor paleYellow(0xff, 0xff, 0xdc);
const QColor olive(128, 128, 0);
const QColor lightOlive(192, 192, 0);

struct Showing {
    QPointer<forms::qt::FormWindow> window;
    bool seen = false;
};

forms::qt::FormWindow* openSobre() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("Sobre") && widget->isVisible())
            return qobject_cast<forms::qt::FormWindow*>(widget);
    }
    return nullptr;
}

// Once the program has shown the About window, `whileOpen` looks at it and the user closes it. A
// failed check inside would leave the modal loop running: the window is closed whatever happens,
// and what was seen is checked once the call has returned.
void whenShown(Showing& showing, const std::function<void(forms::qt::FormWindow&)>& whileOpen) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, &showing, whileOpen] {
        forms::qt::FormWindow* window = openSobre();
        if (!window)
            return;
        poll->stop();
        poll->deleteLater();
        showing.window = window;
        showing.seen = true;
        whileOpen(*window);
        if (showing.window)
            showing.window->close();
    });
    poll->start();
}

// The outer rectangle once the fixed-size rule has had its say, or as it stands when it has not.
QRect settledFrame(QWidget& window) {
    if (!QTest::qWaitFor([&] { return window.frameGeometry().size() == QSize(346, 357); }))
        qWarning("the About window never reached its fixed size");
    return window.frameGeometry();
}

QImage grabbed(QWidget* widget) {
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QColor pixelAt(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

// The pixels of `image` that are at least half ink: a fainter one is the smoothing along a
// letter's edge. (The title's synthetic bold grows each letter by a fraction of a pixel below the
// baseline, which is the title box's bottom edge; that fringe is all the box clips.)
QRect inkBounds(const QImage& image, int backgroundGrey, int inkGrey) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (std::abs(qGray(image.pixel(x, y)) - backgroundGrey) * 2 >= std::abs(inkGrey - backgroundGrey))
                bounds = bounds.united(QRect(x, y, 1, 1));
    return bounds;
}
} // namespace

// The About window on the offscreen platform: its layout, how its texts sit in their boxes, and
// how it is shown.
class TestSobre : public QObject {
    Q_OBJECT

    std::unique_ptr<forms::qt::FormWindow> window;

private slots:
    void initTestCase() { ui::setUpApplication(); }
    void init() {
        window = std::make_unique<forms::qt::FormWindow>(ui::sobreForm());
        // The size the window manager's frame leaves it in the program.
        window->resize(344, 332);
    }
    void cleanup() { window.reset(); }

    void labels_matchTheLayout_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("index");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<int>("horizontal");
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<QColor>("colour");
        const int left = Qt::AlignLeft, right = Qt::AlignRight, centre = Qt::AlignHCenter;
        const QString chorus("Brelunda Script"), sans("Brelunda Sans");
        QTest::newRow("Label1") << "Label1" << -1 << QRect(32, 8, 289, 33) << centre << chorus << 32 << olive;
        QTest::newRow("Label2(0)") << "Label2" << 0 << QRect(32, 56, 97, 17) << left << sans << 11
                                   << lightOlive;
        QTest::newRow("Label2(1)") << "Label2" << 1 << QRect(32, 72, 185, 17) << left << sans << 11
                                   << lightOlive;
        QTest::newRow("Label3(0)") << "Label3" << 0 << QRect(192, 96, 137, 17) << right << sans << 11
                                   << olive;
        QTest::newRow("Label3(1)") << "Label3" << 1 << QRect(104, 112, 225, 17) << right << sans << 11
                                   << olive;
        QTest::newRow("Label3(2)") << "Label3" << 2 << QRect(32, 168, 297, 65) << right << sans << 11
                                   << olive;
        QTest::newRow("Label4") << "Label4" << -1 << QRect(8, 248, 313, 65) << right << sans << 11 << olive;
    }
    void labels_matchTheLayout() {
        QFETCH(QString, name);
        QFETCH(int, index);
        QFETCH(QRect, geometry);
        QFETCH(int, horizontal);
        QFETCH(QString, family);
        QFETCH(int, pixelSize);
        QFETCH(QColor, colour);
        QLabel* label = window->label(name.toStdString(), index);
        QVERIFY(label);
        QCOMPARE(label->objectName(), QString(QTest::currentDataTag()));
        QCOMPARE(label->parentWidget(), window->clientArea());
        QCOMPARE(label->geometry(), geometry);
        QCOMPARE(int(label->alignment()), horizontal | int(Qt::AlignTop));
        QVERIFY(label->wordWrap());
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QVERIFY(!label->autoFillBackground());
        QCOMPARE(label->palette().color(QPalette::WindowText), colour);
        QVERIFY(!label->text().isEmpty());
        // The face that was matched, bold; the calligraphic face is slanted by design and must
        // not be slanted again.
        const QFontInfo info(label->font());
        QCOMPARE(info.family(), family);
        QCOMPARE(info.pixelSize(), pixelSize);
        QVERIFY(info.bold());
        QVERIFY(!label->font().italic());
        QVERIFY(!info.italic());
    }

    // Nothing of a text may be lost: no line below the box's bottom edge, no word wider than it.
    void texts_fitTheirBoxes_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("lineBoxFits");
        // The title's face has a line 42 pixels tall for a 33-pixel box; only its ink can fit.
        QTest::newRow("Label1") << "Label1" << -1 << false;
        QTest::newRow("Label2(0)") << "Label2" << 0 << true;
        QTest::newRow("Label2(1)") << "Label2" << 1 << true;
        QTest::newRow("Label3(0)") << "Label3" << 0 << true;
        QTest::newRow("Label3(1)") << "Label3" << 1 << true;
        QTest::newRow("Label3(2)") << "Label3" << 2 << true;
        QTest::newRow("Label4") << "Label4" << -1 << true;
    }
    void texts_fitTheirBoxes() {
        QFETCH(QString, name);
        QFETCH(int, index);
        QFETCH(bool, lineBoxFits);
        QLabel* label = window->label(name.toStdString(), index);
        QVERIFY(label);
        const QString text = label->text();
        const QSize box = label->size();
        const QFontMetrics metrics(label->font());

        for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            QVERIFY2(metrics.horizontalAdvance(word) <= box.width(), qPrintable(word));
        const QRect needed = metrics.boundingRect(QRect(0, 0, box.width(), INT_MAX),
                                                  int(label->alignment()) | Qt::TextWordWrap, text);
        QVERIFY2(needed.width() <= box.width(), qPrintable(QString::number(needed.width())));
        if (lineBoxFits) {
            QVERIFY2(needed.height() <= box.height(),
                     qPrintable(QStringLiteral("%1 > %2").arg(needed.height()).arg(box.height())));
            const fitreport::Fit fit = fitreport::measure(*label);
            QVERIFY2(fit.fits(), qPrintable(fit.lines.join(QLatin1String(" | "))));
        }

        // What the label paints in a box with room to spare lies inside its own box.
        label->resize(box.width(), box.height() + 100);
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window, Qt::white);
        label->setPalette(palette);
        label->setAutoFillBackground(true);
        const QRect ink =
            inkBounds(grabbed(label), 255, qGray(label->palette().color(QPalette::WindowText).rgb()));
        QVERIFY(!ink.isEmpty());
        QVERIFY2(QRect(QPoint(0, 0), box).contains(ink),
                 qPrintable(QStringLiteral("ink %1,%2 %3x%4 in a %5x%6 box")
                                .arg(ink.x())
                                .arg(ink.y())
                                .arg(ink.width())
                                .arg(ink.height())
                                .arg(box.width())
                                .arg(box.height())));
    }

    // Line1: rows 87-88, columns 32-327, black. Line2: row 90, columns 31-329, light grey.
    void lines_coverTheirPixels_data() {
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("bottom");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("right");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("Line1") << 87 << 88 << 32 << 327 << QColor(Qt::black);
        QTest::newRow("Line2") << 90 << 90 << 31 << 329 << QColor(0xca, 0xca, 0xca);
    }
    void lines_coverTheirPixels() {
        QFETCH(int, top);
        QFETCH(int, bottom);
        QFETCH(int, left);
        QFETCH(int, right);
        QFETCH(QColor, colour);
        const QImage client = grabbed(window->clientArea());
        for (int y = top - 1; y <= bottom + 1; ++y) {
            for (int x = left - 1; x <= right + 1; ++x) {
                const bool inside = y >= top && y <= bottom && x >= left && x <= right;
                const QColor expected = inside ? colour : paleYellow;
                QVERIFY2(pixelAt(client, x, y) == expected,
                         qPrintable(
                             QStringLiteral("%1,%2 is %3").arg(x).arg(y).arg(pixelAt(client, x, y).name())));
            }
        }
    }

    // The light rule must be seen on the pale background, and be told from the dark one.
    void lines_lightRuleIsVisible() {
        const QImage client = grabbed(window->clientArea());
        const int background = qGray(client.pixel(100, 89));
        const int light = qGray(client.pixel(100, 90));
        const int dark = qGray(client.pixel(100, 88));
        QVERIFY2(background - light >= 30, qPrintable(QStringLiteral("%1 on %2").arg(light).arg(background)));
        QVERIFY(light - dark >= 100);
    }

    // A label's box reaches under the dark rule; the rule is drawn over it.
    void lines_areDrawnAboveTheLabels() {
        QLabel* label = window->label("Label2", 1);
        QCOMPARE(label->geometry().bottom(), 88);
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window, Qt::red);
        label->setPalette(palette);
        label->setAutoFillBackground(true);
        const QImage client = grabbed(window->clientArea());
        QCOMPARE(pixelAt(client, 100, 86), QColor(Qt::red));
        QCOMPARE(pixelAt(client, 100, 87), QColor(Qt::black));
        QCOMPARE(pixelAt(client, 100, 88), QColor(Qt::black));
    }

    // All that is drawn on the pale background is text inside a label or one of the two rules.
    void client_holdsNothingElse() {
        QList<QRect> allowed{QRect(32, 87, 296, 2), QRect(31, 90, 299, 1)};
        for (QLabel* label : window->clientArea()->findChildren<QLabel*>())
            allowed << label->geometry();
        const QImage client = grabbed(window->clientArea());
        QCOMPARE(client.size(), QSize(344, 332));
        int stray = 0;
        for (int y = 0; y < client.height(); ++y)
            for (int x = 0; x < client.width(); ++x)
                if (QColor(client.pixel(x, y)) != paleYellow &&
                    std::none_of(allowed.begin(), allowed.end(),
                                 [&](const QRect& r) { return r.contains(x, y); }))
                    ++stray;
        QCOMPARE(stray, 0);
    }

    void window_settings() {
        QCOMPARE(window->windowTitle(), QString("Mensagens"));
        QCOMPARE(window->objectName(), QString("Sobre"));
        QCOMPARE(window->windowType(), Qt::Dialog);
        const QImage icon = window->windowIcon().pixmap(QSize(32, 32)).toImage();
        QVERIFY(!icon.isNull());
        QCOMPARE(icon, QIcon(":/ui/assets/tree.ico").pixmap(QSize(32, 32)).toImage());
        // The Fusion palette the program sets: its tool-tip base is the pale yellow.
        QCOMPARE(QApplication::palette().color(QPalette::ToolTipBase), paleYellow);
        QCOMPARE(pixelAt(grabbed(window->clientArea()), 5, 150), paleYellow);
        QVERIFY(!window->menuBar());
        QVERIFY(window->findChildren<QMenuBar*>().isEmpty());
        QVERIFY(window->findChildren<QAbstractButton*>().isEmpty());
        for (QWidget* child : window->findChildren<QWidget*>())
            QVERIFY2(child->focusPolicy() == Qt::NoFocus, qPrintable(child->objectName()));
    }

    // The call returns only once the window is closed; meanwhile it is modal, centred, at its
    // fixed outer size, and neither Escape nor Enter closes it.
    void show_isModalCentredAndClosedOnlyByTheUser() {
        auto sobre = ui::MainWindow::makeSobre();
        Showing showing;
        bool modal = false, stillOpen = false;
        QRect outer;
        whenShown(showing, [&](forms::qt::FormWindow& shown) {
            modal = shown.isModal() && shown.windowModality() == Qt::ApplicationModal &&
                    QApplication::activeModalWidget() == &shown;
            outer = settledFrame(shown);
            for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter})
                QTest::keyClick(shown.windowHandle(), key);
            QTest::qWait(50);
            stillOpen = shown.isVisible();
        });
        sobre->show(1);
        QVERIFY(showing.seen);
        QVERIFY(!showing.window); // gone once closed
        QVERIFY(modal);
        QCOMPARE(outer.size(), QSize(346, 357));
        const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
        QVERIFY2((outer.center() - centre).manhattanLength() <= 2,
                 qPrintable(QStringLiteral("%1,%2").arg(outer.x()).arg(outer.y())));
        QVERIFY(stillOpen);
    }

    // Nothing of one showing is carried to the next: a moved window with a changed text comes
    // back centred with its own text.
    void show_buildsAFreshWindowEachTime() {
        auto sobre = ui::MainWindow::makeSobre();
        Showing first;
        whenShown(first, [](forms::qt::FormWindow& shown) {
            settledFrame(shown);
            shown.move(10, 10);
            shown.label("Label1")->setText("mudado");
        });
        sobre->show(1);
        QVERIFY(first.seen);

        Showing second;
        QString title;
        QRect outer;
        whenShown(second, [&](forms::qt::FormWindow& shown) {
            title = shown.label("Label1")->text();
            outer = settledFrame(shown);
        });
        sobre->show(1);
        QVERIFY(second.seen);
        const std::string_view caption = ui::sobreForm().labels[0].caption;
        QCOMPARE(title, QString::fromUtf8(caption.data(), qsizetype(caption.size())));
        const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
        QVERIFY2((outer.center() - centre).manhattanLength() <= 2,
                 qPrintable(QStringLiteral("%1,%2").arg(outer.x()).arg(outer.y())));
    }

    // Through the main window's menu: while the About is open the main window takes no keys and
    // no clicks (its close box is tried in a real window); afterwards it shows the same reading and takes
    // them again.
    void mainWindow_isBlockedWhileOpen() {
        ui::MainWindow main;
        forms::setMainFormFactory([&main] { return std::make_shared<forms::qt::FormHandle>(&main.window); });
        main.handlers.Form_Load();
        main.window.placeCentred(app::brelundaSize.height, app::brelundaSize.width);
        main.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&main.window));

        // Step towards whichever neighbour today has.
        const bool forward = main.window.action("mnuProximo")->isEnabled();
        const Qt::Key stepKey = forward ? Qt::Key_P : Qt::Key_N;
        QAction* step = main.window.action(forward ? "mnuProximo" : "mnuAnterior");
        const QPoint stepAt = main.window.menuBar()->actionGeometry(step).center();
        const auto reading = [&main] {
            QStringList texts;
            for (const char* name : {"L1", "L2", "L3", "L4"})
                texts << main.window.label(name)->text();
            for (const char* name : {"mnuAnterior", "mnuProximo", "mnuHoje"})
                texts << QString::number(main.window.action(name)->isEnabled());
            return texts;
        };
        const QStringList before = reading();

        app::Sobre.reset();
        Showing showing;
        QStringList during;
        bool mainStillShown = false;
        whenShown(showing, [&](forms::qt::FormWindow&) {
            QWindow* handle = main.window.windowHandle();
            QTest::keyClick(handle, stepKey, Qt::AltModifier);
            QTest::mouseClick(handle, Qt::LeftButton, {}, main.window.menuBar()->mapTo(&main.window, stepAt));
            QTest::qWait(50);
            during = reading();
            mainStillShown = main.window.isVisible();
        });
        main.window.action("mnuSobre")->trigger();
        QVERIFY(showing.seen);
        QCOMPARE(during, before);
        QVERIFY(mainStillShown);
        QCOMPARE(reading(), before);
        forms::ModalWindow* kept = app::Sobre.get();
        QVERIFY(kept);

        // The same key and the same click do step the day once the About is closed. (No window
        // manager hands the focus back here.)
        main.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main.window));
        QTest::keyClick(main.window.windowHandle(), stepKey, Qt::AltModifier);
        QTRY_VERIFY(reading() != before);
        main.window.action("mnuHoje")->trigger();
        QCOMPARE(reading(), before);
        QTest::mouseClick(main.window.windowHandle(), Qt::LeftButton, {},
                          main.window.menuBar()->mapTo(&main.window, stepAt));
        QTRY_VERIFY(reading() != before);

        // A second Sobre shows through the same object.
        Showing again;
        whenShown(again, [](forms::qt::FormWindow&) {});
        main.window.action("mnuSobre")->trigger();
        QVERIFY(again.seen);
        QCOMPARE(app::Sobre.get(), kept);
        app::Sobre.reset();
    }
};

QTEST_MAIN(TestSobre)
#include "test_sobre.moc"
