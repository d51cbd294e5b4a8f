#pragma once

// Tests on the releases the host registers, with real keys in the test
// prefix's registry (HKLM\SOFTWARE\Adobe\After Effects\<release>, value
// "PluginInstallPath") and real plug-in folders in a scratch folder of the
// test's own.

#include <string>
#include <utility>
#include <vector>

#include <windows.h>
#include <gtest/gtest.h>

namespace installer::test {

inline constexpr wchar_t host_key[] = L"SOFTWARE\\Adobe\\After Effects";

// Writes the release subkey `key` in the registry view `view` (0: the
// program's own) with `bytes` of `data` as its PluginInstallPath of type
// `type`, or without the value when `data` is null. A write that fails
// fails the test.
void write_release(const std::wstring& key, DWORD type, const void* data, DWORD bytes, REGSAM view = 0);

// Records `folder` as the plug-in folder of the release subkey `key`.
void register_release(const std::wstring& key, const std::wstring& folder, DWORD type = REG_SZ, REGSAM view = 0);

// Writes the string value `name` of the release subkey `key`.
void write_release_value(const std::wstring& key, const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ);

// A release as the installer should list it: its name and plug-in folder.
struct expected_release {
    std::string name;
    std::wstring folder;
};

// Every test starts with no release registered in either registry view and,
// when it names a scratch folder, with that folder made afresh; both are
// cleared again when it ends.
class host_fixture : public ::testing::Test {
protected:
    explicit host_fixture(std::wstring scratch_folder = {}) : scratch(std::move(scratch_folder)) {}

    void SetUp() override;
    void TearDown() override;

    // A plug-in folder `name` that exists in the scratch folder, registered
    // for the release subkey `key`.
    std::wstring release(const std::wstring& key, const std::wstring& name) const;

    // Releases of every era as they register themselves, in the scratch
    // folder (which must be on C:): "13.5" (CC2015), "14.0" (CC2017), "22.0"
    // with a REG_EXPAND_SZ folder, "24.0" known only by its InstallPath, a
    // future "27.0", and keys that must match nothing ("23.0" whose
    // InstallPath has no Plug-ins folder, "24.6", "023.0", "2024", "14",
    // "19.0", "12.0"). Returns the releases to expect, in the installer's
    // order.
    std::vector<expected_release> releases_of_every_era() const;

    const std::wstring scratch;

private:
    void clean() const;
};

} // namespace installer::test
