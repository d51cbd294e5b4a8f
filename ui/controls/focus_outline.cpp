#include "ui/controls/focus_outline.h"

#include "render/renderer.h"
#include "ui/core/window.h"

namespace norvik::ui {

bool focus_outline::shown(const widget& w) {
    const window* owner = w.owner_window;
    return owner != nullptr && owner->focus_cues && owner->focused_widget == &w;
}

void focus_outline::draw(const widget& w, const ui::rect& outer) {
    if (!shown(w)) {
        return;
    }
    Renderer& renderer = *w.owner_window->renderer;
    // Solid: a dotted line leaves half of the pixels in the colours around
    // it, and Wine's Direct2D would stroke it solid anyway.
    renderer.dotted = false;
    renderer.set_line(w.style.style_color("focus_outline_color"), static_cast<float>(thickness));
    renderer.draw_rect(outer);
}

} // namespace norvik::ui
