#pragma once

#include "XSession.h"

#include <QDateTime>
#include <memory>

namespace x11 {

// The program's main window as a user sees it: where its client area is on the screen, what it
// shows, and where the titles of its menu bar are.
class MainWindowView {
public:
    // Starts the program with its clock at that local time (UTC unless TZ is in the environment)
    // or at that instant, and waits until its window is framed and settled.
    static MainWindowView start(const QString& localTime, const QStringList& environment = {});
    static MainWindowView start(const QDateTime& instant, const QStringList& environment = {});

    Program& program() { return *program_; }
    const QString& window() const { return window_; }
    const WindowGeometry& geometry() const { return geometry_; }
    QPoint clientOrigin() const { return origin_; }

    QImage clientArea(const QImage& shot) const;
    QImage clientArea() const { return clientArea(screenshot()); }

    // The five titles on the menu bar, as boxes around their letters.
    QList<QRect> menuTitles(const QImage& shot) const;
    // Whether the title's letters are drawn greyed, as a disabled item's are.
    static bool isGreyed(const QImage& shot, const QRect& title);

    // Finds the window again after the window manager may have moved it (it keeps a window that
    // grew past the screen's edge on the screen).
    void relocate();

    // Polls until the client area shows exactly that picture.
    bool waitUntilShows(const QImage& expected, int timeoutMs = 3000) const;

private:
    explicit MainWindowView(std::unique_ptr<Program> program);
    void locateClientArea();

    std::unique_ptr<Program> program_;
    QString window_;
    WindowGeometry geometry_;
    QPoint origin_;
    int menuHeight_ = 0;
};

// The background picture as shipped, for finding and checking the client area.
const QImage& backgroundPicture();

// Where a client area differs from its picture: that is text, and it belongs inside the labels.
struct LabelInk {
    int stray = 0;           // differing pixels outside every label
    int notGreen = 0;        // differing pixels inside a label that are not green text
    QList<int> pixels;       // per label
    QList<int> rightmostEnd; // per label: one past the rightmost differing column
};
LabelInk labelInk(const QImage& client, const QImage& picture, const QList<QRect>& labels);

} // namespace x11
