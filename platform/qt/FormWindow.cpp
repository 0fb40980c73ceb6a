#include "platform/qt/FormWindow.h"

#include "platform/qt/Toolkit.h"
#include "platform/qt/WindowManagerFrame.h"

#include <QAccessibleWidget>
#include <QAction>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHash>
#include <QIcon>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QResource>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <cstring>
#include <span>

namespace forms::qt {

namespace {
// Where the build put an asset the descriptions name.
QString assetPath(std::string_view name, const char* extension) {
    return QStringLiteral(":/ui/assets/") + qstr(name) + QLatin1String(extension);
}

// The build turns the picture and the icons into raw pixels (width, height, then 32-bit pixels
// from the top), stored uncompressed: the images are read where they lie, with no decoder and no
// image plugin to load. Null when the build has no such asset.
QImage rawPixels(std::string_view name, QImage::Format format) {
    const QResource resource(assetPath(name, ".pixels"));
    const uchar* data = resource.data();
    quint32 size[2] = {};
    if (!data || resource.compressionAlgorithm() != QResource::NoCompression || resource.size() < 8)
        return {};
    std::memcpy(size, data, sizeof size);
    if (resource.size() != 8 + qint64(size[0]) * size[1] * 4)
        return {};
    return QImage(data + 8, int(size[0]), int(size[1]), qsizetype(size[0]) * 4, format);
}

// One icon per asset for the life of the program. Qt caches an icon's pixmaps under that icon's
// own key, and the X11 window system asks for them at every showing: a window built afresh each
// time it is shown would otherwise leave a new set of pixmaps in the cache at every showing.
QIcon iconFor(std::string_view name) {
    static QHash<QString, QIcon> icons;
    static const bool releasedAtExit = (qAddPostRoutine([] { icons.clear(); }), true);
    Q_UNUSED(releasedAtExit);
    const QString key = qstr(name);
    auto found = icons.constFind(key);
    if (found == icons.constEnd()) {
        QIcon icon;
        for (const char* size : {"-32", "-16"}) {
            const QImage image = rawPixels(std::string(name) + size, QImage::Format_ARGB32);
            if (image.isNull())
                raiseFileNotFound(name);
            icon.addPixmap(QPixmap::fromImage(image));
        }
        found = icons.insert(key, icon);
    }
    return *found;
}

QColor colourOf(Colour value, const QPalette& palette) {
    if (isSystemColour(value)) {
        switch (systemColourNumber(value)) {
        case 5:
            return palette.color(QPalette::Window);
        case 8:
            return palette.color(QPalette::WindowText);
        case 10:
            return palette.color(QPalette::Midlight);
        case 24:
            return palette.color(QPalette::ToolTipBase);
        default:
            return palette.color(QPalette::Window);
        }
    }
    const Rgb rgb = rgbOf(value);
    return QColor(rgb.red, rgb.green, rgb.blue);
}

Qt::Alignment alignmentOf(Alignment alignment) {
    // A label's text always starts at its top edge.
    switch (alignment) {
    case Alignment::Left:
        return Qt::AlignLeft | Qt::AlignTop;
    case Alignment::Right:
        return Qt::AlignRight | Qt::AlignTop;
    case Alignment::Centre:
        break;
    }
    return Qt::AlignHCenter | Qt::AlignTop;
}

QString controlName(std::string_view name, int index) {
    return index < 0 ? qstr(name) : QStringLiteral("%1(%2)").arg(qstr(name)).arg(index);
}

// The window metrics the layouts were made for: the frame a window is laid out for when the
// window manager cannot say beforehand what frame it will draw.
constexpr QMargins layoutFrame(4, 4 + 19, 4, 4);

// How long a window's size and place must stay put before the window manager is taken to have
// settled; how often, and for how long, a newly shown window looks for its frame meanwhile.
constexpr int settleDelay = 100;
constexpr int framePollInterval = 20;
constexpr int frameWaitLimit = 2000;

// Refused requests in a row after which the window stops asking for its size until the window
// manager changes it: a tiling window manager never grants one.
constexpr int refusalLimit = 3;

// A windowless line drawn over the labels.
class LineControl : public QWidget {
public:
    LineControl(const LineDescription& line, QWidget* parent)
        : colour_(colourOf(line.colour, parent->palette())) {
        setObjectName(qstr(line.name));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        // A stroke stops short of its end point; a thick one is centred on its row, with the odd
        // pixel of an even width above it.
        const int top = pixels(line.y1) - line.pixelWidth / 2;
        setGeometry(pixels(line.x1), top, pixels(line.x2) - pixels(line.x1), line.pixelWidth);
        // Into its window only now that it is a line: a screen reader told of a new child may ask
        // at once what it is, and Qt keeps the first answer. Asked inside QWidget's constructor,
        // that answer would be a plain pane's for good.
        setParent(parent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), colour_);
    }

private:
    QColor colour_;
};

// The menu bar, acting on the Alt key only as it is pressed and released. While a screen reader
// listens to the keys, Qt holds each key back until the screen reader has let it through, then
// delivers it a second time, and the bar, watching the whole application while Alt is down, sees
// both. It tells Alt tapped alone by a release of Alt with no other key since its press; the
// second delivery of Alt+P lacks the letter, taken as an access key at once, so the bar took it
// for a tap and stayed in keyboard mode, where Down opens "Arquivo" and Enter chooses "Sair". A
// real tap, seen twice, was undone by its own echo. The second Alt press comes with a check for
// shortcuts that sets the bar waiting for a tap again, before the press itself is seen: after an
// access key, that wait is ended at once.
//
// A command on the bar chosen by its access key is highlighted for a moment and never has the
// focus, yet Qt tells assistive technology the focus went to it: a screen reader would read out
// the command's name before what the command brings, and stay on it. That word is held back.
class MenuBar : public QMenuBar {
public:
    using QMenuBar::QMenuBar;

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::Shortcut)
            accessKeyUsed_ = true;
        if (event->type() != QEvent::Shortcut || !isCommand(static_cast<QShortcutEvent*>(event)->key()))
            return QMenuBar::event(event);
        quietBar = this;
        passedOn = QAccessible::installUpdateHandler(withoutFocusOfQuietBar);
        const bool handled = QMenuBar::event(event);
        QAccessible::installUpdateHandler(passedOn);
        quietBar = nullptr;
        return handled;
    }

    // The bar watches its window's events, and the whole application's once Alt is down.
    bool eventFilter(QObject* watched, QEvent* event) override {
        const bool alt = (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
                         static_cast<QKeyEvent*>(event)->key() == Qt::Key_Alt;
        if (alt && event->spontaneous() && event->type() == QEvent::KeyPress)
            accessKeyUsed_ = false;
        if (!alt || event->spontaneous())
            return QMenuBar::eventFilter(watched, event);
        if (accessKeyUsed_) {
            // What else ends the bar's wait for a tap: a click, another key, a change of window.
            QEvent ended(QEvent::ActivationChange);
            QMenuBar::eventFilter(watched, &ended);
        }
        return false;
    }

private:
    bool isCommand(const QKeySequence& key) const {
        const QList<QAction*> items = actions();
        return std::any_of(items.begin(), items.end(), [&](const QAction* item) {
            return !item->menu() && QKeySequence::mnemonic(item->text()) == key;
        });
    }

    static void withoutFocusOfQuietBar(QAccessibleEvent* event) {
        if (event->type() == QAccessible::Focus && event->object() == quietBar)
            return;
        QAccessible::installUpdateHandler(passedOn);
        QAccessible::updateAccessibility(event);
        QAccessible::installUpdateHandler(withoutFocusOfQuietBar);
    }

    bool accessKeyUsed_ = false;
    static inline QMenuBar* quietBar = nullptr;
    static inline QAccessible::UpdateHandler passedOn = nullptr;
};

