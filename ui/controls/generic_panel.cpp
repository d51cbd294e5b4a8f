#include "ui/controls/generic_panel.h"

#include "render/renderer.h"
#include "ui/core/events/event_registry.h"
#include "ui/core/window.h"

namespace norvik::ui {

GenericPanel::GenericPanel() {
    // A pointer to a virtual member dispatches virtually, so a subclass's
    // draw is the one that runs.
    connect(this, event_kind::paint, this, &GenericPanel::draw);
}

void GenericPanel::draw() {
    Renderer& renderer = *owner_window->renderer;
    renderer.set_fill_color(style.style_color("default_back_color"));
    renderer.fill_rect({0, 0, rect.width, rect.height});
}

} // namespace norvik::ui
