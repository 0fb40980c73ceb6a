#include "messages/FuncBrelunda.h"

#include "messages/DailyEntry.h"

#include <array>
#include <utility>

namespace FuncBrelunda {

std::int16_t CurrentDay = 0;
std::shared_ptr<forms::Form> TargetForm;

const DailyEntry* entryFor(int day) {
    if (day < firstDay || day > lastDay)
        return nullptr;
    return &MessageCatalogue[static_cast<std::size_t>(day - firstDay)];
}

std::string joinLines(std::span<const std::string_view> pieces) {
    std::string text;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            text += '\n';
        text += pieces[i];
    }
    return text;
}

namespace {
// Each write asks for the collection afresh and lets it go at once, so no reference to a label
// outlives the assignment.
void setCaption(std::string_view key, std::string_view text) {
    const std::shared_ptr<forms::Controls> controls = TargetForm->controls();
    controls->item(key).setCaption(text);
}
} // namespace

void ShowDay(std::int16_t day) {
    TargetForm = forms::mainForm();
    const DailyEntry* entry = entryFor(day);
    if (!entry)
        return;
    setCaption("L1", entry->DayText);
    setCaption("L2", entry->Title);
    setCaption("L3", joinLines(entry->VersePieces));
    setCaption("L4", joinLines(entry->CommentaryParagraphs));
}

} // namespace FuncBrelunda
