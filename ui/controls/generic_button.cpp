#include "ui/controls/generic_button.h"

#include "render/renderer.h"
#include "ui/controls/focus_outline.h"
#include "ui/core/events/event_registry.h"
#include "ui/core/window.h"

namespace norvik::ui {

namespace {

constexpr uint64_t enter_key = 13;

// A broken image reference with no frames still shows its one picture.
int32_t frames_of(const ImageRef& ref) {
    return ref.frame_count > 0 ? ref.frame_count : 1;
}

} // namespace

// The states of a button, with the events that move it between them:
//   idle    --mouse_enter-->  hovered
//   hovered --mouse_down-->   pressed
//   any     --mouse_up-->     activated (clicked), back to hovered
//   pressed --mouse_leave, focus_gained, focus_lost-->  press cancelled
// Only the release counts: a press begun elsewhere still activates when the
// pointer is released over the button, and any mouse button does.
GenericButton::GenericButton() {
    focusable = true;
    connect(this, event_kind::paint, this, &GenericButton::draw);
    connect(this, event_kind::mouse_enter, this, &GenericButton::on_hover, true);
    connect(this, event_kind::mouse_leave, this, &GenericButton::on_hover, false);
    connect(this, event_kind::focus_gained, this, &GenericButton::cancel_press);
    connect(this, event_kind::focus_lost, this, &GenericButton::cancel_press);
    connect(this, event_kind::mouse_down, this, &GenericButton::on_mouse_down);
    connect(this, event_kind::mouse_up, this, &GenericButton::on_mouse_up);
    connect(this, event_kind::key_down, this, &GenericButton::on_key_down);
    connect(this, event_kind::style_changed, this, &GenericButton::on_style_changed);
    automation.role = automation_role::button;
    automation.name = [this] { return text; };
    automation.invoke = [this] { press(); };
}

void GenericButton::on_hover(bool over) {
    hovered = over;
    if (!over) {
        pressed = false;
    }
    invalidate();
}

void GenericButton::cancel_press() {
    pressed = false;
    invalidate();
}

void GenericButton::on_mouse_down() {
    pressed = true;
    invalidate();
}

void GenericButton::on_mouse_up() {
    if (toggle_mode) {
        toggle_state = !toggle_state;
    }
    pressed = false;
    invalidate();
    activate();
}

void GenericButton::on_key_down(const event_info& info) {
    // Space is left to whoever listens for it; only Enter activates, and
    // only as it goes down: holding it must not answer the next question too.
    if (info.key() == enter_key && !info.repeated()) {
        press();
    }
}

void GenericButton::press() {
    if (toggle_mode) {
        toggle_state = !toggle_state;
        invalidate();
    }
    activate();
}

void GenericButton::on_style_changed(const event_info& info) {
    if (!StyleSet::names_key(info, "button_back_image")) {
        return;
    }
    // The next paint loads the new strip and centres it afresh.
    if (back_image.loaded()) {
        back_image.unload();
    }
    invalidate();
}

void GenericButton::activate() {
    emit(this, event_kind::clicked, toggle_state ? 1 : 0);
}

void GenericButton::draw() {
    Renderer& renderer = *owner_window->renderer;
    const int32_t w = rect.width;
    const int32_t h = rect.height;

    if (toggle_state) {
        renderer.set_fill_color(style.style_color("button_color_toggle"));
    } else if (hovered) {
        renderer.set_fill_color(style.style_color("button_color_hover"));
    } else {
        renderer.set_fill_color(style.style_color("button_color_normal"));
    }
    renderer.fill_rect({0, 0, w, h});

    const ImageRef ref = style.style_image("button_back_image");
    if (!ref.empty()) {
        const int32_t frames = frames_of(ref);
        if (!back_image.loaded() && back_image.load(ref)) {
            const int32_t frame =
                static_cast<int32_t>(static_cast<uint32_t>(back_image.height()) / static_cast<uint32_t>(frames));
            image_rect = {(w - back_image.width()) / 2, (h - frame) / 2, back_image.width(), frame};
        }
        // Later rules win: pressed over disabled over hovered or toggled.
        int32_t index = 0;
        if ((hovered || toggle_state) && frames > 1) {
            index = 1;
        }
        if (!is_usable() && frames > 2) {
            index = 2;
        }
        if (pressed && frames > 3) {
            index = 3;
        }
        if (back_image.loaded()) {
            renderer.draw_image_part({image_rect.x, image_rect.y}, back_image,
                                     {0, index * image_rect.height, image_rect.width, image_rect.height});
        }
    }

    // One border: focus over hover over normal. The text keeps the hover or
    // pressed colour whatever the border.
    Color text_colour = style.style_color("button_font_color");
    renderer.dotted = false;
    renderer.set_line(style.style_color("button_border_color_normal"), 1.0f);
    if (hovered) {
        renderer.set_line(style.style_color("button_border_color_hover"), 1.0f);
        text_colour = style.style_color("button_font_color_hover");
    }
    if (pressed) {
        text_colour = style.style_color("button_font_color_pressed");
    }
    renderer.draw_rect({0, 0, w, h});
    focus_outline::draw(*this, {0, 0, w, h});

    renderer.set_text_color(text_colour);
    renderer.set_font(style.style_string("button_font_name"), style.style_float("button_font_size"),
                      style.style_int("button_font_weight"), style.style_int("button_font_style"));
    renderer.set_format_alignment(DWRITE_TEXT_ALIGNMENT_CENTER, DWRITE_PARAGRAPH_ALIGNMENT_CENTER);
    if (!text.empty()) {
        renderer.draw_text({0, 0, w, h}, text);
    }
}

} // namespace norvik::ui
