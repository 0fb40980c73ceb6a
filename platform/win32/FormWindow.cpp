#include "platform/win32/FormWindow.h"

#include "platform/win32/Later.h"
#include "platform/win32/resources.h"

#include <cstring>
#include <iterator>
#include <utility>

namespace forms::win32 {

namespace {
// How long a size the window system set must stay put before the resize event is raised for it.
constexpr UINT_PTR settleTimer = 1;
constexpr UINT settleDelay = 100;
// The window's own message that passes the focus on to its reading.
constexpr UINT passFocus = WM_APP;

HINSTANCE instance() {
    return GetModuleHandleW(nullptr);
}

std::string controlName(const LabelDescription& label) {
    return label.index < 0 ? std::string(label.name)
                           : std::string(label.name) + "(" + std::to_string(label.index) + ")";
}

// Registers an embedded face's files for this process only, the first time a window asks for it:
// the main window needs the serif face alone. A face that fails to load is a run-time error of
// the program's, reported like any other.
void registerFace(const EmbeddedFace& embedded) {
    // Each face's files, in the face table's order: the first resource and how many.
    constexpr std::pair<int, int> files[] = {
        {BRELUNDA_FONT_SERIF, 2}, {BRELUNDA_FONT_SANS, 2}, {BRELUNDA_FONT_SCRIPT, 1}};
    static_assert(std::size(files) == std::size(embeddedFaces));
    static std::vector<OwnedFontResource> registered[std::size(embeddedFaces)];
    const auto face = std::size_t(&embedded - embeddedFaces);
    if (!registered[face].empty())
        return;
    for (int id = files[face].first; id < files[face].first + files[face].second; ++id) {
        // GDI keeps a copy of its own: ours goes once registered.
        std::vector<std::uint8_t> bytes = smoothedAtEverySize(resourceBytes(id));
        DWORD installed = 0;
        HANDLE fonts = bytes.empty()
                           ? nullptr
                           : AddFontMemResourceEx(bytes.data(), DWORD(bytes.size()), nullptr, &installed);
        if (!fonts)
            raiseFileNotFound(embedded.family);
        registered[face].emplace_back(fonts);
    }
}

} // namespace

OwnedFont makeFont(const FontDescription& font, int dpi) {
    const EmbeddedFace* embedded = embeddedFaceFor(font.face);
    if (!embedded)
        raiseFileNotFound(font.face);
    registerFace(*embedded);
    const std::wstring family = wide(embedded->legacyFamily);
    OwnedFont made(
        check(CreateFontW(-pixelsForPoints(font.points, dpi), 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL,
                          embedded->italicFor(font), FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, family.c_str()),
              "CreateFontW"));
    // GDI gives another face without a word when it lacks the one asked for: a font that did not
    // load must not hide behind a system one.
    const OwnedDc dc(check(CreateCompatibleDC(nullptr), "CreateCompatibleDC"));
    SelectObject(dc.get(), made.get());
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc.get(), LF_FACESIZE, face);
    if (family != face)
        raiseFileNotFound(embedded->legacyFamily);
    return made;
}

