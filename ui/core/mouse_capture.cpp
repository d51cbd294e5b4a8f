#include "ui/core/mouse_capture.h"

#include <cstdint>

#include <windows.h>

#include "ui/core/events/event_registry.h"
#include "ui/core/widget.h"
#include "ui/core/window.h"

namespace norvik::ui {

namespace {

constexpr uint64_t left_button = 0;

widget*& capture_slot() {
    static widget* captured = nullptr;
    return captured;
}

HWND window_of(const widget& w) {
    return w.owner_window != nullptr ? w.owner_window->native.hwnd : nullptr;
}

} // namespace

widget* mouse_capture() {
    return capture_slot();
}

void capture_mouse(widget& w) {
    capture_slot() = &w;
    if (const HWND hwnd = window_of(w)) {
        SetCapture(hwnd);
    }
}

void release_mouse() {
    // Cleared first: ReleaseCapture sends WM_CAPTURECHANGED at once, and the
    // window must not take a release it asked for as a capture lost.
    capture_slot() = nullptr;
    ReleaseCapture();
}

void cancel_mouse_capture() {
    widget* holder = capture_slot();
    if (holder == nullptr) {
        return;
    }
    capture_slot() = nullptr;
    // Only a capture the holder's window still has is given back: after
    // WM_CAPTURECHANGED another window of this thread may have the mouse,
    // and ReleaseCapture would take it from that one.
    const HWND hwnd = window_of(*holder);
    if (hwnd != nullptr && GetCapture() == hwnd) {
        ReleaseCapture();
    }
    emit(holder, event_kind::mouse_up, left_button);
}

} // namespace norvik::ui
