// The installer's wizard in this process, on real registry keys and real
// folders of the test prefix, driven by real pointer input: its rows for the
// detected releases, page navigation, the summary, the cancel question, and
// whole installs with a failing release, a retry, a close mid-install and
// a graphics device lost for good.
// Pop-ups are answered from a thread timer, which the pop-up's own modal
// loop dispatches.

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <comdef.h>

#include "installer/install_lock.h"
#include "installer/install_log.h"
#include "installer/installed_apps_entry.h"
#include "installer/installer_entry.h"
#include "installer/installer_ui.h"
#include "render/renderer.h"
#include "tests/host_shell.h"
#include "tests/wizard_test_support.h"

namespace {

using installer::InstallerUI;
using installer::wizard_page;
using installer::test::held_module;
using installer::test::installed;
using installer::test::popup_answer;
using installer::test::press;
using installer::test::show;
using norvik::test::files_in;
using norvik::test::pump;
using norvik::test::pump_until;
using norvik::ui::rect;

class Wizard : public installer::test::host_fixture {
protected:
    Wizard() : host_fixture(L"C:\\wizard-test") {}
};

TEST_F(Wizard, RowsNavigationAndSummary) {
    const std::wstring cc = release(L"12", L"CC Plug-ins");
    const std::wstring cc2015 = release(L"13.5", L"CC2015 Plug-ins");
    InstallerUI wizard;
    show(wizard);

    // One row per detected release, then Custom; Browse below the last row.
    EXPECT_EQ(wizard.release_page.boxes[5].rect, (rect{20, 55, 290, 25}));
    EXPECT_EQ(wizard.release_page.boxes[7].rect, (rect{20, 80, 290, 25}));
    EXPECT_EQ(wizard.release_page.boxes[9].rect, (rect{20, 105, 290, 25}));
    EXPECT_EQ(wizard.release_page.browse.rect, (rect{20, 135, 80, 15}));
    EXPECT_FALSE(wizard.release_page.boxes[6].created);
    EXPECT_TRUE(wizard.release_page.boxes[5].checked && wizard.release_page.boxes[7].checked);
    EXPECT_FALSE(wizard.release_page.boxes[9].checked);
    EXPECT_EQ(wizard.release_page.boxes[7].text, "CC2015");

    struct step {
        const norvik::ui::widget* press;
        wizard_page page;
        const norvik::ui::widget* panel;
        bool back_usable;
        bool next_usable;
    };
    const step walk[] = {
        {nullptr, wizard_page::welcome, &wizard.welcome_page.panel, false, true},
        {&wizard.next, wizard_page::releases, &wizard.release_page.panel, true, true},
        {&wizard.back, wizard_page::welcome, &wizard.welcome_page.panel, false, true},
        {&wizard.next, wizard_page::releases, &wizard.release_page.panel, true, true},
    };
    for (const step& s : walk) {
        if (s.press != nullptr) {
            press(wizard, *s.press);
        }
        const auto page = static_cast<int>(s.page);
        EXPECT_EQ(wizard.page, s.page) << "page " << page;
        EXPECT_TRUE(s.panel->visible) << "page " << page;
        EXPECT_EQ(wizard.back.is_usable(), s.back_usable) << "page " << page;
        EXPECT_EQ(wizard.next.is_usable(), s.next_usable) << "page " << page;
    }

    // Custom shows Browse and the path label, and hides them again.
    press(wizard, wizard.release_page.boxes[9]);
    EXPECT_TRUE(wizard.selected[9]);
    EXPECT_TRUE(wizard.release_page.browse.visible && wizard.release_page.custom_path.visible);
    press(wizard, wizard.release_page.boxes[9]);
    EXPECT_FALSE(wizard.release_page.browse.visible || wizard.release_page.custom_path.visible);

    // Next leads on only to something to install: not with every box
    // unticked, nor with Custom ticked but no folder chosen.
    press(wizard, wizard.release_page.boxes[5]);
    press(wizard, wizard.release_page.boxes[7]);
    EXPECT_FALSE(wizard.next.is_usable());
    press(wizard, wizard.release_page.boxes[9]);
    EXPECT_FALSE(wizard.next.is_usable());
    press(wizard, wizard.release_page.boxes[9]);
    press(wizard, wizard.release_page.boxes[7]);
    EXPECT_TRUE(wizard.next.is_usable());

    // Unticking CC leaves it out of the summary; paths use forward slashes.
    press(wizard, wizard.next);
    EXPECT_EQ(wizard.summary_page.text.text, "Installing Quendal on:\n\nCC2015:\nC:/wizard-test/CC2015 Plug-ins\n\n");
    EXPECT_GT(wizard.summary_page.text.rect.height, 0);
    EXPECT_LT(wizard.summary_page.text.rect.height, 800);
    press(wizard, wizard.back);
    EXPECT_FALSE(wizard.release_page.boxes[5].checked);
    EXPECT_TRUE(wizard.release_page.boxes[7].checked);
    (void)cc;
    (void)cc2015;
}

TEST_F(Wizard, OnlyCustomWithoutReleases) {
    InstallerUI wizard;
    EXPECT_EQ(wizard.release_page.boxes[9].rect, (rect{20, 55, 290, 25}));
    EXPECT_EQ(wizard.release_page.browse.rect, (rect{20, 85, 80, 15}));
}

TEST_F(Wizard, RowsThatDoNotFitScrollUnderTheHeader) {
    const wchar_t* const keys[] = {L"10.0", L"10.5", L"11", L"12", L"13", L"13.5", L"13.8"};
    for (const wchar_t* key : {keys[0], keys[1], keys[2], keys[3]}) {
        release(key, key);
    }
    {
        // Five rows, Browse and the path label fit: the page's own geometry.
        InstallerUI wizard;
        EXPECT_FALSE(wizard.release_page.release_scroll.created);
        EXPECT_EQ(wizard.release_page.browse.rect, (rect{20, 185, 80, 15}));
        EXPECT_EQ(wizard.release_page.custom_path.rect, (rect{110, 185, 210, 50}));
    }
    for (const wchar_t* key : {keys[4], keys[5], keys[6]}) {
        release(key, key);
    }
    InstallerUI wizard;
    show(wizard);
    press(wizard, wizard.next);
    ASSERT_TRUE(wizard.release_page.release_scroll.created);
    // Ticking Custom brings Browse and the whole path label into view, and a
    // click there reaches Browse.
    press(wizard, wizard.release_page.boxes[9]);
    const std::int32_t view_height = wizard.release_page.release_view.rect.height;
    const std::int32_t end = view_height - wizard.release_page.release_list.rect.height;
    EXPECT_EQ(wizard.release_page.release_list.rect.y, end);
    EXPECT_LE(wizard.release_page.custom_path.rect.y + wizard.release_page.custom_path.rect.height +
                  wizard.release_page.release_list.rect.y,
              view_height);
    EXPECT_EQ(wizard.hit_test(norvik::test::centre(wizard.release_page.browse)), &wizard.release_page.browse);
    // A row taking the focus scrolls back into view; one notch of the wheel
    // over the list scrolls it to its end again.
    wizard.set_focus(&wizard.release_page.boxes[2], 1);
    EXPECT_GE(wizard.release_page.boxes[2].rect.y + wizard.release_page.release_list.rect.y, 0);
    norvik::test::post(wizard, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)));
    EXPECT_EQ(wizard.release_page.release_list.rect.y, end);
}

