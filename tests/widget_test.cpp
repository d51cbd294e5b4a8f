// The widget tree inside a real toolkit window: creation and geometry
// events, visibility and enabled hand-down, hit testing, routing of mouse,
// wheel, keyboard and focus input, and painting order, all driven through
// the window procedure.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/widget_test_support.h"
#include "ui/core/mouse_capture.h"
#include "ui/core/widget.h"
#include "ui/core/window.h"

namespace {

using norvik::test::click;
using norvik::test::event_log;
using norvik::test::move_pointer;
using norvik::test::post;
using norvik::test::pump;
using norvik::ui::event_kind;
using norvik::ui::rect;
using norvik::ui::widget;
using lines = std::vector<std::string>;

constexpr auto mouse_kinds = {event_kind::mouse_down,  event_kind::mouse_up,    event_kind::mouse_double_click,
                              event_kind::mouse_enter, event_kind::mouse_leave, event_kind::mouse_move};
constexpr auto focus_kinds = {event_kind::focus_gained, event_kind::focus_lost};

class WidgetTree : public ::testing::Test {
protected:
    void SetUp() override {
        // Off the window's area, so that showing it generates no stray move.
        SetCursorPos(0, 0);
        w.create("widget tree", {100, 100, 400, 300});
    }

    // Shows the window, puts the pointer on the root so that the mouse is
    // tracked (the first move is swallowed) and forgets what that raised.
    void show() {
        ASSERT_TRUE(norvik::test::show_and_activate(w));
        move_pointer(w, {398, 298});
        move_pointer(w, {397, 297});
        log.take();
    }

