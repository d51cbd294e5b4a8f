// The Direct2D floor as a program of its own, for the start-up figure: the
// floor's window, painted once by WM_PAINT, then waiting like the wizard.

#include <windows.h>

#include "bench/direct2d_floor.h"

namespace {

using norvik::bench::direct2d_floor;

void paint(HWND hwnd, direct2d_floor& floor) {
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    if (floor.has_target() || floor.create_target(hwnd)) {
        floor.paint();
    }
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
        return DefWindowProcW(hwnd, message, wparam, lparam);
    case WM_PAINT:
        paint(hwnd, *reinterpret_cast<direct2d_floor*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wparam, lparam);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    direct2d_floor floor;
    if (!floor.create_factories()) {
        return 2;
    }
    HWND hwnd = floor.create_window(procedure, L"Norvik Floor", &floor);
    if (!hwnd) {
        return 3;
    }
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
