// The push button and the check box in a real window: activation and
// toggling through the window procedure, sprite frames and borders read back
// as screen pixels, and the check box's arrangements.

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/widget_test_support.h"
#include "ui/controls/check_box.h"
#include "ui/controls/generic_button.h"

namespace {

using norvik::test::post;
using norvik::test::press_key;
using norvik::ui::event_kind;
using lines = std::vector<std::string>;
using pixel = x11_capture::pixel;

constexpr pixel red{255, 0, 0};
constexpr pixel green{0, 255, 0};
constexpr pixel blue{0, 0, 255};
constexpr pixel yellow{255, 255, 0};

// A strip of solid 20 x 10 frames. The imaging component picks its decoder
// by content, and an uncompressed bitmap file takes a dozen lines to write.
std::vector<unsigned char> sprite(const std::vector<pixel>& frames) {
    const auto height = static_cast<LONG>(10 * frames.size());
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{sizeof(info), 20, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}; // top-down
    file.bfType = 0x4D42;                                                           // "BM"
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + 20 * 4 * static_cast<DWORD>(height);
    std::vector<unsigned char> bytes(file.bfSize);
    std::memcpy(bytes.data(), &file, sizeof(file));
    std::memcpy(bytes.data() + sizeof(file), &info, sizeof(info));
    for (size_t i = 0; i < 20 * static_cast<size_t>(height); ++i) {
        const pixel& p = frames[i / 200];
        const unsigned char bgra[] = {p.b, p.g, p.r, 255};
        std::memcpy(bytes.data() + file.bfOffBits + 4 * i, bgra, 4);
    }
    return bytes;
}

class Controls : public ::testing::Test {
protected:
    void SetUp() override {
        SetCursorPos(0, 0);
        w.create("controls", {100, 100, 400, 300});
        button.create(w.root, {20, 20, 100, 40});
        box.create(w.root, {20, 100, 240, 30});
        log.watch(button, "button", {event_kind::clicked});
        log.watch(box, "box", {event_kind::toggled});
        ASSERT_TRUE(norvik::test::show_and_activate(w));
        // The first move into the window only starts the mouse tracking.
        point_at({398, 298});
        point_at({397, 297});
    }

    // The system generates no move to the point the pointer is already at.
    void point_at(norvik::ui::point p) {
        p.x += p == last_ ? 1 : 0;
        last_ = p;
        norvik::test::move_pointer(w, p);
    }

    void press(UINT down, UINT up) {
        post(w, down);
        post(w, up);
    }

    // Grabs for five seconds at most, so that a wrong picture fails quickly.
    x11_capture settled(const std::function<bool(const x11_capture&)>& ready) {
        return norvik::test::settled_capture(w, ready, 5000);
    }

    static constexpr norvik::ui::point on_button{70, 40};
    static constexpr norvik::ui::point on_box{27, 115}; // the centre of the box image
    static constexpr norvik::ui::point elsewhere{300, 250};

