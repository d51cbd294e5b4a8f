// What the installer does when things go wrong, end to end: the wizard in
// this process, real registry keys, real files and real faults, each row
// checking what the user is shown and what is on the disk afterwards.
//
// Faults that need the host's root rights (an immutable folder, a read-only
// mount, a small file system as a drive) run only under
// fault_matrix_test.sh, which also undoes them should this program die.
// Host commands go through /bin/sh: Wine starts Unix programs through
// CreateProcess, without a handle to wait on, so each command reports its
// exit code in a file.
//
// The last test prints the matrix that the rows before it recorded.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <windows.h>
#include <gtest/gtest.h>
#include <shobjidl.h>

#include "installer/installer_ui.h"
#include "installer/shared_data_folder.h"
#include "installer/system.h"
#include "tests/child_process.h"
#include "tests/host_shell.h"
#include "tests/wizard_test_support.h"

namespace {

using installer::InstallerUI;
using installer::test::host_key;
using installer::test::module_bytes;
using installer::test::module_in;
using installer::test::popup_answer;
using installer::test::press;
using installer::test::register_release;
using installer::test::show;
using installer::test::window_watch;
using norvik::test::environment;
using norvik::test::files_in;
using norvik::test::loop_timer;
using norvik::test::pump_until;
using norvik::test::read_file;

constexpr wchar_t helper_ready[] = L"Local\\norvik-fault-matrix-held";
constexpr wchar_t helper_release[] = L"Local\\norvik-fault-matrix-release";
const std::string success = "Quendal for After Effects was successfully installed.";
const std::string partial = "Some components of Quendal for After Effects were not correctly installed.";

std::string narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

// --- the host side ---

// The Unix path Wine maps a Windows path to (it need not exist yet).
std::string unix_path(const std::wstring& windows) {
    using convert = char*(CDECL*)(const wchar_t*);
    const auto to_unix = reinterpret_cast<convert>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* raw = to_unix != nullptr ? to_unix(windows.c_str()) : nullptr;
    if (raw == nullptr) {
        return {};
    }
    std::string path(raw);
    HeapFree(GetProcessHeap(), 0, raw);
    return path;
}

// The test environment's folder on the host (set by scripts/wine-run.sh).
std::string state_dir() {
    return narrow(environment(L"NORVIK_WINE_STATE_DIR"));
}

std::filesystem::path host_file(const std::string& name) {
    return std::filesystem::path("Z:" + state_dir() + "/" + name);
}

// Runs `commands` in a host shell with the environment's state sourced
// (NORVIK_WINEPREFIX and the rest); returns their exit code, or -1 when they
// did not report within the limit.
int host_shell(const std::string& commands) {
    const std::string state = state_dir();
    if (state.empty()) {
        return -1;
    }
    std::error_code ignored;
    std::filesystem::remove(host_file("fault-matrix.rc"), ignored);
    {
        std::ofstream script(host_file("fault-matrix.sh"), std::ios::binary | std::ios::trunc);
        script << "exec >>'" << state << "/fault-matrix.log' 2>&1\n. '" << state << "/state'\n(\n"
               << commands << "\n)\necho $? >'" << state << "/fault-matrix.rc.tmp'\nmv '" << state
               << "/fault-matrix.rc.tmp' '" << state << "/fault-matrix.rc'\n";
    }
    const std::wstring script = std::wstring(state.begin(), state.end()) + L"/fault-matrix.sh";
    if (!norvik::test::start_host_shell(L"/bin/sh '" + script + L"'")) {
        return -1;
    }
    const ULONGLONG give_up = GetTickCount64() + 20000;
    while (GetTickCount64() < give_up) {
        std::ifstream rc(host_file("fault-matrix.rc"));
        int code = -1;
        if (rc >> code) {
            return code;
        }
        Sleep(20);
    }
    return -1;
}

std::string quoted(const std::wstring& windows) {
    return "'" + unix_path(windows) + "'";
}

// Every file and folder below a drive's root as the host sees it, without
// following links (the prefix links the user's folders to the host's home):
// relative path -> "folder", or size and modification time.
using drive_listing = std::map<std::string, std::string>;

drive_listing list_drive(const std::wstring& root) {
    drive_listing entries;
    const std::string out = state_dir() + "/fault-matrix.list";
    if (host_shell("find -H " + quoted(root) + " -mindepth 1 -printf '%y %s %T@ %P\\n' >'" + out + "'") != 0) {
        ADD_FAILURE() << "the listing of " << narrow(root) << " failed";
        return entries;
    }
    std::ifstream in(host_file("fault-matrix.list"));
    std::string type, size, time, path;
    while (in >> type >> size >> time && std::getline(in, path)) {
        path.erase(0, 1);
        entries[path] = type == "d" ? "folder" : size + " " + time;
    }
    if (entries.empty()) {
        ADD_FAILURE() << "the listing of " << narrow(root) << " is empty";
    }
    return entries;
}

// `folder` relative to the drive root `root`, in the listing's form; empty
// when it lies on another drive.
std::string relative(const std::wstring& root, const std::wstring& folder) {
    if (folder.size() <= root.size() || _wcsnicmp(folder.c_str(), root.c_str(), root.size()) != 0) {
        return {};
    }
    std::string rel = narrow(folder.substr(root.size()));
    std::replace(rel.begin(), rel.end(), '\\', '/');
    while (!rel.empty() && rel.back() == '/') {
        rel.pop_back();
    }
    return rel;
}

// The paths that differ between two listings and lie outside `allowed`.
std::vector<std::string> changed_outside(const drive_listing& before, const drive_listing& after,
                                         const std::vector<std::string>& allowed) {
    auto permitted = [&](const std::string& path) {
        return std::any_of(allowed.begin(), allowed.end(), [&](const std::string& a) {
            return !a.empty() && (path == a || path.rfind(a + "/", 0) == 0);
        });
    };
    std::vector<std::string> changed;
    for (const auto& [path, state] : before) {
        const auto now = after.find(path);
        if ((now == after.end() || now->second != state) && !permitted(path)) {
            changed.push_back(path);
        }
    }
    for (const auto& [path, state] : after) {
        if (before.count(path) == 0 && !permitted(path)) {
            changed.push_back(path);
        }
    }
    return changed;
}

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) {
        text += (text.empty() ? "" : ", ") + item;
    }
    return text;
}