// A machine of today: a row for each release of every era, in the
// installer's order, and the module in each.
TEST_F(Wizard, ReleasesOfEveryEra) {
    const std::vector<installer::test::expected_release> releases = releases_of_every_era();
    InstallerUI wizard;
    show(wizard);
    std::vector<std::string> rows;
    for (const norvik::ui::CheckBox& box : wizard.release_page.boxes) {
        if (box.created) {
            rows.push_back(box.text);
        }
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"CC2015", "CC2017", "2022", "2024", "2027", "Custom"}));
    press(wizard, wizard.next, 2);
    EXPECT_NE(wizard.summary_page.text.text.find("\n\n2024:\nC:/wizard-test/AE 2024/Support Files/Plug-ins\n\n2027:"),
              std::string::npos);
    press(wizard, wizard.next);
    ASSERT_TRUE(pump_until([&] { return wizard.finished; }, 60000));
    EXPECT_EQ(wizard.progress_page.header.text, "Quendal for After Effects was successfully installed.");
    EXPECT_NE(wizard.progress_page.text.text.find("Quendal for After Effects 2022 installed.\n"), std::string::npos);
    for (const auto& release : releases) {
        EXPECT_TRUE(installed(release.folder)) << release.name;
    }
}

TEST_F(Wizard, CustomFolderChosenInTheShellDialog) {
    const std::wstring folder = scratch + L"\\Plug Ins";
    CreateDirectoryW(folder.c_str(), nullptr);
    InstallerUI wizard;
    show(wizard);
    press(wizard, wizard.next);
    press(wizard, wizard.release_page.boxes[9]);
    EXPECT_FALSE(wizard.next.is_usable()) << "Custom without a folder";
    ASSERT_TRUE(
        norvik::test::type_into_window(L"Custom Folder", L"xdotool type '" + folder + L"' && xdotool key Return"));
    {
        // Should the typing go wrong, the dialog is closed (a cancel) rather
        // than left to hang the test.
        const installer::test::window_watch watchdog(L"Custom Folder", 30000);
        press(wizard, wizard.release_page.browse);
    }
    EXPECT_EQ(wizard.release_page.custom_path.text, "C:/wizard-test/Plug Ins");
    EXPECT_EQ(wizard.paths[9], folder);
    EXPECT_TRUE(wizard.next.is_usable());
    press(wizard, wizard.next);
    EXPECT_EQ(wizard.summary_page.text.text, "Installing Quendal on:\n\nCustom:\nC:/wizard-test/Plug Ins\n\n");
}

