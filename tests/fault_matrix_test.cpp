// What the installer does when things go wrong, end to end: the wizard in
// this process, real registry keys, real files and real faults, each row
// checking what the user is shown and what is on the disk afterwards (the
// rows' machinery is in fault_matrix.h).
//
// Faults that need the host's root rights (an immutable folder, a read-only
// mount, a small file system as a drive) run only under
// fault_matrix_test.sh, which also undoes them should this program die.
// Host commands go through the test environment (test_environment.h).
//
// The last test prints the matrix that the rows before it recorded.

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <windows.h>
#include <gtest/gtest.h>

#include "installer/installer_ui.h"
#include "tests/drive_listing.h"
#include "tests/fault_matrix.h"
#include "tests/held_elsewhere.h"
#include "tests/picker_class_override.h"
#include "tests/test_environment.h"

namespace {

using installer::InstallerUI;
using installer::test::FaultMatrix;
using installer::test::install_fault;
using installer::test::matrix;
using installer::test::matrix_row;
using installer::test::press;
using installer::test::register_release;
using installer::test::show;
using installer::test::window_watch;
using norvik::test::drive_listing;
using norvik::test::held_elsewhere;
using norvik::test::host_path;
using norvik::test::joined;
using norvik::test::run_in_environment;
using norvik::test::state_dir;

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
         [&] { return run_in_environment("rm -f " + link + "; rm -rf '" + missing + "'") == 0; },
         [&] {
             run_in_environment("mkdir -p '" + missing + "/Plug-ins' && ln -sfn '" + missing + "' " + link);
             // Done once the job would find the drive. This runs inside the
             // question's loop, so it waits without dispatching anything.
             for (const ULONGLONG give_up = GetTickCount64() + 10000;
                  !norvik::test::exists(L"Q:\\Plug-ins") && GetTickCount64() < give_up;) {
                 Sleep(20);
             }
         },
         40},
        {"Plug-in folder path of 250 characters", deep, {L"C:\\"}, [] { return true; }, [] {}, 0},
    };
    for (const install_fault& row : rows) {
        run_install_row(row);
    }
    run_in_environment("rm -f " + link + "; rm -rf '" + missing + "'");
}

TEST_F(FaultMatrix, InstallFaultsAsRoot) {
    if (!as_root()) {
        GTEST_SKIP() << "needs root: run through tests/fault_matrix_test.sh";
    }
    // The vendor folder made immutable, or mounted read-only over itself.
    const std::wstring immutable = with_previous(scratch + L"\\immutable", 3000);
    const std::wstring read_only = with_previous(scratch + L"\\read-only", 5000);
    const std::string immutable_vendor = host_path(immutable + L"\\Falkmoor");
    const std::string read_only_vendor = host_path(read_only + L"\\Falkmoor");

    // A 2 MB file system as drive T:, holding a previous module: the new one
    // (15 MB) fills it part-way; clearing the fault grows the file system.
    const std::string small = state_dir() + "/fault-matrix-t";
    const std::string link = "\"$NORVIK_WINEPREFIX/dosdevices/t:\"";
    ASSERT_EQ(run_in_environment("mkdir -p '" + small + "' && mount -t tmpfs -o size=2m tmpfs '" + small +
                                 "' && ln -sfn '" + small + "' " + link),
              0)
        << "mounting a small file system failed";
    with_previous(L"T:\\Plug-ins", 300000);

    const install_fault rows[] = {
        {"Vendor folder not writable (chattr +i)",
         immutable,
         {L"C:\\"},
         [&] { return run_in_environment("chattr +i " + immutable_vendor) == 0; },
         [&] { run_in_environment("chattr -i " + immutable_vendor); },
         40},
        {"Vendor folder not writable (read-only bind mount)",
         read_only,
         {L"C:\\"},
         [&] {
             return run_in_environment("mount --bind " + read_only_vendor + " " + read_only_vendor +
                                       " && mount -o remount,bind,ro " + read_only_vendor) == 0;
         },
         [&] { run_in_environment("! mountpoint -q " + read_only_vendor + " || umount " + read_only_vendor); },
         40},
        {"Disk full part-way (2 MB drive T:)",
         L"T:\\Plug-ins",
         {L"C:\\", L"T:\\"},
         [] { return true; },
         [&] { run_in_environment("mount -o remount,size=64m '" + small + "'"); },
         50},
    };
    for (const install_fault& row : rows) {
        run_install_row(row);
    }
    run_in_environment("rm -f " + link + "; umount '" + small + "'; rmdir '" + small + "'");
}

TEST_F(FaultMatrix, FolderPickerThatCannotBeCreatedIsACancel) {
    const drive_listing before(L"C:\\");
    InstallerUI wizard;
    show(wizard);
    press(wizard, wizard.next);
    press(wizard, wizard.release_page.boxes[9]);
    const std::string label = wizard.release_page.custom_path.text;
    const std::wstring path = wizard.paths[9].wstring();
    bool opened = false;
    {
        norvik::test::picker_class_override unavailable;
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
    const std::vector<std::string> changed = before.changed_outside(drive_listing(L"C:\\"));
    EXPECT_TRUE(changed.empty()) << joined(changed);
    matrix().push_back({"Folder picker's class unavailable",
                        std::string(opened ? "a dialog opened" : "Browse opens nothing, no error") + "; path label \"" +
                            wizard.release_page.custom_path.text + "\" and custom path unchanged",
                        changed.empty() ? "nothing written" : "CHANGED: " + joined(changed)});
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
