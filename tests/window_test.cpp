// The top-level window and its system window: class registration, the modal
// loop with owners, closing and dropped messages, mouse tracking, timers,
// placement, cursors, exceptions thrown by handlers, destruction, and the
// client size and painting at 96 and 144 dots per inch.

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <ole2.h>

#include "render/image.h"
#include "render/renderer.h"
#include "resources/embedded_images.h"
#include "tests/child_process.h"
#include "tests/widget_test_support.h"
#include "ui/core/cursor_shape.h"
#include "ui/core/widget.h"
#include "ui/core/window.h"

namespace {

using norvik::test::event_log;
using norvik::test::move_pointer;
using norvik::test::pump;
using norvik::ui::connect;
using norvik::ui::event_handler;
using norvik::ui::event_info;
using norvik::ui::event_kind;
using norvik::ui::rect;
using norvik::ui::widget;
using lines = std::vector<std::string>;

// Scenarios that must run in a fresh process (the class is registered once
// per process; the density is read at process start) run only when the
// parent test starts this program again with this variable set.
constexpr wchar_t child_variable[] = L"NORVIK_WINDOW_TEST_CHILD";

bool in_child() {
    return GetEnvironmentVariableW(child_variable, nullptr, 0) != 0;
}

// Runs this test program again with a gtest filter and returns its exit code.
DWORD run_child(const std::wstring& filter) {
    SetEnvironmentVariableW(child_variable, L"1");
    const norvik::test::child_process child(norvik::test::this_program(), L"--gtest_filter=" + filter);
    SetEnvironmentVariableW(child_variable, nullptr);
    return child.wait(INFINITE);
}

// Sets the screen density that processes started from now on see, and puts
// the previous value back.
class screen_density {
public:
    explicit screen_density(DWORD dpi) {
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                        &key_, nullptr);
        DWORD size = sizeof(previous_);
        had_value_ = RegQueryValueExW(key_, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&previous_),
                                      &size) == ERROR_SUCCESS;
        RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof(dpi));
    }
    ~screen_density() {
        if (had_value_) {
            RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&previous_),
                           sizeof(previous_));
        } else {
            RegDeleteValueW(key_, L"LogPixels");
        }
        RegCloseKey(key_);
    }
    screen_density(const screen_density&) = delete;
    screen_density& operator=(const screen_density&) = delete;

private:
    HKEY key_ = nullptr;
    DWORD previous_ = 96;
    bool had_value_ = false;
};

using pixel = x11_capture::pixel;
constexpr pixel red{255, 0, 0};
constexpr pixel green{0, 255, 0};

// Fills the widget with a solid colour whenever it is painted.
void paint_solid(norvik::ui::window& w, widget& target, const norvik::ui::Color& colour) {
    connect(&target, event_kind::paint, event_handler([&w, &target, colour](const event_info&) {
        w.renderer->set_fill_color(colour);
        w.renderer->fill_rect({0, 0, target.rect.width, target.rect.height});
    }));
}

class Window : public ::testing::Test {
protected:
    void SetUp() override {
        if (in_child()) {
            GTEST_SKIP() << "parent-only test";
        }
        SetCursorPos(0, 0);
        w.create("window test", {120, 80, 400, 300});
    }

    // Runs `action` from inside the modal loop, once the loop is waiting.
    void from_loop(std::function<void()> action) {
        later_ = std::move(action);
        connect(&w.root, event_kind::timer, event_handler([this](const event_info& info) {
            if (info.value == 999 && later_) {
                auto action = std::move(later_);
                later_ = nullptr;
                action();
            }
        }));
        w.native.start_timer(w.root, 999, 1, true);
    }

    norvik::ui::window w;
    event_log log;

private:
    std::function<void()> later_;
};

TEST_F(Window, TheClassIsRegisteredOnceWithDoubleClicks) {
    wchar_t name[64]{};
    GetClassNameW(w.native.hwnd, name, 64);
    EXPECT_STREQ(name, L"NORVIK_WINDOW_CLASS");
    EXPECT_EQ(GetClassLongPtrW(w.native.hwnd, GCL_STYLE), static_cast<ULONG_PTR>(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS));
    // A fixed-size captioned window with a close box; the system adds
    // WS_CLIPSIBLINGS to every top-level window.
    EXPECT_EQ(w.native.style, 0x02C80000u);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(w.native.hwnd, GWL_STYLE)) & ~static_cast<DWORD>(WS_CLIPSIBLINGS),
              0x02C80000u);
    EXPECT_FALSE(IsWindowVisible(w.native.hwnd)) << "create leaves the window hidden";

    norvik::ui::window second;
    second.create("second", {0, 0, 100, 100});
    GetClassNameW(second.native.hwnd, name, 64);
    EXPECT_STREQ(name, L"NORVIK_WINDOW_CLASS");
}

