// The installer's wizard in this process, on real registry keys and real
// folders of the test prefix, driven by real pointer input: its rows for the
// detected releases, page navigation, the summary, the cancel question, and
// whole installs with a failing release, a retry and a close mid-install.
// Pop-ups are answered from a thread timer, which the pop-up's own modal
// loop dispatches.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "installer/installer_ui.h"
#include "tests/host_shell.h"
#include "tests/wizard_test_support.h"

namespace {

using installer::InstallerUI;
using installer::test::files_in;
using installer::test::host_key;
using installer::test::module_bytes;
using installer::test::popup_answer;
using installer::test::press;
using installer::test::read_file;
using installer::test::register_release;
using installer::test::show;
using norvik::test::pump;
using norvik::test::pump_until;
using norvik::ui::rect;

const std::wstring scratch = L"C:\\wizard-test";

class Wizard : public ::testing::Test {
protected:
    void SetUp() override {
        clean();
        CreateDirectoryW(scratch.c_str(), nullptr);
    }
    void TearDown() override { clean(); }

    static void clean() {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, host_key);
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(scratch), ignored);
    }

    // A plug-in folder that exists, registered for the release key.
    static std::wstring release(const std::wstring& key, const std::wstring& name) {
        const std::wstring folder = scratch + L"\\" + name;
        CreateDirectoryW(folder.c_str(), nullptr);
        register_release(key, folder);
        return folder;
    }

    static bool installed(const std::wstring& folder) {
        return read_file(folder + L"\\Falkmoor\\Quendal.aex") == module_bytes();
    }
};

TEST_F(Wizard, RowsNavigationAndSummary) {
    const std::wstring cc = release(L"12", L"CC Plug-ins");
    const std::wstring cc2015 = release(L"13.5", L"CC2015 Plug-ins");
    InstallerUI wizard;
    show(wizard);

    // One row per detected release, then Custom; Browse below the last row.
    EXPECT_EQ(wizard.boxes[5].rect, (rect{20, 55, 290, 25}));
    EXPECT_EQ(wizard.boxes[7].rect, (rect{20, 80, 290, 25}));
    EXPECT_EQ(wizard.boxes[9].rect, (rect{20, 105, 290, 25}));
    EXPECT_EQ(wizard.browse.rect, (rect{20, 135, 80, 15}));
    EXPECT_FALSE(wizard.boxes[6].created);
    EXPECT_TRUE(wizard.boxes[5].checked && wizard.boxes[7].checked);
    EXPECT_FALSE(wizard.boxes[9].checked);
    EXPECT_EQ(wizard.boxes[7].text, "CC2015");

    struct step {
        const norvik::ui::widget* press;
        int page;
        bool back_usable;
        bool next_usable;
    };
    const step walk[] = {
        {nullptr, 0, false, true}, {&wizard.next, 1, true, true}, {&wizard.back, 0, false, true},
        {&wizard.next, 1, true, true},
    };
    for (const step& s : walk) {
        if (s.press != nullptr) {
            press(wizard, *s.press);
        }
        EXPECT_EQ(wizard.page, s.page);
        EXPECT_TRUE(wizard.pages[static_cast<std::size_t>(s.page)].visible);
        EXPECT_EQ(wizard.back.is_usable(), s.back_usable) << "page " << s.page;
        EXPECT_EQ(wizard.next.is_usable(), s.next_usable) << "page " << s.page;
    }

    // Custom shows Browse and the path label, and hides them again.
    press(wizard, wizard.boxes[9]);
    EXPECT_TRUE(wizard.selected[9]);
    EXPECT_TRUE(wizard.browse.visible && wizard.custom_path.visible);
    press(wizard, wizard.boxes[9]);
    EXPECT_FALSE(wizard.browse.visible || wizard.custom_path.visible);

    // Unticking CC leaves it out of the summary; paths use forward slashes.
    press(wizard, wizard.boxes[5]);
    press(wizard, wizard.next);
    EXPECT_EQ(wizard.summary_text.text, "Installing Quendal on:\n\nCC2015:\nC:/wizard-test/CC2015 Plug-ins\n\n");
    EXPECT_GT(wizard.summary_text.rect.height, 0);
    EXPECT_LT(wizard.summary_text.rect.height, 800);
    press(wizard, wizard.back);
    EXPECT_FALSE(wizard.boxes[5].checked);
    EXPECT_TRUE(wizard.boxes[7].checked);
    (void)cc;
    (void)cc2015;
}

TEST_F(Wizard, OnlyCustomWithoutReleases) {
    InstallerUI wizard;
    EXPECT_EQ(wizard.boxes[9].rect, (rect{20, 55, 290, 25}));
    EXPECT_EQ(wizard.browse.rect, (rect{20, 85, 80, 15}));
}