// What a screen reader is told a window is: a plain widget would be a nameless pane to it, and
// a dialog's texts are read out when it opens only if it is known to be a dialog.
class WindowAccessible : public QAccessibleWidget {
public:
    explicit WindowAccessible(FormWindow* window)
        : QAccessibleWidget(window, window->description().role == WindowRole::Dialog ? QAccessible::Dialog
                                                                                     : QAccessible::Window) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.modal = widget()->isModal();
        return state;
    }
};

QAccessibleInterface* readingFor(QObject* object);

QAccessibleInterface* accessibleFor(const QString&, QObject* object) {
    if (QAccessibleInterface* reading = readingFor(object))
        return reading;
    if (auto* window = qobject_cast<FormWindow*>(object))
        return new WindowAccessible(window);
    // The rules are decoration, not a pane to be read.
    if (auto* line = dynamic_cast<LineControl*>(object))
        return new QAccessibleWidget(line, QAccessible::Separator);
    return nullptr;
}
} // namespace

// The client area: the background colour, and the picture once at its natural size in the corner.
// That size is in the layout's pixels: on a high-density screen the picture covers the same
// logical area as the labels over it, filtered as it is enlarged.
class ClientArea : public QWidget {
public:
    ClientArea(const FormDescription& description, QWidget* parent)
        : background_(colourOf(description.backColour, parent->palette())) {
        setObjectName(QStringLiteral("client"));
        if (!description.picture.empty()) {
            picture_ = rawPixels(description.picture, QImage::Format_RGB32);
            if (picture_.isNull())
                raiseInvalidPicture(description.picture);
        }
        setAttribute(Qt::WA_OpaquePaintEvent);
        // Into its window only once it is a client area, for the reason a line waits too: the
        // screen reader's first answer for it is the one that stays, and it must be the reading.
        setParent(parent);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        const QRectF pictureArea(QPointF(0, 0), picture_.deviceIndependentSize());
        // The picture covers the main window's whole client area: filling under it first would
        // cost a day's step a few per cent for nothing.
        if (picture_.isNull() || !pictureArea.contains(QRectF(event->rect())))
            painter.fillRect(event->rect(), background_);
        if (picture_.isNull())
            return;
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(pictureArea, picture_, QRectF(picture_.rect()));
    }

private:
    QColor background_;
    QImage picture_;
};