// --- the recorded matrix ---

struct matrix_row {
    std::string fault;
    std::string seen;
    std::string disk;
};

std::vector<matrix_row>& matrix() {
    static std::vector<matrix_row> rows;
    return rows;
}

// "Error code: 40" out of a retry question.
std::string code_in(const std::string& question) {
    const std::size_t at = question.find("Error code: ");
    return at == std::string::npos ? "no code" : question.substr(at, question.find(' ', at + 12) - at);
}

// Another process holding a file open without sharing, as a running host or
// a scanner does: this program again, running only the helper test below.
class held_elsewhere {
public:
    explicit held_elsewhere(const std::wstring& file) {
        ready_ = CreateEventW(nullptr, TRUE, FALSE, helper_ready);
        release_ = CreateEventW(nullptr, TRUE, FALSE, helper_release);
        SetEnvironmentVariableW(L"NORVIK_FAULT_HOLD", file.c_str());
        process_.emplace(norvik::test::this_program(), L"--gtest_filter=FaultMatrixHelper.HoldsAFileWhenAsked", true);
        SetEnvironmentVariableW(L"NORVIK_FAULT_HOLD", nullptr);
        holding = process_->started() && WaitForSingleObject(ready_, 20000) == WAIT_OBJECT_0;
    }
    ~held_elsewhere() {
        release();
        CloseHandle(ready_);
        CloseHandle(release_);
    }
    held_elsewhere(const held_elsewhere&) = delete;
    held_elsewhere& operator=(const held_elsewhere&) = delete;

    // Lets go of the file; returns once the other process has ended.
    void release() {
        SetEvent(release_);
        if (process_) {
            process_->wait(20000);
            process_.reset();
        }
    }

    bool holding = false;

private:
    HANDLE ready_ = nullptr;
    HANDLE release_ = nullptr;
    std::optional<norvik::test::child_process> process_;
};

