#pragma once

#include <cstdint>

namespace norvik::ui {

// A position in logical units (1/96 inch).
struct point {
    int32_t x = 0;
    int32_t y = 0;

    friend bool operator==(const point&, const point&) = default;
};

} // namespace norvik::ui