namespace {
// A window's texts as a screen reader takes them: one read-only text in the client area, the
// labels' captions in the order they are laid out, top to bottom, a paragraph at each line feed.
// The labels are not offered one by one besides: the short ones would be left out when a dialog
// is read out as it opens, and a label's paragraphs would be reviewed as one line. Each paragraph
// is placed where it is drawn, so that reviewing by line goes paragraph by paragraph.
class ReadingAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    ReadingAccessible(QWidget* area, const FormWindow& window)
        : QAccessibleWidget(area, QAccessible::StaticText)
        , window_(&window) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text type) const override {
        return type == QAccessible::Name ? reading() : QAccessibleWidget::text(type);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.multiLine = true;
        // The main window's reading takes the focus when it changes; a dialog is read as it opens.
        state.focusable = window_ && window_->description().role == WindowRole::Main;
        return state;
    }
    // The rules are still there to be found; the labels are in the text.
    int childCount() const override { return int(others().size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<QWidget*> children = others();
        return index >= 0 && index < children.size() ? QAccessible::queryAccessibleInterface(children[index])
                                                     : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child ? int(others().indexOf(child->object())) : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        for (QWidget* child : others()) {
            if (QRect(child->mapToGlobal(QPoint(0, 0)), child->size()).contains(x, y))
                return QAccessible::queryAccessibleInterface(child);
        }
        return nullptr;
    }

    QString text(int start, int end) const override { return reading().mid(start, end - start); }
    int characterCount() const override { return int(reading().size()); }
    int cursorPosition() const override { return cursor_; }
    void setCursorPosition(int position) override { cursor_ = position; }
    QRect characterRect(int offset) const override {
        for (const Paragraph& paragraph : paragraphs()) {
            if (offset >= paragraph.start && offset <= paragraph.start + paragraph.text.size())
                return paragraph.place;
        }
        return {};
    }
    int offsetAtPoint(const QPoint& point) const override {
        for (const Paragraph& paragraph : paragraphs()) {
            if (paragraph.place.contains(point))
                return int(paragraph.start);
        }
        return -1;
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int* start,
                         int* end) const override {
        return byParagraph(boundary) ? paragraphAt(offset, 0, start, end)
                                     : QAccessibleTextInterface::textAtOffset(offset, boundary, start, end);
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int* start,
                             int* end) const override {
        return byParagraph(boundary)
                   ? paragraphAt(offset, -1, start, end)
                   : QAccessibleTextInterface::textBeforeOffset(offset, boundary, start, end);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int* start,
                            int* end) const override {
        return byParagraph(boundary)
                   ? paragraphAt(offset, +1, start, end)
                   : QAccessibleTextInterface::textAfterOffset(offset, boundary, start, end);
    }

    // Nothing can be selected, and nothing is scrolled.
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        return {};
    }

