#include "platform/win32/Later.h"

#include "platform/win32/Support.h"

namespace forms::win32 {

namespace {
template <typename Function> Function lookUp(HMODULE module, const char* name) {
    // Through a function without parameters: the one cast between function types that GCC allows
    // without a warning.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
} // namespace

const LaterCalls& laterCalls() {
    static const LaterCalls found = [] {
        HMODULE user32 = GetModuleHandleW(L"user32.dll");
        LaterCalls calls;
        calls.getDpiForWindow = lookUp<decltype(calls.getDpiForWindow)>(user32, "GetDpiForWindow");
        calls.getDpiForSystem = lookUp<decltype(calls.getDpiForSystem)>(user32, "GetDpiForSystem");
        calls.getSystemMetricsForDpi =
            lookUp<decltype(calls.getSystemMetricsForDpi)>(user32, "GetSystemMetricsForDpi");
        return calls;
    }();
    return found;
}

int systemDpi(const LaterCalls& calls) {
    if (calls.getDpiForSystem)
        return int(calls.getDpiForSystem());
    HDC screen = check(GetDC(nullptr), "GetDC");
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return check(dpi, "GetDeviceCaps");
}

int windowDpi(HWND window, const LaterCalls& calls) {
    if (calls.getDpiForWindow)
        return int(check(calls.getDpiForWindow(window), "GetDpiForWindow"));
    return systemDpi(calls);
}

int systemMetric(int metric, const LaterCalls& calls) {
    if (calls.getSystemMetricsForDpi && calls.getDpiForSystem)
        return calls.getSystemMetricsForDpi(metric, calls.getDpiForSystem());
    return GetSystemMetrics(metric);
}

} // namespace forms::win32
