#include "ui/controls/check_box.h"

#include <algorithm>
#include <array>

#include "render/renderer.h"
#include "ui/controls/focus_outline.h"
#include "ui/core/automation_events.h"
#include "ui/core/events/event_registry.h"
#include "ui/core/window.h"

namespace norvik::ui {

namespace {

constexpr uint64_t space_key = 32;

// The focus outline runs this far outside box and text: a gap of two units,
// then the outline. The box usually starts at the check box's left edge, so
// the check box paints that far beyond its rectangle (its overhang).
constexpr int32_t outline_reach = 2 + focus_outline::thickness;

// The widths that decide where box and text go along the check box.
struct row {
    int32_t width;       // of the check box
    int32_t image_width; // of the box
    int32_t gap;         // between box and text, 0 without text
    int32_t text_width;
};

struct placement {
    int32_t box_x;
    int32_t text_x;
};

using placer = placement (*)(const row&);

// Left over when box, gap and text sit side by side: half of it centres them.
constexpr int32_t centring(const row& r) {
    return (r.width - r.image_width - r.gap - r.text_width) / 2;
}

// Indexed by arrangement code.
constexpr std::array<placer, 8> placements = {
    // 0: box then text, from the left
    [](const row& r) {
        return placement{0, r.image_width + r.gap};
    },
    // 1: box then text, flush right
    [](const row& r) {
        return placement{r.width - r.image_width - r.gap - r.text_width, r.width - r.text_width};
    },
    // 2: box then text, centred
    [](const row& r) {
        return placement{centring(r), centring(r) + r.image_width + r.gap};
    },
    // 3: box at the left edge, text at the right edge
    [](const row& r) {
        return placement{0, r.width - r.text_width};
    },
    // 4: text then box, from the left
    [](const row& r) {
        return placement{r.text_width + r.gap, 0};
    },
    // 5: text then box, flush right
    [](const row& r) {
        return placement{r.width - r.image_width, r.width - r.image_width - r.gap - r.text_width};
    },
    // 6: text then box, centred
    [](const row& r) {
        return placement{centring(r) + r.gap + r.text_width, centring(r)};
    },
    // 7: text at the left edge, box at the right edge
    [](const row& r) {
        return placement{r.width - r.image_width, 0};
    },
};
static_assert(placements.size() == 8, "one placement per arrangement code");

} // namespace

CheckBox::CheckBox() {
    class_name = "CheckBox";
    focusable = true;
    overhang = outline_reach;
    connect(this, event_kind::attached, this, &CheckBox::on_attached);
    automation.role = automation_role::check_box;
    automation.name = [this] { return text; };
    automation.toggle_state = [this] { return checked; };
    automation.toggle = [this] { toggle(); };
}

void CheckBox::on_attached() {
    // A check box attached a second time (created again) keeps the one set
    // of handlers: doubled handlers would toggle twice per click.
    if (!connected_) {
        connected_ = true;
        connect(this, event_kind::paint, this, &CheckBox::draw);
        connect(this, event_kind::mouse_up, this, &CheckBox::toggle);
        connect(this, event_kind::mouse_enter, this, &CheckBox::on_hover, true);
        connect(this, event_kind::mouse_leave, this, &CheckBox::on_hover, false);
        connect(this, event_kind::focus_gained, this, &CheckBox::invalidate);
        connect(this, event_kind::focus_lost, this, &CheckBox::invalidate);
        connect(this, event_kind::key_up, this, &CheckBox::on_key_up);
        connect(this, event_kind::style_changed, this, &CheckBox::on_style_changed);
    }
    layout(2, spacing);
    // Without a bool there is nothing to toggle, so the user cannot reach it.
    // One bound before attaching stays usable.
    if (bound_value == nullptr) {
        set_enabled(false);
    }
}

void CheckBox::on_hover(bool over) {
    hovered = over;
    invalidate();
}

void CheckBox::on_key_up(const event_info& info) {
    // On release, like the mouse, so holding space toggles once.
    if (info.key() == space_key) {
        toggle();
    }
}

void CheckBox::on_style_changed(const event_info& info) {
    if (StyleSet::names_key(info, "checkbox_image")) {
        back_image.unload();
    }
    layout(arrangement, spacing);
    invalidate();
}

void CheckBox::toggle() {
    checked = !checked;
    if (bound_value != nullptr) {
        *bound_value = checked;
    }
    invalidate();
    automation_events::toggle_changed(*this, checked);
    // Listeners read the new state from their bool (or checked).
    emit(this, event_kind::toggled, 0);
}

void CheckBox::bind(bool* value) {
    if (value == nullptr) {
        return;
    }
    bound_value = value;
    set_enabled(true);
    checked = *value;
    *value = checked;
    invalidate();
}

void CheckBox::set_text(const std::string& new_text) {
    text = new_text;
    layout(arrangement, spacing);
    invalidate();
}

void CheckBox::use_font_and_alignment(bool centred_vertically) {
    Renderer& renderer = *owner_window->renderer;
    renderer.set_font(style.style_string("checkbox_font_name"), style.style_float("checkbox_font_size"),
                      style.style_int("checkbox_font_weight"), style.style_int("checkbox_font_style"));
    renderer.set_format_alignment(DWRITE_TEXT_ALIGNMENT_LEADING, centred_vertically ? DWRITE_PARAGRAPH_ALIGNMENT_CENTER
                                                                                    : DWRITE_PARAGRAPH_ALIGNMENT_NEAR);
}

void CheckBox::layout(int32_t new_arrangement, int32_t new_spacing) {
    spacing = new_spacing;
    // Text is measured with the window's renderer; before the check box is
    // attached there is none, and attaching lays it out again.
    if (owner_window == nullptr || owner_window->renderer == nullptr) {
        arrangement = new_arrangement;
        return;
    }
    Renderer::size text_size;
    if (!text.empty()) {
        use_font_and_alignment(false);
        text_size = owner_window->renderer->measure_text(text, {0, 0});
    }

    const ImageRef ref = style.style_image("checkbox_image");
    if (!ref.empty() && !back_image.loaded() && back_image.load(ref)) {
        const uint32_t frames = ref.frame_count > 0 ? static_cast<uint32_t>(ref.frame_count) : 1u;
        image_width = back_image.width();
        frame_height = static_cast<int32_t>(static_cast<uint32_t>(back_image.height()) / frames);
    }

    box_rect.y = (rect.height - frame_height) / 2;
    box_rect.width = image_width;
    box_rect.height = frame_height;
    text_rect.y = (rect.height - text_size.height) / 2;
    text_rect.width = text_size.width;
    text_rect.height = text_size.height;

    if (new_arrangement >= 0 && new_arrangement < static_cast<int32_t>(placements.size())) {
        const row r{rect.width, image_width, text_size.width > 0 ? spacing : 0, text_size.width};
        const placement p = placements[static_cast<std::size_t>(new_arrangement)](r);
        box_rect.x = p.box_x;
        text_rect.x = p.text_x;
    }
    arrangement = new_arrangement;
    invalidate();
}

void CheckBox::draw() {
    Renderer& renderer = *owner_window->renderer;
    renderer.set_fill_color(style.style_color("checkbox_back_color"));
    renderer.fill_rect({0, 0, rect.width, rect.height});

    // Frames: 0 unchecked, 1 checked, 2 and 3 the same hovered. An unusable
    // check box always shows unchecked; a one-frame strip always frame 0.
    const ImageRef ref = style.style_image("checkbox_image");
    if (back_image.loaded()) {
        int32_t source_y = 0;
        if (ref.frame_count >= 2) {
            if (ref.frame_count >= 4 && hovered) {
                source_y += 2 * frame_height;
            }
            if (checked && is_usable()) {
                source_y += frame_height;
            }
        }
        renderer.draw_image_part({box_rect.x, box_rect.y}, back_image, {0, source_y, image_width, frame_height});
    }

    renderer.dotted = false;
    renderer.set_line(hovered ? style.style_color("checkbox_border_color_hover")
                              : style.style_color("checkbox_border_color_normal"),
                      style.style_float("checkbox_border_width"));
    renderer.draw_rect(box_rect);

    Color text_colour = style.style_color("checkbox_font_color");
    text_colour.a = is_usable() ? 1.0f : 0.5f;
    renderer.set_text_color(text_colour);
    use_font_and_alignment(true);
    if (!text.empty()) {
        renderer.draw_text(text_rect, text);
    }
    focus_outline::draw(*this, focus_outline_rect());
}

ui::rect CheckBox::focus_outline_rect() const {
    int32_t left = box_rect.x;
    int32_t top = box_rect.y;
    int32_t right = box_rect.x + box_rect.width;
    int32_t bottom = box_rect.y + box_rect.height;
    if (!text.empty()) {
        left = std::min(left, text_rect.x);
        top = std::min(top, text_rect.y);
        right = std::max(right, text_rect.x + text_rect.width);
        bottom = std::max(bottom, text_rect.y + text_rect.height);
    }
    // Cut to the check box first: a text longer than the row would push the
    // outline's far side out of what the check box may paint.
    left = std::max(left, 0) - outline_reach;
    top = std::max(top, 0) - outline_reach;
    right = std::min(right, rect.width) + outline_reach;
    bottom = std::min(bottom, rect.height) + outline_reach;
    return {left, top, right - left, bottom - top};
}

} // namespace norvik::ui