private:
    struct Paragraph {
        qsizetype start; // in the reading
        QString text;
        QRect place; // on the screen
    };

    QString reading() const {
        QStringList captions;
        for (const LabelDescription& item : labels())
            captions << window_->label(item.name, item.index)->text();
        return captions.join(QLatin1Char('\n'));
    }

    // A label's paragraph lies below the text before it, as the label wraps it to its width.
    // Worked out again only when the text or the window's place changes: a screen reader asks for
    // a line's place one character at a time.
    const QList<Paragraph>& paragraphs() const {
        const QPoint origin = widget()->mapToGlobal(QPoint(0, 0));
        const QString whole = reading();
        if (whole == laidOut_ && origin == laidOutAt_)
            return paragraphs_;
        laidOut_ = whole;
        laidOutAt_ = origin;
        QList<Paragraph>& all = paragraphs_;
        all.clear();
        qsizetype start = 0;
        for (const LabelDescription& item : labels()) {
            const QLabel* label = window_->label(item.name, item.index);
            const QFontMetrics metrics(label->font());
            const QRect area(label->mapToGlobal(QPoint(0, 0)), label->size());
            const int flags = int(label->alignment()) | Qt::TextWordWrap;
            const auto depth = [&](const QString& text) {
                return text.isEmpty()
                           ? 0
                           : metrics.boundingRect(0, 0, area.width(), 1 << 20, flags, text).height();
            };
            QString above;
            for (const QString& text : label->text().split(QLatin1Char('\n'))) {
                const int top = depth(above);
                above += (above.isEmpty() ? QString() : QStringLiteral("\n")) + text;
                const QRect place(area.left(), area.top() + top, area.width(), depth(above) - top);
                all.append({start, text, place.intersected(area)});
                start += text.size() + 1;
            }
        }
        return all;
    }

    QList<QWidget*> others() const {
        QList<QWidget*> children;
        for (QObject* child : widget()->children()) {
            auto* shown = qobject_cast<QWidget*>(child);
            if (shown && !qobject_cast<QLabel*>(shown) && !shown->isHidden())
                children.append(shown);
        }
        return children;
    }

    std::span<const LabelDescription> labels() const {
        return window_ ? window_->description().labels : std::span<const LabelDescription>();
    }

    static bool byParagraph(QAccessible::TextBoundaryType boundary) {
        return boundary == QAccessible::LineBoundary || boundary == QAccessible::ParagraphBoundary;
    }

    // The paragraph at the offset, or the one before or after it. Its line feed is left out:
    // Qt places a range by its characters up to and including the end offset.
    QString paragraphAt(int offset, int step, int* start, int* end) const {
        const QList<Paragraph>& all = paragraphs();
        qsizetype index = 0;
        while (index + 1 < all.size() && offset >= all[index + 1].start)
            ++index;
        index += step;
        if (offset < 0 || offset > characterCount() || index < 0 || index >= all.size()) {
            *start = *end = -1;
            return {};
        }
        *start = int(all[index].start);
        *end = int(all[index].start + all[index].text.size());
        return all[index].text;
    }

    QPointer<const FormWindow> window_;
    int cursor_ = 0;
    mutable QString laidOut_;
    mutable QPoint laidOutAt_;
    mutable QList<Paragraph> paragraphs_;
};

QAccessibleInterface* readingFor(QObject* object) {
    auto* area = dynamic_cast<ClientArea*>(object);
    auto* window = area ? qobject_cast<const FormWindow*>(area->parentWidget()) : nullptr;
    return window ? new ReadingAccessible(area, *window) : nullptr;
}
} // namespace