// The shell's folder dialog made unavailable: Wine 8 reads COM classes from
// the machine's hive only (an override under HKCU\Software\Classes is
// ignored there), so the machine's registration of the dialog's class is
// pointed at a server that does not exist, and put back afterwards.
class picker_class_override {
public:
    picker_class_override() {
        DWORD bytes = sizeof saved_;
        had_ = RegGetValueW(HKEY_LOCAL_MACHINE, key, nullptr, RRF_RT_REG_SZ, nullptr, saved_, &bytes) == ERROR_SUCCESS;
        set(L"C:\\fault-matrix-absent\\shell-dialog.dll");
        overridden_ = true;
    }
    ~picker_class_override() { restore(); }
    picker_class_override(const picker_class_override&) = delete;
    picker_class_override& operator=(const picker_class_override&) = delete;

    void restore() {
        if (!overridden_) {
            return;
        }
        overridden_ = false;
        if (had_) {
            set(saved_);
        } else {
            RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key, nullptr);
        }
    }

private:
    static void set(const wchar_t* server) {
        HKEY k = nullptr;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr);
        RegSetValueExW(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(server),
                       static_cast<DWORD>((wcslen(server) + 1) * sizeof(wchar_t)));
        RegCloseKey(k);
    }

    static constexpr wchar_t key[] =
        L"Software\\Classes\\CLSID\\{DC1C5A9C-E88A-4dde-A5A1-60F82A20AEF7}\\InprocServer32";
    wchar_t saved_[MAX_PATH] = {};
    bool had_ = false;
    bool overridden_ = false;
};

// One install fault: the plug-in folder registered for CC, how to make the
// fault real and how to clear it, and the code the retry question shows (0:
// the install succeeds without a question).
struct install_fault {
    std::string fault;
    std::wstring plugin_folder;
    std::vector<std::wstring> drives;
    std::function<bool()> inject;
    std::function<void()> clear;
    int code;
};

class FaultMatrix : public installer::test::host_fixture {
protected:
    FaultMatrix() : host_fixture(L"C:\\fault-matrix") {}

    void close_during_question(bool together);

    static bool as_root() { return !environment(L"NORVIK_FAULT_ROOT").empty(); }

    // A plug-in folder holding a previous module of its own bytes.
    static std::wstring with_previous(const std::wstring& folder, std::size_t size) {
        std::filesystem::create_directories(std::filesystem::path(folder + L"\\Falkmoor"));
        std::ofstream out(std::filesystem::path(module_in(folder)), std::ios::binary);
        for (std::size_t i = 0; i < size; ++i) {
            out.put(static_cast<char>((i * 7919) >> 3));
        }
        return folder;
    }

    // The state of the disk as one sentence, checked as it goes: the
    // previous module (when there was one) against `previous`, the vendor
    // folder holding nothing but the module, and no change on the drives
    // outside the vendor folder and the shared data folder.
    static std::string disk_state(const install_fault& row, const std::vector<char>& previous,
                                  const std::vector<char>& expected, const std::vector<drive_listing>& before) {
        const std::wstring vendor = row.plugin_folder + L"\\Falkmoor";
        const std::wstring shared = installer::shared_data_folder::path();
        // A successful install also puts the uninstaller into Program Files.
        const std::wstring uninstaller = L"C:\\Program Files\\Falkmoor\\";
        std::string text;
        if (!expected.empty()) {
            const bool same = read_file(module_in(row.plugin_folder)) == expected;
            EXPECT_TRUE(same) << "module";
            text += &expected == &previous ? (same ? "previous module byte-identical" : "previous module CHANGED")
                                           : (same ? "new module complete" : "new module WRONG");
        } else {
            text += "no module";
        }
        std::vector<std::string> others;
        for (const std::wstring& name : files_in(vendor)) {
            if (name != L"Quendal.aex") {
                others.push_back(narrow(name));
            }
        }
        EXPECT_TRUE(others.empty()) << joined(others);
        text += others.empty() ? ", no staging file" : ", LEFT: " + joined(others);
        std::vector<std::string> changed;
        for (std::size_t d = 0; d < row.drives.size(); ++d) {
            for (const std::string& path :
                 changed_outside(before[d], list_drive(row.drives[d]),
                                 {relative(row.drives[d], vendor), relative(row.drives[d], shared),
                                  relative(row.drives[d], uninstaller)})) {
                changed.push_back(narrow(row.drives[d].substr(0, 2)) + "/" + path);
            }
        }
        EXPECT_TRUE(changed.empty()) << joined(changed);
        text += changed.empty() ? ", nothing else on the drive changed" : ", CHANGED: " + joined(changed);
        return text;
    }