namespace {
OwnedIcon loadIcon(std::string_view name, int metric) {
    const int size = systemMetric(metric);
    OwnedIcon icon(static_cast<HICON>(
        LoadImageW(instance(), MAKEINTRESOURCEW(assetResource(name)), IMAGE_ICON, size, size, 0)));
    if (!icon)
        raiseFileNotFound(name);
    return icon;
}

// One window class per kind of window, named after its description and carrying its icons. They
// are loaded once for the life of the program: the About window is built afresh at every showing,
// and Wine keeps memory back at every LoadImageW and DestroyIcon pair. Given with the class rather
// than by WM_SETICON, they also reach an X window manager in one conversion instead of two.
const wchar_t* formClass(const FormDescription& description, WNDPROC procedure) {
    struct Kind {
        std::wstring name;
        OwnedIcon big, small;
    };
    static std::map<std::string_view, Kind> kinds;
    const auto [found, added] = kinds.try_emplace(description.name);
    Kind& kind = found->second;
    if (added) {
        kind = {wide(description.name), loadIcon(description.icon, SM_CXICON),
                loadIcon(description.icon, SM_CXSMICON)};
        WNDCLASSEXW form{};
        form.cbSize = sizeof form;
        form.lpfnWndProc = procedure;
        form.hInstance = instance();
        form.hIcon = kind.big.get();
        form.hIconSm = kind.small.get();
        form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        form.lpszClassName = kind.name.c_str();
        check(RegisterClassExW(&form), "RegisterClassExW");
    }
    return kind.name.c_str();
}

// The picture at its natural size in layout pixels: at the layout's dpi drawn from where it lies,
// at another enlarged once here, smoothly, rather than at every paint.
Picture pictureAt(std::string_view name, int dpi) {
    // The build's raw pixels (cmake/Picture.cmake): width and height, then 32-bit rows from the
    // top, which is a top-down DIB as GDI takes it.
    const std::span<const std::uint8_t> bytes = resourceBytes(assetResource(name));
    std::uint32_t size[2] = {};
    if (bytes.size() >= sizeof size)
        std::memcpy(size, bytes.data(), sizeof size);
    if (bytes.size() != sizeof size + std::size_t(size[0]) * size[1] * 4)
        raiseInvalidPicture(name);
    const auto dib = [](int width, int height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height; // rows from the top
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        return info;
    };
    Picture picture;
    picture.info = dib(int(size[0]), int(size[1]));
    picture.natural = bytes.data() + sizeof size;
    if (dpi == layoutDpi)
        return picture;
    const int width = MulDiv(picture.width(), dpi, layoutDpi),
              height = MulDiv(picture.height(), dpi, layoutDpi);
    picture.enlarged =
        enlarged({static_cast<const std::uint32_t*>(picture.natural), std::size_t(size[0]) * size[1]},
                 picture.width(), picture.height(), width, height);
    picture.info = dib(width, height);
    return picture;
}

// A rule stops short of its end point, and one wider than a pixel grows upwards from its row by
// half its width; placed in layout pixels, then scaled as a whole.
RECT lineRect(const LineDescription& line, int dpi) {
    const int top = pixels(line.y1) - line.pixelWidth / 2;
    return {MulDiv(pixels(line.x1), dpi, layoutDpi), MulDiv(top, dpi, layoutDpi),
            MulDiv(pixels(line.x2), dpi, layoutDpi), MulDiv(top + line.pixelWidth, dpi, layoutDpi)};
}

void fill(HDC dc, const RECT& area, Colour colour) {
    SetDCBrushColor(dc, colourRef(colour));
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}
} // namespace

// A STATIC child: what a screen reader reads, painted transparently over the window's own surface.
class Label final : public Control {
public:
    Label(const LabelDescription& item, HWND form, HWND control)
        : description(item)
        , parent(form)
        , window(control) {}

    void setCaption(std::string_view utf8) override {
        check(SetWindowTextW(window, wide(utf8).c_str()), "SetWindowTextW");
        // A transparent label draws its new text over the old: the surface under it comes first.
        RECT area;
        check(GetWindowRect(window, &area), "GetWindowRect");
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
        check(RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN),
              "RedrawWindow");
    }

    const LabelDescription& description;
    const HWND parent;
    const HWND window;
    OwnedFont font;
};

class LabelCollection final : public Controls {
public:
    Control& item(std::string_view name) override {
        const auto found = byName.find(name);
        if (found == byName.end())
            raiseControlNotFound(name);
        return *found->second;
    }
    const Label* find(HWND window) const {
        for (const auto& [name, label] : byName) {
            if (label->window == window)
                return label.get();
        }
        return nullptr;
    }

    std::map<std::string, std::unique_ptr<Label>, std::less<>> byName;
};

namespace {
// What the message module keeps of a window for the whole run; it outlives the window.
class FormHandle final : public Form {
public:
    explicit FormHandle(std::weak_ptr<LabelCollection> labels)
        : labels_(std::move(labels)) {}
    std::shared_ptr<Controls> controls() override {
        std::shared_ptr<LabelCollection> labels = labels_.lock();
        if (!labels)
            raiseObjectNotSet();
        return labels;
    }

private:
    std::weak_ptr<LabelCollection> labels_;
};
} // namespace

class FormWindow::MenuHandle final : public MenuItem {
public:
    MenuHandle(FormWindow& window, std::size_t entry)
        : window_(window)
        , entry_(entry) {}