TEST_F(Window, ClientAreaAndRootAt96Dpi) {
    ASSERT_EQ(w.native.dpi_x, 96) << "the test environment runs at 96 dpi";
    paint_solid(w, w.root, {1, 0, 0, 1});
    RECT client{};
    GetClientRect(w.native.hwnd, &client);
    EXPECT_EQ(client.right, 400);
    EXPECT_EQ(client.bottom, 300);
    EXPECT_EQ(w.root.rect, (rect{0, 0, 400, 300}));
    wchar_t title[64]{};
    GetWindowTextW(w.native.hwnd, title, 64);
    EXPECT_STREQ(title, L"window test");

    ASSERT_TRUE(norvik::test::show_and_activate(w));
    const x11_capture shot =
        norvik::test::settled_capture(w, [](const x11_capture& s) { return s.at(399, 299) == red; });
    EXPECT_EQ(shot.at(0, 0), red);
    EXPECT_EQ(shot.at(399, 299), red);
}

TEST_F(Window, AnInvalidUtf8TitleIsABadConversion) {
    norvik::ui::window bad;
    try {
        bad.create("bad \xC3\x28 title", {0, 0, 100, 100});
        FAIL() << "no exception";
    } catch (const std::range_error& e) {
        EXPECT_STREQ(e.what(), "bad conversion");
    }
}

TEST_F(Window, TheOwnerIsDisabledWhileThePopupRunsAndFocusedAfter) {
    ShowWindow(w.native.hwnd, SW_SHOW);
    pump();
    norvik::ui::window popup;
    popup.owner = &w;
    popup.create("popup", {200, 200, 200, 100});
    EXPECT_EQ(GetWindow(popup.native.hwnd, GW_OWNER), w.native.hwnd);
    log.watch(popup, "popup", {event_kind::shown, event_kind::hidden});

    bool owner_enabled_while_running = true;
    bool visible_while_running = false;
    int ticks = 0;
    int settled = 0;
    connect(&popup.root, event_kind::timer, event_handler([&](const event_info&) {
        // The window manager maps and focuses the popup a little
        // after it shows; ending before that settles would let its
        // focus change arrive after the owner took the focus back.
        settled = GetFocus() == popup.native.hwnd ? settled + 1 : 0;
        if (settled < 5 && ++ticks < 300) {
            return;
        }
        popup.native.stop_timer(popup.root, 1);
        owner_enabled_while_running = IsWindowEnabled(w.native.hwnd) != FALSE;
        visible_while_running = IsWindowVisible(popup.native.hwnd) != FALSE;
        popup.end_modal(5);
    }));
    popup.native.start_timer(popup.root, 1, 10, false);

    EXPECT_EQ(popup.show_modal(), 5);
    EXPECT_FALSE(owner_enabled_while_running);
    EXPECT_TRUE(visible_while_running);
    EXPECT_TRUE(IsWindowEnabled(w.native.hwnd));
    EXPECT_EQ(GetFocus(), w.native.hwnd);
    EXPECT_FALSE(IsWindowVisible(popup.native.hwnd));
    EXPECT_TRUE(IsWindow(popup.native.hwnd)) << "ending hides the window, it does not destroy it";
    EXPECT_EQ(log.take(), (lines{"popup:shown:0", "popup:hidden:0"}));
}

TEST_F(Window, TheCloseBoxEndsTheLoopWithZeroAndNoHiddenEvent) {
    log.watch(w, "window", {event_kind::shown, event_kind::hidden});
    w.modal_result = 9;
    // What the close box sends.
    from_loop([this] { PostMessageW(w.native.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0); });
    EXPECT_EQ(w.show_modal(), 0);
    EXPECT_EQ(log.take(), (lines{"window:shown:0"}));
    EXPECT_FALSE(IsWindowVisible(w.native.hwnd));

    // It can run again.
    from_loop([this] { w.end_modal(3); });
    EXPECT_EQ(w.show_modal(), 3);
    EXPECT_EQ(log.take(), (lines{"window:shown:0", "window:hidden:0"}));
}

