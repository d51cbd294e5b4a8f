#include "tests/host_fixture.h"

#include <filesystem>
#include <system_error>

namespace installer::test {

void write_release(const std::wstring& key, DWORD type, const void* data, DWORD bytes, REGSAM view) {
    const std::wstring path = std::wstring(host_key) + L"\\" + key;
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    const LONG written = data != nullptr
                             ? RegSetValueExW(k, L"PluginInstallPath", 0, type, static_cast<const BYTE*>(data), bytes)
                             : ERROR_SUCCESS;
    RegCloseKey(k);
    ASSERT_EQ(written, ERROR_SUCCESS);
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

void host_fixture::clean() const {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, host_key);
    // A 64-bit program's writes to the 32-bit view land here.
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\Adobe\\After Effects");
    if (!scratch.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(scratch), ignored);
    }
}

} // namespace installer::test