    void setEnabled(bool enabled) override {
        const MenuEntry& entry = window_.menu_[entry_];
        HMENU bar = GetMenu(window_.hwnd());
        HMENU menu =
            entry.dropDown < 0 ? bar : GetSubMenu(bar, window_.menu_[std::size_t(entry.dropDown)].position);
        const UINT state = enabled ? MF_ENABLED : MF_GRAYED;
        const DWORD previous = EnableMenuItem(menu, UINT(entry.position), MF_BYPOSITION | state);
        if (previous == DWORD(-1))
            raiseFailed("EnableMenuItem");
        // The bar shows an item's new state only when drawn again.
        if (entry.dropDown < 0 && (previous & MF_GRAYED) != (state & MF_GRAYED))
            check(DrawMenuBar(window_.hwnd()), "DrawMenuBar");
    }

private:
    FormWindow& window_;
    std::size_t entry_;
};

FormWindow::FormWindow(const FormDescription& description, HWND owner)
    : description_(description)
    , owner_(owner)
    , labels_(std::make_shared<LabelCollection>())
    , menu_(planMenu(description.menu)) {
    // Main windows get every title-bar button; the About window only its close box. Neither clips
    // its children: the labels are transparent, and the surface under them is the window's.
    const DWORD style = description.role == WindowRole::Main
                            ? WS_OVERLAPPEDWINDOW
                            : WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
    // The menu bar goes in with the window: set afterwards, it would lay the frame out a second time.
    OwnedMenu bar = buildMenu();
    CreateWindowExW(0, formClass(description, procedure), wide(description.caption).c_str(), style,
                    CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, owner, bar.get(), instance(), this);
    check(hwnd(), "CreateWindowExW");
    bar.release(); // the window's now
    dpi_ = windowDpi(hwnd());

    for (const LabelDescription& item : description.labels) {
        const DWORD alignment = item.alignment == Alignment::Left    ? SS_LEFT
                                : item.alignment == Alignment::Right ? SS_RIGHT
                                                                     : SS_CENTER;
        HWND label = check(CreateWindowExW(0, L"STATIC", wide(item.caption).c_str(),
                                           WS_CHILD | WS_VISIBLE | SS_NOPREFIX | alignment, 0, 0, 0, 0,
                                           hwnd(), nullptr, instance(), nullptr),
                           "CreateWindowExW");
        labels_->byName.emplace(controlName(item), std::make_unique<Label>(item, hwnd(), label));
    }
    layOut();
}

FormWindow::~FormWindow() = default;

// Places the labels, makes their fonts and the picture, all at the window's dpi.
void FormWindow::layOut() {
    for (const auto& [name, label] : labels_->byName) {
        const LabelDescription& item = label->description;
        OwnedFont font = makeFont(item.font, dpi_);
        SendMessageW(label->window, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
        label->font = std::move(font);
        check(SetWindowPos(label->window, nullptr, pixels(item.left, dpi_), pixels(item.top, dpi_),
                           pixels(item.width, dpi_), pixels(item.height, dpi_),
                           SWP_NOZORDER | SWP_NOACTIVATE),
              "SetWindowPos");
    }
    if (!description_.picture.empty())
        picture_ = pictureAt(description_.picture, dpi_);
}

OwnedMenu FormWindow::buildMenu() {
    if (menu_.empty())
        return nullptr;
    OwnedMenu bar(check(CreateMenu(), "CreateMenu"));
    std::vector<HMENU> dropDowns(menu_.size());
    for (std::size_t index = 0; index < menu_.size(); ++index) {
        const MenuEntry& entry = menu_[index];
        HMENU into = entry.dropDown < 0 ? bar.get() : dropDowns[std::size_t(entry.dropDown)];
        const UINT flags = MF_STRING | (entry.enabled ? MF_ENABLED : MF_GRAYED);
        const std::wstring caption = wide(entry.caption);
        if (entry.command == 0) {
            OwnedMenu dropDown(check(CreatePopupMenu(), "CreatePopupMenu"));
            check(AppendMenuW(into, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(dropDown.get()),
                              caption.c_str()),
                  "AppendMenuW");
            dropDowns[index] = dropDown.release(); // the bar's now
        } else {
            check(AppendMenuW(into, flags, entry.command, caption.c_str()), "AppendMenuW");
        }
        menuItems_.emplace(entry.name, std::make_unique<MenuHandle>(*this, index));
    }
    return bar;
}

forms::MenuItem& FormWindow::menuItem(std::string_view name) {
    const auto found = menuItems_.find(name);
    if (found == menuItems_.end())
        raiseControlNotFound(name);
    return *found->second;
}

std::shared_ptr<Form> FormWindow::handle() {
    return std::make_shared<FormHandle>(labels_);
}

void FormWindow::onClick(std::string_view menuItem, std::function<void()> handler) {
    for (const MenuEntry& entry : menu_) {
        if (entry.name == menuItem && entry.command != 0) {
            clicks_[entry.command] = std::move(handler);
            return;
        }
    }
    raiseControlNotFound(menuItem);
}

void FormWindow::placeCentred(OuterSize size) {
    const SIZE outer{pixels(size.width, dpi_), pixels(size.height, dpi_)};
    // On the owner's screen, where the user is looking.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    check(GetMonitorInfoW(MonitorFromWindow(owner_ ? owner_ : hwnd(), MONITOR_DEFAULTTOPRIMARY), &monitor),
          "GetMonitorInfoW");
    const RECT& area = monitor.rcWork;
    check(SetWindowPos(hwnd(), nullptr, area.left + (area.right - area.left - outer.cx) / 2,
                       area.top + (area.bottom - area.top - outer.cy) / 2, outer.cx, outer.cy,
                       SWP_NOZORDER | SWP_NOACTIVATE),
          "SetWindowPos");
}

