#pragma once

#include <cstdint>

#include <windows.h>

// A plain top-most popup window with a client area of the given size, for
// tests that bind a Renderer to a real system window. It never paints
// anything itself (no background brush, WM_PAINT only validates), so what the
// screen shows is only what the renderer presented.
class test_host_window {
public:
    test_host_window(int32_t width, int32_t height, bool visible = true);
    ~test_host_window();

    test_host_window(const test_host_window&) = delete;
    test_host_window& operator=(const test_host_window&) = delete;

    HWND hwnd() const { return hwnd_; }
    // Changes the client size (pixels) and dispatches what that sends.
    void set_client_size(int32_t width, int32_t height);

private:
    HWND hwnd_ = nullptr;
};
