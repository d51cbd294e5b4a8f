#pragma once

namespace norvik::ui {

// A straight (not premultiplied) colour, each channel in 0..1. It has the
// layout of Direct2D's D2D1_COLOR_F, so the renderer hands it to brushes as is.
// Fully transparent is {0, 0, 0, 0}.
struct Color {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;

    friend constexpr bool operator==(const Color&, const Color&) = default;
};

} // namespace norvik::ui

#ifdef _WIN32
#include <cstddef>
#include <d2d1.h>

static_assert(sizeof(norvik::ui::Color) == sizeof(D2D1_COLOR_F));
static_assert(offsetof(norvik::ui::Color, r) == offsetof(D2D1_COLOR_F, r));
static_assert(offsetof(norvik::ui::Color, g) == offsetof(D2D1_COLOR_F, g));
static_assert(offsetof(norvik::ui::Color, b) == offsetof(D2D1_COLOR_F, b));
static_assert(offsetof(norvik::ui::Color, a) == offsetof(D2D1_COLOR_F, a));
#endif
