#pragma once

// What every part of the Win32 forms layer leans on: owners for the handles it makes, the one
// way a failed call becomes the program's run-time error, wide strings, and the executable's own
// resources.

#include "platform/description.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace forms::win32 {

// Every GDI and USER object is owned by one of these, so a window rebuilt at each showing leaves
// nothing behind.
struct Release {
    void operator()(HWND window) const { DestroyWindow(window); }
    void operator()(HFONT font) const { DeleteObject(font); }
    void operator()(HDC dc) const { DeleteDC(dc); }
    void operator()(HICON icon) const { DestroyIcon(icon); }
    void operator()(HMENU menu) const { DestroyMenu(menu); }
    // What AddFontMemResourceEx returns: the faces it added.
    void operator()(HANDLE fonts) const { RemoveFontMemResourceEx(fonts); }
};
using OwnedWindow = std::unique_ptr<HWND__, Release>;
using OwnedFont = std::unique_ptr<HFONT__, Release>;
using OwnedDc = std::unique_ptr<HDC__, Release>;
using OwnedIcon = std::unique_ptr<HICON__, Release>;
using OwnedMenu = std::unique_ptr<HMENU__, Release>;
using OwnedFontResource = std::unique_ptr<void, Release>;

// Raises the run-time error for a failed call, with Windows' own words for why it failed.
[[noreturn]] void raiseFailed(std::string_view call);

template <typename Result> Result check(Result result, std::string_view call) {
    if (!result)
        raiseFailed(call);
    return result;
}

// UTF-16, as the wide-character API takes it; a byte that is not part of valid UTF-8 becomes
// U+FFFD rather than vanishing.
std::wstring wide(std::string_view utf8);

// A resource of the executable; empty when it has none of that number and type.
std::span<const std::uint8_t> resourceBytes(int id, const wchar_t* type = RT_RCDATA);
// The resource number of an asset the descriptions name; 0 for a name it does not know.
int assetResource(std::string_view name);

COLORREF colourRef(Colour colour);

} // namespace forms::win32