    norvik::ui::window w;
    norvik::ui::GenericButton button;
    norvik::ui::CheckBox box;
    norvik::test::event_log log;

private:
    norvik::ui::point last_{-1, -1};
};

TEST_F(Controls, ButtonActivation) {
    const struct {
        const char* what;
        std::function<void()> act;
        lines raised;
    } steps[] = {
        {"released over it, pressed elsewhere",
         [&] {
             point_at(elsewhere);
             post(w, WM_LBUTTONDOWN);
             point_at(on_button);
             post(w, WM_LBUTTONUP);
         },
         {"button:27:0"}},
        {"right and middle buttons",
         [&] {
             press(WM_RBUTTONDOWN, WM_RBUTTONUP);
             press(WM_MBUTTONDOWN, WM_MBUTTONUP);
         },
         {"button:27:0", "button:27:0"}},
        {"space", [&] { press_key(VK_SPACE); }, {}},
        {"enter", [&] { press_key(VK_RETURN); }, {"button:27:0"}},
        {"enter held: its repeats press nothing",
         [&] {
             norvik::test::send_keys({{VK_RETURN, true}, {VK_RETURN, true}, {VK_RETURN, true}, {VK_RETURN, false}});
         },
         {"button:27:0"}},
        {"leaving cancels the press",
         [&] {
             post(w, WM_LBUTTONDOWN);
             EXPECT_TRUE(button.pressed);
             point_at(elsewhere);
             EXPECT_FALSE(button.pressed);
             post(w, WM_LBUTTONUP);
         },
         {}},
        {"double click",
         [&] {
             point_at(on_button);
             press(WM_LBUTTONDOWN, WM_LBUTTONUP);
             press(WM_LBUTTONDBLCLK, WM_LBUTTONUP);
         },
         {"button:27:0", "button:27:0"}},
        {"toggled by a click",
         [&] {
             button.toggle_mode = true;
             press(WM_LBUTTONDOWN, WM_LBUTTONUP);
         },
         {"button:27:1"}},
        {"toggled back by enter", [&] { press_key(VK_RETURN); }, {"button:27:0"}},
    };
    for (const auto& s : steps) {
        s.act();
        EXPECT_EQ(log.take(), s.raised) << s.what;
    }
}

TEST_F(Controls, ButtonSpriteFrames) {
    const std::vector<unsigned char> two = sprite({red, green});
    const std::vector<unsigned char> four = sprite({red, green, blue, yellow});
    const struct {
        int32_t frames;
        bool hovered, toggled, enabled, pressed;
        pixel shown;
    } rows[] = {
        {2, false, false, true, false, red},    {2, true, false, true, false, green},
        {2, false, true, true, false, green},   {2, false, false, false, false, red},
        {2, false, false, true, true, red},     {4, false, false, true, false, red},
        {4, true, false, true, false, green},   {4, false, true, true, false, green},
        {4, true, false, false, false, blue},   {4, true, false, true, true, yellow},
        {4, false, false, false, true, yellow},
    };
    for (const auto& r : rows) {
        const std::vector<unsigned char>& strip = r.frames == 2 ? two : four;
        button.style.set_style("button_back_image",
                               norvik::ui::StyleValue::from_image({strip.data(), strip.size(), r.frames, 1.0f}));
        button.hovered = r.hovered;
        button.toggle_state = r.toggled;
        button.pressed = r.pressed;
        button.set_enabled(r.enabled);
        // The 20 x 10 frame is centred in the 100 x 40 button.
        EXPECT_EQ(settled([&](const x11_capture& s) { return s.at(70, 40) == r.shown; }).at(70, 40), r.shown)
            << r.frames << " frames, hovered " << r.hovered << ", toggled " << r.toggled << ", enabled " << r.enabled
            << ", pressed " << r.pressed;
        EXPECT_EQ(button.image_rect, (norvik::ui::rect{40, 15, 20, 10}));
    }
}

TEST_F(Controls, FocusOutlineWinsOverHoverOnceKeysAreUsed) {
    button.style.set_style("focus_outline_color", norvik::ui::Color{1, 0, 0, 1});
    button.style.set_style("button_border_color_hover", norvik::ui::Color{0, 1, 0, 1});
    // Pixels of one row along the button's width: the border's row is 20,
    // the outline's rows 20 and 21.
    const auto on_row = [](const x11_capture& shot, int32_t y, pixel colour) {
        int n = 0;
        for (int32_t x = 20; x < 120; ++x) {
            n += shot.at(x, y) == colour ? 1 : 0;
        }
        return n;
    };
    point_at(on_button);
    const x11_capture hovered = settled([&](const x11_capture& s) { return on_row(s, 20, green) == 100; });
    EXPECT_EQ(on_row(hovered, 20, green), 100) << "hovered, not focused: the hover border";
    post(w, WM_LBUTTONDOWN);
    post(w, WM_LBUTTONUP);
    ASSERT_EQ(w.focused_widget, &button);
    const x11_capture clicked = settled([&](const x11_capture& s) { return on_row(s, 20, green) == 100; });
    EXPECT_EQ(on_row(clicked, 20, red) + on_row(clicked, 21, red), 0) << "focused by the mouse alone: no outline";
    log.take();
    press_key(VK_SHIFT);
    const x11_capture focused =
        settled([&](const x11_capture& s) { return on_row(s, 20, red) + on_row(s, 21, red) == 200; });
    EXPECT_EQ(on_row(focused, 20, red) + on_row(focused, 21, red), 200)
        << "focused, hovered, a key pressed: the whole outline, two pixels thick";
    EXPECT_EQ(on_row(focused, 20, green), 0) << "focused and hovered: no hover border";
}

TEST_F(Controls, CheckBoxTogglesOnlyWhenBound) {
    // The default sprite is grey at the centre of frame 0, blue of frame 1.
    const auto shows_checked = [&](bool expected) {
        const auto blue_centre = [&](const x11_capture& s) {
            const pixel p = s.at(on_box.x, on_box.y);
            return p.b > 200 && p.r < 160;
        };
        return blue_centre(settled([&](const x11_capture& s) { return blue_centre(s) == expected; }));
    };
    box.set_text("Option");
    box.layout(0, 5);
    point_at(on_box);
    press(WM_LBUTTONDOWN, WM_LBUTTONUP);
    EXPECT_EQ(log.take(), lines{}) << "unbound ignores clicks";
    box.checked = true;
    EXPECT_FALSE(shows_checked(false)) << "unbound draws unchecked";

    bool value = true;
    box.bind(&value);
    EXPECT_EQ(log.take(), lines{}) << "bind raises nothing";
    EXPECT_TRUE(shows_checked(true));

    press(WM_LBUTTONDOWN, WM_LBUTTONUP);
    EXPECT_EQ(log.take(), lines{"box:26:0"});
    EXPECT_FALSE(value);
    norvik::test::send_keys({{VK_SPACE, true}});
    EXPECT_EQ(log.take(), lines{}) << "space key-down";
    norvik::test::send_keys({{VK_SPACE, false}});
    EXPECT_EQ(log.take(), lines{"box:26:0"}) << "space key-up";
    press_key(VK_RETURN);
    EXPECT_EQ(log.take(), lines{}) << "enter";
    press(WM_LBUTTONDOWN, WM_LBUTTONUP);
    press(WM_LBUTTONDBLCLK, WM_LBUTTONUP);
    EXPECT_EQ(log.take(), (lines{"box:26:0", "box:26:0"})) << "double click";
    EXPECT_TRUE(value);
}

TEST_F(Controls, CheckBoxArrangements) {
    // Described by the order of box and text and what the pair is lined up
    // with, not by coordinates.
    enum along { left, right, centre, edges };
    const struct {
        int32_t code;
        bool box_first;
        along placed;
    } rows[] = {{0, true, left},  {1, true, right},  {2, true, centre},  {3, true, edges},
                {4, false, left}, {5, false, right}, {6, false, centre}, {7, false, edges}};
    const int32_t W = box.rect.width;
    for (const std::string text : {"Some option", ""}) {
        box.set_text(text);
        for (const auto& r : rows) {
            box.layout(r.code, 7);
            const norvik::ui::rect& first = r.box_first ? box.box_rect : box.text_rect;
            const norvik::ui::rect& second = r.box_first ? box.text_rect : box.box_rect;
            const int32_t gap = text.empty() ? 0 : 7;
            const int32_t total = box.box_rect.width + gap + box.text_rect.width;
            const int32_t starts[] = {0, W - total, (W - total) / 2};
            const std::string what = "code " + std::to_string(r.code) + ", text \"" + text + "\"";
            ASSERT_EQ(box.text_rect.width > 0, !text.empty()) << what;
            if (r.placed == edges) {
                EXPECT_EQ(first.x, 0) << what;
                EXPECT_EQ(second.x + second.width, W) << what;
            } else {
                EXPECT_EQ(first.x, starts[r.placed]) << what;
                EXPECT_EQ(second.x, first.x + first.width + gap) << what;
            }
        }
    }
    const norvik::ui::rect b = box.box_rect;
    const norvik::ui::rect t = box.text_rect;
    box.layout(9, 3);
    EXPECT_EQ(box.box_rect, b) << "an unknown code keeps the positions";
    EXPECT_EQ(box.text_rect, t);
    EXPECT_EQ(box.arrangement, 9) << "and is remembered";
}

} // namespace
