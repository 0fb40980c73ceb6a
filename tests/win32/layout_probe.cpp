// How GDI lays out each label's text, worked out from the window descriptions alone, never from a
// window: the text in the font the description names, made as the forms layer makes it, wrapped to
// the label's width at a dpi and drawn as a static control draws it, with nothing clipped. For each
// day, a line per label: the day, the label's name, the lines the text wraps to (DT_CALCRECT), the
// first and one past the last column of its ink, then each line's first and one past its last row
// of ink, in pixels from the label's top left corner. The main window's labels hold the day's
// reading.
//   layout_probe DPI DAY...

#include "platform/win32/FormWindow.h"
#include "tests/probes/ShownTexts.h"

#include <cstdio>
#include <cstdlib>

namespace {
using namespace forms::win32;

// As dark as a scenario's threshold finds text over the picture: an eighth of the way to black.
constexpr int inkLevel = 255 - 32;

void measure(int day, const probes::ShownText& shown, int dpi) {
    const forms::LabelDescription& label = *shown.label;
    const int width = forms::pixels(label.width, dpi);
    const OwnedFont font = makeFont(label.font, dpi);
    const OwnedDc dc(check(CreateCompatibleDC(nullptr), "CreateCompatibleDC"));
    SelectObject(dc.get(), font.get());
    TEXTMETRICW metrics;
    check(GetTextMetricsW(dc.get(), &metrics), "GetTextMetricsW");
    const UINT format = DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX |
                        (label.alignment == forms::Alignment::Left    ? DT_LEFT
                         : label.alignment == forms::Alignment::Right ? DT_RIGHT
                                                                      : DT_CENTER);
    const std::wstring text = wide(shown.text);
    RECT needed{0, 0, width, 0};
    DrawTextW(dc.get(), text.c_str(), -1, &needed, format | DT_CALCRECT);
    const int lines = needed.bottom / metrics.tmHeight;

    // Black on white, a label's width of room at either side and a line's below.
    const int canvasWidth = 3 * width, canvasHeight = needed.bottom + metrics.tmHeight;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, canvasWidth, -canvasHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP canvas =
        check(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0), "CreateDIBSection");
    SelectObject(dc.get(), canvas);
    PatBlt(dc.get(), 0, 0, canvasWidth, canvasHeight, WHITENESS);
    SetBkMode(dc.get(), TRANSPARENT);
    RECT place{width, 0, 2 * width, canvasHeight};
    DrawTextW(dc.get(), text.c_str(), -1, &place, format | DT_NOCLIP);
    GdiFlush();

    const auto* pixel = static_cast<const std::uint32_t*>(bits);
    int left = canvasWidth, right = 0;
    std::string rows;
    for (int line = 0; line < lines; ++line) {
        int top = -1, bottom = -1;
        for (int y = line * metrics.tmHeight; y < (line + 1) * metrics.tmHeight; ++y)
            for (int x = 0; x < canvasWidth; ++x)
                if (int(pixel[y * canvasWidth + x] & 0xFF) <= inkLevel) {
                    top = top < 0 ? y : top;
                    bottom = y + 1;
                    left = std::min(left, x);
                    right = std::max(right, x + 1);
                }
        if (top >= 0)
            rows.append(" ").append(std::to_string(top)).append(":").append(std::to_string(bottom));
    }
    std::printf("%d %s %d %d %d%s\n", day, shown.name.c_str(), lines, left - width, right - width,
                rows.c_str());
    DeleteObject(canvas);
}
} // namespace

int main(int argc, char** argv) {
    const int dpi = argc > 2 ? std::atoi(argv[1]) : 0;
    if (dpi <= 0)
        return 2;
    try {
        for (int argument = 2; argument < argc; ++argument) {
            const int day = std::atoi(argv[argument]);
            if (!FuncBrelunda::entryFor(day))
                return 2;
            for (const probes::ShownText& shown : probes::shownTexts(day))
                measure(day, shown, dpi);
        }
    } catch (const forms::RuntimeError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
