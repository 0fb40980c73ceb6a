// Tells how much of a window Windows keeps outside what an X window manager shows of it under Wine:
// the borders and caption that the window's own style gives it at its dpi, as left, top, right and
// bottom pixels. The window manager draws its own frame there instead, so a test adds these to the
// X window to get the window's outer size as the program set it. Asked of the Wine that runs the
// window, not remembered: Wine 10's caption is taller than Wine 8's.
//   frame_probe TITLE

// Run under Wine only, it asks Windows 10's functions directly, whatever Windows the build is for.
#undef _WIN32_WINNT
#undef WINVER
#define _WIN32_WINNT 0x0A00
#define WINVER 0x0A00
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    // The shown window with that title: one of a program just killed may linger, hidden, a moment.
    HWND window = nullptr;
    do
        window = argc > 1 ? FindWindowExA(nullptr, window, nullptr, argv[1]) : nullptr;
    while (window && !IsWindowVisible(window));
    const UINT dpi = window ? GetDpiForWindow(window) : 0;
    if (!dpi)
        return 1;
    // The menu bar lies inside the X window: it is left out.
    RECT frame{};
    if (!AdjustWindowRectExForDpi(&frame, DWORD(GetWindowLongW(window, GWL_STYLE)), FALSE,
                                  DWORD(GetWindowLongW(window, GWL_EXSTYLE)), dpi))
        return 1;
    std::printf("%ld %ld %ld %ld\n", -frame.left, -frame.top, frame.right, frame.bottom);
    return 0;
}
