#include "ui/core/screen_dpi.h"

#include <windows.h>

namespace norvik::ui {

namespace {

dpi read_screen_dpi() {
    HDC screen = GetDC(nullptr);
    dpi d{GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY)};
    ReleaseDC(nullptr, screen);
    // A zero would make every conversion divide by zero; no real screen
    // reports it, but a broken driver should not crash the program.
    if (d.x <= 0) {
        d.x = 96;
    }
    if (d.y <= 0) {
        d.y = 96;
    }
    return d;
}

} // namespace

const dpi& screen_dpi() {
    static const dpi value = read_screen_dpi();
    return value;
}

} // namespace norvik::ui
