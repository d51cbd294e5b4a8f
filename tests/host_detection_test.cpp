// Detection of the installed releases from real keys in the test prefix's
// registry (HKLM\SOFTWARE\Adobe\After Effects).
#include "installer/host_releases.h"
#include "installer/release_catalogue.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/host_fixture.h"

namespace {

using installer::test::host_key;
using installer::test::register_release;
using installer::test::write_release;

class HostDetection : public installer::test::host_fixture {
protected:
    static void expect_only(const installer::release_paths& found,
                            std::initializer_list<std::pair<std::size_t, std::wstring>> expected) {
        installer::release_paths want;
        for (const auto& [index, path] : expected) {
            want[index] = path;
        }
        for (std::size_t i = 0; i < installer::release_count; ++i) {
            EXPECT_EQ(found[i], want[i]) << "entry " << i << " (" << installer::host_release_table[i].display_name
                                         << ")";
        }
    }
};

TEST_F(HostDetection, MatchingKeysFillTheirEntriesOnly) {
    register_release(L"12", L"C:\\P12");
    register_release(L"13.5", L"C:\\P135");
    expect_only(installer::detect_host_releases(), {{5, L"C:\\P12"}, {7, L"C:\\P135"}});
}

TEST_F(HostDetection, EveryKnownKeyMapsToItsRelease) {
    const wchar_t* keys[] = {L"10.0", L"10.5", L"11", L"12", L"13", L"13.5", L"13.8"};
    for (const wchar_t* key : keys) {
        register_release(key, std::wstring(L"D:\\AE ") + key + L"\\Plug-ins\\");
    }
    const auto found = installer::detect_host_releases();
    EXPECT_EQ(found[2], L"D:\\AE 10.0\\Plug-ins\\") << "the path is taken as stored";
    EXPECT_EQ(found[3], L"D:\\AE 10.5\\Plug-ins\\");
    EXPECT_EQ(found[4], L"D:\\AE 11\\Plug-ins\\");
    EXPECT_EQ(found[8], L"D:\\AE 13.8\\Plug-ins\\");
    EXPECT_TRUE(found[0].empty());
    EXPECT_TRUE(found[1].empty());
    EXPECT_TRUE(found[9].empty()) << "the custom entry is never detected";
}

TEST_F(HostDetection, NearMissKeyNamesMatchNothing) {
    for (const wchar_t* key : {L"12.0", L"CC", L"10", L"11.0", L"13.50", L"13.8 ", L"CS6"}) {
        register_release(key, L"C:\\wrong");
    }
    expect_only(installer::detect_host_releases(), {});
}

TEST_F(HostDetection, OnlyPlainStringValuesCount) {
    register_release(L"10.5", L"%ProgramFiles%\\AE", REG_EXPAND_SZ);
    const DWORD number = 7;
    write_release(L"11", REG_DWORD, &number, sizeof(number));
    write_release(L"13", REG_SZ, nullptr, 0); // key without the value
    register_release(L"12", L"C:\\Real");
    expect_only(installer::detect_host_releases(), {{5, L"C:\\Real"}});
}

TEST_F(HostDetection, EmptyAndOverlongValuesLeaveTheEntryEmpty) {
    register_release(L"12", L"");
    register_release(L"13", std::wstring(300, L'x'));
    const std::wstring longest(255, L'y');
    register_release(L"13.8", longest);
    expect_only(installer::detect_host_releases(), {{8, longest}});
}

TEST_F(HostDetection, MissingOrEmptyRegistryGivesTenEmptyEntries) {
    expect_only(installer::detect_host_releases(), {});
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, host_key, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    expect_only(installer::detect_host_releases(), {});
}

TEST_F(HostDetection, A64BitProgramReadsOnlyThe64BitView) {
    register_release(L"12", L"C:\\Redirected", REG_SZ, KEY_WOW64_32KEY);
    register_release(L"13", L"C:\\Native", REG_SZ, KEY_WOW64_64KEY);
    expect_only(installer::detect_host_releases(), {{6, L"C:\\Native"}});
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\Adobe");
}

// Releases from CC 2017 on, found beside the table, which stays as it was.
class CurrentReleases : public installer::test::host_fixture {
protected:
    CurrentReleases() : host_fixture(L"C:\\current-releases") {}
};

TEST_F(CurrentReleases, EveryEraInOrderBesideAnUnchangedTable) {
    const std::vector<installer::test::expected_release> expected = releases_of_every_era();
    const installer::release_paths table = installer::detect_host_releases();
    for (std::size_t i = 0; i < installer::release_count; ++i) {
        EXPECT_EQ(table[i], i == 7 ? expected.front().folder : L"") << "entry " << i;
    }
    const installer::release_catalogue found = installer::release_catalogue::detect();
    ASSERT_EQ(found.size(), installer::release_count + expected.size() - 1);
    std::vector<std::pair<std::string, std::wstring>> rows;
    for (std::size_t i = 0; i < found.custom(); ++i) {
        if (!found[i].folder.empty()) {
            rows.emplace_back(found[i].name, found[i].folder.wstring());
        }
    }
    std::vector<std::pair<std::string, std::wstring>> want;
    for (const auto& release : expected) {
        want.emplace_back(release.name, release.folder);
    }
    EXPECT_EQ(rows, want);
    EXPECT_EQ(found[installer::custom_release].key, L"14.0") << "the first after the table";
    EXPECT_EQ(found[found.custom()].name, "Custom");
}

TEST(ReleaseNames, FollowTheYearAndAreReadInAnyCase) {
    const std::pair<unsigned, const char*> names[] = {{14, "CC2017"}, {15, "CC2018"}, {16, "CC2019"}, {17, "2020"},
                                                      {18, "2021"},   {22, "2022"},   {26, "2026"},   {31, "2031"}};
    for (const auto& [major, name] : names) {
        EXPECT_EQ(installer::current_release_name(major), name);
        std::wstring typed(name, name + std::char_traits<char>::length(name));
        for (wchar_t& c : typed) {
            c = static_cast<wchar_t>(towlower(c));
        }
        EXPECT_EQ(installer::release_catalogue::release_name(typed), name);
    }
    EXPECT_EQ(installer::release_catalogue::release_name(L"cc2015.3"), "CC2015.3");
    for (const wchar_t* none : {L"2019", L"2016", L"CC2020", L"CC2022", L"Custom", L"2022 ", L"20022", L""}) {
        EXPECT_EQ(installer::release_catalogue::release_name(none), "") << std::wstring(none).size();
    }
}

} // namespace
