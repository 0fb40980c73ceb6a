// Reads a window the way a Windows screen reader does, through MSAA: prints the window's name,
// then the role and name of each child of its client object, a line each, line feeds in names
// written as "\n".
//   msaa_probe TITLE

#include <oleacc.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {
std::string utf8(BSTR text) {
    std::string result(std::size_t(WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr)),
                       '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), int(result.size()), nullptr, nullptr);
    result.pop_back();
    std::string escaped;
    for (char c : result)
        escaped += c == '\n' ? std::string("\\n") : std::string(1, c);
    SysFreeString(text);
    return escaped;
}
} // namespace

int main(int argc, char** argv) {
    IAccessible* client = nullptr;
    if (argc < 2 || FAILED(CoInitialize(nullptr)))
        return 1;
    const HWND window = FindWindowA(nullptr, argv[1]);
    // __uuidof: the IID_IAccessible that mingw-w64's libraries define holds a wrong value.
    const HRESULT found = AccessibleObjectFromWindow(window, DWORD(OBJID_CLIENT), __uuidof(IAccessible),
                                                     reinterpret_cast<void**>(&client));
    if (FAILED(found)) {
        std::fprintf(stderr, "no accessible client object for %s (window %p, error %08lx)\n", argv[1],
                     static_cast<void*>(window), found);
        return 1;
    }
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    client->get_accName(self, &name);
    std::printf("%s\n", name ? utf8(name).c_str() : "");
    long count = 0;
    client->get_accChildCount(&count);
    std::vector<VARIANT> children(static_cast<std::size_t>(count));
    AccessibleChildren(client, 0, count, children.data(), &count);
    // Each child as a screen reader reads it: its window's client object (Wine leaves the window
    // objects' names and roles unanswered).
    for (VARIANT& child : children) {
        HWND childWindow = nullptr;
        IAccessible* object = nullptr;
        if (child.vt != VT_DISPATCH ||
            FAILED(
                WindowFromAccessibleObject(reinterpret_cast<IAccessible*>(child.pdispVal), &childWindow)) ||
            FAILED(AccessibleObjectFromWindow(childWindow, DWORD(OBJID_CLIENT), __uuidof(IAccessible),
                                              reinterpret_cast<void**>(&object))))
            continue;
        VARIANT role{};
        BSTR text = nullptr;
        object->get_accRole(self, &role);
        object->get_accName(self, &text);
        std::printf("%ld\t%s\n", role.lVal, text ? utf8(text).c_str() : "");
        object->Release();
        child.pdispVal->Release();
    }
    client->Release();
    return 0;
}