    // Installs to CC with the fault in place. The retry question must come
    // with the row's code while the disk is as it was; the fault is cleared
    // while the question is open and Yes then installs the module.
    static void run_install_row(const install_fault& row) {
        SCOPED_TRACE(row.fault);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, host_key);
        register_release(L"12", row.plugin_folder);
        const std::vector<char> previous = read_file(module_in(row.plugin_folder));
        std::vector<drive_listing> before;
        for (const std::wstring& drive : row.drives) {
            before.push_back(list_drive(drive));
        }
        if (!row.inject()) {
            row.clear();
            ADD_FAILURE() << "the fault could not be made real";
            matrix().push_back({row.fault, "(fault could not be made here)", ""});
            return;
        }
        std::string at_question = "no question";
        std::string seen;
        {
            InstallerUI wizard;
            show(wizard);
            // Cleared first: a module still held open could not be read back.
            popup_answer answer(L"Failed to install", true, [&] {
                row.clear();
                at_question = disk_state(row, previous, previous, before);
            });
            press(wizard, wizard.next, 3);
            const bool ended = pump_until([&] { return wizard.finished; }, 60000);
            row.clear();
            ASSERT_TRUE(ended);
            if (row.code != 0) {
                EXPECT_EQ(answer.answered, 1);
                EXPECT_EQ(answer.message, "The installation of Quendal for After Effects CC failed!\nError code: " +
                                              std::to_string(row.code) +
                                              " Please contact support.\n\nDo you want "
                                              "to retry?");
                seen = "retry question with \"" + code_in(answer.message) + "\"; Yes once cleared: ";
            } else {
                EXPECT_EQ(answer.answered, 0);
                seen = "no question: ";
            }
            EXPECT_EQ(wizard.progress_page.header.text, success);
            seen += "\"" + wizard.progress_page.header.text + "\"";
            press(wizard, wizard.cancel);
        }
        const std::string after = disk_state(row, previous, module_bytes(), before);
        matrix().push_back(
            {row.fault, seen, row.code != 0 ? "at the question: " + at_question + "; after: " + after : after});
    }
};

// The helper process of held_elsewhere: holds the named file open without
// sharing until told to let go.
TEST(FaultMatrixHelper, HoldsAFileWhenAsked) {
    const std::wstring file = environment(L"NORVIK_FAULT_HOLD");
    if (file.empty()) {
        GTEST_SKIP() << "runs only as the helper process of another test";
    }
    HANDLE held = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, helper_ready);
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, helper_release);
    SetEvent(ready);
    WaitForSingleObject(release, 60000);
    CloseHandle(held);
    CloseHandle(ready);
    CloseHandle(release);
}