    // The window first: its widgets are destroyed before it, as in a real
    // window class.
    norvik::ui::window w;
    event_log log;
};

TEST_F(WidgetTree, CreatingRaisesShownThenChildAddedThenAttached) {
    EXPECT_EQ(w.root.rect, (rect{0, 0, 400, 300})) << "the window's position is not the root's";
    EXPECT_EQ(w.root.class_name, "BaseWidget");
    ASSERT_FALSE(w.registered_widgets.empty());
    EXPECT_EQ(w.registered_widgets.front(), &w.root);
    EXPECT_EQ(w.focused_widget, &w.root);

    widget child;
    log.watch(child, "child", {event_kind::shown, event_kind::attached, event_kind::child_added});
    log.watch(w.root, "root", {event_kind::shown, event_kind::attached, event_kind::child_added});
    child.create(w.root, {10, 20, 30, 40});

    EXPECT_EQ(log.take(), (lines{"child:shown:0", "root:child_added:ptr", "child:attached:0"}));
    EXPECT_TRUE(child.created);
    EXPECT_TRUE(child.is_visible());
    EXPECT_EQ(child.parent, &w.root);
    EXPECT_EQ(child.owner_window, &w);
    EXPECT_EQ(w.root.children, (std::vector<widget*>{&child}));
    EXPECT_EQ(w.registered_widgets.back(), &child);
}

TEST_F(WidgetTree, AWidgetNeverCreatedRaisesNothingAndIsNeitherPaintedNorHit) {
    widget loose;
    log.watch(loose, "loose", {event_kind::resized, event_kind::moved, event_kind::paint, event_kind::mouse_down});
    loose.set_rect({0, 0, 50, 50});
    EXPECT_EQ(loose.rect, (rect{0, 0, 50, 50}));
    EXPECT_TRUE(log.take().empty());

    w.root.attach_child(loose);
    show();
    InvalidateRect(w.native.hwnd, nullptr, FALSE);
    UpdateWindow(w.native.hwnd);
    click(w, {20, 20});
    EXPECT_TRUE(log.take().empty());
    EXPECT_EQ(w.hit_test({20, 20}), &w.root);
    w.root.remove_child(loose);
}

TEST_F(WidgetTree, SetRectRaisesOnlyWhatChanged) {
    widget parent;
    widget child;
    parent.create(w.root, {10, 20, 300, 100});
    child.create(parent, {10, 10, 280, 50});
    log.watch(parent, "parent", {event_kind::resized, event_kind::moved});
    log.watch(child, "child",
              {event_kind::resized, event_kind::moved, event_kind::parent_resized, event_kind::parent_moved});
    show();

    ValidateRect(w.native.hwnd, nullptr);
    parent.set_rect({10, 20, 300, 100});
    EXPECT_TRUE(log.take().empty());
    RECT update{};
    EXPECT_FALSE(GetUpdateRect(w.native.hwnd, &update, FALSE)) << "an unchanged rectangle invalidates nothing";

    parent.set_rect({15, 25, 300, 100});
    EXPECT_EQ(log.take(), (lines{"parent:moved:10,20", "child:parent_moved:10,20"}));
    // Both the place it left and the place it took are to be repainted.
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    GetUpdateRgn(w.native.hwnd, region, FALSE);
    EXPECT_TRUE(PtInRegion(region, 10, 20));
    EXPECT_TRUE(PtInRegion(region, 314, 124));
    EXPECT_FALSE(PtInRegion(region, 5, 5));
    DeleteObject(region);

    parent.set_rect({15, 25, 320, 90});
    EXPECT_EQ(log.take(), (lines{"parent:resized:300,100", "child:parent_resized:300,100"}));
}

TEST_F(WidgetTree, AnchorsReplaceChildrenWhenTheParentIsResized) {
    widget parent;
    widget stretched;   // left 10 and right 10
    widget right_only;  // right 5
    widget bottom_only; // bottom 5
    parent.create(w.root, {0, 0, 300, 200});
    stretched.create(parent, {10, 10, 280, 20});
    right_only.create(parent, {200, 40, 95, 20});
    bottom_only.create(parent, {0, 175, 50, 20});
    stretched.anchor_left = {true, 10};
    stretched.anchor_right = {true, 10};
    right_only.anchor_right = {true, 5};
    bottom_only.anchor_bottom = {true, 5};

    // parent_resized comes before the child is re-placed.
    rect seen_in_handler;
    norvik::ui::connect(
        &stretched, event_kind::parent_resized,
        norvik::ui::event_handler([&](const norvik::ui::event_info&) { seen_in_handler = stretched.rect; }));
    log.watch(stretched, "stretched", {event_kind::resized, event_kind::moved});

    parent.set_rect({0, 0, 400, 250});
    EXPECT_EQ(seen_in_handler, (rect{10, 10, 280, 20}));
    EXPECT_EQ(stretched.rect, (rect{10, 10, 380, 20}));
    EXPECT_EQ(right_only.rect, (rect{300, 40, 95, 20}));
    EXPECT_EQ(bottom_only.rect, (rect{0, 225, 50, 20}));
    EXPECT_TRUE(log.take().empty()) << "anchoring writes the rectangle without resized or moved";
}

TEST_F(WidgetTree, HidingAParentHidesItsSubtreeFromPaintHitTestAndFocus) {
    widget panel;
    widget button;
    panel.create(w.root, {50, 50, 200, 100});
    button.create(panel, {10, 10, 100, 30});
    button.focusable = true;
    log.watch(panel, "panel", {event_kind::shown, event_kind::hidden});
    log.watch(button, "button", {event_kind::shown, event_kind::hidden, event_kind::paint, event_kind::mouse_down});
    log.watch(w.root, "root", {event_kind::mouse_down});
    show();

    panel.set_visible(false);
    EXPECT_EQ(log.take(), (lines{"panel:hidden:0"}));
    EXPECT_TRUE(button.visible);
    EXPECT_FALSE(button.parent_visible);
    EXPECT_FALSE(button.is_visible());

    InvalidateRect(w.native.hwnd, nullptr, FALSE);
    UpdateWindow(w.native.hwnd);
    click(w, {70, 70});
    post(w, WM_CHAR, L'\t');
    EXPECT_EQ(log.take(), (lines{"root:mouse_down:0"}));
    EXPECT_EQ(w.focused_widget, &w.root) << "a hidden tab stop is no candidate";

    panel.set_visible(true);
    EXPECT_TRUE(button.is_visible());
    EXPECT_EQ(log.take(), (lines{"panel:shown:0"}));
    UpdateWindow(w.native.hwnd);
    EXPECT_EQ(log.take(), (lines{"button:paint:0"}));
}

TEST_F(WidgetTree, ShowingAWidgetInsideAHiddenPageKeepsItsSubtreeHidden) {
    widget page;
    widget row;
    widget box;
    widget late;
    page.create(w.root, {0, 0, 300, 200});
    row.create(page, {10, 10, 200, 40});
    box.create(row, {0, 0, 20, 20});
    box.focusable = true;
    show();

    page.set_visible(false);
    row.set_visible(false);
    row.set_visible(true);
    EXPECT_FALSE(row.is_visible());
    EXPECT_FALSE(box.is_visible()) << "its page is still hidden";
    late.create(row, {30, 0, 20, 20}); // created while the page is hidden
    late.focusable = true;
    EXPECT_FALSE(late.is_visible());
    post(w, WM_CHAR, L'\t');
    EXPECT_EQ(w.focused_widget, &w.root) << "Tab never reaches a control of a hidden page";

    page.set_enabled(false);
    row.set_enabled(false);
    row.set_enabled(true);
    EXPECT_FALSE(box.is_usable()) << "its page is still disabled";

    page.set_visible(true);
    page.set_enabled(true);
    EXPECT_TRUE(box.is_visible());
    EXPECT_TRUE(late.is_visible());
    EXPECT_TRUE(box.is_usable());
}

TEST_F(WidgetTree, TheLaterOfTwoOverlappingChildrenTakesTheClick) {
    widget under;
    widget over;
    under.create(w.root, {10, 10, 100, 100});
    over.create(w.root, {50, 50, 100, 100});
    log.watch(under, "under", {event_kind::mouse_down, event_kind::mouse_up});
    log.watch(over, "over", {event_kind::mouse_down, event_kind::mouse_up});
    show();

    click(w, {60, 60});
    EXPECT_EQ(log.take(), (lines{"over:mouse_down:0", "over:mouse_up:0"}));
    click(w, {20, 20});
    EXPECT_EQ(log.take(), (lines{"under:mouse_down:0", "under:mouse_up:0"}));
    EXPECT_EQ(w.hit_test({149, 149}), &over);
    EXPECT_EQ(w.hit_test({150, 150}), &w.root) << "right and bottom edges are outside";
    EXPECT_EQ(w.hit_test({400, 10}), nullptr);
    EXPECT_EQ(w.hit_test({-1, 10}), nullptr);
}

TEST_F(WidgetTree, ADisabledWidgetSwallowsClicksAndHandsItsStateDown) {
    widget panel;
    widget child;
    panel.create(w.root, {50, 50, 200, 100});
    child.create(panel, {10, 10, 50, 50});
    log.watch(panel, "panel", {event_kind::mouse_down, event_kind::focus_gained});
    log.watch(child, "child", {event_kind::mouse_down, event_kind::focus_gained});
    log.watch(w.root, "root", {event_kind::mouse_down, event_kind::focus_lost});
    show();

    child.set_enabled(false);
    click(w, {70, 70});
    EXPECT_TRUE(log.take().empty()) << "neither the widget nor an ancestor gets the press";
    EXPECT_EQ(w.focused_widget, &w.root);

    child.set_enabled(true);
    panel.set_enabled(false);
    EXPECT_TRUE(child.enabled);
    EXPECT_FALSE(child.parent_enabled);
    EXPECT_FALSE(child.is_usable());
    click(w, {70, 70});
    EXPECT_TRUE(log.take().empty());

    panel.set_enabled(true);
    EXPECT_TRUE(child.is_usable());
    click(w, {70, 70});
    EXPECT_EQ(log.take(), (lines{"root:focus_lost:0", "child:focus_gained:0", "child:mouse_down:0"}));
}

TEST_F(WidgetTree, TheWheelReachesTheNearestAncestorWithHandlers) {
    widget outer;
    widget middle;
    widget inner;
    outer.create(w.root, {0, 0, 300, 200});
    middle.create(outer, {10, 10, 200, 150});
    inner.create(middle, {10, 10, 100, 100});
    log.watch(outer, "outer", {event_kind::mouse_wheel});
    log.watch(w.root, "root", {event_kind::mouse_wheel});
    show();

    move_pointer(w, {50, 50});
    post(w, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA));
    post(w, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)));
    EXPECT_EQ(log.take(), (lines{"outer:mouse_wheel:60.000000", "outer:mouse_wheel:-60.000000"}));

    log.watch(inner, "inner", {event_kind::mouse_wheel});
    post(w, WM_MOUSEWHEEL, MAKEWPARAM(0, 2 * WHEEL_DELTA));
    EXPECT_EQ(log.take(), (lines{"inner:mouse_wheel:120.000000"}));
}