class FormWindow::LabelControl : public forms::Control {
public:
    explicit LabelControl(QLabel* label)
        : label_(label) {}
    void setCaption(std::string_view utf8) override { label_->setText(qstr(utf8)); }
    QLabel* label() const { return label_; }

private:
    QLabel* label_;
};

class FormWindow::MenuItemHandle : public forms::MenuItem {
public:
    explicit MenuItemHandle(QAction* action)
        : action_(action) {}
    void setEnabled(bool enabled) override { action_->setEnabled(enabled); }
    QAction* action() const { return action_; }

private:
    QAction* action_;
};

// Outer sizes are whole pixels of the frame, in twips; a set that leaves the pixel size as it is
// changes nothing and raises no resize, so the rule's nesting always ends.
class FormWindow::OuterFrame : public forms::Window {
public:
    explicit OuterFrame(FormWindow& window)
        : window_(window) {}

    WindowState windowState() const override {
        const Qt::WindowStates state = window_.windowState();
        if (state & Qt::WindowMinimized)
            return WindowState::Minimized;
        if (state & (Qt::WindowMaximized | Qt::WindowFullScreen))
            return WindowState::Maximized;
        return WindowState::Normal;
    }
    float height() const override { return twips(window_.outerGeometry().height()); }
    float width() const override { return twips(window_.outerGeometry().width()); }
    void setHeight(float size) override {
        window_.requestOuter(QSize(window_.outerGeometry().width(), pixels(size)));
    }
    void setWidth(float size) override {
        window_.requestOuter(QSize(pixels(size), window_.outerGeometry().height()));
    }
    void readingChanged() override { window_.readingChanged(); }

private:
    FormWindow& window_;
};

FormWindow::FormWindow(const FormDescription& description)
    : QWidget(nullptr, description.role == WindowRole::Dialog ? Qt::WindowFlags(Qt::Dialog)
                                                              : Qt::WindowFlags(Qt::Window))
    , description_(description)
    , outer_(std::make_unique<OuterFrame>(*this)) {
    static const bool accessibleInstalled = (QAccessible::installFactory(accessibleFor), true);
    Q_UNUSED(accessibleInstalled);
    setObjectName(qstr(description.name));
    settle_.setSingleShot(true);
    connect(&settle_, &QTimer::timeout, this, &FormWindow::settled);
    create();
    frameRequest_ = std::make_unique<FrameRequest>(windowHandle());
    setWindowTitle(qstr(description.caption));
    // An icon is loaded only when the window system first asks for it: check it is there now,
    // so a build that lost it fails at once instead of showing a window without one.
    setWindowIcon(iconFor(description.icon));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The window's size is the fixed-size rule's business, not the layout's.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    client_ = new ClientArea(description, this);
    layout->addWidget(client_);
    if (!description.menu.empty()) {
        menuBar_ = new MenuBar(this);
        menuBar_->setObjectName(QStringLiteral("menuBar"));
        layout->setMenuBar(menuBar_);
    }

    for (const LabelDescription& item : description.labels) {
        auto* label = new QLabel(client_);
        label->setObjectName(controlName(item.name, item.index));
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setAlignment(alignmentOf(item.alignment));
        label->setFont(fontFor(item.font));
        label->setFocusPolicy(Qt::NoFocus);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, colourOf(item.foreColour, palette));
        label->setPalette(palette);
        label->setGeometry(pixels(item.left), pixels(item.top), pixels(item.width), pixels(item.height));
        label->setText(qstr(item.caption));
        controls_.emplace(label->objectName().toStdString(), std::make_unique<LabelControl>(label));
    }
    for (const LineDescription& line : description.lines)
        new LineControl(line, client_);

    buildMenu();
    // Last: a window whose construction failed has no destructor run to take it off the list, and
    // a screen reader turning up later would be reported to the dead window.
    QAccessible::installActivationObserver(this);
}

FormWindow::~FormWindow() {
    QAccessible::removeActivationObserver(this);
}

forms::Window& FormWindow::outer() {
    return *outer_;
}

std::shared_ptr<forms::Form> FormWindow::handle() {
    return std::make_shared<FormHandle>(this);
}

void FormWindow::show() {
    QWidget::show();
}

void FormWindow::showModal() {
    setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    connect(this, &FormWindow::closed, &loop, &QEventLoop::quit);
    QWidget::show();
    loop.exec(QEventLoop::DialogExec);
}