TEST_F(Window, AnEndRequestedWhileTheWindowShowsEndsTheLoop) {
    // The first paint comes from showing the window, before any message is
    // taken from the queue.
    connect(&w.root, event_kind::paint, event_handler([this](const event_info&) { w.end_modal(7); }));
    EXPECT_EQ(w.show_modal(), 7);
    EXPECT_FALSE(IsWindowVisible(w.native.hwnd));
}

TEST_F(Window, AMessageQueuedWhenTheLoopEndsIsDropped) {
    constexpr UINT probe = WM_APP + 5;
    from_loop([this] {
        PostThreadMessageW(GetCurrentThreadId(), probe, 0, 0);
        w.end_modal(1);
    });
    EXPECT_EQ(w.show_modal(), 1);
    MSG message{};
    EXPECT_FALSE(PeekMessageW(&message, nullptr, probe, probe, PM_REMOVE));
}

TEST_F(Window, TheFirstMoveIntoTheClientAreaIsSwallowed) {
    widget target;
    target.create(w.root, {0, 0, 200, 200});
    log.watch(target, "target", {event_kind::mouse_enter, event_kind::mouse_move});
    ASSERT_TRUE(norvik::test::show_and_activate(w));
    // Showing and placing the window may have produced a move already: with
    // the pointer off the window the system reports the leave shortly.
    RECT outer{};
    GetWindowRect(w.native.hwnd, &outer);
    SetCursorPos(outer.left > 20 ? outer.left - 20 : outer.right + 20, outer.top);
    ASSERT_TRUE(norvik::test::pump_until([this] { return !w.mouse_tracking; }));
    log.take();

    move_pointer(w, {50, 50});
    EXPECT_TRUE(w.mouse_tracking);
    EXPECT_TRUE(log.take().empty());
    move_pointer(w, {60, 60});
    EXPECT_EQ(log.take(), (lines{"target:mouse_enter:0"}));
    move_pointer(w, {70, 70});
    EXPECT_EQ(log.take(), (lines{"target:mouse_move:0"}));
    // The window procedure's own answer: 0 once the mouse is tracked.
    EXPECT_EQ(SendMessageW(w.native.hwnd, WM_MOUSEMOVE, 0, 0), 0);
    w.mouse_tracking = false;
    EXPECT_EQ(SendMessageW(w.native.hwnd, WM_MOUSEMOVE, 0, 0), 1);
}

TEST_F(Window, TimerIdentifiersStartAtOneAndAreNeverReused) {
    widget a;
    a.create(w.root, {0, 0, 10, 10});
    EXPECT_EQ(w.native.start_timer(a, 1, 1000, false), 1u);
    w.native.stop_timer(a, 1);
    EXPECT_TRUE(w.native.timers.empty());
    EXPECT_EQ(w.native.start_timer(a, 1, 1000, false), 2u);
    EXPECT_EQ(w.native.start_timer(w, 1, 1000, false), 3u);
    w.native.stop_timer(a, 77); // unknown: nothing happens
    EXPECT_EQ(w.native.timers.size(), 2u);
}

TEST_F(Window, AOneShotTimerFiresOnceAndARepeatingOneUntilStopped) {
    widget once;
    widget again;
    once.create(w.root, {0, 0, 10, 10});
    again.create(w.root, {10, 0, 10, 10});
    int once_count = 0;
    int again_count = 0;
    connect(&once, event_kind::timer, event_handler([&](const event_info& info) {
        EXPECT_EQ(info.value, 7u);
        ++once_count;
    }));
    connect(&again, event_kind::timer, event_handler([&](const event_info& info) {
        EXPECT_EQ(info.value, 8u);
        if (++again_count == 5) {
            w.native.stop_timer(again, 8);
            w.end_modal(0);
        }
    }));
    w.native.start_timer(once, 7, 1, true);
    w.native.start_timer(again, 8, 1, false);
    w.show_modal();
    EXPECT_EQ(once_count, 1);
    EXPECT_EQ(again_count, 5);
    EXPECT_TRUE(w.native.timers.empty());
}

TEST_F(Window, AOneShotTimerRestartedByItsHandlerFiresAgain) {
    widget pulse;
    pulse.create(w.root, {0, 0, 10, 10});
    int count = 0;
    connect(&pulse, event_kind::timer, event_handler([&](const event_info&) {
        if (++count < 3) {
            w.native.start_timer(pulse, 4, 1, true);
        } else {
            w.end_modal(0);
        }
    }));
    w.native.start_timer(pulse, 4, 1, true);
    w.show_modal();
    EXPECT_EQ(count, 3);
    EXPECT_TRUE(w.native.timers.empty());
}

