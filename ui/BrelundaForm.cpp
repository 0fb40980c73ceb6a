#include "ui/forms.h"

#include <array>

namespace ui {

namespace {
using forms::Alignment;
using forms::FontDescription;
using forms::LabelDescription;
using forms::MenuDescription;
using forms::MenuKind;

constexpr forms::Colour green = 0x00008000;
constexpr forms::Colour labelBack = forms::system_colour::windowBackground;

constexpr FontDescription dayFont{"Times New Roman", 20.25, true, false};
constexpr FontDescription titleFont{"Times New Roman", 15.75, true, true};
constexpr FontDescription verseFont{"Times New Roman", 9.75, true, true};
constexpr FontDescription commentaryFont{"Times New Roman", 11.25, true, false};

// L1..L3 start right of the vignette in the picture's corner, L4 below it; all four end on one
// right edge, 8415 twips in.
constexpr std::array labels{
    LabelDescription{"L1", -1, 1800, 240, 6615, 495, Alignment::Centre, dayFont, green, labelBack, 0, ""},
    LabelDescription{"L2", -1, 1800, 840, 6615, 495, Alignment::Centre, titleFont, green, labelBack, 1, ""},
    LabelDescription{"L3", -1, 1800, 1440, 6615, 735, Alignment::Right, verseFont, green, labelBack, 2, ""},
    LabelDescription{"L4", -1, 840, 2280, 7575, 3855, Alignment::Right, commentaryFont, green, labelBack, 3,
                     ""},
};

constexpr std::array menu{
    MenuDescription{"mnuArquivo", "&Arquivo", "", MenuKind::DropDownTitle, true},
    MenuDescription{"mnuSair", "&Sair", "mnuArquivo", MenuKind::Command, true},
    MenuDescription{"mnuAnterior", "A&nterior", "", MenuKind::CommandOnBar, true},
    MenuDescription{"mnuProximo", "&Próximo", "", MenuKind::CommandOnBar, true},
    MenuDescription{"mnuHoje", "&Hoje", "", MenuKind::CommandOnBar, false},
    MenuDescription{"mnuAjuda", "Aj&uda", "", MenuKind::DropDownTitle, true},
    MenuDescription{"mnuSobre", "&Sobre", "mnuAjuda", MenuKind::Command, true},
};

constexpr forms::FormDescription description{
    .name = "Brelunda",
    .caption = "Brelunda",
    .role = forms::WindowRole::Main,
    .clientWidth = 8985,
    .clientHeight = 6330,
    .backColour = forms::system_colour::windowBackground,
    .picture = "background",
    .icon = "lightbulb",
    .labels = labels,
    .lines = {},
    .menu = menu,
};
} // namespace

const forms::FormDescription& brelundaForm() {
    return description;
}

} // namespace ui
