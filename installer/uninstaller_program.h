#pragma once
// The uninstaller: a copy of this program that the list of installed apps
// runs with /uninstall. It lives in "<Program Files>\Falkmoor\Quendal",
// which only administrators may write; never under %ProgramData%, where
// users may write and SYSTEM would later run what they planted.
//
// A running program cannot delete itself. When the uninstall runs from the
// uninstaller, its removal is handed to a temporary copy of the program made
// in a new folder of unpredictable name that only Administrators and SYSTEM
// may use; the copy waits for this process to end, removes the uninstaller,
// and is removed by the system when it ends itself.

#include <windows.h>

#include <string>

namespace installer {

class uninstaller_program {
public:
    // "<Program Files>\Falkmoor\Quendal\QuendalInstaller.exe"; empty when the
    // Program Files folder is not known.
    [[nodiscard]] static std::wstring path();

    // Puts a copy of the running program there, replacing an earlier one
    // only once the copy is complete. Returns the Windows error, or 0.
    [[nodiscard]] static DWORD place();

    // Whether the running program is the uninstaller.
    [[nodiscard]] static bool is_this_program();

    // Removes the uninstaller, its folder and the vendor folder above it
    // when they are then empty. Returns the Windows error, or 0.
    static DWORD remove() noexcept;

    // Hands the removal to a temporary copy that waits for this process to
    // end (see above). Returns the Windows error, or 0.
    static DWORD remove_after_exit() noexcept;

    // The temporary copy's work: waits for `parent` (a process handle it
    // inherited) to end, then removes the uninstaller.
    static void remove_once_ended(HANDLE parent) noexcept;

    // The copy's switch, followed by the handle's value.
    static constexpr wchar_t copy_switch[] = L"/remove-uninstaller=";
};

} // namespace installer