TEST_F(Wizard, CustomFolderChosenInTheShellDialog) {
    const std::wstring folder = scratch + L"\\Plug Ins";
    CreateDirectoryW(folder.c_str(), nullptr);
    InstallerUI wizard;
    show(wizard);
    press(wizard, wizard.next);
    press(wizard, wizard.boxes[9]);
    ASSERT_TRUE(norvik::test::type_into_window(L"Custom Folder", L"xdotool type '" + folder + L"' && xdotool key Return"));
    // Should the typing go wrong, the dialog is closed (a cancel) rather
    // than left to hang the test.
    std::jthread watchdog([](std::stop_token stop) {
        for (int i = 0; i < 300 && !stop.stop_requested(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        if (HWND dialog = FindWindowW(nullptr, L"Custom Folder"); dialog != nullptr && !stop.stop_requested()) {
            PostMessageW(dialog, WM_CLOSE, 0, 0);
        }
    });
    press(wizard, wizard.browse);
    watchdog.request_stop();
    EXPECT_EQ(wizard.custom_path.text, "C:/wizard-test/Plug Ins");
    EXPECT_EQ(wizard.paths[9], folder);
    press(wizard, wizard.next);
    EXPECT_EQ(wizard.summary_text.text, "Installing Quendal on:\n\nCustom:\nC:/wizard-test/Plug Ins\n\n");
}

TEST_F(Wizard, CancelAsksAndCloseBoxDoesNot) {
    release(L"12", L"CC");
    InstallerUI wizard;
    show(wizard);
    press(wizard, wizard.next);
    press(wizard, wizard.boxes[5]);

    {
        popup_answer no(L"Exit Installer", false);
        press(wizard, wizard.cancel);
        ASSERT_TRUE(pump_until([&] { return no.answered > 0; }));
        pump();
        EXPECT_EQ(no.message, "Are you sure you want to cancel Quendal for After Effects installation?");
    }
    EXPECT_EQ(wizard.page, 1);
    EXPECT_FALSE(wizard.selected[5]);
    EXPECT_TRUE(IsWindowVisible(wizard.native.hwnd));

    {
        popup_answer ok(L"Exit Installer", true);
        press(wizard, wizard.cancel);
        ASSERT_TRUE(pump_until([&] { return ok.answered > 0 && !IsWindowVisible(wizard.native.hwnd); }));
    }
    EXPECT_EQ(wizard.modal_result, 1);

    // The close box ends the loop at once, with no question.
    InstallerUI again;
    popup_answer none(L"Exit Installer", true);
    PostMessageW(again.native.hwnd, WM_CLOSE, 0, 0);
    again.native.run_modal();
    EXPECT_EQ(none.answered, 0);
}

TEST_F(Wizard, FailureRetryAndOutcome) {
    const std::wstring good = release(L"12", L"good");
    const std::wstring bad = release(L"13.5", L"bad");
    // A file where the vendor folder should be: the release cannot be written.
    const std::wstring blocker = bad + L"\\Falkmoor";
    std::ofstream(std::filesystem::path(blocker)) << "in the way";

    struct run {
        bool yes;
        const char* header;
    };
    for (const run& r : {run{true, "Quendal for After Effects was successfully installed."},
                         run{false, "Some components of Quendal for After Effects were not correctly installed."}}) {
        SCOPED_TRACE(r.yes ? "retry after clearing the fault" : "no retry");
        InstallerUI wizard;
        show(wizard);
        popup_answer answer(L"Failed to install", r.yes, [&] {
            if (r.yes) {
                DeleteFileW(blocker.c_str());
            }
        });
        for (int i = 0; i < 3; ++i) {
            press(wizard, wizard.next);
        }
        ASSERT_TRUE(pump_until([&] { return wizard.finished; }, 60000));
        EXPECT_EQ(answer.answered, 1);
        EXPECT_EQ(answer.message, "The installation of Quendal for After Effects CC2015 failed!\nError code: 40 Please "
                                  "contact support.\n\nDo you want to retry?");
        EXPECT_EQ(wizard.progress_header.text, r.header);
        EXPECT_EQ(wizard.cancel.label(), "Finish");
        EXPECT_TRUE(installed(good));
        EXPECT_EQ(installed(bad), r.yes);
        EXPECT_EQ(files_in(good + L"\\Falkmoor"), std::vector<std::wstring>{L"Quendal.aex"});
        const std::string last = "\n\nClick Finish to close the installer.";
        EXPECT_EQ(wizard.progress_text.text.substr(wizard.progress_text.text.size() - last.size()), last);

        // Finish closes without a question.
        press(wizard, wizard.cancel);
        EXPECT_EQ(wizard.modal_result, 1);
        EXPECT_FALSE(IsWindowVisible(wizard.native.hwnd));
        // The second round starts with the fault in place again.
        std::filesystem::remove_all(std::filesystem::path(blocker));
        std::ofstream(std::filesystem::path(blocker)) << "in the way";
    }
}

TEST_F(Wizard, ClosingDuringAnInstallWaitsForTheJob) {
    const std::wstring folder = release(L"12", L"held");
    const std::wstring vendor = folder + L"\\Falkmoor";
    CreateDirectoryW(vendor.c_str(), nullptr);
    const std::wstring module = vendor + L"\\Quendal.aex";
    std::ofstream(std::filesystem::path(module)) << "previous module";
    // A scanner holding the old module for a moment keeps the job busy
    // replacing it: long enough to close the window in the middle.
    HANDLE held = CreateFileW(module.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::thread scanner;
    {
        InstallerUI wizard;
        show(wizard);
        press(wizard, wizard.next);
        press(wizard, wizard.next);
        scanner = std::thread([held] {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            CloseHandle(held);
        });
        press(wizard, wizard.next);
        EXPECT_TRUE(wizard.worker.joinable());
        EXPECT_FALSE(wizard.job.done);
        PostMessageW(wizard.native.hwnd, WM_CLOSE, 0, 0);
        pump();
    }
    scanner.join();
    EXPECT_TRUE(installed(folder));
    EXPECT_EQ(files_in(vendor), std::vector<std::wstring>{L"Quendal.aex"});
}

} // namespace