TEST_F(Wizard, CancelAsksAndCloseBoxDoesNot) {
    release(L"12", L"CC");
    InstallerUI wizard;
    show(wizard);
    press(wizard, wizard.next);
    press(wizard, wizard.release_page.boxes[5]);

    {
        popup_answer no(L"Exit Installer", false);
        press(wizard, wizard.cancel);
        ASSERT_TRUE(pump_until([&] { return no.answered > 0; }));
        pump();
        EXPECT_EQ(no.message, "Are you sure you want to cancel Quendal for After Effects installation?");
    }
    EXPECT_EQ(wizard.page, wizard_page::releases);
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
        press(wizard, wizard.next, 3);
        ASSERT_TRUE(pump_until([&] { return wizard.finished; }, 60000));
        EXPECT_EQ(answer.answered, 1);
        EXPECT_EQ(answer.message, "The installation of Quendal for After Effects CC2015 failed!\nError code: 40 Please "
                                  "contact support.\n\nDo you want to retry?");
        EXPECT_EQ(wizard.progress_page.header.text, r.header);
        EXPECT_EQ(wizard.cancel.label(), "Finish");
        EXPECT_TRUE(installed(good));
        EXPECT_EQ(installed(bad), r.yes);
        EXPECT_EQ(files_in(good + L"\\Falkmoor"), std::vector<std::wstring>{L"Quendal.aex"});
        const std::string last = "\n\nClick Finish to close the installer.";
        EXPECT_EQ(wizard.progress_page.text.text.substr(wizard.progress_page.text.text.size() - last.size()), last);

        // Finish closes without a question.
        press(wizard, wizard.cancel);
        EXPECT_EQ(wizard.modal_result, 1);
        EXPECT_FALSE(IsWindowVisible(wizard.native.hwnd));
        // The second round starts with the fault in place again.
        std::filesystem::remove_all(std::filesystem::path(blocker));
        std::ofstream(std::filesystem::path(blocker)) << "in the way";
    }
}

// The command line presets the ticks and the custom folder; the worker waits
// while another run of the installer holds the machine-wide lock, with its
// dots turning meanwhile.
TEST_F(Wizard, CommandLinePresetsAndAnotherRunInstalling) {
    release(L"12", L"CC");
    const std::wstring cc2015 = release(L"13.5", L"CC2015");
    const std::wstring custom = scratch + L"\\Plug Ins";
    CreateDirectoryW(custom.c_str(), nullptr);
    installer::wizard_options options;
    options.releases = std::vector<std::string>{"CC2015"};
    options.dir = custom;
    InstallerUI wizard(options);
    EXPECT_FALSE(wizard.selected[5]);
    EXPECT_TRUE(wizard.selected[7] && wizard.selected[9]);
    EXPECT_TRUE(wizard.release_page.boxes[5].created && wizard.release_page.browse.visible);
    EXPECT_EQ(wizard.release_page.custom_path.text, "C:/wizard-test/Plug Ins");

    std::optional<installer::test::other_run> other(std::in_place);
    ASSERT_TRUE(other->held);
    show(wizard);
    press(wizard, wizard.next, 3);
    std::string first;
    ASSERT_TRUE(pump_until([&] {
        if (first.empty()) {
            first = wizard.progress_page.text.text;
        }
        return wizard.progress_page.text.text != first;
    }));
    EXPECT_EQ(wizard.progress_page.text.text.rfind(
                  "Another installation of Quendal is running. This installation will go on when it ends", 0),
              0u);
    EXPECT_FALSE(wizard.job.done);
    other.reset();
    ASSERT_TRUE(pump_until([&] { return wizard.finished; }));
    EXPECT_TRUE(installed(cc2015) && installed(custom));
}

