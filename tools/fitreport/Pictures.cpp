#include "tools/fitreport/Pictures.h"

#include "app/FixedSize.h"
#include "messages/DailyEntry.h"
#include "messages/FuncBrelunda.h"
#include "platform/qt/FormWindow.h"
#include "tools/fitreport/FitReport.h"
#include "ui/forms.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <cstdint>
#include <memory>
#include <set>
#include <stdexcept>

namespace fitreport {

namespace {
constexpr int sheetColumns = 7;
constexpr int sheetGap = 8;
constexpr int cutFrame = 3;

// At the outer size the program holds it to, inside the frame the layouts were made for (a
// 4-pixel border, a 19-pixel title bar); grabbing lays it out. The window has no handlers: a resize
// handler would take the offscreen platform's own frame for a window manager's.
std::unique_ptr<forms::FormWindow>
windowFor(forms::Toolkit& toolkit, const forms::FormDescription& description, forms::OuterSize size) {
    std::unique_ptr<forms::FormWindow> window = toolkit.makeWindow(description);
    window->placeCentred(size);
    return window;
}

QImage clientImage(forms::FormWindow& window) {
    return static_cast<forms::qt::FormWindow&>(window).clientArea()->grab().toImage().convertToFormat(
        QImage::Format_RGB32);
}

void save(const QImage& image, const QString& path, QStringList& written) {
    if (!image.save(path, "PNG"))
        throw std::runtime_error(qPrintable(path + QStringLiteral(": cannot write")));
    written << path;
}

QImage contactSheet(const std::vector<QImage>& days, const std::set<int>& cutDays) {
    const QSize cell = days.front().size() / 2;
    const int rows = (int(days.size()) + sheetColumns - 1) / sheetColumns;
    QImage sheet(sheetGap + sheetColumns * (cell.width() + sheetGap),
                 sheetGap + rows * (cell.height() + sheetGap), QImage::Format_RGB32);
    sheet.fill(Qt::darkGray);
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int i = 0; i < int(days.size()); ++i) {
        const QRect at(sheetGap + (i % sheetColumns) * (cell.width() + sheetGap),
                       sheetGap + (i / sheetColumns) * (cell.height() + sheetGap), cell.width(),
                       cell.height());
        painter.drawImage(at, days[std::size_t(i)]);
        if (cutDays.count(firstDay + i)) {
            painter.setPen(QPen(Qt::red, cutFrame));
            painter.drawRect(at.adjusted(1, 1, -2, -2));
        }
    }
    return sheet;
}
} // namespace

QStringList writePictures(forms::Toolkit& toolkit, const Report& report, const QString& dir) {
    if (!QDir().mkpath(dir))
        throw std::runtime_error(qPrintable(dir + QStringLiteral(": cannot make the folder")));
    const QDir folder(dir);
    QStringList written;

    const std::unique_ptr<forms::FormWindow> main = windowFor(toolkit, ui::brelundaForm(), app::brelundaSize);
    forms::setMainFormFactory([&main] { return main->handle(); });
    std::vector<QImage> days;
    for (int day = firstDay; day <= lastDay; ++day) {
        FuncBrelunda::ShowDay(std::int16_t(day));
        days.push_back(clientImage(*main));
        save(days.back(), folder.filePath(QStringLiteral("day-%1.png").arg(day, 2, 10, QLatin1Char('0'))),
             written);
    }
    const std::unique_ptr<forms::FormWindow> sobre = windowFor(toolkit, ui::sobreForm(), app::sobreSize);
    save(clientImage(*sobre), folder.filePath(QStringLiteral("about.png")), written);

    std::set<int> cutDays;
    for (const Entry& entry : report.entries) {
        if (entry.day && !entry.fit.fits())
            cutDays.insert(entry.day);
    }
    save(contactSheet(days, cutDays), folder.filePath(QStringLiteral("all-days.png")), written);
    return written;
}

} // namespace fitreport
