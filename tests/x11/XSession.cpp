#include "XSession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QThread>
#include <stdexcept>

namespace x11 {

void fail(const std::string& message) {
    qWarning("%s", message.c_str());
    throw std::runtime_error(message);
}

namespace {
// The multi-threaded build: with the plain one a Qt program's event loop now and then stalls
// right after its window is shown.
QString faketimeLibrary() {
    for (const char* candidate :
         {"/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1",
          "/usr/lib/aarch64-linux-gnu/faketime/libfaketimeMT.so.1", "/usr/lib/faketime/libfaketimeMT.so.1"}) {
        if (QFileInfo::exists(QString::fromLatin1(candidate)))
            return QString::fromLatin1(candidate);
    }
    fail("libfaketime is not installed");
}

int field(const QByteArray& text, const char* name) {
    const QRegularExpression pattern(QStringLiteral("%1:\\s+(-?\\d+)").arg(QLatin1String(name)));
    const QRegularExpressionMatch match = pattern.match(QString::fromUtf8(text));
    if (!match.hasMatch())
        fail(std::string("no ") + name + " in xwininfo output");
    return match.captured(1).toInt();
}
} // namespace

QString programPath() {
    return QStringLiteral(BRELUNDA_BINARY);
}
QString sourceDir() {
    return QStringLiteral(BRELUNDA_SOURCE_DIR);
}

QByteArray run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(15000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        fail(QStringLiteral("%1 %2 failed: %3")
                 .arg(program, arguments.join(' '), QString::fromUtf8(process.readAllStandardError()))
                 .toStdString());
    return process.readAllStandardOutput();
}

WindowGeometry geometry(const QString& window) {
    const QByteArray info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window});
    WindowGeometry result;
    result.client = QRect(field(info, "Absolute upper-left X"), field(info, "Absolute upper-left Y"),
                          field(info, "Width"), field(info, "Height"));
    const QString extents = QString::fromUtf8(
        run(QStringLiteral("xprop"), {QStringLiteral("-id"), window, QStringLiteral("_NET_FRAME_EXTENTS")}));
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("= (\\d+), (\\d+), (\\d+), (\\d+)")).match(extents);
    if (match.hasMatch()) // left, right, top, bottom
        result.frame = QMargins(match.captured(1).toInt(), match.captured(3).toInt(),
                                match.captured(2).toInt(), match.captured(4).toInt());
    return result;
}

QString title(const QString& window) {
    return QString::fromUtf8(run(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), window}))
        .trimmed();
}

// Raw pixels rather than PNG: several times faster, with nothing to decode.
QImage screenshot() {
    static const QSize size = screenSize();
    const QByteArray pixels = run(QStringLiteral("import"),
                                  {QStringLiteral("-window"), QStringLiteral("root"),
                                   QStringLiteral("-depth"), QStringLiteral("8"), QStringLiteral("rgb:-")});
    if (pixels.size() != qsizetype(size.width()) * size.height() * 3)
        fail("no screenshot");
    return QImage(reinterpret_cast<const uchar*>(pixels.constData()), size.width(), size.height(),
                  qsizetype(size.width()) * 3, QImage::Format_RGB888)
        .convertToFormat(QImage::Format_RGB32);
}

QSize screenSize() {
    const QByteArray info = run(QStringLiteral("xwininfo"), {QStringLiteral("-root")});
    return QSize(field(info, "Width"), field(info, "Height"));
}

void key(const QString& keys) {
    run(QStringLiteral("xdotool"), {QStringLiteral("key"), keys});
}

void click(QPoint at) {
    // No --sync: it waits for the pointer to move, forever when it is already there.
    run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(at.x()),
                                    QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1")});
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QThread::msleep(30);
    }
    return true;
}

