// The baseline for Brelunda.exe: the least a Win32 program of the same shape costs. A window of the
// same outer size, the same menu bar built the same way, one word-wrapped label of 900 characters;
// no embedded fonts, no picture, no icon, no manifest.

#include <windows.h>

#include <string>

namespace {
LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}
} // namespace

int main() {
    WNDCLASSEXW bare{};
    bare.cbSize = sizeof bare;
    bare.lpfnWndProc = procedure;
    bare.hInstance = GetModuleHandleW(nullptr);
    bare.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    bare.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    bare.lpszClassName = L"Bare";
    RegisterClassExW(&bare);

    HMENU bar = CreateMenu();
    HMENU arquivo = CreatePopupMenu();
    AppendMenuW(arquivo, MF_STRING, 1, L"&Sair");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(arquivo), L"&Arquivo");
    AppendMenuW(bar, MF_STRING, 2, L"A&nterior");
    AppendMenuW(bar, MF_STRING, 3, L"&Próximo");
    AppendMenuW(bar, MF_STRING, 4, L"&Hoje");
    HMENU ajuda = CreatePopupMenu();
    AppendMenuW(ajuda, MF_STRING, 5, L"&Sobre");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(ajuda), L"Aj&uda");

    HWND window = CreateWindowExW(0, L"Bare", L"Bare", WS_OVERLAPPEDWINDOW, 207, 150, 610, 468, nullptr, bar,
                                  bare.hInstance, nullptr);
    std::wstring text;
    while (text.size() < 900)
        text += L"Cada manhã traz uma página nova, e quem a lê com calma encontra nela o que precisa para o "
                L"dia. ";
    text.resize(900);
    CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 0, 602, 422, window,
                    nullptr, bare.hInstance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return int(message.wParam);
}
