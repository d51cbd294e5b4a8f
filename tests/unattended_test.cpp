// Installs that nobody watches, as a deployment tool runs them: the real
// program started with /quiet or /passive on real registry keys and folders
// of the test prefix, judged by its full exit code, the modules it leaves and
// its log. The command line reaches the program exactly as written here, as
// a deployment tool passes it.

#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>
#include <gtest/gtest.h>
#include <sddl.h>

#include "installer/command_line.h"
#include "installer/elevation.h"
#include "installer/install_lock.h"
#include "tests/child_process.h"
#include "tests/host_shell.h"
#include "tests/wizard_test_support.h"

namespace {

using installer::command_line;
using installer::test::host_key;
using installer::test::installed;
using norvik::test::exists;
using norvik::test::files_in;
using norvik::test::read_file;

const std::wstring log_file = L"C:\\unattended\\run.log";

// The program under test sits beside this one in the build tree.
std::wstring installer_exe() {
    std::filesystem::path self(installer::own_path());
    return (self.parent_path().parent_path() / L"installer" / L"QuendalInstaller.exe").wstring();
}

// Runs the program with `arguments`; its full exit code once it ended, or
// -1 when it did not end within a minute.
DWORD run_program(const std::wstring& exe, const std::wstring& arguments, const std::function<void()>& meanwhile = {}) {
    const norvik::test::child_process installer(exe, arguments);
    if (meanwhile) {
        meanwhile();
    }
    return installer.wait();
}

DWORD run(const std::wstring& arguments, const std::function<void()>& meanwhile = {}) {
    return run_program(installer_exe(), arguments, meanwhile);
}

std::string log_text() {
    const std::vector<char> bytes = read_file(log_file);
    return {bytes.begin(), bytes.end()};
}

// The visible top-level window titled `title`, once there (15 s at most).
HWND visible_window(const wchar_t* title) {
    for (int i = 0; i < 300; ++i) {
        if (HWND found = FindWindowW(nullptr, title); found != nullptr && IsWindowVisible(found)) {
            return found;
        }
        Sleep(50);
    }
    return nullptr;
}

TEST(CommandLine, ReadsSwitchesAndRefusesWhatItDoesNotUnderstand) {
    const command_line all(L"/QUIET /Releases=\"CC2015 , cc\" /dir=\"C:\\Plug Ins\\\" /log=C:\\l.txt");
    EXPECT_TRUE(all.quiet && !all.passive && !all.marked() && all.error().empty());
    EXPECT_EQ(all.releases, (std::vector<std::string>{"CC", "CC2015"}));
    EXPECT_EQ(command_line(L"/quiet /releases=2025,cc2017,CC").releases,
              (std::vector<std::string>{"CC", "CC2017", "2025"}));
    EXPECT_EQ(all.dir, L"C:\\Plug Ins\\") << "a quoted folder keeps its last backslash";
    EXPECT_EQ(all.log_path, L"C:\\l.txt");
    EXPECT_EQ(all.elevated_parameters(), L"/UAC " + all.text());

    // Without the switches, the command line means what it always did.
    const command_line plain(L"-x x/UACy -y");
    EXPECT_TRUE(plain.marked() && !plain.has_switches() && plain.error().empty());
    EXPECT_EQ(plain.elevated_parameters(), L"/UAC");
    EXPECT_FALSE(command_line(L"/uac").marked());

    for (const wchar_t* bad : {L"/quiet /dir=plugins", L"/quiet /dir=", L"/quiet /dir=C:plugins",
                               L"/quiet /releases=Custom", L"/quiet /releases=CC2016", L"/quiet /releases=CC,",
                               L"/quiet /repair", L"/quiet /passive", L"/log=C:\\l.txt x/UACy"}) {
        EXPECT_FALSE(command_line(bad).error().empty()) << std::filesystem::path(bad).string();
    }

    // Next to the switches only a word of its own marks the elevated copy;
    // values are never read for it.
    const command_line value(L"/dir=\"C:\\Tools/UAC x\"");
    EXPECT_FALSE(value.marked());
    EXPECT_EQ(value.dir, L"C:\\Tools/UAC x");
    EXPECT_TRUE(command_line(L"/UAC /dir=\"C:\\Tools/UAC x\"").marked());
}

class Unattended : public installer::test::host_fixture {
protected:
    Unattended() : host_fixture(L"C:\\unattended") {}