TEST_F(FaultMatrix, RegistryWithEveryBadKindShowsOnlyTheGoodRows) {
    const std::wstring cc = scratch + L"\\cc";
    const std::wstring cc2015 = scratch + L"\\cc2015";
    const std::wstring decoy = scratch + L"\\decoy";
    for (const std::wstring& folder : {cc, cc2015, decoy}) {
        CreateDirectoryW(folder.c_str(), nullptr);
    }
    struct value {
        const wchar_t* key;
        DWORD type;
        std::wstring data;
    };
    const std::wstring expand = L"%SystemDrive%\\fault-matrix\\decoy";
    const value values[] = {
        {L"12", REG_SZ, cc},
        {L"13.5", REG_SZ, cc2015},
        {L"10.0", REG_DWORD, L"\x0001\x0000"},
        {L"10.5", REG_EXPAND_SZ, expand},
        {L"11", REG_SZ, decoy + L"\\" + std::wstring(300, L'x')},
        {L"13", REG_SZ, L""},
        {L"13.8", REG_MULTI_SZ, decoy + L'\0'},
        {L"12.0", REG_SZ, decoy},
        {L" 13.5", REG_SZ, decoy},
        {L"13.5 ", REG_SZ, decoy},
        {L"13,5", REG_SZ, decoy},
        {L"CC", REG_SZ, decoy},
        {L"After Effects 13.8", REG_SZ, decoy},
    };
    for (const value& v : values) {
        const std::size_t units = v.type == REG_DWORD ? 2 : v.data.size() + 1;
        installer::test::write_release(v.key, v.type, v.data.c_str(), static_cast<DWORD>(units * sizeof(wchar_t)));
    }
    // A release recorded only in the 32-bit view: the host is a 64-bit
    // program and does not read it from there.
    register_release(L"13.8", decoy, REG_SZ, KEY_WOW64_32KEY);
    // A thousand look-alike subkeys around the real ones.
    for (int i = 0; i < 1000; ++i) {
        wchar_t name[16];
        swprintf(name, 16, L"12.%03d", i);
        register_release(name, decoy);
    }

    InstallerUI wizard;
    show(wizard);
    press(wizard, wizard.next);
    std::vector<std::string> rows;
    for (std::size_t i = 0; i < installer::release_count; ++i) {
        if (wizard.release_page.boxes[i].created) {
            rows.push_back(wizard.release_page.boxes[i].text);
        }
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"CC", "CC2015", "Custom"}));
    EXPECT_EQ(wizard.paths[5], cc);
    EXPECT_EQ(wizard.paths[7], cc2015);
    EXPECT_TRUE(wizard.release_page.boxes[5].visible && wizard.release_page.boxes[7].visible &&
                wizard.release_page.boxes[9].visible);
    press(wizard, wizard.next);
    EXPECT_EQ(wizard.summary_page.text.text,
              "Installing Quendal on:\n\nCC:\nC:/fault-matrix/cc\n\nCC2015:\nC:/fault-matrix/cc2015\n\n");
    matrix().push_back({"Registry: wrong value types, REG_EXPAND_SZ, over-long and empty values, near-miss key "
                        "names, 32-bit view only, 1,000 look-alike subkeys",
                        "rows: " + joined(rows), "nothing written (registry only)"});
}

TEST_F(FaultMatrix, InstallFaultsInThisProcess) {
    // The module held open by another process, without sharing.
    const std::wstring held_folder = with_previous(scratch + L"\\held", 4096);
    std::unique_ptr<held_elsewhere> holder;

    // A drive letter that does not exist until the fault is cleared.
    const std::string missing = state_dir() + "/fault-matrix-q";
    const std::string link = "\"$NORVIK_WINEPREFIX/dosdevices/q:\"";

    // A plug-in folder path of 250 characters: the module's path is longer
    // than the classic 260-character limit.
    std::wstring deep = scratch;
    while (deep.size() < 250) {
        deep += L"\\" + std::wstring(std::min<std::size_t>(100, 250 - deep.size() - 1), L'l');
        CreateDirectoryW(deep.c_str(), nullptr);
    }
    ASSERT_EQ(deep.size(), 250u);
    with_previous(deep, 2048);

    const install_fault rows[] = {
        {"Module held open by another process (no sharing)",
         held_folder,
         {L"C:\\"},
         [&] {
             holder = std::make_unique<held_elsewhere>(held_folder + L"\\Falkmoor\\Quendal.aex");
             return holder->holding;
         },
         [&] {
             if (holder) {
                 holder->release();
             }
         },
         40},
        {"Drive missing (Q:)",
         L"Q:\\Plug-ins",
         {L"C:\\"},
         [&] { return host_shell("rm -f " + link + "; rm -rf '" + missing + "'") == 0; },
         [&] { host_shell("mkdir -p '" + missing + "/Plug-ins' && ln -sfn '" + missing + "' " + link); },
         40},
        {"Plug-in folder path of 250 characters", deep, {L"C:\\"}, [] { return true; }, [] {}, 0},
    };
    for (const install_fault& row : rows) {
        run_install_row(row);
    }
    host_shell("rm -f " + link + "; rm -rf '" + missing + "'");
}

