#pragma once
// The installer's entry in Windows' list of installed apps: the key
// HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Falkmoor.Quendal
// in the 64-bit view, which Settings shows and winget, Intune and
// Configuration Manager read to find what is installed and how to remove it.
// Beside the values Windows reads it keeps this installer's own record of
// every module it put down, by release and path, which the uninstaller
// removes. Only administrators may write the key, so the record is trusted.

#include <windows.h>

#include <string>
#include <vector>

namespace installer {

// A module the installer put down: the release's name ("2025", "Custom")
// and the module's full path.
struct recorded_module {
    std::string release;
    std::wstring path;

    bool operator==(const recorded_module&) const = default;
};

class installed_apps_entry {
public:
    // The modules recorded; none when there is no entry.
    [[nodiscard]] static std::vector<recorded_module> modules();

    // Adds `installed` to the record (a path already recorded is not
    // repeated), and (re)writes the values Windows shows for this version
    // with `uninstaller` as the program that removes it. Returns the Windows
    // error, or 0.
    [[nodiscard]] static DWORD record(const std::vector<recorded_module>& installed, const std::wstring& uninstaller);

    // Replaces the record with `left`: the modules an uninstall could not
    // remove. Returns the Windows error, or 0.
    [[nodiscard]] static DWORD keep_only(const std::vector<recorded_module>& left);

    // Removes the entry. Returns the Windows error, or 0 (also when there
    // was none).
    [[nodiscard]] static DWORD remove();

    // The key's path under HKEY_LOCAL_MACHINE.
    static constexpr wchar_t key_path[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Falkmoor.Quendal";
};

} // namespace installer
