#include "installer/installed_apps_entry.h"

#include <cstdio>
#include <string_view>

#include "installer/product.h"
#include "installer/win32_handles.h"
#include "ui/core/text/text_conversion.h"

namespace installer {

namespace {

// The record: one string per module, "release|path" ('|' is in no path).
constexpr wchar_t record_value[] = L"QuendalModules";
constexpr wchar_t separator = L'|';
// The host registers in the 64-bit view, and so do the tools that read the
// list; a 32-bit build would otherwise write under Wow6432Node.
constexpr REGSAM view = KEY_WOW64_64KEY;

std::wstring wide(std::string_view text) {
    return norvik::text::utf8_to_utf16(text);
}

DWORD set_string(HKEY key, const wchar_t* name, const std::wstring& text) {
    return static_cast<DWORD>(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))));
}

DWORD set_number(HKEY key, const wchar_t* name, DWORD number) {
    return static_cast<DWORD>(
        RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number));
}

DWORD write_record(HKEY key, const std::vector<recorded_module>& modules) {
    std::wstring list;
    for (const recorded_module& module : modules) {
        list += wide(module.release) + separator + module.path;
        list.push_back(L'\0');
    }
    list.push_back(L'\0');
    return static_cast<DWORD>(RegSetValueExW(key, record_value, 0, REG_MULTI_SZ,
                                             reinterpret_cast<const BYTE*>(list.data()),
                                             static_cast<DWORD>(list.size() * sizeof(wchar_t))));
}

std::vector<recorded_module> read_record(HKEY key) {
    DWORD bytes = 0;
    if (RegGetValueW(key, nullptr, record_value, RRF_RT_REG_MULTI_SZ, nullptr, nullptr, &bytes) != ERROR_SUCCESS) {
        return {};
    }
    std::wstring list(bytes / sizeof(wchar_t) + 2, L'\0');
    DWORD room = static_cast<DWORD>(list.size() * sizeof(wchar_t));
    if (RegGetValueW(key, nullptr, record_value, RRF_RT_REG_MULTI_SZ, nullptr, list.data(), &room) != ERROR_SUCCESS) {
        return {};
    }
    std::vector<recorded_module> modules;
    for (std::size_t at = 0; at < list.size() && list[at] != L'\0';) {
        const std::size_t end = list.find(L'\0', at);
        const std::wstring_view entry(list.data() + at, end - at);
        const std::size_t cut = entry.find(separator);
        if (cut != std::wstring_view::npos && cut + 1 < entry.size()) {
            modules.push_back({norvik::text::utf16_to_utf8(entry.substr(0, cut)), std::wstring(entry.substr(cut + 1))});
        }
        at = end + 1;
    }
    return modules;
}

unique_key open_entry(REGSAM access) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, installed_apps_entry::key_path, 0, access | view, &key) != ERROR_SUCCESS) {
        return nullptr;
    }
    return unique_key(key);
}

std::wstring today() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    wchar_t text[16];
    std::swprintf(text, 16, L"%04u%02u%02u", t.wYear, t.wMonth, t.wDay);
    return text;
}

std::wstring folder_of(const std::wstring& file) {
    const std::size_t cut = file.find_last_of(L'\\');
    return cut == std::wstring::npos ? file : file.substr(0, cut);
}

// What the modules and the uninstaller take on the disk, in KB, as the list
// of installed apps shows it.
DWORD size_in_kb(const std::vector<recorded_module>& modules, const std::wstring& uninstaller) {
    unsigned long long bytes = 0;
    const auto add = [&](const std::wstring& file) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data)) {
            bytes += (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        }
    };
    for (const recorded_module& module : modules) {
        add(module.path);
    }
    add(uninstaller);
    return static_cast<DWORD>((bytes + 1023) / 1024);
}

DWORD write_values(HKEY key, const std::vector<recorded_module>& modules, const std::wstring& uninstaller) {
    const std::wstring quoted = L"\"" + uninstaller + L"\"";
    const std::wstring version =
        std::to_wstring(version_major) + L"." + std::to_wstring(version_minor) + L"." + std::to_wstring(version_patch);
    const struct {
        const wchar_t* name;
        std::wstring text;
    } strings[] = {
        {L"DisplayName", wide(product_full_name)},
        {L"DisplayVersion", version},
        {L"Publisher", wide(vendor_name)},
        {L"DisplayIcon", uninstaller + L",0"},
        {L"InstallLocation", folder_of(uninstaller)},
        {L"InstallDate", today()},
        {L"UninstallString", quoted + L" /uninstall"},
        {L"QuietUninstallString", quoted + L" /uninstall /quiet"},
    };
    for (const auto& value : strings) {
        if (const DWORD error = set_string(key, value.name, value.text)) {
            return error;
        }
    }
    for (const wchar_t* flag : {L"NoModify", L"NoRepair"}) {
        if (const DWORD error = set_number(key, flag, 1)) {
            return error;
        }
    }
    if (const DWORD error = set_number(key, L"EstimatedSize", size_in_kb(modules, uninstaller))) {
        return error;
    }
    return write_record(key, modules);
}

} // namespace

std::vector<recorded_module> installed_apps_entry::modules() {
    const unique_key key = open_entry(KEY_READ);
    return key ? read_record(key.get()) : std::vector<recorded_module>{};
}

DWORD installed_apps_entry::record(const std::vector<recorded_module>& installed, const std::wstring& uninstaller) {
    HKEY created = nullptr;
    const LSTATUS opened = RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_path, 0, nullptr, 0, KEY_READ | KEY_WRITE | view,
                                           nullptr, &created, nullptr);
    if (opened != ERROR_SUCCESS) {
        return static_cast<DWORD>(opened);
    }
    const unique_key key(created);
    std::vector<recorded_module> modules = read_record(key.get());
    for (const recorded_module& module : installed) {
        bool known = false;
        for (recorded_module& earlier : modules) {
            if (CompareStringOrdinal(earlier.path.c_str(), -1, module.path.c_str(), -1, TRUE) == CSTR_EQUAL) {
                earlier.release = module.release;
                known = true;
            }
        }
        if (!known) {
            modules.push_back(module);
        }
    }
    return write_values(key.get(), modules, uninstaller);
}

DWORD installed_apps_entry::keep_only(const std::vector<recorded_module>& left) {
    const unique_key key = open_entry(KEY_READ | KEY_WRITE);
    if (!key) {
        return ERROR_FILE_NOT_FOUND;
    }
    return write_record(key.get(), left);
}

DWORD installed_apps_entry::remove() {
    const LSTATUS removed = RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key_path, view, 0);
    return removed == ERROR_FILE_NOT_FOUND ? 0 : static_cast<DWORD>(removed);
}

} // namespace installer