    void SetUp() override {
        host_fixture::SetUp();
        std::filesystem::create_directories(std::filesystem::path(custom));
        release(L"12", L"CC");
        release(L"13.5", L"CC2015");
    }

    // Wine's per-program settings a test gives the installer (a DLL left
    // out, planted DLLs preferred) go with the test, whatever became of it.
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, program_settings);
        host_fixture::TearDown();
    }

    void remove_modules() const {
        for (const std::wstring& folder : {cc, cc2015, custom}) {
            std::filesystem::remove_all(std::filesystem::path(folder + L"\\Falkmoor"));
        }
    }

    const std::wstring cc = scratch + L"\\CC";
    const std::wstring cc2015 = scratch + L"\\CC2015";
    const std::wstring custom = scratch + L"\\Plug Ins\\AE";
    const std::wstring logged = L" /log=" + log_file;
    static constexpr wchar_t program_settings[] = L"Software\\Wine\\AppDefaults\\QuendalInstaller.exe";
};

TEST_F(Unattended, QuietInstallsAndTellsEveryOutcomeByItsExitCode) {
    EXPECT_EQ(run(L"/quiet /dir=\"" + custom + L"\"" + logged), 0u);
    EXPECT_TRUE(installed(cc) && installed(cc2015) && installed(custom));
    for (const char* line :
         {"Quendal for After Effects Installer 1.0.6", "Running with administrator rights: yes",
          "Detected CC (registry key 12): C:\\unattended\\CC", "Target Custom: C:\\unattended\\Plug Ins\\AE",
          "CC2015: installed", "Shared data folder", "Exit code: 0"}) {
        EXPECT_NE(log_text().find(line), std::string::npos) << line;
    }

    remove_modules();
    EXPECT_EQ(run(L"/quiet /releases=cc2015"), 0u);
    EXPECT_TRUE(installed(cc2015));
    EXPECT_FALSE(std::filesystem::exists(cc + L"\\Falkmoor"));

    // A named release this machine does not have fails the run, after the
    // others are installed.
    EXPECT_EQ(run(L"/quiet /releases=CC,CS6" + logged), 1603u);
    EXPECT_TRUE(installed(cc));
    EXPECT_NE(log_text().find("Target CS6: failed, this release is not installed on this machine"), std::string::npos);

    // Values not understood: nothing is written.
    remove_modules();
    for (const wchar_t* bad : {L"/quiet /dir=plugins", L"/passive /releases=Custom", L"/quiet /releases=CC2016",
                               L"/quiet /repair", L"/quiet /passive"}) {
        EXPECT_EQ(run(bad), 87u) << std::filesystem::path(bad).string();
    }
    EXPECT_TRUE(files_in(cc).empty() && files_in(cc2015).empty() && files_in(custom).empty());

    // Another run installing right now.
    {
        const installer::install_lock busy = installer::install_lock::try_take();
        ASSERT_TRUE(busy.held());
        EXPECT_EQ(run(L"/quiet"), 1618u);
        // The same through the elevated relaunch: the copy's own code comes back.
        const installer::relaunch_result copy =
            installer::relaunch_elevated_and_wait(installer_exe(), L"/UAC /quiet" + logged);
        EXPECT_TRUE(copy.started);
        EXPECT_EQ(copy.exit_code(), 1618);
    }

    // A module held open by a running host: the run fails after the engine's
    // retries, the previous module stays whole, later targets are not tried.
    std::wstring module;
    {
        const installer::test::held_module held(cc);
        module = held.path;
        EXPECT_EQ(run(L"/quiet" + logged), 1603u);
    }
    EXPECT_EQ(read_file(module),
              (std::vector<char>{'p', 'r', 'e', 'v', 'i', 'o', 'u', 's', ' ', 'm', 'o', 'd', 'u', 'l', 'e'}));
    EXPECT_EQ(files_in(cc + L"\\Falkmoor"), std::vector<std::wstring>{L"Quendal.aex"});
    EXPECT_NE(log_text().find("CC: failed with status 40"), std::string::npos);
    EXPECT_NE(log_text().find("CC2015: not attempted after the failure above"), std::string::npos);

    // Nothing detected and nothing named.
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, host_key);
    EXPECT_EQ(run(L"/quiet"), 1603u);
}

