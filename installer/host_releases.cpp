#include "installer/host_releases.h"

#include <windows.h>

#include <optional>

#include "installer/win32_handles.h"

namespace installer {

namespace {

constexpr wchar_t host_key_path[] = L"SOFTWARE\\Adobe\\After Effects";
constexpr wchar_t plugin_path_value[] = L"PluginInstallPath";
constexpr DWORD name_room = 255;
constexpr DWORD value_room = 256;

std::optional<std::size_t> release_for_key(const wchar_t* name) noexcept {
    for (std::size_t i = 0; i < release_count; ++i) {
        const wchar_t* key = host_release_table[i].registry_key;
        if (key && std::wstring_view(key) == name) {
            return i;
        }
    }
    return std::nullopt;
}

// Reads "PluginInstallPath" of one subkey. Only a true REG_SZ counts:
// RRF_RT_REG_SZ alone would accept a REG_EXPAND_SZ value and hand it back
// expanded, so RRF_NOEXPAND makes such a value fail as the wrong type.
// RegGetValueW takes the same flags as the shell's SHRegGetValueW and
// terminates the string the same way; it lives in advapi32, which every run
// loads, while the shell's DLL would load the user interface's DLLs into a
// quiet install.
std::optional<norvik::filesystem::file_path> read_plugin_path(HKEY parent, const wchar_t* subkey) noexcept {
    wchar_t value[value_room] = {};
    DWORD bytes = sizeof(value);
    const LSTATUS status =
        RegGetValueW(parent, subkey, plugin_path_value, RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr, value, &bytes);
    if (status != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value[value_room - 1] = L'\0';
    return norvik::filesystem::file_path(value);
}

void read_pass(REGSAM access, release_paths& found) noexcept {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, host_key_path, 0, access, &opened) != ERROR_SUCCESS) {
        return;
    }
    const unique_key root(opened);
    DWORD subkeys = 0;
    if (RegQueryInfoKeyW(root.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS) {
        return;
    }
    for (DWORD index = 0; index < subkeys; ++index) {
        wchar_t name[name_room + 1] = {};
        DWORD length = name_room;
        if (RegEnumKeyExW(root.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            continue;
        }
        auto path = read_plugin_path(root.get(), name);
        if (!path) {
            continue;
        }
        if (auto release = release_for_key(name)) {
            found[*release] = std::move(*path);
        }
    }
}

bool running_under_wow64() noexcept {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

} // namespace

release_paths detect_host_releases() noexcept {
    release_paths found;
    const bool wow64 = running_under_wow64();
    read_pass(KEY_READ, found);
    // A 32-bit build sees the redirected 32-bit view first; the host is a
    // 64-bit program and records its releases in the 64-bit view.
    if (wow64) {
        read_pass(KEY_READ | KEY_WOW64_64KEY, found);
    }
    return found;
}

} // namespace installer
