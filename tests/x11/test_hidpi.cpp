#include "MainWindowView.h"

#include <QCoreApplication>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {
// Everything below is measured in screen pixels at this scale factor.
constexpr int scale = 2;
// A screen the main window fits on at that scale; the suite's own screen is smaller.
const char* const largeScreen = "2560x1600x24";

// L1..L4 in the client area's logical pixels, as laid out.
const QList<QRect> labelRects{QRect(120, 16, 441, 33), QRect(120, 56, 441, 33), QRect(120, 96, 441, 49),
                              QRect(56, 152, 505, 257)};
constexpr int labelsRightEdge = 561;

QRect scaled(const QRect& logical) {
    return QRect(logical.topLeft() * scale, logical.size() * scale);
}

int channelDistance(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

bool fitsOnScreen() {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    try {
        const QSize screen = x11::screenSize();
        return screen.width() >= 1400 && screen.height() >= 1100;
    } catch (const std::exception&) {
        return false;
    }
}
} // namespace

// The built program at a scale factor of 2 in a real X server: the layout keeps its logical
// pixels, so every measure of the window at scale 1 comes out doubled, the picture enlarged
// smoothly and the text drawn at the screen's own resolution.
class TestHiDpi : public QObject {
    Q_OBJECT

    std::unique_ptr<x11::Program> program;
    QString window;
    x11::WindowGeometry geometry;
    QImage shot;
    QImage picture; // the background enlarged as a smooth scaler does it
    QPoint origin;  // where the client area, below the menu bar, starts on the screen

    QImage clientArea() const {
        return shot.copy(QRect(origin, QPoint(geometry.client.right(), geometry.client.bottom())));
    }

    // The picture's corner has no text over it, so it tells where the client area starts. Found
    // loosely: how closely it matches is for the picture's own test to judge.
    bool locateClientArea() {
        const QImage corner = picture.copy(0, 0, 200, 80);
        int best = corner.width() * corner.height();
        for (int dy = 0; dy < 120; ++dy) {
            const QImage candidate =
                shot.copy(QRect(geometry.client.topLeft() + QPoint(0, dy), corner.size()));
            const int differing = x11::differingPixels(candidate, corner, 40);
            if (differing < best) {
                best = differing;
                origin = geometry.client.topLeft() + QPoint(0, dy);
            }
        }
        return best < corner.width() * corner.height() / 10;
    }

private slots:
    void initTestCase() {
        QVERIFY(picture.load(x11::sourceDir() + "/ui/assets/background.jpg"));
        QCOMPARE(picture.size(), QSize(603, 424));
        picture = picture.convertToFormat(QImage::Format_RGB32)
                      .scaled(picture.size() * scale, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        program =
            std::make_unique<x11::Program>(QStringLiteral("2026-12-15 10:00:00"),
                                           QStringList{QStringLiteral("QT_SCALE_FACTOR=%1").arg(scale)});
        window = program->waitForWindow(QStringLiteral("Brelunda"));
        geometry = program->waitForSettled(window);
        program->activate(window);
        shot = x11::screenshot();
        QVERIFY2(locateClientArea(), "the enlarged picture is not at the client area's top-left corner");
        qInfo("outer %dx%d, client %dx%d, frame %d,%d,%d,%d, client area from y=%d", geometry.outer().width(),
              geometry.outer().height(), geometry.client.width(), geometry.client.height(),
              geometry.frame.left(), geometry.frame.top(), geometry.frame.right(), geometry.frame.bottom(),
              origin.y() - geometry.client.y());
    }

    // The window is the size laid out, in logical pixels: twice as many on the screen. A frame
    // an odd number of pixels wide has no exact logical size, so half a logical pixel is given.
    void outerSize_isDoubled() {
        const QSize outer = geometry.outer().size();
        // On failure, what the window manager made of the window helps too.
        const QString measured =
            QStringLiteral("%1x%2, %3")
                .arg(outer.width())
                .arg(outer.height())
                .arg(QString::fromUtf8(x11::run(QStringLiteral("xprop"), {QStringLiteral("-id"), window,
                                                                          QStringLiteral("_NET_WM_STATE")}))
                         .trimmed());
        QVERIFY2(std::abs(outer.width() - 610 * scale) <= 2, qPrintable(measured));
        QVERIFY2(std::abs(outer.height() - 468 * scale) <= 2, qPrintable(measured));
        // The menu bar keeps its logical height too: the client area starts below it, doubled.
        QCOMPARE((origin.y() - geometry.client.y()) % scale, 0);
    }

    // Outside the labels the picture shows as it is, enlarged smoothly over the same logical
    // area; beyond it, the window's own colour, never a second copy.
    void picture_isEnlargedSmoothly() {
        const QImage client = clientArea();
        QVERIFY(client.width() >= picture.width() && client.height() >= picture.height());
        int differing = 0, worst = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                if (std::any_of(labelRects.begin(), labelRects.end(),
                                [&](const QRect& rect) { return scaled(rect).contains(x, y); }))
                    continue;
                const int distance = channelDistance(client.pixel(x, y), picture.pixel(x, y));
                worst = std::max(worst, distance);
                differing += distance > 12;
            }
        }
        qInfo("largest difference from the smooth enlargement %d, pixels off by more than 12: %d", worst,
              differing);
        QCOMPARE(differing, 0);