// A release named on the command line that this machine does not have is
// named on page 1; a passive run counts down to its closing.
TEST_F(Wizard, MissingNamedReleaseAndPassiveCountdown) {
    const std::wstring cc = release(L"12", L"CC");
    installer::wizard_options options;
    options.releases = std::vector<std::string>{"CS6", "2025", "CC"};
    {
        InstallerUI wizard(options);
        EXPECT_EQ(wizard.release_page.missing_note.text, "Not installed on this computer: CS6, 2025");
        EXPECT_EQ(wizard.release_page.boxes[5].rect, (rect{20, 80, 290, 25})) << "the rows start below the note";
    }
    options.passive = true;
    options.take_install_lock = false;
    // A /log= file with a second name is refused, and the page says so.
    const std::wstring log_file = scratch + L"\\run.log";
    std::ofstream(std::filesystem::path(log_file)) << "someone else's";
    ASSERT_TRUE(CreateHardLinkW((scratch + L"\\other name.log").c_str(), log_file.c_str(), nullptr));
    installer::install_log refused(log_file);
    options.log = &refused;
    InstallerUI wizard(options);
    show(wizard);
    std::vector<std::string> countdown;
    ASSERT_TRUE(pump_until(
        [&] {
            const std::string& text = wizard.progress_page.text.text;
            const std::size_t at = text.find("This window closes by itself in ");
            if (at != std::string::npos && (countdown.empty() || countdown.back() != text.substr(at))) {
                countdown.push_back(text.substr(at));
            }
            return !IsWindowVisible(wizard.native.hwnd);
        },
        20000));
    EXPECT_EQ(countdown, (std::vector<std::string>{"This window closes by itself in 3 seconds.",
                                                   "This window closes by itself in 2 seconds.",
                                                   "This window closes by itself in 1 second."}));
    EXPECT_EQ(wizard.progress_page.header.text,
              "Some components of Quendal for After Effects were not correctly installed.")
        << "a passive run fails for a named release that is missing";
    EXPECT_NE(wizard.progress_page.text.text.find("was refused: it has other names"), std::string::npos);
    EXPECT_TRUE(installed(cc));
}

// Cancel ends the wait for another run: no job starts after it.
TEST_F(Wizard, CancelEndsTheWaitForAnotherRun) {
    const std::wstring cc = release(L"12", L"CC");
    const installer::test::other_run other;
    ASSERT_TRUE(other.held);
    {
        InstallerUI wizard;
        show(wizard);
        press(wizard, wizard.next, 3);
        ASSERT_TRUE(pump_until([&] { return wizard.progress_page.text.text.rfind("Another installation", 0) == 0; }));
        popup_answer ok(L"Exit Installer", true);
        press(wizard, wizard.cancel);
        ASSERT_TRUE(pump_until([&] { return ok.answered > 0 && !IsWindowVisible(wizard.native.hwnd); }));
    }
    EXPECT_FALSE(norvik::test::exists(cc + L"\\Falkmoor"));
}

