// Under Wine: the real main window through 500 showings of the About window and 500 steps of the
// day. After a warm-up the GDI objects in use must not change, and the private bytes grow by less
// than 256 KiB: a font, brush, icon or bitmap left behind at every showing would show in both, and
// so does an About window left hidden instead of destroyed (99 more GDI objects and 4.4 MiB over
// the 500). Exit status 1 when they do.

#include "app/MainWindow.h"
#include "messages/FuncBrelunda.h"

#include <windows.h>

#include <cstdio>
#include <psapi.h>

namespace {
// Wine's GetGuiResources is a stub, but its GDI handle table is the process's own: 0x10000 entries
// of 24 bytes, each with its object's type at byte 14, 0 when free.
int gdiObjects() {
    const BYTE* peb;
    asm("mov %%gs:0x60, %0" : "=r"(peb));                                  // TEB->ProcessEnvironmentBlock
    const BYTE* table = *reinterpret_cast<const BYTE* const*>(peb + 0xF8); // ->GdiSharedHandleTable
    int count = 0;
    for (int index = 0; index < 0x10000; ++index)
        count += table[index * 24 + 14] != 0;
    return count;
}

struct Use {
    int gdiObjects;
    std::size_t privateKiB;
};

Use inUse(const char* when) {
    PROCESS_MEMORY_COUNTERS memory{};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    // Private bytes: the commit charge, where Wine reports them (its PrivateUsage is 0).
    const Use use{gdiObjects(), memory.PagefileUsage / 1024};
    std::printf("%-14s GDI objects %d, private bytes %zu KiB\n", when, use.gdiObjects, use.privateKiB);
    return use;
}

// The About window runs its own loop; this timer ends each showing from inside it.
void CALLBACK closeAbout(HWND, UINT, UINT_PTR, DWORD) {
    if (HWND about = FindWindowW(L"Sobre", nullptr))
        PostMessageW(about, WM_CLOSE, 0, 0);
}

void rounds(app::MainWindow& main, int count) {
    static bool back = false; // to and fro across the days, never past a bound
    for (int round = 0; round < count; ++round) {
        forms::dispatch([&] { main.handlers.mnuSobre_Click(); });
        back = FuncBrelunda::CurrentDay == 31 || (back && FuncBrelunda::CurrentDay > 1);
        forms::dispatch([&] { back ? main.handlers.mnuAnterior_Click() : main.handlers.mnuProximo_Click(); });
        for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);)
            DispatchMessageW(&message);
    }
}
} // namespace

int main() {
    const std::unique_ptr<forms::Toolkit> toolkit = forms::makeToolkit();
    app::Program program(*toolkit);
    SetTimer(nullptr, 0, 1, closeAbout);
    FuncBrelunda::CurrentDay = 1;
    rounds(*program.mainWindow(), 30);
    const Use warm = inUse("after warm-up");
    rounds(*program.mainWindow(), 500);
    const Use end = inUse("after 500");
    return forms::ended() || end.gdiObjects != warm.gdiObjects || end.privateKiB > warm.privateKiB + 256 ? 1
                                                                                                         : 0;
}
