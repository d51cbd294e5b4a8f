// The shell's folder dialog, driven for real: the test starts a host shell
// (Wine runs Unix programs through CreateProcess) whose xdotool waits for the
// dialog by its title and types into it as a user would, while select_folder
// blocks in the dialog's own modal loop.

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

#include <windows.h>
#include <gtest/gtest.h>

#include "filesystem/select_folder.h"
#include "tests/host_shell.h"
#include "tests/widget_test_support.h"
#include "ui/core/window.h"

namespace {

using norvik::filesystem::file_path;
using norvik::filesystem::select_folder;

constexpr char title[] = "Custom Folder";
constexpr wchar_t wide_title[] = L"Custom Folder";

// Watches from another thread while the UI thread is inside the dialog:
// notes whether the dialog appeared, owned by `owner` and with `owner`
// disabled, and closes every window of the UI thread but `owner` should the
// host's input not have ended the dialog after 15 s, so that a broken run
// fails here instead of hanging the test program.
class dialog_watch {
public:
    dialog_watch(HWND owner, DWORD ui_thread)
        : owner_(owner), ui_thread_(ui_thread), thread_([this](std::stop_token stop) { watch(stop); }) {}

    std::atomic<bool> seen{false};
    std::atomic<bool> owner_disabled{false};
    std::atomic<bool> closed_by_watch{false};

private:
    void watch(std::stop_token stop) {
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (!stop.stop_requested()) {
            if (std::chrono::steady_clock::now() > give_up) {
                closed_by_watch = true;
                EnumThreadWindows(ui_thread_, close_unless_owner, reinterpret_cast<LPARAM>(owner_));
                return;
            }
            HWND dialog = FindWindowW(nullptr, wide_title);
            if (dialog && IsWindowVisible(dialog) && !seen) {
                seen = true;
                owner_disabled = GetWindow(dialog, GW_OWNER) == owner_ && !IsWindowEnabled(owner_);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    static BOOL CALLBACK close_unless_owner(HWND window, LPARAM owner) {
        if (window != reinterpret_cast<HWND>(owner)) {
            PostMessageW(window, WM_CLOSE, 0, 0);
        }
        return TRUE;
    }

    HWND owner_;
    DWORD ui_thread_;
    std::jthread thread_; // last: stopped and joined before the rest goes
};

TEST(SelectFolder, TheRealDialogReturnsWhatTheUserChose) {
    if (norvik::test::environment(L"NORVIK_WINE_STATE_DIR").empty()) {
        GTEST_SKIP() << "needs the Wine test environment's display and xdotool";
    }
    CreateDirectoryW(L"C:\\pick", nullptr);
    CreateDirectoryW(L"C:\\pick\\target", nullptr);
    RemoveDirectoryW(L"C:\\pick\\missing");

    norvik::ui::window owner;
    owner.create("picker owner", {100, 100, 300, 200});
    ShowWindow(owner.native.hwnd, SW_SHOW);

    struct row {
        const char* what;
        const wchar_t* initial;
        const wchar_t* input;
        const wchar_t* expected;
    };
    const row rows[] = {
        // A bare name is looked up in the folder the dialog opened at.
        {"initial folder", L"C:\\pick", L"xdotool type target && xdotool key Return", L"C:\\pick\\target"},
        {"missing initial folder", L"C:\\pick\\missing", L"xdotool type 'C:\\pick\\target' && xdotool key Return",
         L"C:\\pick\\target"},
        {"cancelled", L"", L"xdotool key Escape", L""},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        ASSERT_TRUE(norvik::test::type_into_window(wide_title, r.input));
        file_path chosen;
        {
            dialog_watch watch(owner.native.hwnd, GetCurrentThreadId());
            EXPECT_NO_THROW(chosen = select_folder(&owner, title, r.initial));
            EXPECT_TRUE(watch.seen) << "the dialog was shown";
            EXPECT_TRUE(watch.owner_disabled) << "owned by the window, which it disables";
            EXPECT_FALSE(watch.closed_by_watch) << "the host's input never ended the dialog";
        }
        EXPECT_EQ(chosen.wstring(), r.expected);
        EXPECT_TRUE(IsWindowEnabled(owner.native.hwnd)) << "the owner is enabled again";
        // The next dialog must not race this one's going and the owner's
        // return to the front.
        EXPECT_TRUE(norvik::test::pump_until(
            [&] { return !FindWindowW(nullptr, wide_title) && GetForegroundWindow() == owner.native.hwnd; }, 5000));
        norvik::test::pump(100);
    }
}

TEST(SelectFolder, WithoutComTheDialogCannotBeCreated) {
    // A thread that never joined a COM apartment, unlike a toolkit window's.
    std::string message;
    std::thread bare([&] {
        try {
            (void)select_folder(nullptr, title, {});
        } catch (const std::runtime_error& e) {
            message = e.what();
        }
    });
    bare.join();
    EXPECT_EQ(message, "unable to create the folder \"select\" dialog box");
}

} // namespace
