#pragma once

// What the Win32 forms layer works out from a window's description before it calls Windows:
// where each menu item goes, and the picture at another density. Plain C++, no Windows header.

#include "platform/description.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace forms::win32 {

struct MenuEntry {
    std::string_view name;
    std::string_view caption;
    int dropDown;     // the entry whose drop-down holds this one; -1 for the menu bar
    int position;     // in the menu bar, or in that drop-down
    unsigned command; // what the window's WM_COMMAND carries; 0 for a title, which only opens its menu
    bool enabled;
};

// The menu tree in the description's order. A command must name a drop-down title given before
// it, and only commands name a parent; anything else is an invalid description.
std::vector<MenuEntry> planMenu(std::span<const MenuDescription> menu);

// 32-bit pixels (rows from the top) enlarged smoothly to another size: each pixel of the result
// blends the four nearest of the original by their distance from its centre, as the Qt build's
// smooth scaling does, so the picture looks the same on both. (GDI's HALFTONE mode does this on
// Windows, but Wine draws it nearly as blocks.)
std::vector<std::uint32_t> enlarged(std::span<const std::uint32_t> pixels, int width, int height,
                                    int newWidth, int newHeight);

} // namespace forms::win32
