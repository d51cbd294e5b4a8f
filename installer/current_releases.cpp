#include "installer/current_releases.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "installer/win32_handles.h"

namespace installer {

namespace {

constexpr wchar_t host_key_path[] = L"SOFTWARE\\Adobe\\After Effects";
constexpr wchar_t plugin_path_value[] = L"PluginInstallPath";
constexpr wchar_t install_path_value[] = L"InstallPath";
constexpr wchar_t plugin_folder[] = L"Plug-ins";
constexpr DWORD name_room = 255;
constexpr unsigned first_major = 14;
// The version number jumped from 18 (2021) to 22 (2022) to follow the year.
constexpr unsigned first_skipped_major = 19;
constexpr unsigned last_skipped_major = 21;
constexpr unsigned first_major_named_by_number = 22;
// The longest path a long-path-aware program can use; a longer value is no
// folder anything could be written to.
constexpr std::size_t longest_path = 32767;

// Digits only, one to three of them, no leading zero.
std::optional<unsigned> plain_number(std::wstring_view digits) noexcept {
    if (digits.empty() || digits.size() > 3 || digits.front() == L'0') {
        return std::nullopt;
    }
    unsigned value = 0;
    for (const wchar_t c : digits) {
        if (c < L'0' || c > L'9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<unsigned>(c - L'0');
    }
    return value;
}

bool is_release_major(unsigned major) noexcept {
    return major >= first_major && (major < first_skipped_major || major > last_skipped_major);
}

// A string value of a subkey, of any length a path may have. RRF_RT_REG_SZ
// without RRF_NOEXPAND accepts a REG_EXPAND_SZ value too and hands it back
// expanded; an expansion may need more room than the first answer said, so
// the read is tried again with the room it asks for.
std::optional<std::wstring> read_string(HKEY parent, const wchar_t* subkey, const wchar_t* name) {
    DWORD bytes = 0;
    if (RegGetValueW(parent, subkey, name, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    for (int attempt = 0; attempt < 4; ++attempt) {
        if (bytes / sizeof(wchar_t) > 2 * longest_path) {
            return std::nullopt;
        }
        std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD room = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        const LSTATUS status = RegGetValueW(parent, subkey, name, RRF_RT_REG_SZ, nullptr, text.data(), &room);
        if (status == ERROR_SUCCESS) {
            text.resize(wcsnlen(text.data(), text.size()));
            if (text.empty() || text.size() > longest_path) {
                return std::nullopt;
            }
            return text;
        }
        if (status != ERROR_MORE_DATA) {
            return std::nullopt;
        }
        bytes = room;
    }
    return std::nullopt;
}

bool is_folder(const std::wstring& path) noexcept {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The release's own plug-in folder. Some releases are only known to record
// where they are installed ("...\Support Files\", AfterFX.exe beside it); its
// "Plug-ins" folder is then the one, as long as it is really there.
std::optional<std::wstring> plugin_folder_of(HKEY root, const wchar_t* subkey) {
    if (auto folder = read_string(root, subkey, plugin_path_value)) {
        return folder;
    }
    auto folder = read_string(root, subkey, install_path_value);
    if (!folder) {
        return std::nullopt;
    }
    if (folder->back() != L'\\' && folder->back() != L'/') {
        folder->push_back(L'\\');
    }
    folder->append(plugin_folder);
    if (!is_folder(*folder)) {
        return std::nullopt;
    }
    return folder;
}

// One view of the registry; a release found again replaces what an earlier
// view found for it.
void read_pass(REGSAM access, std::vector<current_release>& found) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, host_key_path, 0, access, &opened) != ERROR_SUCCESS) {
        return;
    }
    const unique_key root(opened);
    DWORD subkeys = 0;
    if (RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS) {
        return;
    }
    for (DWORD index = 0; index < subkeys; ++index) {
        wchar_t name[name_room + 1] = {};
        DWORD length = name_room + 1;
        if (RegEnumKeyExW(opened, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            continue;
        }
        const std::optional<unsigned> major = current_release_major(name);
        if (!major) {
            continue;
        }
        std::optional<std::wstring> folder = plugin_folder_of(opened, name);
        if (!folder) {
            continue;
        }
        const auto same = std::find_if(found.begin(), found.end(), [&](const auto& r) { return r.major == *major; });
        current_release release{*major, name, norvik::filesystem::file_path(std::move(*folder))};
        if (same != found.end()) {
            *same = std::move(release);
        } else {
            found.push_back(std::move(release));
        }
    }
}

bool running_under_wow64() noexcept {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

} // namespace

bool is_release_name(std::wstring_view a, std::string_view b) noexcept {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, char y) {
               return std::towlower(x) == std::towlower(static_cast<wchar_t>(static_cast<unsigned char>(y)));
           });
}

std::optional<unsigned> current_release_major(std::wstring_view key) noexcept {
    constexpr std::wstring_view minor = L".0";
    if (key.size() <= minor.size() || key.substr(key.size() - minor.size()) != minor) {
        return std::nullopt;
    }
    const std::optional<unsigned> major = plain_number(key.substr(0, key.size() - minor.size()));
    if (!major || !is_release_major(*major)) {
        return std::nullopt;
    }
    return major;
}

std::string current_release_name(unsigned major) {
    switch (major) {
    case 14:
        return "CC2017";
    case 15:
        return "CC2018";
    case 16:
        return "CC2019";
    case 17:
        return "2020";
    case 18:
        return "2021";
    default:
        return "20" + std::to_string(major);
    }
}

std::optional<unsigned> current_release_named(std::wstring_view name) {
    // The one major the name could stand for, confirmed by naming it back.
    std::optional<unsigned> candidate;
    if (name.size() == 6 && is_release_name(name.substr(0, 4), "cc20")) {
        const std::optional<unsigned> year = plain_number(name.substr(4));
        candidate = year && *year >= 17 && *year <= 19 ? std::optional<unsigned>(*year - 3) : std::nullopt;
    } else if (name.size() > 2 && name.substr(0, 2) == L"20") {
        const std::optional<unsigned> rest = plain_number(name.substr(2));
        if (rest && (*rest == 20 || *rest == 21)) {
            candidate = *rest - 3;
        } else if (rest && *rest >= first_major_named_by_number) {
            candidate = rest;
        }
    }
    if (!candidate || !is_release_major(*candidate) || !is_release_name(name, current_release_name(*candidate))) {
        return std::nullopt;
    }
    return candidate;
}

std::vector<current_release> detect_current_releases() noexcept {
    std::vector<current_release> found;
    try {
        read_pass(KEY_READ, found);
        // As for the older releases: a 32-bit build reads the host's 64-bit
        // view after its own.
        if (running_under_wow64()) {
            read_pass(KEY_READ | KEY_WOW64_64KEY, found);
        }
        std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.major < b.major; });
    } catch (...) {
        // Only memory exhaustion gets here: what was found so far stands.
    }
    return found;
}

} // namespace installer
