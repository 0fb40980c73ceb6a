#pragma once

// What the forms layer asks of Windows releases after 7, looked up when the program starts: one
// Brelunda.exe starts on Windows 7 SP1 and every later one, and the loader refuses an executable
// that imports a function its Windows lacks. Where one is missing, what Windows 7 has stands in.
// The build keeps the headers at Windows 7, so nothing newer can be called but through here.

#include <windows.h>

namespace forms::win32 {

// USER32's dpi functions of Windows 10 1607; null where this Windows lacks them.
struct LaterCalls {
    UINT(WINAPI* getDpiForWindow)(HWND) = nullptr;
    UINT(WINAPI* getDpiForSystem)() = nullptr;
    int(WINAPI* getSystemMetricsForDpi)(int, UINT) = nullptr;
};

// Those this Windows has, looked up once.
const LaterCalls& laterCalls();

// Without the later calls the dpi is the system's: the manifest's dpiAware makes the process aware
// of it on Windows 7 and 8, so the screen's device context and the plain metrics give it rather than
// 96. Windows 8.1 has a dpi per screen but no GetDpiForWindow: a window learns its own from
// WM_DPICHANGED once it is on a screen of another.
int systemDpi(const LaterCalls& calls = laterCalls());
int windowDpi(HWND window, const LaterCalls& calls = laterCalls());
// A system metric at the system's dpi.
int systemMetric(int metric, const LaterCalls& calls = laterCalls());

} // namespace forms::win32