// On a machine of today: every release registered, of every era, gets the
// module; the newer names work in /releases= as the older ones do.
TEST_F(Unattended, ReleasesOfEveryEra) {
    const std::vector<installer::test::expected_release> releases = releases_of_every_era();
    EXPECT_EQ(run(L"/quiet" + logged), 0u);
    for (const auto& release : releases) {
        EXPECT_TRUE(installed(release.folder)) << release.name;
    }
    for (const char* line : {"Detected 2022 (registry key 22.0): C:\\unattended\\2022",
                             "Detected 2024 (registry key 24.0): C:\\unattended\\AE 2024\\Support Files\\Plug-ins",
                             "CC2017: installed", "2027: installed", "Exit code: 0"}) {
        EXPECT_NE(log_text().find(line), std::string::npos) << line;
    }
    EXPECT_EQ(log_text().find("look-alike"), std::string::npos);

    for (const auto& release : releases) {
        std::filesystem::remove_all(std::filesystem::path(release.folder + L"\\Falkmoor"));
    }
    EXPECT_EQ(run(L"/quiet /releases=2027,cc2017"), 0u);
    EXPECT_TRUE(installed(releases[1].folder) && installed(releases[4].folder));
    EXPECT_FALSE(installed(releases[2].folder));
    // A named release this machine does not have, after those it has.
    EXPECT_EQ(run(L"/quiet /releases=2022,2025" + logged), 1603u);
    EXPECT_TRUE(installed(releases[2].folder));
    EXPECT_NE(log_text().find("Target 2025: failed, this release is not installed on this machine"), std::string::npos);
}

// The machine-wide lock made first by another account: squatted (another
// owner) or closed to this run, it counts as a run installing, never as no
// lock at all.
TEST_F(Unattended, LockMadeByAnotherAccountCountsAsBusy) {
    for (const wchar_t* security : {L"O:BUD:(A;;GA;;;WD)", L"O:BAD:P"}) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(
            ConvertStringSecurityDescriptorToSecurityDescriptorW(security, SDDL_REVISION_1, &descriptor, nullptr));
        SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
        HANDLE squatted = CreateMutexW(&attributes, FALSE, L"Global\\Falkmoor.Quendal.Installer");
        LocalFree(descriptor);
        ASSERT_NE(squatted, nullptr);
        EXPECT_EQ(run(L"/quiet" + logged), 1618u);
        CloseHandle(squatted);
    }
    EXPECT_FALSE(installed(cc) || installed(cc2015));
    EXPECT_NE(log_text().find("belongs to S-1-5-32-545, not to Administrators or SYSTEM: squatted"), std::string::npos);
    EXPECT_NE(log_text().find("the install lock was made by another account and refuses this run"), std::string::npos);
}

