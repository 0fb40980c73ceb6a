// Hears the program the way a Windows screen reader does, through MSAA: until it is ended, what the
// program tells a screen reader, a line each as it happens: a window made ("window" and its
// caption), the focus given to an object ("focus" and its name, line feeds written as "\n").

#include <oleacc.h>
#include <windows.h>

#include <cstdio>
#include <deque>
#include <string>
#include <utility>

namespace {
// An object's name, and releases the object. Asked in full before anything is printed: a question
// to another process lets the next event in meanwhile.
std::string nameOf(IAccessible* object, long child) {
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = child;
    BSTR name = nullptr;
    object->get_accName(self, &name);
    std::wstring text = name ? name : L"";
    for (std::size_t at = 0; (at = text.find(L'\n', at)) != std::wstring::npos; at += 2)
        text.replace(at, 1, L"\\n");
    std::string utf8(
        std::size_t(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr)), 0);
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), int(utf8.size()), nullptr, nullptr);
    utf8.pop_back();
    SysFreeString(name);
    object->Release();
    return utf8;
}

bool ours(HWND window) {
    wchar_t caption[16] = {};
    GetWindowTextW(GetAncestor(window, GA_ROOT), caption, 16);
    return std::wstring(caption) == L"Brelunda" || std::wstring(caption) == L"Mensagens";
}

// Events are told in the order they come: asking about one lets the next in, which waits.
struct Event {
    DWORD event;
    HWND window;
    LONG object, child;
};
std::deque<Event> waiting;

void tell(const Event& told) {
    IAccessible* what = nullptr;
    VARIANT which{};
    wchar_t caption[16] = {};
    if (!told.window || !ours(told.window))
        return;
    if (told.event == EVENT_OBJECT_CREATE && told.object == OBJID_WINDOW &&
        GetAncestor(told.window, GA_ROOT) == told.window && GetWindowTextW(told.window, caption, 16))
        std::printf("window\t%ls\n", caption);
    else if (told.event == EVENT_OBJECT_FOCUS &&
             SUCCEEDED(AccessibleObjectFromEvent(told.window, DWORD(told.object), DWORD(told.child), &what,
                                                 &which)))
        std::printf("focus\t%s\n", nameOf(what, which.lVal).c_str());
    std::fflush(stdout);
}

void CALLBACK told(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
    static bool telling = false;
    waiting.push_back({event, window, object, child});
    if (std::exchange(telling, true))
        return;
    for (; !waiting.empty(); waiting.pop_front())
        tell(waiting.front());
    telling = false;
}
} // namespace

int main() {
    if (FAILED(CoInitialize(nullptr)))
        return 1;
    SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_FOCUS, nullptr, told, 0, 0, WINEVENT_OUTOFCONTEXT);
    std::printf("listening\n");
    std::fflush(stdout);
    for (MSG message; GetMessageW(&message, nullptr, 0, 0) > 0;)
        DispatchMessageW(&message);
    return 0;
}
