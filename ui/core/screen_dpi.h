#pragma once

#include <cstdint>

namespace norvik::ui {

// Dots per inch, horizontally and vertically.
struct dpi {
    int32_t x = 96;
    int32_t y = 96;
};

// The screen's density (LOGPIXELSX and LOGPIXELSY of the screen device
// context). Read once, on first use, and kept for the life of the process:
// the system reports a fixed value to a system-DPI-aware program anyway.
const dpi& screen_dpi();

} // namespace norvik::ui
