// Reads a window the way a Windows screen reader does, through MSAA: prints the window's name,
// then each child's role and name as its client object gives them (Wine leaves the child window
// objects' own unanswered), a line each, with line feeds in names written as "\n".
//   msaa_probe TITLE

#include <oleacc.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {
// The client object of a window; __uuidof because mingw-w64's IID_IAccessible holds a wrong value.
IAccessible* client(HWND window) {
    IAccessible* object = nullptr;
    AccessibleObjectFromWindow(window, DWORD(OBJID_CLIENT), __uuidof(IAccessible),
                               reinterpret_cast<void**>(&object));
    return object;
}

void print(IAccessible* object, bool withRole) {
    VARIANT self{}, role{};
    self.vt = VT_I4;
    BSTR name = nullptr;
    object->get_accRole(self, &role);
    object->get_accName(self, &name);
    std::wstring text = name ? name : L"";
    for (std::size_t at = 0; (at = text.find(L'\n', at)) != std::wstring::npos; at += 2)
        text.replace(at, 1, L"\\n");
    std::string utf8(
        std::size_t(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr)), 0);
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), int(utf8.size()), nullptr, nullptr);
    withRole ? std::printf("%ld\t%s\n", role.lVal, utf8.c_str()) : std::printf("%s\n", utf8.c_str());
    SysFreeString(name);
    object->Release();
}
} // namespace

int main(int argc, char** argv) {
    IAccessible* window =
        argc > 1 && SUCCEEDED(CoInitialize(nullptr)) ? client(FindWindowA(nullptr, argv[1])) : nullptr;
    if (!window)
        return 1;
    long count = 0;
    window->get_accChildCount(&count);
    std::vector<VARIANT> children(static_cast<std::size_t>(count));
    AccessibleChildren(window, 0, count, children.data(), &count);
    print(window, false);
    for (VARIANT& child : children) {
        HWND childWindow = nullptr;
        if (child.vt == VT_DISPATCH && SUCCEEDED(WindowFromAccessibleObject(
                                           reinterpret_cast<IAccessible*>(child.pdispVal), &childWindow)))
            if (IAccessible* object = client(childWindow))
                print(object, true);
    }
    return 0;
}
