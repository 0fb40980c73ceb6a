// Wine's USER32 has the dpi functions of Windows 10 whatever version a prefix claims, so Brelunda.exe
// never takes what stands in for them on Windows 7 there. This probe, with Brelunda.exe's manifest,
// takes both for a window of its own and prints them; exit status 1 when they differ, or when the
// dpi is not the one the prefix was set to.
//   dpi_probe DPI

#include "platform/win32/Later.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    using namespace forms::win32;
    const int expected = argc > 1 ? std::atoi(argv[1]) : 0;
    const LaterCalls& later = laterCalls();
    const LaterCalls windows7;
    // Without them both columns would be the stand-ins.
    if (!later.getDpiForWindow || !later.getDpiForSystem || !later.getSystemMetricsForDpi)
        return 1;
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                  nullptr, nullptr);
    const struct {
        const char* what;
        int later, windows7;
    } figures[] = {
        {"system dpi", systemDpi(later), systemDpi(windows7)},
        {"window dpi", windowDpi(window, later), windowDpi(window, windows7)},
        {"icon", systemMetric(SM_CXICON, later), systemMetric(SM_CXICON, windows7)},
        {"small icon", systemMetric(SM_CXSMICON, later), systemMetric(SM_CXSMICON, windows7)},
    };
    bool same = figures[0].later == expected;
    std::printf("%-12s %10s %10s\n", "", "later", "windows 7");
    for (const auto& figure : figures) {
        std::printf("%-12s %10d %10d\n", figure.what, figure.later, figure.windows7);
        same = same && figure.later == figure.windows7;
    }
    DestroyWindow(window);
    return same ? 0 : 1;
}
