#pragma once

// Fixed descriptions from which the forms runtime builds a window: its own settings, its
// controls, its menu tree. Positions and sizes are in twips from the client area's top-left
// corner; colours are 0x00BBGGRR, or 0x800000nn for system colour nn.

#include <cstdint>
#include <span>
#include <string_view>

namespace forms {

using Colour = std::uint32_t;

namespace system_colour {
inline constexpr Colour windowBackground = 0x80000005;
inline constexpr Colour windowText = 0x80000008;
inline constexpr Colour activeBorder = 0x8000000A;
inline constexpr Colour infoBackground = 0x80000018;
} // namespace system_colour

enum class Alignment { Left, Right, Centre };

struct FontDescription {
    std::string_view face; // the face the layout was made for; the runtime maps it to an embedded one
    double points;
    bool bold;
    bool italic;
};

struct LabelDescription {
    std::string_view name;
    int index; // -1 for a label that is not part of a group
    int left, top, width, height;
    Alignment alignment;
    FontDescription font;
    Colour foreColour;
    Colour backColour; // never painted: labels are transparent
    int tabIndex;
    std::string_view caption;
};

struct LineDescription {
    std::string_view name;
    int x1, y1, x2, y2;
    int pixelWidth;
    Colour colour;
};

enum class MenuKind { DropDownTitle, CommandOnBar, Command };

struct MenuDescription {
    std::string_view name;
    std::string_view caption;
    std::string_view parent; // empty for an item on the menu bar
    MenuKind kind;
    bool enabled;
};

enum class WindowRole { Main, Dialog };

struct FormDescription {
    std::string_view name;
    std::string_view caption;
    WindowRole role;
    int clientWidth, clientHeight; // as laid out; the fixed-size rule decides the size at run time
    Colour backColour;
    std::string_view picture; // resource path, or empty
    std::string_view icon;    // resource path
    std::span<const LabelDescription> labels;
    std::span<const LineDescription> lines;
    std::span<const MenuDescription> menu;
};

} // namespace forms
