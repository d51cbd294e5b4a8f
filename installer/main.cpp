// The Windows GUI entry point of QuendalInstaller.exe.

#include <windows.h>

#include "installer/installer_entry.h"

namespace {

// The installer is often started from a downloads folder or a share that
// others can write, and runs elevated or as SYSTEM: a DLL planted beside it
// under the name of one it loads (the user interface's DLLs load on their
// first call, the shell and the folder dialog load more of their own) must
// never be loaded. From here on every DLL loaded by name, by this program or
// by any DLL in the process, comes from the system folder only. The function
// came with an update to Windows 7 and is part of every later Windows, so it
// is looked up rather than imported: without it the program would not start
// at all on a Windows 7 that lacks the update, which then at least loses the
// current folder from the search.
void load_dlls_from_the_system_folder_only() noexcept {
    using set_default_dll_directories = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const FARPROC found = kernel != nullptr ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
    // Through the generic function pointer type, which converts to any other
    // without a warning about mismatched signatures.
    const auto restrict_search = reinterpret_cast<set_default_dll_directories>(reinterpret_cast<void (*)()>(found));
    if (restrict_search == nullptr || !restrict_search(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        SetDllDirectoryW(L"");
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR command_tail, int) {
    load_dlls_from_the_system_folder_only();
    return installer::installer_entry(command_tail);
}
