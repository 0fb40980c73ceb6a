#pragma once

#include "platform/forms.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

struct DailyEntry;

namespace FuncBrelunda {

// The day the main window shows: 0 until the load handler runs, 1..31 after.
extern std::int16_t CurrentDay;

// The presenter's counted reference to the main window, set on every ShowDay and never cleared.
extern std::shared_ptr<forms::Form> TargetForm;

// Writes the reading filed under day into L1..L4; any other day changes no label.
void ShowDay(std::int16_t day);

// The entry filed under day, or nullptr: only an exact match 1..31 selects one.
const DailyEntry* entryFor(int day);

// Pieces joined with one line feed between each two, nothing trimmed or added.
std::string joinLines(std::span<const std::string_view> pieces);

} // namespace FuncBrelunda
