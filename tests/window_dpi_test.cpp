// The window in a process of its own: a window class of the same name
// already registered by another copy of the toolkit, and the client size,
// painting, pointer and pictures at 144 dots per inch. Each parent test
// starts this program again to run its child scenario.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "render/image.h"
#include "resources/embedded_images.h"
#include "tests/child_process.h"
#include "tests/window_test_support.h"

namespace {

using norvik::test::event_log;
using norvik::test::green;
using norvik::test::in_child;
using norvik::test::paint_solid;
using norvik::test::pixel;
using norvik::test::red;
using norvik::ui::connect;
using norvik::ui::event_handler;
using norvik::ui::event_info;
using norvik::ui::event_kind;
using norvik::ui::rect;
using norvik::ui::widget;
using lines = std::vector<std::string>;

// Runs this test program again with a gtest filter and returns its exit code.
DWORD run_child(const std::wstring& filter) {
    SetEnvironmentVariableW(norvik::test::window_child_variable, L"1");
    const norvik::test::child_process child(norvik::test::this_program(), L"--gtest_filter=" + filter);
    SetEnvironmentVariableW(norvik::test::window_child_variable, nullptr);
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