        const QRgb windowColour = client.pixel(client.width() - 1, 0);
        for (const QRect& beyond :
             {QRect(picture.width(), 0, client.width() - picture.width(), client.height()),
              QRect(0, picture.height(), client.width(), client.height() - picture.height())}) {
            QVERIFY(!beyond.isEmpty());
            for (int y = beyond.top(); y <= beyond.bottom(); ++y)
                for (int x = beyond.left(); x <= beyond.right(); ++x)
                    QCOMPARE(client.pixel(x, y), windowColour);
        }
    }

    // Green text lies only inside the four labels, doubled; the right-aligned verse and
    // commentary end on the labels' common right edge, doubled; and the letters are drawn at
    // the screen's resolution, not drawn small and enlarged.
    void text_isInsideTheLabelsAndCrisp() {
        const QImage client = clientArea();
        QList<QRect> labels;
        for (const QRect& rect : labelRects)
            labels << scaled(rect);
        const x11::LabelInk ink = x11::labelInk(client, picture, labels);
        QCOMPARE(ink.stray, 0);
        QCOMPARE(ink.notGreen, 0);
        for (int pixels : ink.pixels)
            QVERIFY(pixels > 80);
        qInfo("L3 ends at x=%d, L4 at x=%d", ink.rightmostEnd[2], ink.rightmostEnd[3]);
        for (int label : {2, 3})
            QVERIFY2(std::abs(ink.rightmostEnd[label] - labelsRightEdge * scale) <= 2,
                     qPrintable(QString::number(ink.rightmostEnd[label])));

        // Text drawn at scale 1 and enlarged would come in uniform 2×2 blocks.
        int blocks = 0, uniform = 0;
        const QRect commentary = scaled(labelRects[3]);
        for (int y = commentary.top(); y < commentary.bottom(); y += 2) {
            for (int x = commentary.left(); x < commentary.right(); x += 2) {
                const QRgb corner = client.pixel(x, y);
                if (channelDistance(corner, picture.pixel(x, y)) < 60)
                    continue;
                ++blocks;
                uniform += client.pixel(x + 1, y) == corner && client.pixel(x, y + 1) == corner &&
                           client.pixel(x + 1, y + 1) == corner;
            }
        }
        qInfo("%d of %d blocks of text are uniform", uniform, blocks);
        QVERIFY(blocks > 1000);
        QVERIFY(uniform < blocks / 2);
    }

    // Last: it opens the About window over the main one.
    void aboutWindow_outerSizeIsDoubled() {
        x11::key(QStringLiteral("alt+u"));
        QTest::qWait(300);
        x11::key(QStringLiteral("s"));
        const QString about = program->waitForWindow(QStringLiteral("Mensagens"));
        const QSize outer = program->waitForSettled(about).outer().size();
        qInfo("About window outer %dx%d", outer.width(), outer.height());
        QVERIFY2(std::abs(outer.width() - 346 * scale) <= 2, qPrintable(QString::number(outer.width())));
        QVERIFY2(std::abs(outer.height() - 357 * scale) <= 2, qPrintable(QString::number(outer.height())));
    }
};

// A window at scale 2 does not fit on the suite's screen: the test runs itself again on a private
// larger one, started by the same script the suite uses.
int runOnLargeScreen(int argc, char** argv) {
    if (qEnvironmentVariableIsSet("BRELUNDA_XVFB_SCREEN")) {
        std::fprintf(stderr, "the screen is too small for a window at scale %d\n", scale);
        return 1;
    }
    const QByteArray script = (x11::sourceDir() + "/tests/x11/with-display.sh").toLocal8Bit();
    const QByteArray self = QCoreApplication::applicationFilePath().toLocal8Bit();
    std::vector<char*> arguments{const_cast<char*>(script.constData()), const_cast<char*>(self.constData())};
    for (int i = 1; i < argc; ++i)
        arguments.push_back(argv[i]);
    arguments.push_back(nullptr);
    setenv("BRELUNDA_XVFB_SCREEN", largeScreen, 1);
    std::fflush(stdout);
    execv(script.constData(), arguments.data());
    std::perror(script.constData());
    return 1;
}

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (!fitsOnScreen())
        return runOnLargeScreen(argc, argv);
    TestHiDpi test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_hidpi.moc"
