#include "tests/host_fixture.h"

#include <filesystem>
#include <system_error>

namespace installer::test {

namespace {

void write_value(const std::wstring& key, const wchar_t* name, DWORD type, const void* data, DWORD bytes, REGSAM view) {
    const std::wstring path = std::wstring(host_key) + L"\\" + key;
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    const LONG written =
        data != nullptr ? RegSetValueExW(k, name, 0, type, static_cast<const BYTE*>(data), bytes) : ERROR_SUCCESS;
    RegCloseKey(k);
    ASSERT_EQ(written, ERROR_SUCCESS);
}

} // namespace

void write_release(const std::wstring& key, DWORD type, const void* data, DWORD bytes, REGSAM view) {
    write_value(key, L"PluginInstallPath", type, data, bytes, view);
}

void write_release_value(const std::wstring& key, const wchar_t* name, const std::wstring& text, DWORD type) {
    write_value(key, name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)), 0);
}

void register_release(const std::wstring& key, const std::wstring& folder, DWORD type, REGSAM view) {
    write_release(key, type, folder.c_str(), static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)), view);
}

void host_fixture::SetUp() {
    clean();
    if (!scratch.empty()) {
        std::filesystem::create_directories(std::filesystem::path(scratch));
    }
}

void host_fixture::TearDown() {
    clean();
}

std::wstring host_fixture::release(const std::wstring& key, const std::wstring& name) const {
    const std::wstring folder = scratch + L"\\" + name;
    std::filesystem::create_directories(std::filesystem::path(folder));
    register_release(key, folder);
    return folder;
}

std::vector<expected_release> host_fixture::releases_of_every_era() const {
    const std::wstring cc2017 = release(L"14.0", L"CC2017");
    const std::wstring ae2022 = scratch + L"\\2022";
    std::filesystem::create_directories(std::filesystem::path(ae2022));
    register_release(L"22.0", L"%SystemDrive%" + ae2022.substr(2), REG_EXPAND_SZ);
    const std::wstring support = scratch + L"\\AE 2024\\Support Files\\";
    std::filesystem::create_directories(std::filesystem::path(support + L"Plug-ins"));
    write_release_value(L"24.0", L"InstallPath", support);
    std::filesystem::create_directories(std::filesystem::path(scratch + L"\\AE 2023\\Support Files"));
    write_release_value(L"23.0", L"InstallPath", scratch + L"\\AE 2023\\Support Files\\");
    const std::wstring ae2027 = release(L"27.0", L"2027");
    for (const wchar_t* look_alike : {L"24.6", L"023.0", L"2024", L"14", L"19.0", L"12.0"}) {
        release(look_alike, L"look-alike");
    }
    return {{"CC2015", release(L"13.5", L"CC2015")},
            {"CC2017", cc2017},
            {"2022", ae2022},
            {"2024", support + L"Plug-ins"},
            {"2027", ae2027}};
}

void host_fixture::clean() const {
    // Every install records itself in the list of installed apps and puts
    // the uninstaller into Program Files.
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Falkmoor.Quendal");
    std::error_code kept;
    std::filesystem::remove_all(std::filesystem::path(L"C:\\Program Files\\Falkmoor"), kept);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, host_key);
    // A 64-bit program's writes to the 32-bit view land here.
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\Adobe\\After Effects");
    if (!scratch.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(scratch), ignored);
    }
}

} // namespace installer::test
