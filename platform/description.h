#pragma once

// Fixed descriptions from which the forms runtime builds a window: its own settings, its
// controls, its menu tree. Positions and sizes are in twips from the client area's top-left
// corner; colours are 0x00BBGGRR, or 0x800000nn for system colour nn.

#include <cstdint>
#include <span>
#include <string_view>

namespace forms {

using Colour = std::uint32_t;

// The fixed colour's red, green and blue; a system colour's number is its low byte, which each
// toolkit maps to its own colour scheme.
struct Rgb {
    std::uint8_t red, green, blue;
};
constexpr bool isSystemColour(Colour colour) {
    return (colour & 0x80000000u) != 0;
}
constexpr int systemColourNumber(Colour colour) {
    return int(colour & 0xFF);
}
constexpr Rgb rgbOf(Colour colour) {
    return {std::uint8_t(colour & 0xFF), std::uint8_t((colour >> 8) & 0xFF),
            std::uint8_t((colour >> 16) & 0xFF)};
}

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

// The embedded face that stands in for each face a layout names. Our subsets carry family names of
// their own, which no system has, so a font that failed to load cannot hide behind a system face.
struct EmbeddedFace {
    std::string_view face;   // as a layout names it
    std::string_view family; // the embedded face's own family name
    bool slanted;            // drawn slanted by design: asking for italic would slant it twice
    // The family as GDI knows it: the font's legacy family record, which GDI matches instead of
    // the typographic one above. The script face's original spells it without spaces.
    std::string_view legacyFamily;

    // Whether a layout's font is asked of this face in italic.
    constexpr bool italicFor(const FontDescription& font) const { return font.italic && !slanted; }
};
inline constexpr EmbeddedFace embeddedFaces[] = {
    {"Times New Roman", "Brelunda Serif", false, "Brelunda Serif"},
    {"MS Sans Serif", "Brelunda Sans", false, "Brelunda Sans"},
    {"Monotype Corsiva", "Brelunda Script", true, "BrelundaScript"},
};
// The face's stand-in; a face no layout names has none.
constexpr const EmbeddedFace* embeddedFaceFor(std::string_view face) {
    for (const EmbeddedFace& embedded : embeddedFaces) {
        if (embedded.face == face)
            return &embedded;
    }
    return nullptr;
}

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
    // Assets by their logical names (the file names under ui/assets without the extension);
    // each toolkit maps them to where its build put them.
    std::string_view picture; // or empty
    std::string_view icon;
    std::span<const LabelDescription> labels;
    std::span<const LineDescription> lines;
    std::span<const MenuDescription> menu;
};

} // namespace forms
