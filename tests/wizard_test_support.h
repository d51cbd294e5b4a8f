#pragma once

// Runs the installer's wizard in the test's own process, on real registry
// keys and real folders of the test prefix (see host_fixture.h): pointer
// presses on its controls, and pop-ups answered from a thread timer, which
// the pop-up's own modal loop dispatches.

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <utility>

#include <windows.h>
#include <gtest/gtest.h>

#include "installer/install_lock.h"
#include "installer/installer_ui.h"
#include "tests/host_fixture.h"
#include "tests/module_files.h"
#include "tests/test_files.h"
#include "tests/widget_test_support.h"
#include "ui/controls/message_popup.h"

namespace installer::test {

inline void show(InstallerUI& wizard) {
    norvik::ui::emit(&wizard, norvik::ui::event_kind::shown, 0);
    ASSERT_TRUE(norvik::test::show_and_activate(wizard));
}

// Presses a control of the wizard, `times` times over (Next three times from
// the welcome page starts the install).
inline void press(InstallerUI& wizard, const norvik::ui::widget& w, int times = 1) {
    for (int i = 0; i < times; ++i) {
        norvik::test::click(wizard, norvik::test::centre(w));
    }
}

// Answers the next pop-up with `title` from inside its modal loop, once
// `ready` holds (at once without it): records its message, runs `before` (to
// change the world while the question is open) and then presses Enter (the
// first button) or closes it. Several may wait at once, each for its own
// question.
class popup_answer {
public:
    popup_answer(const wchar_t* title, bool first_button, std::function<void()> before = {},
                 std::function<bool()> ready = {})
        : title_(title), first_(first_button), before_(std::move(before)), ready_(std::move(ready)) {}

    int answered = 0;
    std::string message;

private:
    void tick() {
        HWND popup = FindWindowW(nullptr, title_);
        auto* box = popup != nullptr && IsWindowVisible(popup)
                        ? norvik::test::toolkit_window<norvik::ui::MessagePopup>(popup)
                        : nullptr;
        if (box == nullptr || !box->native.modal_running || (ready_ && !ready_())) {
            return;
        }
        message = box->message;
        if (before_) {
            before_();
        }
        ++answered;
        if (first_) {
            PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
        } else {
            PostMessageW(popup, WM_CLOSE, 0, 0);
        }
    }

    const wchar_t* title_;
    bool first_;
    std::function<void()> before_;
    std::function<bool()> ready_;
    norvik::test::loop_timer timer_{[this] { tick(); }}; // last: stopped before the rest goes
};

// Watches from another thread for a top-level window titled `title` while it
// lives: remembers whether one showed up and closes it (a cancel) at once,
// or, as a watchdog that keeps a broken run from hanging the test, only
// after `close_after_ms`.
class window_watch {
public:
    explicit window_watch(const wchar_t* title, DWORD close_after_ms = 0)
        : thread_([this, title, close_after_ms](std::stop_token stop) {
              const ULONGLONG started = GetTickCount64();
              while (!stop.stop_requested() && GetTickCount64() - started < close_after_ms + 20000) {
                  if (HWND found = FindWindowW(nullptr, title); found != nullptr && IsWindowVisible(found)) {
                      appeared = true;
                      if (GetTickCount64() - started >= close_after_ms) {
                          PostMessageW(found, WM_CLOSE, 0, 0);
                      }
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(100));
              }
          }) {}

    std::atomic<bool> appeared{false};

private:
    std::jthread thread_;
};

// Another run of the installer: the machine-wide install lock, held on a
// thread of its own (a mutex taken again by the thread that holds it is
// simply taken twice) until this goes.
class other_run {
public:
    other_run()
        : thread_([this](std::stop_token stop) {
              const install_lock lock = install_lock::try_take();
              held = lock.held();
              taken.test_and_set();
              taken.notify_all();
              while (!stop.stop_requested()) {
                  std::this_thread::sleep_for(std::chrono::milliseconds(10));
              }
          }) {
        taken.wait(false);
    }

    std::atomic<bool> held{false};

private:
    std::atomic_flag taken;
    std::jthread thread_; // last: stopped and joined before the rest goes
};

} // namespace installer::test
