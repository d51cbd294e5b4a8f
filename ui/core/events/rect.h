#pragma once

#include <cstdint>

namespace norvik::ui {

// A rectangle in logical units (1/96 inch). For a widget, x and y are relative
// to the top-left corner of its parent.
struct rect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;

    friend bool operator==(const rect&, const rect&) = default;
};

} // namespace norvik::ui