TEST_F(WidgetTree, TabFromTheRootTakesTheFirstTabStopAndShiftTabTheOneBeforeTheLast) {
    widget label;
    widget first;
    widget second;
    widget third;
    label.create(w.root, {0, 0, 50, 20});
    first.create(w.root, {0, 30, 50, 20});
    second.create(w.root, {0, 60, 50, 20});
    third.create(w.root, {0, 90, 50, 20});
    for (widget* stop : {&first, &second, &third}) {
        stop->focusable = true;
    }
    log.watch(first, "first", focus_kinds);
    log.watch(second, "second", focus_kinds);
    log.watch(third, "third", focus_kinds);
    log.watch(label, "label", {event_kind::char_input});
    show();

    // Real key presses: Shift must be down in the keyboard state that the
    // router reads when the Tab character arrives.
    norvik::test::send_keys({{VK_SHIFT, true}, {VK_TAB, true}, {VK_TAB, false}, {VK_SHIFT, false}});
    EXPECT_EQ(w.focused_widget, &second);
    EXPECT_EQ(log.take(), (lines{"second:focus_gained:1"}));

    w.set_focus(&w.root, 0);
    log.take();
    norvik::test::send_keys({{VK_TAB, true}, {VK_TAB, false}});
    EXPECT_EQ(w.focused_widget, &first);
    EXPECT_EQ(log.take(), (lines{"first:focus_gained:1"}));

    // Tab wraps past the end and skips unusable and hidden stops.
    second.set_enabled(false);
    w.set_focus(&third, 0);
    log.take();
    post(w, WM_CHAR, L'\t');
    EXPECT_EQ(w.focused_widget, &first);
    post(w, WM_CHAR, L'\t');
    EXPECT_EQ(w.focused_widget, &third);
    EXPECT_EQ(log.take(),
              (lines{"third:focus_lost:1", "first:focus_gained:1", "first:focus_lost:1", "third:focus_gained:1"}));
}

