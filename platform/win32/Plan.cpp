#include "platform/win32/Plan.h"

#include "platform/forms.h"

#include <algorithm>

namespace forms::win32 {

std::vector<MenuEntry> planMenu(std::span<const MenuDescription> menu) {
    std::vector<MenuEntry> plan;
    int onBar = 0;
    for (const MenuDescription& item : menu) {
        MenuEntry entry{item.name, item.caption, -1, 0, 0, item.enabled};
        if (item.kind == MenuKind::Command) {
            const auto title = std::find_if(plan.begin(), plan.end(), [&](const MenuEntry& earlier) {
                return earlier.name == item.parent && earlier.command == 0;
            });
            if (title == plan.end())
                raiseInvalidProcedureCall();
            entry.dropDown = int(title - plan.begin());
            entry.position = int(std::count_if(plan.begin(), plan.end(), [&](const MenuEntry& earlier) {
                return earlier.dropDown == entry.dropDown;
            }));
        } else {
            if (!item.parent.empty())
                raiseInvalidProcedureCall();
            entry.position = onBar++;
        }
        if (item.kind != MenuKind::DropDownTitle)
            entry.command = unsigned(plan.size() + 1);
        plan.push_back(std::move(entry));
    }
    return plan;
}

std::vector<std::uint32_t> enlarged(std::span<const std::uint32_t> pixels, int width, int height,
                                    int newWidth, int newHeight) {
    // For each place of the result: the two neighbours it lies between and the weight of the
    // second, in 256ths, with the edges held.
    struct Between {
        int first, second, weight;
    };
    const auto between = [](int to, int from) {
        std::vector<Between> places(static_cast<std::size_t>(to));
        for (int i = 0; i < to; ++i) {
            const double at = std::clamp((i + 0.5) * from / to - 0.5, 0.0, from - 1.0);
            const int first = int(at);
            places[std::size_t(i)] = {first, std::min(first + 1, from - 1), int((at - first) * 256 + 0.5)};
        }
        return places;
    };
    const auto mix = [](std::uint32_t a, std::uint32_t b, int weight) {
        std::uint32_t result = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            const int from = int(a >> shift & 0xFF), to = int(b >> shift & 0xFF);
            result |= std::uint32_t((from * (256 - weight) + to * weight + 128) >> 8) << shift;
        }
        return result;
    };
    const std::vector<Between> columns = between(newWidth, width), rows = between(newHeight, height);
    std::vector<std::uint32_t> result(std::size_t(newWidth) * std::size_t(newHeight));
    for (int y = 0; y < newHeight; ++y) {
        const Between row = rows[std::size_t(y)];
        const std::uint32_t* above = &pixels[std::size_t(row.first) * std::size_t(width)];
        const std::uint32_t* below = &pixels[std::size_t(row.second) * std::size_t(width)];
        for (int x = 0; x < newWidth; ++x) {
            const Between column = columns[std::size_t(x)];
            result[std::size_t(y) * std::size_t(newWidth) + std::size_t(x)] =
                mix(mix(above[column.first], above[column.second], column.weight),
                    mix(below[column.first], below[column.second], column.weight), row.weight);
        }
    }
    return result;
}

} // namespace forms::win32
