#pragma once

#include <array>
#include <span>
#include <string_view>

// One day's reading, one field for each label of the main window. Texts are UTF-8.
struct DailyEntry {
    std::string_view DayText;                               // L1
    std::string_view Title;                                 // L2
    std::span<const std::string_view> VersePieces;          // L3: one or two pieces
    std::span<const std::string_view> CommentaryParagraphs; // L4: three to six paragraphs
};

constexpr int firstDay = 1;
constexpr int lastDay = 31;

// Entry n - 1 is filed under day n. Defined in the code generated from messages/catalogue.toml.
extern const std::array<DailyEntry, lastDay> MessageCatalogue;
