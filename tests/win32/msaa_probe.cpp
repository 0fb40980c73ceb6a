// Reads the program's windows the way a Windows screen reader does, through MSAA, with line feeds
// in names written as "\n":
//   msaa_probe TITLE   the window's name, then each child's role, state and name as its client
//                      object gives them (Wine leaves the child window objects' own unanswered),
//                      a line each
//   msaa_probe --told  until it is ended, what the program tells a screen reader, a line each as
//                      it happens: a window made ("window" and its caption), the focus given to an
//                      object ("focus" and its name)

#include <oleacc.h>
#include <windows.h>

#include <cstdio>
#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace {
// The client object of a window; __uuidof because mingw-w64's IID_IAccessible holds a wrong value.
IAccessible* client(HWND window) {
    IAccessible* object = nullptr;
    AccessibleObjectFromWindow(window, DWORD(OBJID_CLIENT), __uuidof(IAccessible),
                               reinterpret_cast<void**>(&object));
    return object;
}

// Its role, state and name, and releases it. Asked in full before anything is printed: a question
// to another process lets the next event in meanwhile.
struct Told {
    long role, state;
    std::string name;
};
Told ask(IAccessible* object, long child = CHILDID_SELF) {
    VARIANT self{}, role{}, state{};
    self.vt = VT_I4;
    self.lVal = child;
    BSTR name = nullptr;
    object->get_accRole(self, &role);
    object->get_accState(self, &state);
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
    return {role.lVal, state.lVal, utf8};
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
        std::printf("focus\t%s\n", ask(what, which.lVal).name.c_str());
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

int main(int argc, char** argv) {
    if (argc < 2 || FAILED(CoInitialize(nullptr)))
        return 1;
    if (std::string(argv[1]) == "--told") {
        SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_FOCUS, nullptr, told, 0, 0, WINEVENT_OUTOFCONTEXT);
        std::printf("listening\n");
        std::fflush(stdout);
        for (MSG message; GetMessageW(&message, nullptr, 0, 0) > 0;)
            DispatchMessageW(&message);
        return 0;
    }
    IAccessible* window = client(FindWindowA(nullptr, argv[1]));
    if (!window)
        return 1;
    long count = 0;
    window->get_accChildCount(&count);
    std::vector<VARIANT> children(static_cast<std::size_t>(count));
    AccessibleChildren(window, 0, count, children.data(), &count);
    std::printf("%s\n", ask(window).name.c_str());
    for (VARIANT& child : children) {
        HWND childWindow = nullptr;
        if (child.vt == VT_DISPATCH && SUCCEEDED(WindowFromAccessibleObject(
                                           reinterpret_cast<IAccessible*>(child.pdispVal), &childWindow)))
            if (IAccessible* object = client(childWindow)) {
                const Told seen = ask(object);
                std::printf("%ld\t%lx\t%s\n", seen.role, seen.state, seen.name.c_str());
            }
    }
    return 0;
}
