// The scroll bar in a real window: a 15 x 200 vertical bar with buttons at
// the right edge of a 200-high view whose content it scrolls. Input goes
// through the window procedure; the painting is read back from the screen.

#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "render/renderer.h"
#include "tests/widget_test_support.h"
#include "ui/controls/scroll_bar.h"
#include "ui/core/mouse_capture.h"
#include "ui/core/window.h"

namespace {

using norvik::test::move_pointer;
using norvik::test::post;
using norvik::ui::point;
using norvik::ui::rect;
using norvik::ui::widget;
using pixel = x11_capture::pixel;

// Records the stroke style the grip lines were drawn with: Wine's Direct2D
// draws dashed strokes solid, so the pixels alone cannot tell.
class recording_bar : public norvik::ui::ScrollBar {
public:
    void draw_thumb(const norvik::ui::rect& r) override {
        ScrollBar::draw_thumb(r);
        grip_dotted = owner_window->renderer->dotted;
    }
    bool grip_dotted = true;
};

class ScrollBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetCursorPos(0, 0);
        w.create("scroll bar", {100, 100, 400, 300});
        view.create(w.root, {10, 10, 215, 200});
        content.create(view, {0, 0, 200, 295}); // 95 pixels of overhang
        bar.create(view, {200, 0, 15, 200});
        bar.set_target(&content);
    }

    // Moves the pointer to a point given in the bar's coordinates.
    void point_at(point p) { move_pointer(w, {p.x + 210, p.y + 10}); }

    norvik::ui::window w;
    widget view;
    widget content;
    recording_bar bar;
};

TEST_F(ScrollBarTest, ThumbFollowsTheContentAndItsView) {
    struct row {
        const char* what;
        widget* resized;
        rect r;
        int32_t y_after;
        rect thumb;
        float ratio;
    };
    const row rows[] = {
        {"no overhang: the whole track", &content, {0, 0, 200, 150}, 0, {0, 15, 15, 170}, 0.0f},
        {"100 over: shrinks pixel for pixel", &content, {0, 0, 200, 300}, 0, {0, 15, 15, 70}, 1.0f},
        {"moved to 30 by someone else", &content, {0, -30, 200, 300}, -30, {0, 45, 15, 70}, 1.0f},
        {"500 over: minimum length", &content, {0, 0, 200, 700}, 0, {0, 15, 15, 15}, 0.31f},
        {"shrunk while past the end", &content, {0, -95, 200, 250}, -50, {0, 65, 15, 120}, 1.0f},
        {"scrolled to the end", &content, {0, -95, 200, 295}, -95, {0, 110, 15, 75}, 1.0f},
        {"a taller view pulls it back", &view, {10, 10, 215, 260}, -35, {0, 50, 15, 135}, 1.0f},
        {"its end still shows", &view, {10, 10, 215, 250}, -35, {0, 50, 15, 125}, 1.0f},
        {"no overhang left", &view, {10, 10, 215, 400}, 0, {0, 15, 15, 170}, 0.0f},
    };
    for (const row& r : rows) {
        r.resized->set_rect(r.r);
        EXPECT_EQ(content.rect.y, r.y_after) << r.what;
        EXPECT_EQ(bar.thumb(), r.thumb) << r.what;
        EXPECT_FLOAT_EQ(bar.ratio(), r.ratio) << r.what;
    }
}

TEST_F(ScrollBarTest, ButtonsWheelTrackAndDragMoveTheContent) {
    ASSERT_TRUE(norvik::test::show_and_activate(w));
    enum class act { click, right_click, wheel_away, wheel_toward, press, move, release };
    struct row {
        const char* what;
        act action;
        point at; // bar coordinates
        int32_t y;
        bool dragging = false;
        int repeat = 1;
    };
    // Range 95, track 170, thumb 75 long, ratio 1.
    const row rows[] = {
        {"nine steps down", act::click, {5, 192}, -90, false, 9},
        {"the last step stops at the end", act::click, {9, 193}, -95},
        {"no step beyond it", act::click, {5, 194}, -95},
        {"one step up", act::click, {6, 5}, -85},
        {"the right button does nothing", act::right_click, {7, 130}, -85},
        {"wheel away scrolls 60 back", act::wheel_away, {7, 100}, -25},
        {"wheel on the content", act::wheel_toward, {-100, 100}, -85},
        {"clamped at the end", act::wheel_toward, {-101, 101}, -95},
        {"press before the thumb: its start comes here", act::press, {7, 40}, -25},
        {"releasing in the track does nothing", act::release, {7, 41}, -25},
        {"press after the thumb: its end comes here", act::press, {7, 163}, -73},
        {"press on the thumb", act::press, {7, 100}, -73, true},
        {"drag 13 down snaps to 80", act::move, {7, 113}, -80, true},
        {"drag back snaps to 60", act::move, {7, 96}, -60, true},
        {"far outside the window", act::move, {7, 400}, -95, true},
        {"release outside", act::release, {7, 401}, -95},
    };
    for (const row& r : rows) {
        for (int i = 0; i < r.repeat; ++i) {
            // Every move must reach a new point, or the system raises none.
            point_at({r.at.x + (i % 2) * 3, r.at.y});
            switch (r.action) {
            case act::click:
                post(w, WM_LBUTTONDOWN, MK_LBUTTON);
                [[fallthrough]];
            case act::release:
                post(w, WM_LBUTTONUP);
                break;
            case act::right_click:
                post(w, WM_RBUTTONDOWN, MK_RBUTTON);
                post(w, WM_RBUTTONUP);
                break;
            case act::wheel_away:
                post(w, WM_MOUSEWHEEL, MAKEWPARAM(0, 120));
                break;
            case act::wheel_toward:
                post(w, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)));
                break;
            case act::press:
                post(w, WM_LBUTTONDOWN, MK_LBUTTON);
                break;
            case act::move:
                break;
            }
        }
        EXPECT_EQ(content.rect.y, r.y) << r.what;
        EXPECT_EQ(bar.dragging(), r.dragging) << r.what;
        EXPECT_EQ(norvik::ui::mouse_capture() == &bar, r.dragging) << r.what;
    }
}

