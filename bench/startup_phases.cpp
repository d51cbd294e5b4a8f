// Breaks the start-up down by phase, so that what the wizard adds to the
// Direct2D floor can be told apart from what Wine itself costs.
//
//   startup_phases.exe floor|wizard
//
// floor:  the floor program's steps, timed one by one: OLE, the three
//         factories, the window, its render target, and one filled paint.
// wizard: the real installer::InstallerUI built, then shown and painted.
// Prints "phase_<mode>_<name> <milliseconds>" per phase; "to_main" is the
// time from the process's creation to main, "total" every phase after it. A paint is timed to its
// present being submitted: Wine draws the frame on its own thread after.

#include <windows.h>

#include <d2d1.h>
#include <dwrite.h>
#include <objbase.h>
#include <ole2.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <cstdio>
#include <cstring>
#include <exception>

#include "installer/installer_ui.h"
#include "ui/core/event_registry.h"

namespace {

using Microsoft::WRL::ComPtr;

double now_ms() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1e3 / frequency;
}

double since_creation_ms() {
    FILETIME created{};
    FILETIME unused{};
    FILETIME now{};
    GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused);
    GetSystemTimePreciseAsFileTime(&now);
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(now) - ticks(created)) / 1e4;
}

// Prints each phase as it ends.
class phase_clock {
public:
    explicit phase_clock(const char* mode) : mode_(mode), first_(now_ms()), start_(first_) {}
    void end(const char* name) {
        const double t = now_ms();
        std::printf("phase_%s_%s %.1f\n", mode_, name, t - start_);
        start_ = t;
    }
    // Every phase since main, printed as "total".
    void end_all() const { std::printf("phase_%s_total %.1f\n", mode_, start_ - first_); }

private:
    const char* mode_;
    double first_;
    double start_;
};

LRESULT CALLBACK floor_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_PAINT) {
        ValidateRect(hwnd, nullptr);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

bool floor_phases(phase_clock& clock) {
    if (FAILED(OleInitialize(nullptr))) {
        return false;
    }
    ComPtr<ID2D1Factory> factory;
    ComPtr<IDWriteFactory> write_factory;
    ComPtr<IWICImagingFactory> imaging_factory;
    if (FAILED(D2D1CreateFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, factory.GetAddressOf())) ||
        FAILED(DWriteCreateFactory(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory),
                                   reinterpret_cast<IUnknown**>(write_factory.GetAddressOf()))) ||
        FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(imaging_factory.GetAddressOf())))) {
        return false;
    }
    clock.end("ole_factories");

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = floor_procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"NORVIK_BENCH_PHASES";
    RegisterClassExW(&wc);
    const DWORD style = WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;
    RECT outer{0, 0, 500, 360};
    AdjustWindowRectEx(&outer, style, FALSE, 0);
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"Norvik Phases", style, 40, 40, outer.right - outer.left,
                                outer.bottom - outer.top, nullptr, nullptr, wc.hInstance, nullptr);
    if (!hwnd) {
        return false;
    }
    clock.end("window");

    ComPtr<ID2D1HwndRenderTarget> target;
    ComPtr<ID2D1SolidColorBrush> brush;
    if (FAILED(factory->CreateHwndRenderTarget(D2D1::RenderTargetProperties(),
                                               D2D1::HwndRenderTargetProperties(hwnd, D2D1::SizeU(500, 360)),
                                               target.GetAddressOf())) ||
        FAILED(target->CreateSolidColorBrush(D2D1::ColorF(0x2D2D2D), brush.GetAddressOf()))) {
        DestroyWindow(hwnd);
        return false;
    }
    clock.end("render_target");

    ShowWindow(hwnd, SW_SHOW);
    target->BeginDraw();
    target->FillRectangle(D2D1::RectF(0.0f, 0.0f, 500.0f, 360.0f), brush.Get());
    const bool drawn = SUCCEEDED(target->EndDraw());
    clock.end("first_paint");
    brush.Reset();
    target.Reset();
    DestroyWindow(hwnd);
    OleUninitialize();
    return drawn;
}

void wizard_phases(phase_clock& clock) {
    installer::InstallerUI wizard;
    clock.end("wizard_built");
    norvik::ui::event_registry::instance();
    norvik::ui::emit(&wizard, norvik::ui::event_kind::shown, 0);
    ShowWindow(wizard.native.hwnd, SW_SHOW);
    UpdateWindow(wizard.native.hwnd);
    clock.end("first_paint");
}

} // namespace

int main(int argc, char** argv) {
    const double to_main = since_creation_ms();
    const char* mode = argc > 1 ? argv[1] : "wizard";
    std::printf("phase_%s_to_main %.1f\n", mode, to_main);
    try {
        phase_clock clock(mode);
        if (std::strcmp(mode, "floor") != 0) {
            wizard_phases(clock);
        } else if (!floor_phases(clock)) {
            std::fprintf(stderr, "startup_phases: the floor's steps failed\n");
            return 1;
        }
        clock.end_all();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "startup_phases: %s\n", e.what());
        return 1;
    }
    std::fflush(stdout);
    return 0;
}