void FormWindow::buildMenu() {
    std::map<std::string_view, QMenu*> menus;
    for (const MenuDescription& item : description_.menu) {
        QAction* action = nullptr;
        switch (item.kind) {
        case MenuKind::DropDownTitle: {
            QMenu* menu = menuBar_->addMenu(qstr(item.caption));
            menu->setObjectName(qstr(item.name));
            // Qt names a drop-down by its window title, which a menu has none of.
            menu->setAccessibleName(menu->menuAction()->iconText());
            menus[item.name] = menu;
            action = menu->menuAction();
            break;
        }
        case MenuKind::CommandOnBar:
            action = menuBar_->addAction(qstr(item.caption));
            break;
        case MenuKind::Command:
            action = menus.at(item.parent)->addAction(qstr(item.caption));
            break;
        }
        action->setObjectName(qstr(item.name));
        action->setEnabled(item.enabled);
        menuItems_.emplace(std::string(item.name), std::make_unique<MenuItemHandle>(action));
    }
}

void FormWindow::onResize(std::function<void()> handler) {
    resizeHandler_ = std::move(handler);
}

void FormWindow::onClick(std::string_view menuItem, std::function<void()> handler) {
    connect(action(menuItem), &QAction::triggered, this,
            [handler = std::move(handler)] { forms::dispatch(handler); });
}

forms::MenuItem& FormWindow::menuItem(std::string_view name) {
    const auto found = menuItems_.find(name);
    if (found == menuItems_.end())
        raiseControlNotFound(name);
    return *found->second;
}

forms::Control* FormWindow::control(std::string_view name) {
    const auto found = controls_.find(name);
    return found == controls_.end() ? nullptr : found->second.get();
}

QLabel* FormWindow::label(std::string_view name, int index) const {
    const auto found = controls_.find(controlName(name, index).toStdString());
    return found == controls_.end() ? nullptr : found->second->label();
}

QAction* FormWindow::action(std::string_view name) const {
    const auto found = menuItems_.find(name);
    return found == menuItems_.end() ? nullptr : found->second->action();
}

QWidget* FormWindow::clientArea() const {
    return client_;
}

void FormWindow::placeCentred(OuterSize size) {
    const int outerHeight = pixels(size.height);
    const int outerWidth = pixels(size.width);
    if (frameRequest_) {
        announcedFrame_ = frameRequest_->answer();
        frameRequest_.reset();
    }
    const QMargins frame = announcedFrame_.value_or(layoutFrame);
    resize(outerWidth - frame.left() - frame.right(), outerHeight - frame.top() - frame.bottom());
    centre(QSize(outerWidth, outerHeight));
    // Qt knows the window manager's frame only once the window is mapped: centre again then.
    centreWhenFramed_ = true;
}

void FormWindow::centre(QSize outerSize) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint corner(screen.x() + (screen.width() - outerSize.width()) / 2,
                        screen.y() + (screen.height() - outerSize.height()) / 2);
    // The window itself is placed, inside a frame of the size the window manager has drawn or
    // announced, or of the layout's size until it has. Placing the frame instead would leave Qt
    // taking the frame's corner for the window's own until the window manager answers; a resize
    // meanwhile then shifts the window by the frame's size, and so would a move to where the
    // frame already is, which the window manager never answers.
    QMargins frame = this->frame();
    if (frame.isNull())
        frame = layoutFrame;
    setGeometry(QRect(corner + QPoint(frame.left(), frame.top()), size()));
}

bool FormWindow::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    switch (event->type()) {
    case QEvent::Resize:
        // The program's own resizes raise the event at once. The window manager's wait until it
        // has settled: it tells a new state and the size that goes with it one after the other,
        // in either order, and the size rule acting in between would take a maximised window
        // for a normal one, or the other way round, and leave it in the wrong place.
        if (!event->spontaneous())
            raiseResize();
        else if (size() == refused_)
            break;
        settle_.start(settleDelay);
        break;
    case QEvent::WindowStateChange:
    case QEvent::Move: // the window manager's frame arrives with a move, or with no event at all
        settle_.start(settleDelay);
        break;
    case QEvent::Show:
        frameWait_.setRemainingTime(frameWaitLimit);
        settle_.start(framePollInterval);
        break;
    case QEvent::WindowActivate:
        // After a screen reader has been told the window is active, not before.
        QTimer::singleShot(0, this, &FormWindow::presentReading);
        break;
    default:
        break;
    }
    return handled;
}