TEST_F(Window, TimersStopWithTheirWidgetAndAOneShotIsNotEnteredAgain) {
    // A widget destroyed with its timer running; a new one built at the same
    // address must not receive that timer.
    std::optional<widget> slot;
    slot.emplace();
    slot->create(w.root, {0, 0, 10, 10});
    w.native.start_timer(*slot, 3, 1, false);
    slot.reset();
    EXPECT_TRUE(w.native.timers.empty());
    slot.emplace();
    slot->create(w.root, {0, 0, 10, 10});
    int stray = 0;
    connect(&*slot, event_kind::timer, event_handler([&](const event_info&) { ++stray; }));

    // A one-shot timer whose handler runs a nested modal loop.
    norvik::ui::window nested;
    nested.create("nested", {0, 0, 100, 100});
    int nested_ticks = 0;
    connect(&nested.root, event_kind::timer, event_handler([&](const event_info&) {
        if (++nested_ticks == 5) {
            nested.end_modal(0);
        }
    }));
    widget once;
    once.create(w.root, {20, 0, 10, 10});
    int entries = 0;
    connect(&once, event_kind::timer, event_handler([&](const event_info&) {
        if (++entries > 1) {
            return;
        }
        nested.native.start_timer(nested.root, 1, 10, false);
        nested.show_modal();
        nested.native.stop_timer(nested.root, 1);
        w.end_modal(0);
    }));
    w.native.start_timer(once, 1, 1, true);
    w.show_modal();
    EXPECT_EQ(entries, 1);
    EXPECT_EQ(nested_ticks, 5);
    EXPECT_EQ(stray, 0);
}

TEST_F(Window, AnExceptionFromAHandlerLeavesTheLoopAndNotTheWindowProcedure) {
    norvik::ui::window popup;
    ShowWindow(w.native.hwnd, SW_SHOW);
    popup.owner = &w;
    popup.create("popup", {0, 0, 100, 100});
    connect(&popup.root, event_kind::timer,
            event_handler([](const event_info&) { throw std::runtime_error("handler failed"); }));
    popup.native.start_timer(popup.root, 1, 1, false);
    try {
        popup.show_modal();
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "handler failed");
    }
    EXPECT_FALSE(popup.native.modal_running);
    EXPECT_FALSE(IsWindowVisible(popup.native.hwnd));
    EXPECT_TRUE(IsWindowEnabled(w.native.hwnd));
}

TEST_F(Window, AnExceptionComesOutOfTheOperationThatCausedIt) {
    // A resized handler failing inside SetWindowPos.
    bool fail_resize = true;
    connect(&w.root, event_kind::resized, event_handler([&](const event_info&) {
        if (std::exchange(fail_resize, false)) {
            throw std::runtime_error("resize failed");
        }
    }));
    try {
        w.set_window_rect({100, 100, 300, 200});
        ADD_FAILURE() << "set_window_rect threw nothing";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "resize failed");
    }

    // A pop-up's handler fails, and while its loop is being left the owner's
    // focus handler fails as well: the cause comes out of show_modal, the
    // consequence goes nowhere.
    ShowWindow(w.native.hwnd, SW_SHOW);
    pump();
    norvik::ui::window popup;
    popup.owner = &w;
    popup.create("popup", {0, 0, 100, 100});
    bool fail_focus = false;
    bool focus_failed = false;
    connect(&w, event_kind::focus_gained, event_handler([&](const event_info&) {
        if (std::exchange(fail_focus, false)) {
            focus_failed = true;
            throw std::logic_error("focus failed");
        }
    }));
    connect(&popup.root, event_kind::timer, event_handler([&](const event_info&) {
        SetFocus(popup.native.hwnd);
        fail_focus = true;
        throw std::runtime_error("timer failed");
    }));
    popup.native.start_timer(popup.root, 1, 1, true);
    try {
        popup.show_modal();
        ADD_FAILURE() << "show_modal threw nothing";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "timer failed");
    }
    EXPECT_TRUE(focus_failed) << "the owner took the focus back";

    // Neither exception is left for the next loop.
    from_loop([this] { w.end_modal(4); });
    EXPECT_EQ(w.show_modal(), 4);
}

