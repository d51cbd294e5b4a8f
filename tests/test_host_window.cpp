#include "tests/test_host_window.h"

#include "tests/message_pump.h"

namespace {

const wchar_t* const class_name = L"NORVIK_RENDER_TEST_HOST";

LRESULT CALLBACK host_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        ValidateRect(hwnd, nullptr);
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wparam, lparam);
    }
}

void register_class_once() {
    static const ATOM atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = host_procedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = class_name;
        return RegisterClassW(&wc);
    }();
    (void)atom;
}

} // namespace

test_host_window::test_host_window(int32_t width, int32_t height, bool visible) {
    register_class_once();
    // WS_POPUP has no frame, so the window size is the client size.
    hwnd_ = CreateWindowExW(WS_EX_TOPMOST, class_name, L"renderer test host", WS_POPUP, 40, 40, width, height, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
    if (visible) {
        ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    }
    norvik::test::dispatch_queued();
}

test_host_window::~test_host_window() {
    DestroyWindow(hwnd_);
    norvik::test::dispatch_queued();
}

void test_host_window::set_client_size(int32_t width, int32_t height) {
    SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    norvik::test::dispatch_queued();
}