// Cancel in a passive run, confirmed once the held first module has failed
// (the question open meanwhile): that failure, the cancel and 1602 are
// logged, and nothing more is written.
TEST_F(Unattended, PassiveCancelledAfterAFailureLogsEverything) {
    const installer::test::held_module held(cc);
    const DWORD code = run(L"/passive" + logged, [&] {
        HWND window = visible_window(L"Quendal for After Effects Installer");
        ASSERT_NE(window, nullptr);
        PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
        HWND question = visible_window(L"Exit Installer");
        ASSERT_NE(question, nullptr);
        // The job stages the new module beside the held one and removes it
        // once its retries are used up.
        bool staged = false;
        for (int i = 0; i < 2000; ++i) {
            const std::size_t files = files_in(cc + L"\\Falkmoor").size();
            if (staged && files == 1) {
                break;
            }
            staged = staged || files > 1;
            Sleep(10);
        }
        PostMessageW(question, WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_EQ(code, 1602u);
    EXPECT_FALSE(installed(cc2015));
    for (const char* line : {"CC: failed with status 40", "Cancelled by the user on the progress page",
                             "CC2015: not attempted", "Exit code: 1602"}) {
        EXPECT_NE(log_text().find(line), std::string::npos) << line;
    }
}

// Keys as the wizard's window gets them from the keyboard.
void press_key(HWND window, WPARAM key) {
    PostMessageW(window, WM_KEYDOWN, key, 0);
    PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}

// Waits until the log holds `line` (20 s at most).
bool log_holds(const std::string& line) {
    for (int i = 0; i < 400; ++i) {
        if (log_text().find(line) != std::string::npos) {
            return true;
        }
        Sleep(50);
    }
    return false;
}

// The wizard started with deployment switches (a deployment tool with a user
// at the screen) ends with the code of its outcome and logs the whole story:
// installed (0), cancelled before the install (1602), a failure whose retry
// was declined (1603).
TEST_F(Unattended, WizardWithSwitchesTellsItsOutcome) {
    const std::wstring wizard_run = L"/UAC /releases=CC" + logged;
    const wchar_t* const title = L"Quendal for After Effects Installer";
    EXPECT_EQ(run(wizard_run,
                  [&] {
                      HWND window = visible_window(title);
                      for (int page = 0; page < 3; ++page) {
                          press_key(window, VK_RETURN);
                      }
                      ASSERT_TRUE(log_holds("CC: installed"));
                      press_key(window, VK_ESCAPE);
                  }),
              0u);
    EXPECT_TRUE(installed(cc));
    EXPECT_FALSE(installed(cc2015));
    EXPECT_EQ(run(wizard_run,
                  [&] {
                      press_key(visible_window(title), VK_ESCAPE);
                      press_key(visible_window(L"Exit Installer"), VK_RETURN);
                  }),
              1602u);
    const installer::test::held_module held(cc);
    EXPECT_EQ(run(wizard_run,
                  [&] {
                      HWND window = visible_window(title);
                      for (int page = 0; page < 3; ++page) {
                          press_key(window, VK_RETURN);
                      }
                      PostMessageW(visible_window(L"Failed to install"), WM_CLOSE, 0, 0);
                      ASSERT_TRUE(log_holds("Asked whether to retry CC: No"));
                      press_key(window, VK_ESCAPE);
                  }),
              1603u);
    for (const char* line : {"Exit code: 0", "Cancelled by the user on the welcome page", "Exit code: 1602",
                             "CC: failed with status 40", "Exit code: 1603"}) {
        EXPECT_NE(log_text().find(line), std::string::npos) << line;
    }
}

// The raw data of the entry's value `name` as UTF-16 units, or empty.
std::wstring entry_value(const wchar_t* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Falkmoor.Quendal",
                      0, KEY_READ, &key) != ERROR_SUCCESS) {
        return {};
    }
    wchar_t data[1024] = {};
    DWORD bytes = sizeof data;
    const LSTATUS read = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &bytes);
    RegCloseKey(key);
    return read == ERROR_SUCCESS ? std::wstring(data, bytes / sizeof(wchar_t)) : std::wstring();
}

// The whole life of the plug-in: two installs recorded in the list of
// installed apps, the uninstall through the recorded uninstaller as that
// list runs it, and a second uninstall that finds nothing.
TEST_F(Unattended, InstalledAppsEntryAndUninstall) {
    const std::wstring uninstaller = L"C:\\Program Files\\Falkmoor\\Quendal\\QuendalInstaller.exe";
    EXPECT_EQ(run(L"/quiet /releases=CC"), 0u);
    EXPECT_EQ(run(L"/quiet /releases=CC2015 /dir=\"" + custom + L"\""), 0u);
    EXPECT_EQ(entry_value(L"DisplayName"), std::wstring(L"Quendal for After Effects") + L'\0');
    EXPECT_EQ(entry_value(L"DisplayVersion"), std::wstring(L"1.0.6") + L'\0');
    EXPECT_EQ(entry_value(L"Publisher"), std::wstring(L"Falkmoor") + L'\0');
    EXPECT_EQ(entry_value(L"UninstallString"), L"\"" + uninstaller + L"\" /uninstall" + L'\0');
    EXPECT_EQ(entry_value(L"QuietUninstallString"), L"\"" + uninstaller + L"\" /uninstall /quiet" + L'\0');
    EXPECT_EQ(entry_value(L"QuendalModules"), L"CC|" + installer::test::module_in(cc) + L'\0' + L"CC2015|" +
                                                  installer::test::module_in(cc2015) + L'\0' + L"Custom|" +
                                                  installer::test::module_in(custom) + L'\0' + L'\0');
    EXPECT_EQ(entry_value(L"NoModify").substr(0, 1), std::wstring(1, L'\1'));
    EXPECT_EQ(read_file(uninstaller), read_file(installer_exe())) << "the uninstaller is this program";

    EXPECT_EQ(run_program(uninstaller, L"/uninstall /quiet" + logged), 0u);
    // The uninstaller goes once the run that used it has ended.
    for (int i = 0; i < 200 && norvik::test::exists(uninstaller); ++i) {
        Sleep(50);
    }
    EXPECT_FALSE(norvik::test::exists(L"C:\\Program Files\\Falkmoor"));
    for (const std::wstring& folder : {cc, cc2015, custom}) {
        EXPECT_FALSE(norvik::test::exists(folder + L"\\Falkmoor")) << std::filesystem::path(folder).string();
    }
    EXPECT_EQ(entry_value(L"DisplayName"), L"");
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    for (const std::wstring& name : files_in(temp)) {
        EXPECT_FALSE(norvik::test::exists(std::wstring(temp) + name + L"\\QuendalInstaller.exe")) << "a copy left";
    }
    EXPECT_NE(log_text().find("Shared data folder left in place"), std::string::npos);
    EXPECT_EQ(run(L"/uninstall /quiet"), 1605u);
}

