// The top-level window and its system window: class registration, the modal
// loop with owners, closing and dropped messages, mouse tracking, placement,
// cursors, exceptions thrown by handlers, destruction, and the client size
// and painting at 96 dots per inch. Its timers are in window_timer_test.cpp,
// 144 dots per inch and a class name already taken in window_dpi_test.cpp.

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <ole2.h>

#include "tests/window_test_support.h"
#include "ui/core/cursor_shape.h"

namespace {

using norvik::test::green;
using norvik::test::in_child;
using norvik::test::move_pointer;
using norvik::test::paint_solid;
using norvik::test::pixel;
using norvik::test::pump;
using norvik::test::red;
using norvik::test::Window;
using norvik::ui::connect;
using norvik::ui::event_handler;
using norvik::ui::event_info;
using norvik::ui::event_kind;
using norvik::ui::rect;
using norvik::ui::widget;
using lines = std::vector<std::string>;

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

} // namespace