TEST_F(FaultMatrix, InstallFaultsAsRoot) {
    if (!as_root()) {
        GTEST_SKIP() << "needs root: run through tests/fault_matrix_test.sh";
    }
    // The vendor folder made immutable, or mounted read-only over itself.
    const std::wstring immutable = with_previous(scratch + L"\\immutable", 3000);
    const std::wstring read_only = with_previous(scratch + L"\\read-only", 5000);
    const std::string immutable_vendor = quoted(immutable + L"\\Falkmoor");
    const std::string read_only_vendor = quoted(read_only + L"\\Falkmoor");

    // A 2 MB file system as drive T:, holding a previous module: the new one
    // (15 MB) fills it part-way; clearing the fault grows the file system.
    const std::string small = state_dir() + "/fault-matrix-t";
    const std::string link = "\"$NORVIK_WINEPREFIX/dosdevices/t:\"";
    ASSERT_EQ(host_shell("mkdir -p '" + small + "' && mount -t tmpfs -o size=2m tmpfs '" + small + "' && ln -sfn '" +
                         small + "' " + link),
              0)
        << "mounting a small file system failed";
    with_previous(L"T:\\Plug-ins", 300000);

    const install_fault rows[] = {
        {"Vendor folder not writable (chattr +i)",
         immutable,
         {L"C:\\"},
         [&] { return host_shell("chattr +i " + immutable_vendor) == 0; },
         [&] { host_shell("chattr -i " + immutable_vendor); },
         40},
        {"Vendor folder not writable (read-only bind mount)",
         read_only,
         {L"C:\\"},
         [&] {
             return host_shell("mount --bind " + read_only_vendor + " " + read_only_vendor +
                               " && mount -o remount,bind,ro " + read_only_vendor) == 0;
         },
         [&] { host_shell("! mountpoint -q " + read_only_vendor + " || umount " + read_only_vendor); },
         40},
        {"Disk full part-way (2 MB drive T:)",
         L"T:\\Plug-ins",
         {L"C:\\", L"T:\\"},
         [] { return true; },
         [&] { host_shell("mount -o remount,size=64m '" + small + "'"); },
         50},
    };
    for (const install_fault& row : rows) {
        run_install_row(row);
    }
    host_shell("rm -f " + link + "; umount '" + small + "'; rmdir '" + small + "'");
}

TEST_F(FaultMatrix, FolderPickerThatCannotBeCreatedIsACancel) {
    const drive_listing before = list_drive(L"C:\\");
    InstallerUI wizard;
    show(wizard);
    press(wizard, wizard.next);
    press(wizard, wizard.release_page.boxes[9]);
    const std::string label = wizard.release_page.custom_path.text;
    const std::wstring path = wizard.paths[9].wstring();
    bool opened = false;
    {
        picker_class_override unavailable;
        window_watch dialog(L"Custom Folder");
        press(wizard, wizard.release_page.browse);
        opened = dialog.appeared;
    }
    EXPECT_FALSE(opened);
    EXPECT_EQ(wizard.release_page.custom_path.text, label);
    EXPECT_EQ(wizard.paths[9], path);
    EXPECT_EQ(wizard.page, installer::wizard_page::releases);
    EXPECT_TRUE(wizard.release_page.browse.visible && IsWindowVisible(wizard.native.hwnd));

    // With the class back the same press opens the dialog (closed again at
    // once, a cancel): the override was what kept it away.
    {
        window_watch dialog(L"Custom Folder");
        press(wizard, wizard.release_page.browse);
        EXPECT_TRUE(dialog.appeared);
    }
    EXPECT_EQ(wizard.paths[9], path);

    // Nothing was kept for the wizard's loop to throw: it runs and ends on
    // the close box.
    PostMessageW(wizard.native.hwnd, WM_CLOSE, 0, 0);
    EXPECT_NO_THROW(wizard.native.run_modal());
    const std::vector<std::string> changed = changed_outside(before, list_drive(L"C:\\"), {});
    EXPECT_TRUE(changed.empty()) << joined(changed);
    matrix().push_back({"Folder picker's class unavailable",
                        std::string(opened ? "a dialog opened" : "Browse opens nothing, no error") + "; path label \"" +
                            wizard.release_page.custom_path.text + "\" and custom path unchanged",
                        changed.empty() ? "nothing written" : "CHANGED: " + joined(changed)});
}