TEST_F(Wizard, OutcomeWaitsWhileTheCancelQuestionIsOpen) {
    // Held for the whole test: the job fails once its retries are used up.
    const held_module held(release(L"12", L"held"));
    ASSERT_TRUE(held.holding());
    InstallerUI wizard;
    show(wizard);
    press(wizard, wizard.next, 3);
    // The Cancel question stays open until the job has failed and a few
    // ticks of the wizard have passed; no second question may come on top.
    // Counted on the wizard's own progress ticks: of four that find the job
    // done here, the wizard's handler found it done in three at least.
    int ticks_since_done = 0;
    norvik::ui::connect(
        &wizard.progress_page.panel, norvik::ui::event_kind::timer,
        norvik::ui::event_handler([&](const norvik::ui::event_info&) { ticks_since_done += wizard.job.done ? 1 : 0; }));
    bool second_question = false;
    // Asked once the question has closed, with the wizard usable again after;
    // the answer may be needed before the click on Cancel has returned.
    popup_answer no(L"Failed to install", false, {}, [] {
        HWND question = FindWindowW(nullptr, L"Exit Installer");
        return question == nullptr || !IsWindowVisible(question);
    });
    {
        popup_answer stay(
            L"Exit Installer", false,
            [&] {
                if (HWND failed = FindWindowW(nullptr, L"Failed to install"); failed != nullptr) {
                    second_question = true;
                    PostMessageW(failed, WM_CLOSE, 0, 0);
                }
            },
            [&] { return ticks_since_done > 3; });
        press(wizard, wizard.cancel);
    }
    EXPECT_FALSE(second_question);
    ASSERT_TRUE(pump_until([&] { return wizard.finished; }));
    EXPECT_EQ(no.answered, 1);
    EXPECT_TRUE(IsWindowEnabled(wizard.native.hwnd));
}

TEST_F(Wizard, SecondStartWaitsForThePreviousRunBeforeClearingDone) {
    const std::wstring folder = release(L"12", L"held");
    held_module held(folder);
    ASSERT_TRUE(held.holding());
    InstallerUI wizard;
    show(wizard);
    press(wizard, wizard.next, 3);
    held.release_once_staged(300);
    // The first run ends (setting done) while this start waits for it; the
    // new run's done must not be that stale one.
    wizard.progress_page.start_install();
    EXPECT_FALSE(wizard.job.done);
    ASSERT_TRUE(pump_until([&] { return wizard.finished; }, 30000));
    EXPECT_TRUE(installed(folder));
}