void FormWindow::show() {
    ShowWindow(hwnd(), SW_SHOWNORMAL);
    shown_ = true;
    presentReading();
    raiseResize();
}

void FormWindow::readingChanged() {
    if (shown_)
        presentReading();
}

// A screen reader reads out what takes the focus, and the window's texts are its reading: one
// label more, holding them all in their order on screen, lies over the others where they are,
// draws nothing, lets clicks through, and takes the focus. After a step the focus is on the
// reading already, and a screen reader reads nothing for the focus coming back where it is: each
// reading is a label of its own, which takes the focus before the one it replaces goes.
void FormWindow::presentReading() {
    std::wstring text;
    RECT area{};
    for (const LabelDescription& item : description_.labels) {
        const HWND label = static_cast<Label&>(labels_->item(controlName(item))).window;
        std::wstring caption(std::size_t(GetWindowTextLengthW(label)) + 1, L'\0');
        caption.resize(std::size_t(GetWindowTextW(label, caption.data(), int(caption.size()))));
        text += (&item == description_.labels.data() ? L"" : L"\n") + caption;
        RECT place;
        check(GetWindowRect(label, &place), "GetWindowRect");
        MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&place), 2);
        UnionRect(&area, &area, &place);
    }
    OwnedWindow reading(check(
        CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, area.left, area.top,
                        area.right - area.left, area.bottom - area.top, hwnd(), nullptr, instance(), nullptr),
        "CreateWindowExW"));
    SetFocus(reading.get());
    reading_ = std::move(reading);
}

