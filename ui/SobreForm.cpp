#include "ui/forms.h"

#include "ui/SobreCredits.h"

#include <array>

namespace ui {

namespace {
using forms::Alignment;
using forms::FontDescription;
using forms::LabelDescription;
using forms::LineDescription;

constexpr forms::Colour olive = 0x00008080;
constexpr forms::Colour lightOlive = 0x0000C0C0;
constexpr forms::Colour back = forms::system_colour::infoBackground;

constexpr FontDescription titleFont{"Monotype Corsiva", 24, true, true};
constexpr FontDescription creditFont{"MS Sans Serif", 8.25, true, false};

// The texts are supplied content (messages/credits.toml); a text longer than its box is cut off,
// which the fit report tells. The title's face sits its baseline on the label's bottom edge and its
// line is taller than the label: a title must have nothing below the baseline, not even the
// overshoot of a round letter.
constexpr std::array labels{
    LabelDescription{"Label1", -1, 480, 120, 4335, 495, Alignment::Centre, titleFont, olive, back, 0,
                     credits::title},
    LabelDescription{"Label2", 0, 480, 840, 1455, 255, Alignment::Left, creditFont, lightOlive, back, 1,
                     credits::author},
    LabelDescription{"Label2", 1, 480, 1080, 2775, 255, Alignment::Left, creditFont, lightOlive, back, 2,
                     credits::second_credit},
    LabelDescription{"Label3", 0, 2880, 1440, 2055, 255, Alignment::Right, creditFont, olive, back, 3,
                     credits::rights},
    LabelDescription{"Label3", 1, 1560, 1680, 3375, 255, Alignment::Right, creditFont, olive, back, 4,
                     credits::publisher},
    LabelDescription{"Label3", 2, 480, 2520, 4455, 975, Alignment::Right, creditFont, olive, back, 5,
                     credits::presentation},
    LabelDescription{"Label4", -1, 120, 3720, 4695, 975, Alignment::Right, creditFont, olive, back, 6,
                     credits::purpose},
};

// The two rules under the credit lines: a dark double-width line, and a light one two pixels
// lower that reaches a little further at both ends. In pixels, Line1 covers rows 87-88 and
// columns 32-327, Line2 row 90 and columns 31-329 (a rule stops short of its end point).
constexpr std::array lines{
    LineDescription{"Line1", 480, 1320, 4920, 1320, 2, forms::system_colour::windowText},
    LineDescription{"Line2", 465, 1350, 4950, 1350, 1, forms::system_colour::activeBorder},
};

constexpr forms::FormDescription description{
    .name = "Sobre",
    .caption = "Mensagens",
    .role = forms::WindowRole::Dialog,
    .clientWidth = 5070,
    .clientHeight = 4950,
    .backColour = back,
    .picture = "",
    .icon = "tree",
    .labels = labels,
    .lines = lines,
    .menu = {},
};
} // namespace

const forms::FormDescription& sobreForm() {
    return description;
}

} // namespace ui