void FormWindow::readingChanged() {
    readingToPresent_ = true;
    QTimer::singleShot(0, this, &FormWindow::presentReading);
}

void FormWindow::accessibilityActiveChanged(bool active) {
    if (active)
        QTimer::singleShot(0, this, &FormWindow::presentReading);
}

// The reading takes the keyboard focus once the window is active: a screen reader reads out what
// takes the focus, after the window's name. When the reading changes the focus is on it already,
// and a screen reader reads nothing for the focus coming back to where it is: the reading is
// offered as a new object, the way a new page is.
// Only for a screen reader: the first focus in a window makes Qt read the keyboard's compose
// table, four per cent of a start's instructions, and no one else is told. One that turns up
// later is given the reading then.
void FormWindow::presentReading() {
    if (!readingToPresent_ || !isActiveWindow() || !QAccessible::isActive())
        return;
    readingToPresent_ = false;
    if (!client_->hasFocus()) {
        client_->setFocus(Qt::OtherFocusReason);
    } else {
        QAccessible::deleteAccessibleInterface(
            QAccessible::uniqueId(QAccessible::queryAccessibleInterface(client_)));
        QAccessibleEvent focus(client_, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

void FormWindow::requestOuter(QSize outer) {
    const QSize inner = outer - (outerGeometry().size() - size());
    if (inner == size())
        return;
    requested_ = inner;
    resize(inner);
}

void FormWindow::settled() {
    if (!isVisible() || !windowHandle())
        return;
    const bool framed = !windowHandle()->frameMargins().isNull();
    if (!framed && !frameWait_.hasExpired()) {
        settle_.start(framePollInterval);
        return;
    }
    // A window manager may turn a requested size down and report the size it keeps instead:
    // openbox while the user holds the frame in a drag, a tiling one always. The size rule asks
    // again each time, which wins once the drag is over; asked for without end it would keep the
    // program busy ten times a second under a tiling window manager.
    const QSize given = windowHandle()->geometry().size();
    if (requested_ && given != *requested_) {
        if (++refusals_ >= refusalLimit) {
            refused_ = given;
            refusals_ = 0;
            requested_.reset();
            return;
        }
    } else {
        refusals_ = 0;
    }
    requested_.reset();
    refused_ = QSize();
    raiseResize();
    // Centring waits for the frame and for the size rule's answers to it: a move asked for while
    // a resize is on its way is undone by it, as Qt resizes at the position last reported.
    if (centreWhenFramed_ && framed) {
        centreWhenFramed_ = false;
        if (windowState() == Qt::WindowNoState)
            centre(outerGeometry().size());
    }
}

QRect FormWindow::outerGeometry() const {
    return geometry().marginsAdded(frame());
}

QMargins FormWindow::frame() const {
    // Asked of the window system each time: QWidget's own frame geometry is updated only when
    // the window moves or resizes, and the frame can arrive without either. Until Qt has it, the
    // frame the window manager announced is the one the window will get.
    const QMargins margins = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    return margins.isNull() && announcedFrame_ ? *announcedFrame_ : margins;
}

void FormWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}

void FormWindow::raiseResize() {
    if (resizeHandler_)
        forms::dispatch(resizeHandler_);
}

std::shared_ptr<forms::Controls> FormHandle::controls() {
    class Collection : public forms::Controls {
    public:
        explicit Collection(FormWindow* window)
            : window_(window) {}
        forms::Control& item(std::string_view name) override {
            forms::Control* control = window_ ? window_->control(name) : nullptr;
            if (!window_)
                raiseObjectNotSet();
            if (!control)
                raiseControlNotFound(name);
            return *control;
        }

    private:
        QPointer<FormWindow> window_;
    };
    if (!window_)
        raiseObjectNotSet();
    return std::make_shared<Collection>(window_.data());
}

} // namespace forms::qt