// Closes the retry question and then the wizard, running the wizard's loop
// as the program does: one close after the other, or both posted at once
// (as when every window of the program is asked to close).
void FaultMatrix::close_during_question(bool together) {
    const std::wstring folder = with_previous(scratch + L"\\closing", 4096);
    const std::wstring module = module_in(folder);
    const std::vector<char> previous = read_file(module);
    register_release(L"12", folder);
    const drive_listing before = list_drive(L"C:\\");
    held_elsewhere holder(module);
    ASSERT_TRUE(holder.holding);

    InstallerUI wizard;
    show(wizard);
    press(wizard, wizard.next, 3);
    // The question's close box first, then the wizard's: once the question
    // is gone, or queued right behind the question's own close.
    popup_answer close_question(L"Failed to install", false, [&] {
        if (together) {
            PostMessageW(FindWindowW(nullptr, L"Failed to install"), WM_CLOSE, 0, 0);
            PostMessageW(wizard.native.hwnd, WM_CLOSE, 0, 0);
        }
    });
    loop_timer close_wizard([&] {
        const HWND question = FindWindowW(nullptr, L"Failed to install");
        if (!together && close_question.answered > 0 && wizard.finished &&
            (question == nullptr || !IsWindowVisible(question))) {
            PostMessageW(wizard.native.hwnd, WM_CLOSE, 0, 0);
        }
    });
    // Should the loop not end, it is ended from here so the test fails
    // rather than hangs.
    bool hung = false;
    const ULONGLONG started = GetTickCount64();
    loop_timer watchdog([&] {
        if (!hung && GetTickCount64() - started > 30000) {
            hung = true;
            wizard.native.end_native_modal();
        }
    });
    wizard.native.run_modal();
    EXPECT_FALSE(hung);
    EXPECT_EQ(close_question.answered, 1);
    EXPECT_EQ(code_in(close_question.message), "Error code: 40");
    EXPECT_EQ(wizard.progress_page.header.text, partial);
    EXPECT_EQ(wizard.modal_result, 0);
    EXPECT_FALSE(IsWindowVisible(wizard.native.hwnd));
    holder.release();

    const bool same = read_file(module) == previous;
    const std::vector<std::wstring> names = files_in(folder + L"\\Falkmoor");
    const std::vector<std::string> changed =
        changed_outside(before, list_drive(L"C:\\"), {relative(L"C:\\", installer::shared_data_folder::path())});
    EXPECT_TRUE(same);
    EXPECT_EQ(names, std::vector<std::wstring>{L"Quendal.aex"});
    EXPECT_TRUE(changed.empty()) << joined(changed);
    matrix().push_back({together ? "Closing during the retry question (both closes queued at once)"
                                 : "Closing during the retry question (question's close box, then the wizard's)",
                        "question closed = No: \"" + wizard.progress_page.header.text + "\"; the window then closes" +
                            (hung ? " only after the watchdog (HUNG)" : ", no hang"),
                        std::string(same ? "previous module byte-identical" : "previous module CHANGED") +
                            (names.size() == 1 ? ", no staging file" : ", staging file LEFT") +
                            (changed.empty() ? ", nothing else changed" : ", CHANGED: " + joined(changed))});
}

TEST_F(FaultMatrix, ClosingDuringTheRetryQuestionEndsCleanly) {
    close_during_question(false);
}

// The wizard's close queued right behind the question's: the question's
// loop ends first and must leave the wizard's close to be delivered.
TEST_F(FaultMatrix, ClosingBothAtOnceDuringTheRetryQuestionEndsCleanly) {
    close_during_question(true);
}

// Prints what the rows above recorded, as the table the README carries.
TEST(FaultMatrixSummary, PrintsTheMatrix) {
    ASSERT_FALSE(matrix().empty()) << "no row ran";
    std::ostringstream table;
    table << "| Fault | What the user saw | Disk state after |\n|---|---|---|\n";
    for (const matrix_row& row : matrix()) {
        table << "| " << row.fault << " | " << row.seen << " | " << row.disk << " |\n";
    }
    std::cout << "\n" << table.str() << std::endl;
}

} // namespace
