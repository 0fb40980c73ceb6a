#include "platform/win32/Plan.h"

#include "platform/forms.h"

#include <algorithm>
#include <string_view>

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

namespace {
std::uint32_t bigEndian(const std::uint8_t* at, int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | at[i];
    return value;
}

void putBigEndian(std::uint8_t* at, std::uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i, value >>= 8)
        at[i] = std::uint8_t(value);
}

constexpr std::uint32_t smoothed = 0x0002; // GASP_DOGRAY

// The sum of the bytes as 32-bit big-endian words, the last one padded with zeros.
std::uint32_t checksum(std::span<const std::uint8_t> bytes) {
    std::uint32_t sum = 0;
    for (std::size_t at = 0; at < bytes.size(); at += 4) {
        std::uint8_t word[4] = {};
        std::copy_n(bytes.begin() + std::ptrdiff_t(at), std::min<std::size_t>(4, bytes.size() - at), word);
        sum += bigEndian(word, 4);
    }
    return sum;
}
} // namespace

std::vector<std::uint8_t> smoothedAtEverySize(std::span<const std::uint8_t> font) {
    std::vector<std::uint8_t> bytes(font.begin(), font.end());
    // The table directory: 12 bytes, then 16 for each table (tag, checksum, offset, length).
    const auto entry = [&](std::string_view tag) -> std::uint8_t* {
        const std::size_t tables = bytes.size() >= 12 ? bigEndian(&bytes[4], 2) : 0;
        for (std::size_t at = 12; at < 12 + 16 * tables && at + 16 <= bytes.size(); at += 16) {
            if (std::equal(tag.begin(), tag.end(), &bytes[at]))
                return &bytes[at];
        }
        return nullptr;
    };
    std::uint8_t* const gasp = entry("gasp");
    std::uint8_t* const head = entry("head");
    const std::size_t start = gasp ? bigEndian(gasp + 8, 4) : 0, length = gasp ? bigEndian(gasp + 12, 4) : 0;
    const std::size_t adjustment = head ? bigEndian(head + 8, 4) + 8 : 0; // head.checkSumAdjustment
    if (!gasp || !head || length < 4 || start + length > bytes.size() || adjustment + 4 > bytes.size())
        return bytes;
    // Version, number of ranges, then each range's largest size and its behaviour flags.
    const std::size_t ranges = std::min<std::size_t>(bigEndian(&bytes[start + 2], 2), (length - 4) / 4);
    for (std::size_t range = 0; range < ranges; ++range) {
        std::uint8_t* const flags = &bytes[start + 4 + 4 * range + 2];
        putBigEndian(flags, bigEndian(flags, 2) | smoothed, 2);
    }
    putBigEndian(gasp + 4, checksum({&bytes[start], length}), 4);
    // The whole file sums to a fixed number by the adjustment, counted as 0.
    putBigEndian(&bytes[adjustment], 0, 4);
    putBigEndian(&bytes[adjustment], 0xB1B0AFBAu - checksum(bytes), 4);
    return bytes;
}

} // namespace forms::win32
