#pragma once

#include <cstdint>
#include <vector>

#include <windows.h>

// The pixels of a window's client area as the screen shows them.
//
// Under Wine, Direct2D presents through OpenGL straight into the X window,
// which GDI never sees: BitBlt and PrintWindow from the window's or the
// screen's DC read black. So the grab asks the X server itself: the program
// starts a host shell (Wine runs Unix executables through CreateProcess) that
// pipes xwd of the root window through ImageMagick into raw RGB for the
// client rectangle. Outside the Wine test environment (no
// NORVIK_WINE_STATE_DIR) it falls back to a BitBlt from the screen DC, which
// sees composed Direct2D content on Windows.
class x11_capture {
public:
    struct pixel {
        uint8_t r = 0;
        uint8_t g = 0;
        uint8_t b = 0;

        friend bool operator==(const pixel&, const pixel&) = default;
    };

    // Grabs the client area of `window` now; throws std::runtime_error when
    // the grab fails.
    explicit x11_capture(HWND window);

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    // Client coordinates; a point outside the area reads as {0, 0, 0}.
    pixel at(int32_t x, int32_t y) const;

private:
    void grab_x11(const wchar_t* state_dir, POINT origin);
    bool try_grab_x11(const wchar_t* state_dir, POINT origin);
    void grab_gdi(POINT origin);

    int32_t width_ = 0;
    int32_t height_ = 0;
    std::vector<uint8_t> rgb_;
};
