#include "ui/core/mouse_capture.h"

#include <windows.h>

#include "ui/core/widget.h"
#include "ui/core/window.h"

namespace norvik::ui {

namespace {

widget*& capture_slot() {
    static widget* captured = nullptr;
    return captured;
}

} // namespace

widget* mouse_capture() {
    return capture_slot();
}

void capture_mouse(widget& w) {
    capture_slot() = &w;
    if (w.owner_window != nullptr && w.owner_window->native.hwnd != nullptr) {
        SetCapture(w.owner_window->native.hwnd);
    }
}

void release_mouse() {
    ReleaseCapture();
    capture_slot() = nullptr;
}

} // namespace norvik::ui