TEST_F(ScrollBarTest, ALostCaptureEndsTheDragAndInputReachesItsOwnWidgetAgain) {
    widget other;
    other.create(w.root, {250, 230, 100, 40});
    norvik::test::event_log log;
    log.watch(other, "other", {norvik::ui::event_kind::mouse_enter, norvik::ui::event_kind::mouse_up});
    log.watch(bar, "bar", {norvik::ui::event_kind::mouse_up});
    const HWND taker = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(norvik::test::show_and_activate(w));
    const std::pair<const char*, std::function<void()>> losses[] = {
        {"another window takes the mouse",
         [&] {
             SetCapture(taker);
             ReleaseCapture();
         }},
        {"the bar is disabled", [&] { bar.set_enabled(false); }},
        {"the bar's parent is hidden", [&] { view.set_visible(false); }},
    };
    for (int32_t i = 0; i < 3; ++i) {
        point_at({7, 50 + i}); // every move must reach a new point
        post(w, WM_LBUTTONDOWN, MK_LBUTTON);
        ASSERT_TRUE(bar.dragging()) << losses[i].first;
        losses[i].second();
        EXPECT_FALSE(bar.dragging()) << losses[i].first;
        EXPECT_EQ(GetCapture(), nullptr) << losses[i].first;
        log.take();
        // Moving down the track drags no more; the pointer's entering and
        // the button's release reach the widget under it.
        point_at({7, 120 + i});
        norvik::test::click(w, {300 + i, 250});
        EXPECT_EQ(content.rect.y, 0) << losses[i].first;
        EXPECT_EQ(log.take(), (std::vector<std::string>{"other:mouse_enter:0", "other:mouse_up:0"})) << losses[i].first;
        bar.set_enabled(true);
        view.set_visible(true);
    }
    DestroyWindow(taker);
}

TEST_F(ScrollBarTest, RetargetingLeavesTheOldTargetAndItsOtherListenersAlone) {
    widget other;
    other.create(view, {100, -40, 100, 400}); // the view's left half shows only the old content
    int old_moves = 0;
    norvik::ui::connect(&content, norvik::ui::event_kind::moved,
                        norvik::ui::event_handler([&](const norvik::ui::event_info&) { ++old_moves; }));
    bar.scroll_to(50, true);
    bar.set_target(&other);
    EXPECT_EQ(other.rect.y, 0) << "a new target starts at its beginning";

    ASSERT_TRUE(norvik::test::show_and_activate(w));
    point_at({-150, 100});
    post(w, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)));
    content.set_rect({0, -20, 200, 295});
    view.set_rect({10, 10, 215, 290}); // would pull the old content back to 0
    EXPECT_EQ(content.rect.y, -20);
    EXPECT_EQ(other.rect.y, 0);
    EXPECT_EQ(old_moves, 2) << "other listeners on the old target are kept";
    EXPECT_EQ(bar.position(), 0);
    EXPECT_EQ(bar.range(), 110) << "the bar follows the new target's parent";
}

TEST_F(ScrollBarTest, PaintsGripAndArrowsSolidAfterADottedDraw) {
    // The view is painted just before the bar and leaves the renderer dotted.
    norvik::ui::connect(&view, norvik::ui::event_kind::paint,
                        norvik::ui::event_handler([&](const norvik::ui::event_info&) {
                            w.renderer->dotted = true;
                            w.renderer->draw_line({0, 5}, {10, 5});
                        }));
    content.set_rect({0, 0, 200, 300}); // thumb {0, 15, 15, 70}: grip lines at 47, 50, 53
    const auto shade = [&](norvik::ui::StyleKey key) {
        const norvik::ui::Color c = bar.style.style_color(key);
        const auto channel = [](float v) { return static_cast<uint8_t>(std::lround(v * 255.0f)); };
        return pixel{channel(c.r), channel(c.g), channel(c.b)};
    };
    const pixel line = shade("scroll_bar_line_color");
    ASSERT_TRUE(norvik::test::show_and_activate(w));
    const x11_capture shot =
        norvik::test::settled_capture(w, [&](const x11_capture& s) { return s.at(214, 60) == line; });
    for (const int32_t y : {47, 50, 53}) {
        for (int32_t x = 4; x <= 10; ++x) {
            EXPECT_EQ(shot.at(210 + x, 10 + y), line) << x << "," << y;
        }
    }
    EXPECT_FALSE(bar.grip_dotted);
    // The down arrow's widest row, 5 below the button's top edge.
    EXPECT_EQ(shot.at(213, 200), (pixel{222, 222, 222}));
    EXPECT_EQ(shot.at(212, 200), shade("scroll_button_back_color"));
}

} // namespace
