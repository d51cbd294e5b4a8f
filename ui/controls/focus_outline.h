#pragma once

#include <cstdint>

#include "ui/core/events/rect.h"
#include "ui/core/widget.h"

namespace norvik::ui {

// The mark of the control that has the keyboard focus, the same on every
// control: a solid outline `thickness` logical units wide (2 pixels at 96
// dpi, 3 at 144) in the theme's focus_outline_color, around the whole
// control. It shows from the first key pressed in the window on
// (window::focus_cues), so that a user of the mouse alone never sees it.
class focus_outline {
public:
    // WCAG 2.2's focus appearance asks for at least two CSS pixels, which
    // are logical units here.
    static constexpr int32_t thickness = 2;

    // Whether `w` shows the mark now.
    static bool shown(const widget& w);
    // Draws the mark of `w`, when shown, with its outer edge on `outer` (in
    // w's coordinates; the outline lies inside it).
    static void draw(const widget& w, const ui::rect& outer);
};

} // namespace norvik::ui
