// The window's timers: identifiers, one-shot and repeating timers, a timer
// restarted by its own handler, and timers that stop with their widget or
// whose handler runs a nested modal loop.

#include <optional>

#include <gtest/gtest.h>

#include "tests/window_test_support.h"

namespace {

using norvik::test::Window;
using norvik::ui::connect;
using norvik::ui::event_handler;
using norvik::ui::event_info;
using norvik::ui::event_kind;
using norvik::ui::widget;

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

} // namespace
