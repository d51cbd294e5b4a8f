// Breaks the start-up down by phase, so that what the wizard adds to the
// Direct2D floor can be told apart from what Wine itself costs.
//
//   startup_phases.exe floor|wizard
//
// floor:  the floor program's steps, timed one by one: OLE, the three
//         factories, the window, its render target, and one filled paint.
// wizard: the real installer::InstallerUI built, then shown and painted.
// Prints "phase_<mode>_<name> <milliseconds>" per phase; "to_main" is the
// time from the process's creation to main, "total" every phase after it.
// A paint is timed to its present being submitted: Wine draws the frame on
// its own thread after.

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <exception>

#include "bench/bench_clock.h"
#include "bench/direct2d_floor.h"
#include "installer/installer_ui.h"
#include "ui/core/events/event_registry.h"

namespace {

using norvik::bench::now_ms;

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

// The floor's window only validates: its paints are timed from here.
LRESULT CALLBACK floor_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_PAINT) {
        ValidateRect(hwnd, nullptr);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

bool floor_phases(phase_clock& clock) {
    norvik::bench::direct2d_floor floor;
    if (!floor.create_factories()) {
        return false;
    }
    clock.end("ole_factories");
    HWND hwnd = floor.create_window(floor_procedure, L"Norvik Phases", nullptr);
    if (!hwnd) {
        return false;
    }
    clock.end("window");
    if (!floor.create_target(hwnd)) {
        DestroyWindow(hwnd);
        return false;
    }
    clock.end("render_target");
    ShowWindow(hwnd, SW_SHOW);
    const bool drawn = floor.paint();
    clock.end("first_paint");
    DestroyWindow(hwnd);
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
