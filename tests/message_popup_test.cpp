// The message pop-up: size, button places and centring for its messages, its
// colour on screen, and which keys end its modal loop, as real input.

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "render/renderer.h"
#include "tests/widget_test_support.h"
#include "ui/controls/message_popup.h"

namespace {

using norvik::ui::event_info;
using norvik::ui::MessageKind;
using norvik::ui::MessagePopup;
using norvik::ui::rect;

class Popup : public ::testing::Test {
protected:
    void SetUp() override {
        SetCursorPos(0, 0);
        owner.create("owner", {150, 120, 700, 500});
        ASSERT_TRUE(norvik::test::show_and_activate(owner));
    }

    norvik::ui::window owner;
};

// The text's size as the pop-up measures it (the substituted font decides it).
norvik::ui::Renderer::size measured(MessagePopup& p, const std::string& message) {
    if (message.empty()) {
        return {};
    }
    p.renderer->set_font("Tahoma", 12.0f, 400, 0);
    return p.renderer->measure_text(message, {0, 0});
}

TEST_F(Popup, SizeButtonsAndPlaceFollowTheMessage) {
    struct row {
        MessageKind kind;
        std::string message;
        int32_t width;    // 0: wider than 360, the text's width and 20 on each side
        int32_t first_x;  // from the left, or from the right when width is 0
        int32_t second_x; // the same; -1: no second button
    };
    // A one-line question narrower than 320 pixels gets the minimum width,
    // OK and Cancel in the bottom row; a message without text is 90 high.
    // The wide message stays narrower than the screen, so that centring is
    // not pulled back into the work area.
    const row rows[] = {{1, "Do you really want to leave?", 360, 130, 240},
                        {0, "", 360, 240, -1},
                        {2, std::string(50, 'W'), 0, 230, 120}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.message);
        MessagePopup p;
        p.setup(&owner, "popup", r.message, r.kind);
        const norvik::ui::Renderer::size text = measured(p, r.message);
        const int32_t w = r.width != 0 ? r.width : p.root.rect.width;
        const int32_t h = text.height + 90;
        if (r.width == 0) {
            EXPECT_GT(w, 360);
            EXPECT_EQ(w, text.width + 40);
        } else {
            EXPECT_LT(text.width, 320);
        }
        EXPECT_EQ(p.root.rect, (rect{0, 0, w, h})) << "the root takes the client size";
        EXPECT_EQ(p.text_rect, (rect{20, 20, w - 40, text.height}));
        EXPECT_FALSE(p.do_not_show_again.is_visible());
        const auto x = [&](int32_t given) { return r.width != 0 ? given : w - given; };
        EXPECT_EQ(p.first_button.rect, (rect{x(r.first_x), h - 50, 100, 30}));
        EXPECT_EQ(p.second_button.created, r.second_x >= 0);
        if (r.second_x >= 0) {
            EXPECT_EQ(p.second_button.rect, (rect{x(r.second_x), h - 50, 100, 30}));
        }
        if (r.message.empty()) {
            EXPECT_EQ(h, 90);
        }
        RECT outer{};
        RECT ref{};
        GetWindowRect(p.native.hwnd, &outer);
        GetWindowRect(owner.native.hwnd, &ref);
        EXPECT_EQ(outer.left, ref.left + (ref.right - w - ref.left) / 2) << "centred on the owner";
        EXPECT_EQ(outer.top, ref.top + (ref.bottom - h - ref.top) / 2);
    }
}

// One step of input played into a running pop-up; one that returns false is
// tried again on the next tick.
using step = std::function<bool(MessagePopup&)>;

// Presses the keys in order and releases them in reverse, as real input.
step keys(std::vector<WORD> vks) {
    return [vks](MessagePopup&) {
        std::vector<INPUT> inputs;
        for (const DWORD flags : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
            for (std::size_t i = 0; i < vks.size(); ++i) {
                INPUT in{};
                in.type = INPUT_KEYBOARD;
                in.ki.wVk = vks[flags == 0 ? i : vks.size() - 1 - i];
                in.ki.dwFlags = flags;
                inputs.push_back(in);
            }
        }
        SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
        return true;
    };
}

// Runs the pop-up modally and plays `steps` into it, one per tick of a 20 ms
// timer, once it has held the keyboard focus for a few ticks. A loop the
// steps do not end is ended by the watchdog with -1 after about 10 s.
int32_t run_with(MessagePopup& p, const std::vector<step>& steps) {
    std::size_t next = 0;
    int settled = 0;
    int ticks = 0;
    norvik::ui::connect(&p.root, norvik::ui::event_kind::timer, norvik::ui::event_handler([&](const event_info&) {
        settled = GetFocus() == p.native.hwnd ? settled + 1 : 0;
        if (++ticks > 500) {
            p.end_modal(-1);
        } else if ((next > 0 || settled >= 5) && next < steps.size() && steps[next](p)) {
            ++next;
        }
    }));
    p.native.start_timer(p.root, 1, 20, false);
    const int32_t result = p.show_modal();
    p.native.stop_timer(p.root, 1);
    return result;
}

TEST_F(Popup, EnterAndTheCloseBoxEndTheLoopButEscapeDoesNot) {
    using pixel = x11_capture::pixel;
    constexpr pixel back{59, 59, 65}; // (0.2313, 0.2313, 0.2549)
    // Repainted and grabbed until the frame has reached the screen (a
    // present racing the window manager's mapping can be lost).
    const step grab = [back](MessagePopup& p) {
        InvalidateRect(p.native.hwnd, nullptr, FALSE);
        UpdateWindow(p.native.hwnd);
        return x11_capture(p.native.hwnd).at(5, 5) == back;
    };
    const step wait = [](MessagePopup&) { return true; };
    MessagePopup yes_no;
    yes_no.setup(&owner, "modal", "Shall we?", 2);
    // Had Escape ended the loop or moved the focus, Enter would not reach the
    // first button.
    EXPECT_EQ(run_with(yes_no, {grab, keys({VK_ESCAPE}), wait, wait, keys({VK_RETURN})}), 1);

    MessagePopup ok;
    ok.setup(&owner, "modal", "Shall we?", 0);
    EXPECT_EQ(run_with(ok, {keys({VK_MENU, VK_F4})}), 0) << "the close box (Alt+F4)";
}

// Two questions open over one owner (a timer of the owner asked while the
// first was up): whichever closes first, the owner stays disabled until the
// other has closed too.
TEST_F(Popup, OwnerReturnsOnlyWhenItsLastPopupCloses) {
    const auto owner_enabled = [this] { return IsWindowEnabled(owner.native.hwnd) != FALSE; };
    const step end = [](MessagePopup& p) {
        p.end_modal(1);
        return true;
    };
    for (const bool outer_first : {false, true}) {
        SCOPED_TRACE(outer_first ? "the first question closes first" : "the second question closes first");
        bool enabled_between = true;
        MessagePopup outer;
        outer.setup(&owner, "outer", "First?", 1);
        const step nest = [&](MessagePopup&) {
            MessagePopup inner;
            inner.setup(&owner, "inner", "Second?", 1);
            const step close_outer = [&](MessagePopup&) {
                outer.end_modal(0);
                enabled_between = owner_enabled();
                return true;
            };
            run_with(inner, outer_first ? std::vector<step>{close_outer, end} : std::vector<step>{end});
            if (!outer_first) {
                enabled_between = owner_enabled();
            }
            return true;
        };
        run_with(outer, outer_first ? std::vector<step>{nest} : std::vector<step>{nest, end});
        EXPECT_FALSE(enabled_between);
        EXPECT_TRUE(owner_enabled());
    }
}

} // namespace
