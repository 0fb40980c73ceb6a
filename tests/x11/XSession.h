#pragma once

// Drives real programs on the X display the suite runs under: starts them with a chosen clock,
// finds and measures their windows from outside, types and clicks with real input events, and
// takes screenshots to measure by pixel.

#include <QImage>
#include <QMargins>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>

namespace x11 {

// Logs the message, then throws it: QtTest reports an escaping exception without its message.
[[noreturn]] void fail(const std::string& message);

// Runs a command to completion and returns what it printed; throws when it fails.
QByteArray run(const QString& program, const QStringList& arguments);

struct WindowGeometry {
    QRect client;   // the program's own window, on the screen
    QMargins frame; // what the window manager draws around it
    QRect outer() const { return client.marginsAdded(frame); }
};

WindowGeometry geometry(const QString& window);
QString title(const QString& window);
// The visible windows of that process with exactly that title; none yet is no error.
QStringList findWindows(qint64 pid, const QString& title);
QImage screenshot();
QSize screenSize();

// Real input through the XTEST extension, as a keyboard and mouse would send it.
void key(const QString& keys);
void click(QPoint at);

// Where a window of that process and title is on the screen from the moment it is first visible
// and for the given time after: every different client rectangle, in the order seen.
QList<QRect> placesFromFirstShow(qint64 pid, const QString& title, int forMs);
// "x,y w×h" for each, for failure messages.
QString describe(const QList<QRect>& rects);

// Polls until the condition holds or the time is up; returns whether it held.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000);

// Counts pixels whose channels differ by more than the tolerance.
int differingPixels(const QImage& a, const QImage& b, int tolerance = 8);

// The built program, started with its clock on the given local date and time.
class Program {
public:
    explicit Program(const QString& dateTime, const QStringList& extraEnvironment = {});
    // With a libfaketime setting of any form, such as a relative offset "+3600".
    struct FakeTime {
        QString setting;
    };
    explicit Program(const FakeTime& clock, const QStringList& extraEnvironment = {});
    ~Program();

    // The visible top-level window with that title, once the window manager has framed it.
    QString waitForWindow(const QString& title, int timeoutMs = 10000);
    // Waits until the window keeps its outer size for a while; returns that geometry.
    WindowGeometry waitForSettled(const QString& window, int timeoutMs = 5000);
    void activate(const QString& window);

    qint64 pid() const { return process_.processId(); }
    bool waitForExit(int timeoutMs = 5000);
    int exitCode() const { return process_.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return process_.exitStatus(); }
    QByteArray standardError() { return process_.readAllStandardError(); }

private:
    QProcess process_;
};

QString programPath();
QString sourceDir();

} // namespace x11