// The elevated copy's exit code passes through, unless it is no code of the
// installer's: a crash's NTSTATUS, or "still running", becomes 1603.
TEST(Relaunch, CodesThatCannotVouchForTheInstallAreFailures) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring cmd = std::wstring(system) + L"\\cmd.exe";
    const struct {
        const wchar_t* arguments;
        std::uint32_t raw;
        std::int32_t passed_on;
    } rows[] = {
        {L"/c exit 1618", 1618, 1618}, {L"/c exit -1073741819", 0xC0000005u, 1603}, {L"/c exit 259", 259, 1603}};
    for (const auto& row : rows) {
        const installer::relaunch_result copy = installer::relaunch_elevated_and_wait(cmd, row.arguments);
        EXPECT_TRUE(copy.started && copy.ended);
        EXPECT_EQ(copy.raw_exit_code, row.raw);
        EXPECT_EQ(copy.exit_code(), row.passed_on);
    }
}

// The text of the message box the program shows, found by its caption; the
// box is then answered with OK. Empty when none came within 15 s.
std::wstring answer_message_box() {
    for (int i = 0; i < 300; ++i) {
        // Visible once the box has made its controls.
        HWND box = FindWindowW(L"#32770", L"Quendal for After Effects Installer");
        if (box != nullptr && IsWindowVisible(box)) {
            std::wstring text;
            EnumChildWindows(
                box,
                [](HWND child, LPARAM found) {
                    wchar_t buffer[512] = {};
                    SendMessageW(child, WM_GETTEXT, std::size(buffer), reinterpret_cast<LPARAM>(buffer));
                    wchar_t kind[16] = {};
                    GetClassNameW(child, kind, static_cast<int>(std::size(kind)));
                    if (lstrcmpiW(kind, L"Static") == 0 && buffer[0] != L'\0') {
                        *reinterpret_cast<std::wstring*>(found) = buffer;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&text));
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            return text;
        }
        Sleep(50);
    }
    return {};
}

// A machine without Direct2D (Wine's per-program setting leaves d2d1.dll
// out of the installer): a quiet install needs no graphics at all, and the
// wizard says what is missing instead of vanishing.
TEST_F(Unattended, WithoutDirect2DQuietStillInstallsAndTheWizardSaysWhatIsMissing) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, (std::wstring(program_settings) + L"\\DllOverrides").c_str(), L"d2d1",
                              REG_SZ, L"", sizeof(wchar_t)),
              ERROR_SUCCESS);
    EXPECT_EQ(run(L"/quiet"), 0u);
    EXPECT_TRUE(installed(cc) && installed(cc2015));
    std::wstring message;
    const DWORD code = run(L"/UAC", [&] { message = answer_message_box(); });
    EXPECT_EQ(code, 1u);
    EXPECT_EQ(message, L"The installer could not start:\nunable to load d2d1.dll (Windows error 126)");
}

TEST_F(Unattended, PassiveShowsTheInstallAndClosesItself) {
    bool shown = false;
    const DWORD code = run(L"/passive", [&] {
        for (int i = 0; i < 300 && !shown; ++i) {
            HWND window = FindWindowW(nullptr, L"Quendal for After Effects Installer");
            shown = window != nullptr && IsWindowVisible(window);
            Sleep(50);
        }
    });
    EXPECT_TRUE(shown);
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(installed(cc) && installed(cc2015));
}

