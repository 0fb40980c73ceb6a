#include "MainWindowView.h"

#include <QThread>
#include <algorithm>
#include <stdexcept>

namespace x11 {

const QImage& backgroundPicture() {
    static const QImage picture = QImage(sourceDir() + QStringLiteral("/ui/assets/background.jpg"))
                                      .convertToFormat(QImage::Format_RGB32);
    return picture;
}

LabelInk labelInk(const QImage& client, const QImage& picture, const QList<QRect>& labels) {
    LabelInk ink;
    ink.pixels.fill(0, labels.size());
    ink.rightmostEnd.fill(0, labels.size());
    const int width = std::min(client.width(), picture.width());
    const int height = std::min(client.height(), picture.height());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const QRgb shown = client.pixel(x, y), behind = picture.pixel(x, y);
            if (std::abs(qRed(shown) - qRed(behind)) + std::abs(qGreen(shown) - qGreen(behind)) +
                    std::abs(qBlue(shown) - qBlue(behind)) <
                60)
                continue;
            const auto inside = std::find_if(labels.begin(), labels.end(),
                                             [&](const QRect& rect) { return rect.contains(x, y); });
            if (inside == labels.end()) {
                ++ink.stray;
                continue;
            }
            const auto index = inside - labels.begin();
            ++ink.pixels[index];
            ink.rightmostEnd[index] = std::max(ink.rightmostEnd[index], x + 1);
            if (qGreen(shown) < qRed(shown) || qGreen(shown) < qBlue(shown))
                ++ink.notGreen;
        }
    }
    return ink;
}

MainWindowView::MainWindowView(std::unique_ptr<Program> program)
    : program_(std::move(program)) {
    window_ = program_->waitForWindow(QStringLiteral("Brelunda"));
    geometry_ = program_->waitForSettled(window_);
    program_->activate(window_);
    locateClientArea();
}

MainWindowView MainWindowView::start(const QString& localTime, const QStringList& environment) {
    return MainWindowView(std::make_unique<Program>(localTime, environment));
}

MainWindowView MainWindowView::start(const QDateTime& instant, const QStringList& environment) {
    // A relative offset holds the instant whatever time zone the program is told to use.
    const qint64 offset = (instant.toMSecsSinceEpoch() - QDateTime::currentMSecsSinceEpoch()) / 1000;
    const QString setting = (offset < 0 ? QStringLiteral("%1") : QStringLiteral("+%1")).arg(offset);
    return MainWindowView(std::make_unique<Program>(Program::FakeTime{setting}, environment));
}

void MainWindowView::relocate() {
    geometry_ = program_->waitForSettled(window_);
    locateClientArea();
}

// The picture's corner is free of text, so it tells where the client area starts.
void MainWindowView::locateClientArea() {
    const QImage corner = backgroundPicture().copy(0, 0, 100, 40);
    bool found = waitFor([&] {
        // The window may still be placed after it has kept its size for a while.
        geometry_ = x11::geometry(window_);
        const QImage shot = screenshot();
        for (int dy = 0; dy < 60; ++dy) {
            const QImage candidate =
                shot.copy(QRect(geometry_.client.topLeft() + QPoint(0, dy), corner.size()));
            if (differingPixels(candidate, corner, 2) == 0) {
                menuHeight_ = dy;
                origin_ = geometry_.client.topLeft() + QPoint(0, dy);
                return true;
            }
        }
        return false;
    });
    if (!found)
        fail("the picture is not at the client area's top-left corner");
}

QImage MainWindowView::clientArea(const QImage& shot) const {
    return shot.copy(
        QRect(origin_, QSize(geometry_.client.width(), geometry_.client.height() - menuHeight_)));
}

QList<QRect> MainWindowView::menuTitles(const QImage& shot) const {
    const QRect bar(geometry_.client.topLeft(), QSize(geometry_.client.width(), menuHeight_));
    QList<QRect> titles;
    int gap = 100;
    for (int x = bar.left(); x <= bar.right(); ++x) {
        int top = bar.bottom(), bottom = bar.top();
        for (int y = bar.top() + 2; y < bar.bottom() - 1; ++y) {
            if (qGray(shot.pixel(x, y)) < 215) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
        if (top > bottom) {
            ++gap;
            continue;
        }
        const QRect column(x, top, 1, bottom - top + 1);
        if (gap > 6)
            titles.append(column);
        else
            titles.last() = titles.last().united(column);
        gap = 0;
    }
    return titles;
}

bool MainWindowView::isGreyed(const QImage& shot, const QRect& title) {
    int darkest = 255;
    for (int y = title.top(); y <= title.bottom(); ++y)
        for (int x = title.left(); x <= title.right(); ++x)
            darkest = std::min(darkest, qGray(shot.pixel(x, y)));
    // Enabled titles are drawn in black; disabled ones in a light grey.
    if (darkest > 120)
        return true;
    if (darkest < 80)
        return false;
    throw std::runtime_error("a menu title that is neither black nor grey");
}

bool MainWindowView::waitUntilShows(const QImage& expected, int timeoutMs) const {
    if (!waitFor([&] { return differingPixels(clientArea(), expected) == 0; }, timeoutMs))
        return false;
    // The menu bar keeps an item highlighted for a moment after its access key; a key pressed
    // meanwhile goes to the highlighted menu bar instead.
    QThread::msleep(150);
    return true;
}

} // namespace x11