TEST_F(WidgetTree, HidingOrDisablingTheFocusedWidgetMovesTheFocusOn) {
    widget panel;
    widget first;
    widget second;
    panel.create(w.root, {0, 0, 200, 100});
    first.create(panel, {0, 0, 50, 20});
    second.create(w.root, {0, 150, 50, 20});
    first.focusable = true;
    second.focusable = true;
    log.watch(first, "first", focus_kinds);
    log.watch(second, "second", focus_kinds);
    show();
    w.set_focus(&first, 1);
    log.take();

    panel.set_visible(false); // hides the focused widget with its parent
    EXPECT_EQ(w.focused_widget, &first) << "not at once: whoever hid it may place the focus itself";
    pump();
    EXPECT_EQ(w.focused_widget, &second);
    second.set_enabled(false);
    pump();
    EXPECT_EQ(w.focused_widget, &w.root) << "no tab stop left: the window keeps the keys";
    EXPECT_EQ(log.take(), (lines{"first:focus_lost:0", "second:focus_gained:0", "second:focus_lost:0"}));
}

TEST_F(WidgetTree, WithOneTabStopShiftTabLeavesTheFocusOnTheRoot) {
    widget only;
    only.create(w.root, {0, 0, 50, 20});
    only.focusable = true;
    log.watch(only, "only", focus_kinds);
    log.watch(w.root, "root", focus_kinds);
    show();

    norvik::test::send_keys({{VK_SHIFT, true}, {VK_TAB, true}, {VK_TAB, false}, {VK_SHIFT, false}});
    EXPECT_EQ(w.focused_widget, &w.root);
    EXPECT_TRUE(log.take().empty());

    norvik::test::send_keys({{VK_TAB, true}, {VK_TAB, false}});
    EXPECT_EQ(w.focused_widget, &only);
    EXPECT_EQ(log.take(), (lines{"root:focus_lost:1", "only:focus_gained:1"}));

    // No usable tab stop left: Tab keeps the focus where it is.
    w.set_focus(&w.root, 0);
    only.set_enabled(false);
    log.take();
    post(w, WM_CHAR, L'\t');
    EXPECT_EQ(w.focused_widget, &w.root);
    EXPECT_TRUE(log.take().empty());
}

