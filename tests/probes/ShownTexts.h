#pragma once

// What each label of the two windows shows, from the descriptions and the catalogue alone, with
// no window made: the layout probes measure these the way each toolkit lays them out.

#include "messages/DailyEntry.h"
#include "messages/FuncBrelunda.h"
#include "ui/forms.h"

#include <string>
#include <vector>

namespace probes {

struct ShownText {
    std::string name; // as the windows name their controls: "L3", "Label3(1)"
    const forms::LabelDescription* label;
    std::string text;
};

// The main window's labels L1 to L4 with the day's number, title, verse and commentary, then the
// About window's with their credits.
inline std::vector<ShownText> shownTexts(int day) {
    const DailyEntry& entry = MessageCatalogue[std::size_t(day - firstDay)];
    const std::string reading[] = {std::string(entry.DayText), std::string(entry.Title),
                                   FuncBrelunda::joinLines(entry.VersePieces),
                                   FuncBrelunda::joinLines(entry.CommentaryParagraphs)};
    std::vector<ShownText> shown;
    for (const forms::LabelDescription& label : ui::brelundaForm().labels)
        shown.push_back({std::string(label.name), &label, reading[shown.size()]});
    for (const forms::LabelDescription& label : ui::sobreForm().labels) {
        std::string name(label.name);
        if (label.index >= 0)
            name.append("(").append(std::to_string(label.index)).append(")");
        shown.push_back({name, &label, std::string(label.caption)});
    }
    return shown;
}

} // namespace probes
