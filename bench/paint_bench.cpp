// Times a full repaint of each of the wizard's four pages against a bare
// clear and present of the same render target, in one process, so that the
// figure is a ratio on this machine rather than an absolute time under Wine.
//
//   paint_bench.exe [BATCHES]
//
// The real installer::InstallerUI is built and shown; page 3 is shown
// without starting the install job. Each sample is a batch of frames drawn
// back to back, so that a present which only queues its work is paid for by
// the frames after it; batches of the two kinds alternate. Prints one line
// per sample: "paint_full_<page> <microseconds per frame>" and
// "paint_bare_<page> <microseconds per frame>".

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "bench/bench_clock.h"
#include "installer/installer_ui.h"
#include "render/renderer.h"
#include "ui/core/events/event_registry.h"

namespace {

constexpr int frames_per_batch = 8;
constexpr int default_batches = 15;
constexpr int warm_up_batches = 2;

double now_us() {
    return norvik::bench::now_ms() * 1000.0;
}

// Handles whatever is queued (showing, a page change) so that it is not
// timed with the frames.
void pump(DWORD for_ms) {
    const ULONGLONG end = GetTickCount64() + for_ms;
    do {
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(5);
    } while (GetTickCount64() < end);
}

double full_batch(HWND hwnd) {
    const double t0 = now_us();
    for (int i = 0; i < frames_per_batch; ++i) {
        InvalidateRect(hwnd, nullptr, FALSE);
        UpdateWindow(hwnd);
    }
    return (now_us() - t0) / frames_per_batch;
}

double bare_batch(ID2D1RenderTarget& target) {
    const double t0 = now_us();
    for (int i = 0; i < frames_per_batch; ++i) {
        target.BeginDraw();
        target.Clear(D2D1::ColorF(0x2D2D2D));
        target.EndDraw();
    }
    return (now_us() - t0) / frames_per_batch;
}

void show_page(installer::InstallerUI& wizard, std::int32_t index) {
    if (index < 3) {
        wizard.set_page(static_cast<installer::wizard_page>(index));
        return;
    }
    // What the progress page shows while installing, without running the job.
    wizard.back.set_enabled(false);
    wizard.next.set_enabled(false);
    for (norvik::ui::widget* panel : {static_cast<norvik::ui::widget*>(&wizard.welcome_page.panel),
                                      static_cast<norvik::ui::widget*>(&wizard.release_page.panel),
                                      static_cast<norvik::ui::widget*>(&wizard.summary_page.panel)}) {
        panel->set_visible(false);
    }
    wizard.progress_page.panel.set_visible(true);
    wizard.page = installer::wizard_page::progress;
    wizard.progress_page.text.set_text("Quendal for After Effects CC installed.\n"
                                       "Installing Quendal for After Effects CC2015..\n\n",
                                       false);
}

} // namespace

int main(int argc, char** argv) {
    const int batches = argc > 1 ? std::max(1, std::atoi(argv[1])) : default_batches;
    try {
        installer::InstallerUI wizard;
        norvik::ui::event_registry::instance();
        norvik::ui::emit(&wizard, norvik::ui::event_kind::shown, 0);
        const HWND hwnd = wizard.native.hwnd;
        ShowWindow(hwnd, SW_SHOW);
        UpdateWindow(hwnd);
        pump(500);
        ID2D1RenderTarget& target = *wizard.renderer->render_target();
        for (std::int32_t page = 0; page < 4; ++page) {
            show_page(wizard, page);
            pump(200);
            for (int i = 0; i < warm_up_batches; ++i) {
                full_batch(hwnd);
                bare_batch(target);
            }
            for (int i = 0; i < batches; ++i) {
                // Alternating which kind goes first spreads any drift over both.
                double full = 0.0;
                double bare = 0.0;
                if (i % 2 == 0) {
                    full = full_batch(hwnd);
                    bare = bare_batch(target);
                } else {
                    bare = bare_batch(target);
                    full = full_batch(hwnd);
                }
                std::printf("paint_full_%d %.1f\npaint_bare_%d %.1f\n", page, full, page, bare);
            }
            // A frame of the widgets after the bare clears, so the window
            // ends each page showing it.
            full_batch(hwnd);
        }
        std::fflush(stdout);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "paint_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