// /log= and /dir= naming folders that do not exist yet: both are made. A log
// that has another name (a hard link) or belongs to someone else is refused
// and left as it is; the install goes on, and the refusal goes to standard
// error, which a deployment script may redirect.
TEST_F(Unattended, MissingFoldersAreMadeARefusedLogLeavesATrace) {
    const std::wstring new_log = scratch + L"\\Logs\\Quendal\\run.log";
    const std::wstring new_dir = scratch + L"\\New\\Plug-ins";
    EXPECT_EQ(run(L"/quiet /dir=\"" + new_dir + L"\" /log=\"" + new_log + L"\""), 0u);
    EXPECT_TRUE(installed(new_dir));
    const std::vector<char> logged = read_file(new_log);
    EXPECT_NE(std::string(logged.begin(), logged.end()).find("Custom: installed"), std::string::npos);

    const std::vector<char> theirs = {'t', 'h', 'e', 'i', 'r', 's'};
    const std::wstring linked = scratch + L"\\linked.log";
    const std::wstring foreign = scratch + L"\\foreign.log";
    for (const std::wstring& file : {linked, foreign}) {
        std::ofstream(std::filesystem::path(file), std::ios::binary).write(theirs.data(), std::ssize(theirs));
    }
    ASSERT_TRUE(CreateHardLinkW((scratch + L"\\second-name.log").c_str(), linked.c_str(), nullptr));
    const bool handed_over = norvik::test::give_to_another_user(foreign);
    struct row {
        std::wstring log;
        const char* refusal;
        bool prepared;
    };
    const row rows[] = {
        {linked, "The log C:\\unattended\\linked.log was refused: it has other names (hard links)", true},
        {foreign,
         "The log C:\\unattended\\foreign.log was refused: it belongs to neither Administrators, SYSTEM nor the user "
         "running the installer",
         handed_over},
    };
    const std::wstring error_output = scratch + L"\\stderr.txt";
    for (const row& r : rows) {
        if (!r.prepared) {
            std::cout << "not checked: a log of another user (only root may hand a file over on the host)\n";
            continue;
        }
        remove_modules();
        {
            const norvik::test::child_process installer(installer_exe(), L"/quiet /log=" + r.log,
                                                        norvik::test::output_file{error_output});
            EXPECT_EQ(installer.wait(), 0u) << r.refusal;
        }
        EXPECT_TRUE(installed(cc) && installed(cc2015)) << r.refusal;
        EXPECT_EQ(read_file(r.log), theirs) << r.refusal;
        const std::vector<char> said = read_file(error_output);
        EXPECT_NE(std::string(said.begin(), said.end()).find(r.refusal), std::string::npos) << r.refusal;
    }
}

// A copy of the program started from a folder others can write (downloads,
// a share), with DLLs planted beside it under the names of DLLs it loads:
// imm32 by its own delayed import, version by DLLs of the system it uses.
// Wine loads its own copy of a DLL it provides unless told to prefer
// another (a per-program setting, as a planted DLL would need on Windows no
// setting at all), so the setting asks for the planted ones first.
TEST_F(Unattended, DllsPlantedBesideTheProgramAreNotLoaded) {
    const std::wstring downloads = scratch + L"\\Downloads";
    std::filesystem::create_directories(std::filesystem::path(downloads));
    const std::wstring copy = downloads + L"\\QuendalInstaller.exe";
    ASSERT_TRUE(CopyFileW(installer_exe().c_str(), copy.c_str(), FALSE));
    const std::wstring planted =
        (std::filesystem::path(norvik::test::this_program()).parent_path() / L"planted.dll").wstring();
    const std::wstring overrides = std::wstring(program_settings) + L"\\DllOverrides";
    for (const wchar_t* name : {L"imm32", L"version"}) {
        ASSERT_TRUE(CopyFileW(planted.c_str(), (downloads + L"\\" + name + L".dll").c_str(), FALSE));
        const std::wstring native_first = L"native,builtin";
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, overrides.c_str(), name, REG_SZ, native_first.c_str(),
                                  static_cast<DWORD>((native_first.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
    DWORD code = 0;
    {
        const norvik::test::child_process installer(copy, L"/passive");
        code = installer.wait();
    }
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(installed(cc) && installed(cc2015));
    for (const wchar_t* name : {L"imm32", L"version"}) {
        EXPECT_FALSE(exists(downloads + L"\\" + name + L".dll.loaded")) << std::filesystem::path(name).string();
    }
}

} // namespace