TEST_F(Window, AThrowingPaintHandlerDoesNotLeaveTheWindowInvalid) {
    connect(&w.root, event_kind::paint,
            event_handler([](const event_info&) { throw std::logic_error("paint failed"); }));
    EXPECT_THROW(w.show_modal(), std::logic_error);
    RECT update{};
    EXPECT_FALSE(GetUpdateRect(w.native.hwnd, &update, FALSE));
    EXPECT_TRUE(w.renderer != nullptr);
    EXPECT_EQ(w.paint_origin, (norvik::ui::point{0, 0}));
}

TEST_F(Window, PlacementConvertsBetweenOuterPixelsAndLogicalClientSize) {
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, w.native.style, FALSE, w.native.ex_style);

    w.set_window_rect({200, 150, 300, 200});
    RECT outer{};
    GetWindowRect(w.native.hwnd, &outer);
    EXPECT_EQ(outer.left, 200);
    EXPECT_EQ(outer.top, 150);
    EXPECT_EQ(outer.right - outer.left, 300 + frame.right - frame.left);
    EXPECT_EQ(w.get_window_rect(), (rect{200 - frame.left, 150 - frame.top, 300, 200}));
    EXPECT_EQ(w.root.rect, (rect{0, 0, 300, 200})) << "WM_SIZE resizes the root";
}

TEST_F(Window, CentringUsesTheOwnerOrTheScreenWithinTheWorkArea) {
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, w.native.style, FALSE, w.native.ex_style);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(nullptr, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT work = monitor.rcWork;

    w.center_window();
    RECT outer{};
    GetWindowRect(w.native.hwnd, &outer);
    EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - 400) / 2);
    EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - 300) / 2);

    norvik::ui::window popup;
    popup.owner = &w;
    popup.create("popup", {0, 0, 200, 100});
    w.set_window_rect({300, 200, 400, 300});
    RECT owner_rect{};
    GetWindowRect(w.native.hwnd, &owner_rect);
    popup.center_window();
    GetWindowRect(popup.native.hwnd, &outer);
    EXPECT_EQ(outer.left, owner_rect.left + (owner_rect.right - 200 - owner_rect.left) / 2);
    EXPECT_EQ(outer.top, owner_rect.top + (owner_rect.bottom - 100 - owner_rect.top) / 2);

    // An owner hanging off the right and bottom edges: pulled back inside.
    w.set_window_rect({work.right - 100, work.bottom - 50, 400, 300});
    popup.center_window();
    GetWindowRect(popup.native.hwnd, &outer);
    EXPECT_EQ(outer.right, work.right);
    EXPECT_EQ(outer.bottom, work.bottom);

    // Off the left and top edges: one pixel inside.
    w.set_window_rect({work.left - 1000, work.top - 1000, 400, 300});
    popup.center_window();
    GetWindowRect(popup.native.hwnd, &outer);
    EXPECT_EQ(outer.left, work.left + 1);
    EXPECT_EQ(outer.top, work.top + 1);
}

TEST_F(Window, TrackingLimitsAreTheClientLimitsPlusTheFrame) {
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, w.native.style, FALSE, w.native.ex_style);
    w.native.min_client_width = 150;
    w.native.min_client_height = 100;
    MINMAXINFO info{};
    SendMessageW(w.native.hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 150 + frame.right - frame.left);
    EXPECT_EQ(info.ptMinTrackSize.y, 100 + frame.bottom - frame.top);
    EXPECT_EQ(info.ptMaxTrackSize.x, 100000 + frame.right - frame.left);
    EXPECT_EQ(info.ptMaxTrackSize.y, 100000 + frame.bottom - frame.top);
}

TEST_F(Window, EachCursorShapeSelectsItsSystemCursor) {
    const LPCWSTR expected[] = {IDC_ARROW, IDC_CROSS, IDC_SIZEWE,   IDC_SIZENS,  IDC_SIZENWSE,
                                IDC_IBEAM, IDC_HAND,  IDC_SIZENWSE, IDC_SIZENESW};
    for (int shape = 0; shape < 9; ++shape) {
        norvik::ui::set_cursor(static_cast<norvik::ui::cursor_shape>(shape));
        EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, expected[shape])) << "shape " << shape;
    }
    norvik::ui::set_cursor(norvik::ui::cursor_shape::arrow);
}

