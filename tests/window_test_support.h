#pragma once

// What the window test's sources share: the scenarios that must run in a
// process of their own, a solid fill for a widget, and the fixture with a
// window of 400 x 300 and a way into its modal loop.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <windows.h>
#include <gtest/gtest.h>

#include "render/renderer.h"
#include "tests/widget_test_support.h"
#include "ui/core/widget.h"
#include "ui/core/window.h"

namespace norvik::test {

// Scenarios that must run in a fresh process (the class is registered once
// per process; the density is read at process start) run only when the
// parent test starts this program again with this variable set.
inline constexpr wchar_t window_child_variable[] = L"NORVIK_WINDOW_TEST_CHILD";

inline bool in_child() {
    return GetEnvironmentVariableW(window_child_variable, nullptr, 0) != 0;
}

using pixel = x11_capture::pixel;
inline constexpr pixel red{255, 0, 0};
inline constexpr pixel green{0, 255, 0};

// Fills the widget with a solid colour whenever it is painted.
inline void paint_solid(ui::window& w, ui::widget& target, const ui::Color& colour) {
    ui::connect(&target, ui::event_kind::paint, ui::event_handler([&w, &target, colour](const ui::event_info&) {
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
        ui::connect(&w.root, ui::event_kind::timer, ui::event_handler([this](const ui::event_info& info) {
            if (info.value == 999 && later_) {
                auto action = std::move(later_);
                later_ = nullptr;
                action();
            }
        }));
        w.native.start_timer(w.root, 999, 1, true);
    }

    ui::window w;
    event_log log;

private:
    std::function<void()> later_;
};

} // namespace norvik::test
