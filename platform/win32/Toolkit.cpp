#include "platform/clock.h"
#include "platform/win32/FormWindow.h"

namespace forms::win32 {

namespace {
[[noreturn]] void report(const RuntimeError& error) {
    MessageBoxW(GetActiveWindow(), wide(reportText(error)).c_str(), L"Brelunda", MB_OK | MB_ICONERROR);
    // Nothing of the program may run after its error.
    ExitProcess(1);
}

// The program on the Win32 API: the runtime's end and error report wired to Windows, and the
// message loop.
class Toolkit final : public forms::Toolkit {
public:
    Toolkit() {
        setEndHandler([this] {
            if (main_)
                ShowWindow(main_, SW_HIDE);
            PostQuitMessage(0);
        });
        setErrorReporter(report);
    }
    ~Toolkit() override {
        setEndHandler(nullptr);
        setErrorReporter(nullptr);
    }

    std::unique_ptr<forms::FormWindow> makeWindow(const FormDescription& description) override {
        auto window =
            std::make_unique<FormWindow>(description, description.role == WindowRole::Main ? nullptr : main_);
        if (description.role == WindowRole::Main)
            main_ = window->hwnd();
        return window;
    }

    int run() override {
        MSG message{};
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        return int(message.wParam);
    }

private:
    HWND main_ = nullptr;
};
} // namespace

} // namespace forms::win32

int forms::localDayOfMonth() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now.wDay;
}

std::unique_ptr<forms::Toolkit> forms::makeToolkit() {
    return std::make_unique<win32::Toolkit>();
}