TEST_F(WidgetTree, ADoubleClickIsASecondPressUnlessTheWidgetHandlesDoubleClicks) {
    widget plain;
    widget handler;
    plain.create(w.root, {0, 0, 100, 100});
    handler.create(w.root, {200, 0, 100, 100});
    log.watch(plain, "plain", {event_kind::mouse_down, event_kind::mouse_up});
    log.watch(handler, "handler", {event_kind::mouse_down, event_kind::mouse_up, event_kind::mouse_double_click});
    show();

    // What the system sends for a double click on a CS_DBLCLKS class.
    const auto double_click = [this] {
        post(w, WM_LBUTTONDOWN, MK_LBUTTON);
        post(w, WM_LBUTTONUP);
        post(w, WM_LBUTTONDBLCLK, MK_LBUTTON);
        post(w, WM_LBUTTONUP);
    };
    move_pointer(w, {50, 50});
    double_click();
    EXPECT_EQ(log.take(), (lines{"plain:mouse_down:0", "plain:mouse_up:0", "plain:mouse_down:0", "plain:mouse_up:0"}));
    move_pointer(w, {250, 50});
    double_click();
    EXPECT_EQ(log.take(), (lines{"handler:mouse_down:0", "handler:mouse_up:0", "handler:mouse_double_click:0",
                                 "handler:mouse_up:0"}));
    post(w, WM_RBUTTONDBLCLK);
    post(w, WM_MBUTTONDOWN);
    EXPECT_EQ(log.take(), (lines{"handler:mouse_double_click:2", "handler:mouse_down:1"}));
}

TEST_F(WidgetTree, PressingANonFocusableWidgetStillTakesTheFocus) {
    widget button;
    widget label;
    button.create(w.root, {0, 0, 100, 50});
    label.create(w.root, {0, 100, 100, 50});
    button.focusable = true;
    log.watch(button, "button", focus_kinds);
    log.watch(label, "label", focus_kinds);
    log.watch(w.root, "root", focus_kinds);
    show();

    click(w, {10, 10});
    click(w, {10, 110});
    click(w, {300, 200});
    EXPECT_EQ(log.take(), (lines{"root:focus_lost:0", "button:focus_gained:0", "button:focus_lost:0",
                                 "label:focus_gained:0", "label:focus_lost:0", "root:focus_gained:0"}));
}

TEST_F(WidgetTree, MovingFromOneWidgetOntoAnotherRaisesLeaveAndEnterWithoutAMove) {
    widget a;
    widget b;
    a.create(w.root, {0, 0, 100, 100});
    b.create(w.root, {100, 0, 100, 100});
    show();
    log.watch(a, "a", mouse_kinds);
    log.watch(b, "b", mouse_kinds);
    log.watch(w.root, "root", {event_kind::mouse_enter, event_kind::mouse_leave});

    move_pointer(w, {50, 50});
    EXPECT_EQ(log.take(), (lines{"root:mouse_leave:0", "a:mouse_enter:0"}));
    move_pointer(w, {150, 50});
    EXPECT_EQ(log.take(), (lines{"a:mouse_leave:0", "b:mouse_enter:0"}));
    move_pointer(w, {151, 51});
    EXPECT_EQ(log.take(), (lines{"b:mouse_move:0"}));
}

