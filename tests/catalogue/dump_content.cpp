// Prints every text of the compiled MessageCatalogue and then the credits, each as
// "<byte count> <bytes>\n" and each list of pieces preceded by its size, so that
// test_generators.py can compare the compiled bytes with the TOML sources one for one.
#include "messages/DailyEntry.h"
#include "ui/SobreCredits.h"

#include <cstdio>

static void put(std::string_view text) {
    std::printf("%zu ", text.size());
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::putchar('\n');
}

int main() {
    for (const DailyEntry& entry : MessageCatalogue) {
        put(entry.DayText);
        put(entry.Title);
        for (std::span<const std::string_view> pieces : {entry.VersePieces, entry.CommentaryParagraphs}) {
            std::printf("%zu\n", pieces.size());
            for (std::string_view piece : pieces)
                put(piece);
        }
    }
    using namespace ui::credits;
    for (std::string_view credit : {title, author, second_credit, rights, publisher, presentation, purpose})
        put(credit);
    return 0;
}