void FormWindow::showModal() {
    // The owner takes no input until this window is closed.
    if (owner_)
        EnableWindow(owner_, FALSE);
    show();
    while (hwnd()) {
        MSG message;
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            // The program is ending: the outer loop must see it too.
            if (got == 0)
                PostQuitMessage(int(message.wParam));
            break;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (owner_)
        EnableWindow(owner_, TRUE);
}

WindowState FormWindow::windowState() const {
    if (IsIconic(hwnd()))
        return WindowState::Minimized;
    return IsZoomed(hwnd()) ? WindowState::Maximized : WindowState::Normal;
}

SIZE FormWindow::outerSize() const {
    RECT outer;
    check(GetWindowRect(hwnd(), &outer), "GetWindowRect");
    return {outer.right - outer.left, outer.bottom - outer.top};
}

float FormWindow::height() const {
    return twips(outerSize().cy, dpi_);
}

float FormWindow::width() const {
    return twips(outerSize().cx, dpi_);
}

// A size that comes to the same whole pixels changes nothing and raises nothing, so the size
// rule's nesting ends even where twips are not whole pixels.
void FormWindow::setHeight(float height) {
    const SIZE size = outerSize();
    if (const int wanted = pixels(height, dpi_); wanted != size.cy)
        resizeOuter({size.cx, wanted});
}

void FormWindow::setWidth(float width) {
    const SIZE size = outerSize();
    if (const int wanted = pixels(width, dpi_); wanted != size.cx)
        resizeOuter({wanted, size.cy});
}

void FormWindow::resizeOuter(SIZE size) {
    const bool nested = std::exchange(settingSize_, true);
    const BOOL resized =
        SetWindowPos(hwnd(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    settingSize_ = nested;
    check(resized, "SetWindowPos");
}

void FormWindow::raiseResize() {
    if (resizeHandler_)
        dispatch(resizeHandler_);
}

// The program's own sizes raise the event at once, inside the call that set them. The window
// manager's wait until it has settled: under X a size set back while it is still answering a
// resize of its own keeps the Win32 rectangle but never reaches the X window.
void FormWindow::sized() {
    if (!shown_)
        return;
    if (settingSize_)
        raiseResize();
    else
        SetTimer(hwnd(), settleTimer, settleDelay, nullptr);
}

void FormWindow::settled() {
    KillTimer(hwnd(), settleTimer);
    raiseResize();
}

// Closing the main window ends the program; the About window goes, and its owner takes input
// again before it does, so the owner is the one activated.
void FormWindow::close() {
    if (description_.role == WindowRole::Main) {
        end();
        return;
    }
    if (owner_)
        EnableWindow(owner_, TRUE);
    window_.reset();
}

void FormWindow::command(unsigned id) {
    const auto found = clicks_.find(id);
    if (found != clicks_.end())
        dispatch(found->second);
}

void FormWindow::paint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd(), &paint);
    const int saved = SaveDC(dc);
    if (picture_.natural) {
        SetDIBitsToDevice(dc, 0, 0, DWORD(picture_.width()), DWORD(picture_.height()), 0, 0, 0,
                          UINT(picture_.height()), picture_.bits(), &picture_.info, DIB_RGB_COLORS);
        ExcludeClipRect(dc, 0, 0, picture_.width(), picture_.height());
    }
    fill(dc, paint.rcPaint, description_.backColour);
    RestoreDC(dc, saved);
    for (const LineDescription& line : description_.lines)
        fill(dc, lineRect(line, dpi_), line.colour);
    EndPaint(hwnd(), &paint);
}

LRESULT FormWindow::labelColours(HDC dc, HWND window) {
    const Label* label = labels_->find(window);
    if (!label)
        return DefWindowProcW(hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                              reinterpret_cast<LPARAM>(window));
    SetTextColor(dc, colourRef(label->description.foreColour));
    SetBkMode(dc, TRANSPARENT);
    // The rules lie above the labels: no text is drawn on them.
    for (const LineDescription& line : description_.lines) {
        RECT rule = lineRect(line, dpi_);
        MapWindowPoints(hwnd(), window, reinterpret_cast<POINT*>(&rule), 2);
        ExcludeClipRect(dc, rule.left, rule.top, rule.right, rule.bottom);
    }
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

LRESULT CALLBACK FormWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created =
            static_cast<FormWindow*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        created->window_.reset(window);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // WM_PAINT covers every pixel
    case WM_PAINT:
        self->paint();
        return 0;
    case WM_SETFOCUS:
        // The window's focus is its reading's; passed on once this change of focus is over, so that
        // the last word a screen reader gets is that the reading has it.
        if (self->reading_)
            PostMessageW(window, passFocus, 0, 0);
        return 0;
    case passFocus:
        if (self->reading_ && GetFocus() == window)
            SetFocus(self->reading_.get());
        return 0;
    case WM_CTLCOLORSTATIC:
        return self->labelColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_COMMAND:
        if (HIWORD(wParam) == 0 && lParam == 0)
            self->command(LOWORD(wParam));
        return 0;
    case WM_SIZE:
        self->sized();
        return 0;
    case WM_NCLBUTTONDBLCLK:
        // Two quick clicks on "&Próximo" are two steps, not a double click the menu bar ignores.
        if (wParam == HTMENU)
            return DefWindowProcW(window, WM_NCLBUTTONDOWN, wParam, lParam);
        break;
    case WM_TIMER:
        if (wParam == settleTimer)
            self->settled();
        return 0;
    case WM_CLOSE:
        self->close();
        return 0;
    case WM_DPICHANGED: {
        // Another screen: the same layout at its dpi, then the size rule at its twips.
        self->dpi_ = HIWORD(wParam);
        dispatch([self] { self->layOut(); });
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    }
    case WM_NCDESTROY:
        // Destroyed by the window system, or by its owner: nothing is left to destroy, its reading
        // included.
        if (self->window_.get() == window)
            static_cast<void>(self->window_.release());
        static_cast<void>(self->reading_.release());
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace forms::win32