// An error that is no standard exception, thrown by a handler once the
// program's own wizard is up and installing: the entry waits for the job,
// then says what stopped it, and the program ends with 1.
TEST_F(Wizard, EntryReportsAnErrorAfterTheWizardShowed) {
    const std::wstring folder = release(L"12", L"CC");
    const std::wstring vendor = folder + L"\\Falkmoor";
    // Keeps the job busy past the error.
    held_module held(folder);
    ASSERT_TRUE(held.holding());
    held.release_once_staged(500);

    struct {
        int stage = 0;
        std::wstring message;
        std::vector<std::wstring> files_when_told;
    } seen;
    std::optional<norvik::test::loop_timer> timer(std::in_place, [&] {
        const wchar_t title[] = L"Quendal for After Effects Installer";
        if (seen.stage == 0) {
            auto* wizard = norvik::test::toolkit_window<InstallerUI>(
                FindWindowW(norvik::ui::native_window::class_name().c_str(), title));
            if (wizard == nullptr || !wizard->native.modal_running) {
                return;
            }
            seen.stage = 1;
            wizard->set_page(wizard_page::releases);
            wizard->set_page(wizard_page::summary);
            wizard->set_page(wizard_page::progress);
            norvik::ui::connect(
                &wizard->progress_page.panel, norvik::ui::event_kind::timer,
                norvik::ui::event_handler([](const norvik::ui::event_info&) { throw _com_error(E_POINTER); }));
        } else if (HWND box = FindWindowW(L"#32770", title); seen.stage == 1 && box != nullptr) {
            wchar_t text[512] = {};
            GetDlgItemTextW(box, 0xFFFF, text, 512);
            seen.message = text;
            seen.files_when_told = files_in(vendor);
            seen.stage = 2;
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    });
    EXPECT_EQ(installer::installer_entry(L"/UAC"), 1);
    timer.reset();
    EXPECT_EQ(seen.stage, 2);
    EXPECT_EQ(seen.message.rfind(L"The installer stopped after an unexpected error:\nCOM error 0x80004003", 0), 0u)
        << std::string(seen.message.begin(), seen.message.end());
    // The job had finished by then: the module whole, no staging file.
    EXPECT_EQ(seen.files_when_told, std::vector<std::wstring>{L"Quendal.aex"});
    EXPECT_TRUE(installed(folder));
}

// A graphics device lost for good while the program's own wizard runs a
// passive install: nothing is drawn any more, but the install goes on and
// the exit code is the install's.
TEST_F(Wizard, ADeviceLostForGoodLeavesTheInstallAndItsExitCode) {
    const std::wstring folder = release(L"12", L"CC");
    const wchar_t title[] = L"Quendal for After Effects Installer";
    norvik::ui::Renderer* lost = nullptr;
    norvik::test::loop_timer timer([&] {
        auto* wizard = norvik::test::toolkit_window<InstallerUI>(
            FindWindowW(norvik::ui::native_window::class_name().c_str(), title));
        if (lost == nullptr && wizard != nullptr && wizard->native.modal_running) {
            lost = wizard->renderer.get();
            lost->simulate_device_loss(1, 1000000);
            InvalidateRect(wizard->native.hwnd, nullptr, FALSE);
        }
        // A failure that reached the entry would wait for an answer here.
        if (HWND box = FindWindowW(L"#32770", title); box != nullptr) {
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    });
    EXPECT_EQ(installer::installer_entry(L"/UAC /passive"), 0);
    EXPECT_NE(lost, nullptr);
    EXPECT_TRUE(installed(folder));
}

TEST_F(Wizard, ClosingDuringAnInstallWaitsForTheJob) {
    const std::wstring folder = release(L"12", L"held");
    const std::wstring vendor = folder + L"\\Falkmoor";
    // A scanner holding the old module for a moment keeps the job busy
    // replacing it: long enough to close the window in the middle.
    held_module held(folder);
    ASSERT_TRUE(held.holding());
    {
        InstallerUI wizard;
        show(wizard);
        press(wizard, wizard.next, 2);
        held.release_once_staged(500);
        press(wizard, wizard.next);
        EXPECT_TRUE(wizard.worker.joinable());
        EXPECT_FALSE(wizard.job.done);
        PostMessageW(wizard.native.hwnd, WM_CLOSE, 0, 0);
        pump();
    }
    EXPECT_TRUE(installed(folder));
    EXPECT_EQ(files_in(vendor), std::vector<std::wstring>{L"Quendal.aex"});
}

// The uninstall in the wizard's window: one question naming the releases
// (No changes nothing), the retry question for a module still held (No
// keeps it recorded), then the rest removed.
TEST_F(Wizard, UninstallAsksOnceAndKeepsWhatItCouldNotRemove) {
    const std::wstring cc = installer::test::previous_module(scratch + L"\\CC");
    const std::wstring cc2015 = installer::test::previous_module(scratch + L"\\CC2015");
    ASSERT_EQ(installer::installed_apps_entry::record({{"CC", cc}, {"CC2015", cc2015}}, L"C:\\x.exe"), 0u);
    installer::wizard_options options;
    options.uninstall = true;
    const auto uninstall = [&](bool yes, std::function<void()> with_question = {}) {
        popup_answer question(L"Uninstall Quendal for After Effects", yes);
        popup_answer retry(L"Failed to remove", false);
        InstallerUI wizard(options);
        // Shown as the program shows it, without waiting for the focus: the
        // question comes at once and, answered No, closes the window.
        ShowWindow(wizard.native.hwnd, SW_SHOW);
        EXPECT_TRUE(pump_until([&] { return (question.answered > 0 && !yes) || wizard.finished; }, 30000));
        EXPECT_EQ(question.message,
                  "Quendal for After Effects will be removed from CC and CC2015.\n\nDo you want to continue?");
        if (with_question) {
            with_question();
            EXPECT_EQ(retry.message, "The removal of Quendal for After Effects CC failed!\nError code: 40 Please "
                                     "contact support.\n\nDo you want to retry?");
            EXPECT_EQ(wizard.uninstall_page.header.text,
                      "Some components of Quendal for After Effects could not be removed.");
        }
        wizard.finish_run();
        return wizard.exit_code();
    };
    EXPECT_EQ(uninstall(false), 1602);
    EXPECT_TRUE(norvik::test::exists(cc) && norvik::test::exists(cc2015));
    {
        const held_module held(scratch + L"\\CC");
        EXPECT_EQ(uninstall(true, [] {}), 1603);
    }
    EXPECT_FALSE(norvik::test::exists(scratch + L"\\CC2015\\Falkmoor")) << "module and its emptied vendor folder";
    ASSERT_EQ(installer::installed_apps_entry::modules().size(), 1u);
    EXPECT_EQ(installer::installed_apps_entry::modules().front().release, "CC");
}

} // namespace