TEST_F(WidgetTree, LeavingTheWindowAndComingBackOntoTheSameWidgetEntersItAgain) {
    widget b;
    b.create(w.root, {100, 0, 100, 100});
    show();
    move_pointer(w, {150, 50});
    log.watch(b, "b", mouse_kinds);

    // Off the window: the system reports the mouse leaving the client area.
    const POINT outside = norvik::test::screen_point(w, {450, 350});
    SetCursorPos(outside.x, outside.y);
    ASSERT_TRUE(norvik::test::pump_for_message(w.native.hwnd, WM_MOUSELEAVE));
    EXPECT_FALSE(w.mouse_tracking);
    EXPECT_EQ(log.take(), (lines{"b:mouse_leave:0"}));

    move_pointer(w, {150, 60}); // starts tracking again; not routed
    EXPECT_TRUE(log.take().empty());
    move_pointer(w, {150, 61});
    EXPECT_EQ(log.take(), (lines{"b:mouse_enter:0"}));
}

TEST_F(WidgetTree, KeysGoToTheFocusedWidgetThenToTheWindow) {
    widget button;
    button.create(w.root, {0, 0, 100, 50});
    button.focusable = true;
    log.watch(button, "button", {event_kind::key_down, event_kind::key_up, event_kind::char_input});
    log.watch(w, "window", {event_kind::key_down, event_kind::key_up, event_kind::char_input});
    show();
    w.set_focus(&button, 0);

    post(w, WM_KEYDOWN, VK_RETURN);
    post(w, WM_CHAR, L'x');
    post(w, WM_KEYUP, VK_SPACE);
    // The loop translates the Enter key into a carriage return as well.
    EXPECT_EQ(log.take(), (lines{"button:key_down:13", "window:key_down:13", "button:char_input:13",
                                 "button:char_input:120", "button:key_up:32", "window:key_up:32"}));

    button.set_enabled(false);
    post(w, WM_KEYDOWN, VK_RETURN);
    post(w, WM_CHAR, L'x');
    EXPECT_EQ(log.take(), (lines{"window:key_down:13"}));
}

TEST_F(WidgetTree, TheCapturingWidgetGetsMovesAndTheReleaseOutsideItself) {
    widget thumb;
    widget other;
    thumb.create(w.root, {0, 0, 50, 50});
    other.create(w.root, {100, 0, 100, 100});
    norvik::ui::connect(&thumb, event_kind::mouse_down, norvik::ui::event_handler([&](const norvik::ui::event_info&) {
        norvik::ui::capture_mouse(thumb);
    }));
    norvik::ui::connect(&thumb, event_kind::mouse_up,
                        norvik::ui::event_handler([](const norvik::ui::event_info&) { norvik::ui::release_mouse(); }));
    show();
    log.watch(thumb, "thumb", {event_kind::mouse_move, event_kind::mouse_up});
    log.watch(other, "other", mouse_kinds);

    move_pointer(w, {10, 10});
    post(w, WM_LBUTTONDOWN, MK_LBUTTON);
    EXPECT_EQ(norvik::ui::mouse_capture(), &thumb);
    EXPECT_EQ(GetCapture(), w.native.hwnd);
    log.take();
    move_pointer(w, {150, 50});
    post(w, WM_LBUTTONUP);
    EXPECT_EQ(log.take(), (lines{"thumb:mouse_move:0", "thumb:mouse_up:0"}));
    EXPECT_EQ(norvik::ui::mouse_capture(), nullptr);

    move_pointer(w, {151, 51});
    EXPECT_EQ(log.take(), (lines{"other:mouse_enter:0"}));
}

TEST_F(WidgetTree, ChildrenPaintAfterTheirParentAndOnlyWhereTheUpdateReaches) {
    widget left;
    widget right;
    widget nested;
    left.create(w.root, {10, 10, 100, 100});
    right.create(w.root, {250, 10, 100, 100});
    nested.create(left, {20, 20, 30, 30});
    log.watch(w.root, "root", {event_kind::paint});
    log.watch(left, "left", {event_kind::paint});
    log.watch(right, "right", {event_kind::paint});
    log.watch(nested, "nested", {event_kind::paint});
    show();
    pump();
    log.take();

    InvalidateRect(w.native.hwnd, nullptr, FALSE);
    UpdateWindow(w.native.hwnd);
    EXPECT_EQ(log.take(), (lines{"root:paint:0", "left:paint:0", "nested:paint:0", "right:paint:0"}));

    right.invalidate();
    UpdateWindow(w.native.hwnd);
    EXPECT_EQ(log.take(), (lines{"root:paint:0", "right:paint:0"}));
    EXPECT_EQ(w.paint_origin, (norvik::ui::point{0, 0}));
}

