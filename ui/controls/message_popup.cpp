#include "ui/controls/message_popup.h"

#include <algorithm>
#include <iterator>

#include <dwrite.h>

#include "render/color.h"
#include "render/renderer.h"
#include "ui/core/events/event_registry.h"

namespace norvik::ui {

namespace {

constexpr Color back_color{0.2313f, 0.2313f, 0.2549f, 1.0f};
constexpr Color message_color{0.882f, 0.882f, 0.882f, 1.0f};

// The size the window is created with; the buttons' first places are those
// of this size, and layout replaces them once the message is measured.
constexpr int32_t initial_width = 400;
constexpr int32_t initial_height = 200;

struct button_texts {
    const char* first;
    const char* second; // nullptr: one button only
};

// Indexed by MessageKind.
constexpr button_texts kind_texts[] = {
    {"OK", nullptr},
    {"OK", "Cancel"},
    {"Yes", "No"},
};

} // namespace

void MessagePopup::setup(window* new_owner, std::string_view title, std::string_view new_message,
                         MessageKind new_kind) {
    if (new_owner != nullptr) {
        owner = new_owner;
    }
    create(title, {0, 0, initial_width, initial_height});
    message = std::string(new_message);
    kind = new_kind;

    root.automation.dialog = true;
    root.style.set_style("default_back_color", back_color);
    if (root.is_visible()) {
        root.invalidate();
    }
    connect(&root, event_kind::paint, this, &MessagePopup::paint);

    do_not_show_again.create(root, {margin, 50, 320, 20});
    do_not_show_again.set_text("Do not show this again");
    do_not_show_again.checked = false;
    if (do_not_show_again.bound_value != nullptr) {
        *do_not_show_again.bound_value = false;
    }
    do_not_show_again.invalidate();
    do_not_show_again.layout(0, 5);
    do_not_show_again.set_visible(false);

    text_rect = {margin, margin, 360, 20};
    message_text.automation.role = automation_role::text;
    message_text.automation.name = [this] { return message; };
    message_text.create(root, text_rect);
    place_buttons();
    if (first_button.created) {
        set_focus(&first_button, 2);
    }
    layout();
}

void MessagePopup::place_buttons() {
    if (kind < 0 || kind >= static_cast<MessageKind>(std::size(kind_texts))) {
        return;
    }
    const button_texts& texts = kind_texts[kind];
    const int32_t y = initial_height - button_height - margin;
    const int32_t right_x = initial_width - button_width - margin;
    const auto make = [this, y](GenericButton& b, int32_t x, const char* text) {
        b.create(root, {x, y, button_width, button_height});
        connect(&b, event_kind::clicked, this, &MessagePopup::on_button_clicked);
        b.text = text;
        b.invalidate();
    };
    if (texts.second == nullptr) {
        make(first_button, right_x, texts.first);
    } else {
        make(first_button, right_x - button_width - gap, texts.first);
        make(second_button, right_x, texts.second);
    }
}

void MessagePopup::use_message_font() {
    // 400 is the normal weight: anything but the theme's light (1) or bold (2).
    renderer->set_font("Tahoma", 12.0f, 400, 0);
}

void MessagePopup::layout() {
    use_message_font();
    renderer->set_format_alignment(DWRITE_TEXT_ALIGNMENT_LEADING, DWRITE_PARAGRAPH_ALIGNMENT_NEAR);

    const int32_t min_width = 3 * button_width + 2 * (margin + gap);
    const Renderer::size text = message.empty() ? Renderer::size{} : renderer->measure_text(message, {0, 0});
    const int32_t width = std::max(min_width, text.width + 2 * margin);
    const int32_t height = text.height + 2 * (gap + margin) + check_row_height + button_height;
    set_window_rect({root.rect.x, root.rect.y, width, height});

    text_rect = {margin, margin, width - 2 * margin, text.height};
    message_text.set_rect(text_rect);
    do_not_show_again.set_rect({margin, margin + gap + text.height, width, check_row_height});

    const int32_t y = height - button_height - margin;
    const int32_t right_x = width - button_width - margin;
    if (kind == kind_ok) {
        first_button.set_rect({right_x, y, button_width, button_height});
    } else if (kind == kind_ok_cancel || kind == kind_yes_no) {
        first_button.set_rect({right_x - button_width - gap, y, button_width, button_height});
        second_button.set_rect({right_x, y, button_width, button_height});
    }
    center_window();
}

void MessagePopup::paint() {
    renderer->set_fill_color(root.style.style_color("default_back_color"));
    renderer->fill_rect({0, 0, root.rect.width, root.rect.height});
    renderer->set_text_color(message_color);
    use_message_font();
    // text_align reads like the theme's alignment keys; 1 is the top.
    renderer->set_text_alignment(text_align, 1);
    if (!message.empty()) {
        renderer->draw_text(text_rect, message);
    }
}

void MessagePopup::on_button_clicked(const event_info& info) {
    if (info.sender == &first_button) {
        end_modal(1);
    } else if (info.sender == &second_button) {
        end_modal(0);
    }
}

} // namespace norvik::ui
