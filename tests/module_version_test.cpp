// Upgrades: a module's version read from its own version resource, malformed
// modules included; a newer module kept by the wizard and by a quiet run, and
// replaced with /force; a module held by a running host named in the retry
// question and the log. This program carries a module of version 1.0.6 as its
// resource 400, as the installer carries the real module, and a newer one
// (1.2.0) as resource 401.

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "installer/install_log.h"
#include "installer/installer_entry.h"
#include "installer/module_version.h"
#include "tests/held_elsewhere.h"
#include "tests/wizard_test_support.h"

namespace {

using installer::module_version;
using installer::test::installed;
using installer::test::module_in;
using norvik::test::read_file;

std::vector<char> resource(WORD id) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), RT_RCDATA);
    const char* data = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    return {data, data + SizeofResource(nullptr, found)};
}

void write_file(const std::wstring& file, const std::vector<char>& bytes) {
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    std::ofstream(std::filesystem::path(file), std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

// The version of `bytes` placed so that they end where readable memory ends:
// a read past their end faults instead of passing unnoticed.
std::optional<module_version> version_at_the_edge(const std::vector<char>& bytes) {
    const std::size_t page = 4096;
    const std::size_t room = (bytes.size() + page - 1) / page * page;
    char* base = static_cast<char*>(VirtualAlloc(nullptr, room + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old = 0;
    VirtualProtect(base + room, page, PAGE_NOACCESS, &old);
    char* start = base + room - bytes.size();
    std::copy(bytes.begin(), bytes.end(), start);
    const std::optional<module_version> version = module_version::of_image(start, bytes.size());
    VirtualFree(base, 0, MEM_RELEASE);
    return version;
}

TEST(ModuleVersion, ReadFromTheVersionResourceAndNeverFromMalformedModules) {
    EXPECT_EQ(module_version::of_resource(400), module_version(1, 0, 6, 0));
    const std::vector<char> newer = resource(401);
    EXPECT_EQ(version_at_the_edge(newer), module_version(1, 2, 0, 0));
    EXPECT_EQ(module_version(1, 2, 0, 0).text(), "1.2.0");
    EXPECT_EQ(module_version(1, 2, 0, 7).text(), "1.2.0.7");
    EXPECT_LT(module_version(1, 9, 0, 0), module_version(1, 10, 0, 0));
    EXPECT_EQ(module_version::unpacked(module_version(1, 2, 3, 4).packed()), module_version(1, 2, 3, 4));

    // Cut short anywhere, a module has no version, and nothing past its end
    // is read; so with a directory that loops back on itself, and with
    // offsets and sizes that point outside the file.
    for (std::size_t size = 0; size < newer.size(); ++size) {
        ASSERT_EQ(version_at_the_edge({newer.begin(), newer.begin() + std::ptrdiff_t(size)}), std::nullopt) << size;
    }
    EXPECT_EQ(version_at_the_edge(resource(402)), std::nullopt);
    EXPECT_EQ(version_at_the_edge(resource(403)), std::nullopt);

    // From a file, the same.
    const std::wstring file = L"C:\\module-version\\Quendal.aex";
    write_file(file, newer);
    EXPECT_EQ(module_version::of_file(file), module_version(1, 2, 0, 0));
    write_file(file, {newer.begin(), newer.end() - 200});
    EXPECT_EQ(module_version::of_file(file), std::nullopt);
    EXPECT_EQ(module_version::of_file(L"C:\\module-version\\absent.aex"), std::nullopt);
    std::filesystem::remove_all("C:\\module-version");
}

class Upgrade : public installer::test::host_fixture {
protected:
    Upgrade() : host_fixture(L"C:\\upgrade-test") {}

    std::string log_text() const {
        const std::vector<char> bytes = read_file(log_file);
        return {bytes.begin(), bytes.end()};
    }

    const std::wstring log_file = scratch + L"\\run.log";
    const std::vector<char> newer = resource(401);
};

// CC has a newer module, which the summary, the progress page and the log
// say is kept; 2025's is held by its running host, which the retry question
// and the log name. Yes once the host has closed installs it.
TEST_F(Upgrade, WizardKeepsANewerModuleAndNamesTheHostHoldingAnother) {
    const std::wstring cc = release(L"12", L"CC");
    write_file(module_in(cc), newer);
    const std::wstring support = scratch + L"\\AE 2025\\Support Files";
    std::filesystem::create_directories(std::filesystem::path(support + L"\\Plug-ins"));
    installer::test::write_release_value(L"25.0", L"InstallPath", support + L"\\");
    const std::wstring ae2025 = support + L"\\Plug-ins";
    // The host's program, running from its release's folder.
    norvik::test::held_elsewhere host(installer::test::previous_module(ae2025), support + L"\\AfterFX.exe");
    EXPECT_TRUE(host.holding);

    installer::install_log log(log_file);
    installer::wizard_options options;
    options.log = &log;
    installer::InstallerUI wizard(options);
    installer::test::show(wizard);
    installer::test::press(wizard, wizard.next, 2);
    EXPECT_NE(wizard.summary_page.text.text.find("\n\nCC: a newer Quendal (1.2.0) is installed and is kept\n"),
              std::string::npos)
        << wizard.summary_page.text.text;
    installer::test::popup_answer yes(L"Failed to install", true, [&] { EXPECT_EQ(host.release(), 0u); });
    installer::test::press(wizard, wizard.next);
    ASSERT_TRUE(norvik::test::pump_until([&] { return wizard.finished; }, 60000));
    EXPECT_EQ(yes.message, "The installation of Quendal for After Effects 2025 failed!\nError code: 40 Please "
                           "contact support.\n\nAfter Effects 2025 (AfterFX.exe) is running. Close it, then choose "
                           "Yes.\n\nDo you want to retry?");
    EXPECT_EQ(wizard.progress_page.header.text, "Quendal for After Effects was successfully installed.");
    EXPECT_NE(
        wizard.progress_page.text.text.find("Quendal for After Effects CC kept: a newer Quendal (1.2.0) is installed."),
        std::string::npos)
        << wizard.progress_page.text.text;
    EXPECT_EQ(read_file(module_in(cc)), newer);
    EXPECT_TRUE(installed(ae2025));
    wizard.finish_run();
    EXPECT_EQ(wizard.exit_code(), 0);
    for (const char* line : {"CC: kept, a newer module (1.2.0) is installed",
                             "2025: the module is in use, and After Effects 2025 (AfterFX.exe) is running"}) {
        EXPECT_NE(log_text().find(line), std::string::npos) << line;
    }
}

// A quiet run keeps the newer module and ends with 0; /force replaces it. A
// host running from a folder of no release is named by its file name.
TEST_F(Upgrade, QuietKeepsANewerModuleAndForceReplacesIt) {
    const std::wstring cc = release(L"12", L"CC");
    const std::wstring cc2015 = release(L"13.5", L"CC2015");
    write_file(module_in(cc), newer);
    const std::wstring logged = L" /log=" + log_file;
    EXPECT_EQ(installer::installer_entry((L"/quiet" + logged).c_str()), 0);
    EXPECT_EQ(read_file(module_in(cc)), newer);
    EXPECT_TRUE(installed(cc2015));
    EXPECT_NE(log_text().find("CC: kept, a newer module (1.2.0) is installed"), std::string::npos);

    EXPECT_EQ(installer::installer_entry((L"/quiet /force /releases=CC" + logged).c_str()), 0);
    EXPECT_TRUE(installed(cc));

    const std::wstring shared = scratch + L"\\Shared Plug-ins";
    norvik::test::held_elsewhere host(installer::test::previous_module(shared), scratch + L"\\Tools\\AfterFX.exe");
    EXPECT_TRUE(host.holding);
    EXPECT_EQ(installer::installer_entry((L"/quiet /releases=CC /dir=\"" + shared + L"\"" + logged).c_str()), 1603);
    for (const char* line : {"Custom: failed with status 40",
                             "Custom: the module is in use, and AfterFX.exe is running", "Exit code: 1603"}) {
        EXPECT_NE(log_text().find(line), std::string::npos) << line;
    }
    EXPECT_EQ(host.release(), 0u);
}

} // namespace
