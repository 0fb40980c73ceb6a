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

// The font file (TrueType or OpenType) with its table of rendering by size ('gasp') asking for
// smoothed glyphs at every size, its checksums made good again; a font without that table as it is.
// Our serif faces ask for bi-level glyphs at small sizes (the bold italic from 9 to 17 pixels), and
// Wine draws those with the advances of bi-level hinting but measures lines with those of smoothed
// hinting: at 120 dpi the verse's 16-pixel face measures 'i', 'l' and 't' 4 pixels wide and draws
// them 5, so a right-aligned line ends past its label and loses its last letters. Smoothed at every
// size, as ClearType, Windows' default, draws them anyway, what Wine measures is what it draws.
std::vector<std::uint8_t> smoothedAtEverySize(std::span<const std::uint8_t> font);

} // namespace forms::win32