TEST_F(Window, ASmallWindowOpensPaintsTakesAClickAndCloses) {
    widget button;
    button.create(w.root, {150, 100, 100, 50});
    paint_solid(w, w.root, {1, 0, 0, 1});
    paint_solid(w, button, {0, 1, 0, 1});
    connect(&button, event_kind::mouse_up, event_handler([this](const event_info&) { w.end_modal(42); }));

    pixel root_pixel;
    pixel button_pixel;
    from_loop([&] {
        const x11_capture shot =
            norvik::test::settled_capture(w, [](const x11_capture& s) { return s.at(200, 125) == green; });
        root_pixel = shot.at(10, 10);
        button_pixel = shot.at(200, 125);
        const POINT p = norvik::test::screen_point(w, {200, 125});
        SetCursorPos(p.x, p.y);
        PostMessageW(w.native.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
        PostMessageW(w.native.hwnd, WM_LBUTTONUP, 0, 0);
    });
    EXPECT_EQ(w.show_modal(), 42);
    EXPECT_EQ(root_pixel, red);
    EXPECT_EQ(button_pixel, green);
}

// Destruction must give back everything the window took from the system.
TEST(WindowLifetime, DestructionRevokesTheDropTargetDestroysTheWindowAndUninitialisesOle) {
    if (in_child()) {
        GTEST_SKIP() << "parent-only test";
    }
    HWND hwnd = nullptr;
    {
        norvik::ui::window w;
        w.create("short-lived", {0, 0, 100, 100});
        hwnd = w.native.hwnd;
        EXPECT_EQ(RegisterDragDrop(hwnd, &w.native.drop_target), DRAGDROP_E_ALREADYREGISTERED);
    }
    EXPECT_FALSE(IsWindow(hwnd));
    // S_OK (not S_FALSE): the window's OleInitialize was balanced.
    EXPECT_EQ(OleInitialize(nullptr), S_OK);
    OleUninitialize();
}

TEST(WindowClass, AClassOfTheSameNameAlreadyRegisteredGetsOneTrailingZero) {
    if (in_child()) {
        GTEST_SKIP() << "parent-only test";
    }
    EXPECT_EQ(run_child(L"WindowChild.ClassNameTakenByAnotherCopy"), 0u);
}

TEST(WindowDpi, At144DpiTheClientAreaIsScaledAndTheRootIsNot) {
    if (in_child()) {
        GTEST_SKIP() << "parent-only test";
    }
    screen_density density(144);
    EXPECT_EQ(run_child(L"WindowChild.At144Dpi"), 0u);
}

// --- run in a child process only ---

TEST(WindowChild, ClassNameTakenByAnotherCopy) {
    if (!in_child()) {
        GTEST_SKIP() << "runs in a child process";
    }
    WNDCLASSEXW other{};
    other.cbSize = sizeof(other);
    other.lpfnWndProc = DefWindowProcW;
    other.hInstance = GetModuleHandleW(nullptr);
    other.lpszClassName = L"NORVIK_WINDOW_CLASS";
    ASSERT_NE(RegisterClassExW(&other), 0);

    norvik::ui::window first;
    first.create("first", {0, 0, 100, 100});
    norvik::ui::window second;
    second.create("second", {0, 0, 100, 100});
    wchar_t name[64]{};
    GetClassNameW(first.native.hwnd, name, 64);
    EXPECT_STREQ(name, L"NORVIK_WINDOW_CLASS0");
    GetClassNameW(second.native.hwnd, name, 64);
    EXPECT_STREQ(name, L"NORVIK_WINDOW_CLASS0");
}

TEST(WindowChild, At144Dpi) {
    if (!in_child()) {
        GTEST_SKIP() << "runs in a child process";
    }
    SetCursorPos(0, 0);
    norvik::ui::window w;
    w.create("dense", {100, 100, 400, 300});
    ASSERT_EQ(w.native.dpi_x, 144);
    ASSERT_EQ(w.native.dpi_y, 144);
    RECT client{};
    GetClientRect(w.native.hwnd, &client);
    EXPECT_EQ(client.right, 600);
    EXPECT_EQ(client.bottom, 450);
    EXPECT_EQ(w.root.rect, (rect{0, 0, 400, 300}));

    widget box;
    box.create(w.root, {10, 10, 101, 101});
    paint_solid(w, w.root, {1, 0, 0, 1});
    paint_solid(w, box, {0, 1, 0, 1});
    ASSERT_TRUE(norvik::test::show_and_activate(w));

    // A full repaint covers every device pixel, up to the last row and column.
    const x11_capture shot =
        norvik::test::settled_capture(w, [](const x11_capture& s) { return s.at(16, 16) == green; });
    ASSERT_EQ(shot.width(), 600);
    ASSERT_EQ(shot.height(), 450);
    for (int x = 0; x < 600; ++x) {
        ASSERT_EQ(shot.at(x, 449), red) << "x " << x;
    }
    for (int y = 0; y < 450; ++y) {
        ASSERT_EQ(shot.at(599, y), red) << "y " << y;
    }
    EXPECT_EQ(shot.at(16, 16), green);
    // The box spans logical 10 to 111, device pixels 15 to 166.5: scaled as
    // a whole, not cut short by its clip.
    EXPECT_EQ(shot.at(14, 14), red);
    EXPECT_EQ(shot.at(15, 15), green);
    EXPECT_EQ(shot.at(165, 165), green);
    EXPECT_EQ(shot.at(165, 15), green);
    EXPECT_EQ(shot.at(167, 167), red);

    // invalidate asks for device pixels, widened to whole pixels.
    ValidateRect(w.native.hwnd, nullptr);
    box.invalidate();
    RECT update{};
    GetUpdateRect(w.native.hwnd, &update, FALSE);
    EXPECT_EQ(update.left, 15);
    EXPECT_EQ(update.top, 15);
    EXPECT_EQ(update.right, 167);
    EXPECT_EQ(update.bottom, 167);

    // A repaint of one device pixel at a fractional logical position still
    // reaches the widget under it.
    int box_paints = 0;
    connect(&box, event_kind::paint, event_handler([&](const event_info&) { ++box_paints; }));
    ValidateRect(w.native.hwnd, nullptr);
    const RECT one{165, 165, 166, 166};
    InvalidateRect(w.native.hwnd, &one, FALSE);
    UpdateWindow(w.native.hwnd);
    EXPECT_EQ(box_paints, 1);

    // The pointer is converted with the screen's density.
    event_log log;
    log.watch(box, "box", {event_kind::mouse_down});
    norvik::test::click(w, {100, 100});
    norvik::test::click(w, {120, 120});
    EXPECT_EQ(log.take(), (lines{"box:mouse_down:0"}));

    // Resizing converts the new client size back to logical units.
    w.set_window_rect({100, 100, 500, 400});
    GetClientRect(w.native.hwnd, &client);
    EXPECT_EQ(client.right, 750);
    EXPECT_EQ(client.bottom, 600);
    EXPECT_EQ(w.root.rect, (rect{0, 0, 500, 400}));
    EXPECT_EQ(w.get_window_rect().width, 500);

    // Pictures scale with everything else: the 160 x 310 logo covers 240 x
    // 465 pixels, and a check-box frame 21 x 21, showing that frame alone.
    using namespace norvik::resources;
    norvik::ui::Image logo;
    norvik::ui::Image boxes;
    ASSERT_TRUE(logo.load(side_picture_png, side_picture_png_size, 1.0f));
    ASSERT_TRUE(boxes.load(checkbox_sprite_png, checkbox_sprite_png_size, 1.0f));
    widget pictures;
    pictures.create(w.root, {0, 0, 300, 320});
    connect(&pictures, event_kind::paint, event_handler([&](const event_info&) {
        w.renderer->draw_image({0, 0}, logo);
        w.renderer->draw_image_part({200, 20}, boxes, {0, 0, 14, 14}); // unchecked, grey
    }));
    const x11_capture pics =
        norvik::test::settled_capture(w, [](const x11_capture& s) { return !(s.at(100, 100) == green); });
    for (int i = 0; i < 15; ++i) {
        EXPECT_TRUE(pics.at(239, i * 31) != red && pics.at(240, i * 31) == red) << "logo row " << i * 31;
        EXPECT_TRUE(pics.at(i * 16, 464) != red && pics.at(i * 16, 465) == red) << "logo column " << i * 16;
    }
    for (int y = 30; y <= 51; ++y) {
        for (int x = 300; x <= 321; ++x) {
            const pixel p = pics.at(x, y);
            ASSERT_EQ(p == red, x == 321 || y == 51) << x << "," << y;
            ASSERT_LT(p.b, p.r + 40) << x << "," << y << ": no strip of the checked frame's blue";
        }
    }
}

} // namespace
