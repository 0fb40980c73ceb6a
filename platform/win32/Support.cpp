#include "platform/win32/Support.h"

#include "platform/forms.h"
#include "platform/win32/resources.h"

#include <utility>

namespace forms::win32 {

void raiseFailed(std::string_view call) {
    const DWORD code = GetLastError();
    std::string description(call);
    wchar_t* words = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reinterpret_cast<wchar_t*>(&words), 0, nullptr);
    if (code != 0 && length > 0) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, words, int(length), nullptr, 0, nullptr, nullptr);
        std::string text(std::size_t(size), '\0');
        WideCharToMultiByte(CP_UTF8, 0, words, int(length), text.data(), size, nullptr, nullptr);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        description += ": " + text;
    }
    LocalFree(words);
    throw RuntimeError(InvalidProcedureCall, description);
}

std::wstring wide(std::string_view utf8) {
    // Without MB_ERR_INVALID_CHARS, Windows replaces what is not UTF-8 with U+FFFD.
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring text(std::size_t(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), text.data(), size);
    return text;
}

std::span<const std::uint8_t> resourceBytes(int id, const wchar_t* type) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), type);
    HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes)
        return {};
    return {static_cast<const std::uint8_t*>(bytes), SizeofResource(nullptr, found)};
}

int assetResource(std::string_view name) {
    constexpr std::pair<std::string_view, int> assets[] = {
        {"lightbulb", BRELUNDA_ICON_LIGHTBULB},
        {"tree", BRELUNDA_ICON_TREE},
        {"background", BRELUNDA_PICTURE_BACKGROUND},
    };
    for (const auto& [asset, id] : assets) {
        if (asset == name)
            return id;
    }
    return 0;
}

COLORREF colourRef(Colour colour) {
    if (isSystemColour(colour))
        return GetSysColor(systemColourNumber(colour));
    const Rgb rgb = rgbOf(colour);
    return RGB(rgb.red, rgb.green, rgb.blue);
}

} // namespace forms::win32
