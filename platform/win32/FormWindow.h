#pragma once

#include "platform/toolkit.h"
#include "platform/win32/Plan.h"
#include "platform/win32/Support.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace forms::win32 {

class LabelCollection;

// The embedded face standing in for the one a layout names, its character height at the dpi.
OwnedFont makeFont(const FontDescription& font, int dpi);

// The background picture at a window's dpi, as a packed DIB: where the executable holds it at the
// layout's dpi, or enlarged once for another.
struct Picture {
    BITMAPINFO info{};
    const void* natural = nullptr;
    std::vector<std::uint32_t> enlarged;

    const void* bits() const { return enlarged.empty() ? natural : enlarged.data(); }
    int width() const { return info.bmiHeader.biWidth; }
    int height() const {
        return info.bmiHeader.biHeight < 0 ? -info.bmiHeader.biHeight : info.bmiHeader.biHeight;
    }
};

// A top-level window built once from its fixed description: its settings with the menu tree, then
// its controls. Its outer size is the Win32 window rectangle, frame and menu bar included.
class FormWindow final : public forms::FormWindow, private forms::Window {
public:
    // A window with an owner is shown over it, and takes its input away while shown modally.
    FormWindow(const FormDescription& description, HWND owner);
    ~FormWindow() override;

    HWND hwnd() const { return window_.get(); }

    // Its own state and outer size are the window rectangle's.
    forms::Window& outer() override { return *this; }
    std::shared_ptr<forms::Form> handle() override;
    forms::MenuItem& menuItem(std::string_view name) override;
    void onClick(std::string_view menuItem, std::function<void()> handler) override;
    void onResize(std::function<void()> handler) override { resizeHandler_ = std::move(handler); }
    void placeCentred(OuterSize size) override;
    void show() override;
    void showModal() override;

private:
    class MenuHandle;

    WindowState windowState() const override;
    float height() const override;
    float width() const override;
    void setHeight(float twips) override;
    void setWidth(float twips) override;
    void readingChanged() override;

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    OwnedMenu buildMenu();
    void layOut();
    void paint();
    LRESULT labelColours(HDC dc, HWND label);
    void command(unsigned id);
    void sized();
    void settled();
    void close();
    void presentReading();
    void raiseResize();
    SIZE outerSize() const;
    void resizeOuter(SIZE size);

    const FormDescription& description_;
    HWND owner_;
    int dpi_ = layoutDpi;
    Picture picture_;
    std::shared_ptr<LabelCollection> labels_;
    std::vector<MenuEntry> menu_;
    std::map<std::string, std::unique_ptr<MenuHandle>, std::less<>> menuItems_;
    std::map<unsigned, std::function<void()>> clicks_;
    std::function<void()> resizeHandler_;
    bool shown_ = false;
    bool settingSize_ = false;
    // What a screen reader reads of the window; a child of it, it goes with it.
    OwnedWindow reading_;
    // Last, so the window goes before the fonts it shows.
    OwnedWindow window_;
};

} // namespace forms::win32
