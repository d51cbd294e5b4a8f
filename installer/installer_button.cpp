#include "installer/installer_button.h"

#include "render/renderer.h"
#include "ui/core/event_registry.h"
#include "ui/core/window.h"

namespace installer {

namespace {

using norvik::ui::Color;

constexpr Color outline_normal{0.4f, 0.4f, 0.4f, 1.0f};
constexpr Color outline_hover{0.6f, 0.6f, 0.6f, 1.0f};
constexpr Color face_usable{0.212f, 0.212f, 0.212f, 1.0f};
constexpr Color face_disabled{0.157f, 0.157f, 0.157f, 1.0f};
constexpr Color text_usable{0.831f, 0.831f, 0.831f, 1.0f};
constexpr Color text_disabled{0.831f, 0.831f, 0.831f, 0.5f};

} // namespace

InstallerButton::InstallerButton() {
    using norvik::ui::event_kind;
    norvik::ui::connect(this, event_kind::paint, this, &InstallerButton::paint);
    norvik::ui::connect(this, event_kind::mouse_enter, this, &InstallerButton::set_hovered, true);
    norvik::ui::connect(this, event_kind::mouse_leave, this, &InstallerButton::set_hovered, false);
}

void InstallerButton::set_label(std::string_view text) {
    label_ = text;
    invalidate();
}

void InstallerButton::set_hovered(bool hovered) {
    outline_ = hovered ? outline_hover : outline_normal;
    invalidate();
}

void InstallerButton::paint() {
    norvik::ui::Renderer& renderer = *owner_window->renderer;
    const bool usable = is_usable();
    if (!usable) {
        // A button disabled while the pointer was over it gets no
        // mouse_leave; it must not keep the hover outline.
        outline_ = outline_normal;
    }
    renderer.set_fill_color(usable ? face_usable : face_disabled);
    renderer.set_text_color(usable ? text_usable : text_disabled);
    const norvik::ui::rect face{0, 0, rect.width, rect.height};
    renderer.fill_rect(face);
    renderer.dotted = false;
    renderer.set_line(outline_, 1.0f);
    renderer.draw_rect(face);
    renderer.set_font("Tahoma", 11.0f, 0, 0);
    renderer.set_format_alignment(DWRITE_TEXT_ALIGNMENT_CENTER, DWRITE_PARAGRAPH_ALIGNMENT_CENTER);
    if (!label_.empty()) {
        renderer.draw_text(face, label_);
    }
}

} // namespace installer