int differingPixels(const QImage& a, const QImage& b, int tolerance) {
    if (a.size() != b.size())
        return a.width() * a.height() + 1;
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* lineA = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* lineB = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if (std::abs(qRed(lineA[x]) - qRed(lineB[x])) > tolerance ||
                std::abs(qGreen(lineA[x]) - qGreen(lineB[x])) > tolerance ||
                std::abs(qBlue(lineA[x]) - qBlue(lineB[x])) > tolerance)
                ++count;
        }
    }
    return count;
}

Program::Program(const QString& dateTime, const QStringList& extraEnvironment)
    : Program(FakeTime{QLatin1Char('@') + dateTime}, extraEnvironment) {}

Program::Program(const FakeTime& clock, const QStringList& extraEnvironment) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_PRELOAD"), faketimeLibrary());
    // "@" starts the clock at that moment and lets it run, so the program's timers behave.
    environment.insert(QStringLiteral("FAKETIME"), clock.setting);
    environment.insert(QStringLiteral("FAKETIME_DONT_FAKE_MONOTONIC"), QStringLiteral("1"));
    // File times stay real: faked ones make fontconfig think its caches stale and rewrite them.
    environment.insert(QStringLiteral("NO_FAKE_STAT"), QStringLiteral("1"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    for (const QString& entry : extraEnvironment)
        environment.insert(entry.section('=', 0, 0), entry.section('=', 1));
    process_.setProcessEnvironment(environment);
    process_.setProgram(programPath());
    process_.start();
    if (!process_.waitForStarted())
        fail("the program did not start");
}

Program::~Program() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(3000);
    }
}

QStringList findWindows(qint64 pid, const QString& windowTitle) {
    QProcess search;
    search.start(QStringLiteral("xdotool"),
                 {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                  QStringLiteral("--pid"), QString::number(pid), QStringLiteral("--name"),
                  QStringLiteral("^%1$").arg(QRegularExpression::escape(windowTitle))});
    search.waitForFinished();
    return QString::fromUtf8(search.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

QList<QRect> placesFromFirstShow(qint64 pid, const QString& windowTitle, int forMs) {
    QStringList ids;
    // No pause between looks: a window shown at a passing size keeps it for a tenth of a second.
    QElapsedTimer timer;
    timer.start();
    while ((ids = findWindows(pid, windowTitle)).isEmpty()) {
        if (timer.elapsed() > 10000)
            fail(("no window titled " + windowTitle).toStdString());
    }
    QList<QRect> places;
    timer.restart();
    while (timer.elapsed() < forMs) {
        const QByteArray info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), ids.last()});
        const QRect client(field(info, "Absolute upper-left X"), field(info, "Absolute upper-left Y"),
                           field(info, "Width"), field(info, "Height"));
        if (places.isEmpty() || places.last() != client)
            places.append(client);
    }
    return places;
}

QString describe(const QList<QRect>& rects) {
    QStringList parts;
    for (const QRect& rect : rects)
        parts.append(
            QStringLiteral("%1,%2 %3x%4").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height()));
    return parts.join(QStringLiteral("; "));
}

QString Program::waitForWindow(const QString& windowTitle, int timeoutMs) {
    QString found;
    const bool appeared = waitFor(
        [&] {
            const QStringList ids = findWindows(pid(), windowTitle);
            if (ids.isEmpty())
                return false;
            found = ids.last();
            return !geometry(found).frame.isNull();
        },
        timeoutMs);
    if (!appeared)
        fail(("no framed window titled " + windowTitle).toStdString());
    return found;
}

WindowGeometry Program::waitForSettled(const QString& window, int timeoutMs) {
    WindowGeometry last = geometry(window);
    int steady = 0;
    waitFor(
        [&] {
            const WindowGeometry now = geometry(window);
            steady = now.outer() == last.outer() ? steady + 1 : 0;
            last = now;
            return steady >= 4;
        },
        timeoutMs);
    return last;
}

void Program::activate(const QString& window) {
    run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"), window});
}

bool Program::waitForExit(int timeoutMs) {
    return process_.waitForFinished(timeoutMs);
}

} // namespace x11