TEST_F(WidgetTree, AWidgetDestroyedBeforeItsWindowLeavesNoReferenceBehind) {
    auto doomed = std::make_unique<widget>();
    doomed->create(w.root, {0, 0, 100, 100});
    doomed->focusable = true;
    show();
    move_pointer(w, {50, 50});
    w.set_focus(doomed.get(), 0);
    ASSERT_EQ(w.hovered_widget, doomed.get());

    log.watch(w.root, "root", {event_kind::child_removed, event_kind::mouse_enter});
    doomed.reset();
    EXPECT_EQ(log.take(), (lines{"root:child_removed:ptr"}));
    EXPECT_EQ(w.focused_widget, &w.root);
    EXPECT_EQ(w.hovered_widget, nullptr);
    EXPECT_EQ(w.registered_widgets, (std::vector<widget*>{&w.root}));
    post(w, WM_CHAR, L'\t');
    move_pointer(w, {51, 51});
    EXPECT_EQ(log.take(), (lines{"root:mouse_enter:0"}));
}

TEST_F(WidgetTree, LoopsOverChildrenSkipAChildDestroyedByAHandler) {
    // What a loop still holding the old pointer would reach: a widget of
    // another window built where the destroyed one lived, anchored so that
    // re-anchoring it would show.
    norvik::ui::window elsewhere;
    elsewhere.create("elsewhere", {0, 0, 100, 100});
    const auto haunt = [&](std::optional<widget>& slot) {
        slot.reset();
        slot.emplace();
        slot->create(elsewhere.root, {1, 1, 10, 10});
        slot->anchor_left = {true, 77};
        log.watch(*slot, "ghost", {event_kind::paint, event_kind::parent_resized});
    };

    widget parent;
    parent.create(w.root, {0, 0, 300, 200});
    std::optional<widget> first;
    std::optional<widget> second;
    widget last;
    first.emplace();
    second.emplace();
    first->create(parent, {0, 0, 50, 50});
    second->create(parent, {60, 0, 50, 50});
    last.create(parent, {120, 0, 50, 50});
    log.watch(last, "last", {event_kind::paint, event_kind::parent_resized});
    show();

    // A paint handler destroys a later sibling.
    norvik::ui::connect(&*first, event_kind::paint,
                        norvik::ui::event_handler([&](const norvik::ui::event_info&) { haunt(second); }));
    InvalidateRect(w.native.hwnd, nullptr, FALSE);
    UpdateWindow(w.native.hwnd);
    EXPECT_EQ(log.take(), (lines{"last:paint:0"}));
    EXPECT_EQ(parent.children, (std::vector<widget*>{&*first, &last}));

    // A resize handler destroys a later sibling.
    second.reset();
    second.emplace();
    second->create(parent, {60, 0, 50, 50});
    norvik::ui::disconnect_all(&*first, event_kind::paint);
    norvik::ui::connect(&*first, event_kind::parent_resized,
                        norvik::ui::event_handler([&](const norvik::ui::event_info&) { haunt(second); }));
    parent.set_rect({0, 0, 310, 200});
    EXPECT_EQ(log.take(), (lines{"last:parent_resized:300,200"}));
    EXPECT_EQ(second->rect.x, 1) << "the ghost was not re-anchored";

    // A child destroys itself while told of its parent's new size.
    norvik::ui::disconnect_all(&*first, event_kind::parent_resized);
    norvik::ui::connect(&*first, event_kind::parent_resized,
                        norvik::ui::event_handler([&](const norvik::ui::event_info&) { haunt(first); }));
    parent.set_rect({0, 0, 320, 200});
    EXPECT_EQ(log.take(), (lines{"last:parent_resized:310,200"}));
    EXPECT_EQ(first->rect.x, 1) << "the ghost was not re-anchored";
    EXPECT_EQ(parent.children, (std::vector<widget*>{&last}));
}

} // namespace
