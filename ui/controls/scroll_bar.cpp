#include "ui/controls/scroll_bar.h"

#include <algorithm>
#include <cmath>
#include <string>

#include <windows.h>

#include "render/renderer.h"
#include "resources/embedded_images.h"
#include "ui/controls/focus_outline.h"
#include "ui/core/events/event_registry.h"
#include "ui/core/mouse_capture.h"
#include "ui/core/window.h"

namespace norvik::ui {

namespace {

constexpr int32_t left_button = 0;

// Edges included: a press on the last row of the thumb still grabs it.
bool contains(const ui::rect& r, point p) {
    return p.x >= r.x && p.x <= r.x + r.width && p.y >= r.y && p.y <= r.y + r.height;
}

// Content pixels for `track_pixels` of thumb travel. Computed in float like
// the ratio itself; bounded so that a tiny ratio cannot overflow the integer
// (scroll_to clamps to the range afterwards anyway).
int32_t content_pixels(int32_t track_pixels, float ratio) {
    const float content = std::trunc(static_cast<float>(track_pixels) / ratio);
    return static_cast<int32_t>(std::clamp(content, -1.0e9f, 1.0e9f));
}

} // namespace

ScrollBar::ScrollBar() {
    class_name = "ScrollBar";
    connect(this, event_kind::attached, this, &ScrollBar::on_attached);
    // To a screen reader the bar is a value, how far the content is
    // scrolled, named after that content: tabbing onto it reads what it
    // scrolls.
    automation.role = automation_role::scroll_bar;
    automation.name = [this] {
        return target != nullptr && target->automation.name ? target->automation.name() : std::string();
    };
    automation.range_value.value = [this] { return static_cast<double>(position_); };
    automation.range_value.maximum = [this] { return static_cast<double>(range_); };
    automation.range_value.small_change = [this] { return static_cast<double>(step); };
    automation.range_value.large_change = [this] { return static_cast<double>(page()); };
    automation.range_value.set_value = [this](double v) { scroll_to(static_cast<int32_t>(v), true); };
}

ScrollBar::~ScrollBar() = default;

void ScrollBar::on_attached() {
    connect(this, event_kind::paint, this, &ScrollBar::on_paint);
    connect(this, event_kind::mouse_down, this, &ScrollBar::on_mouse_down);
    connect(this, event_kind::mouse_up, this, &ScrollBar::on_mouse_up);
    connect(this, event_kind::mouse_wheel, this, &ScrollBar::on_wheel);
    connect(this, event_kind::mouse_move, this, &ScrollBar::on_mouse_move);
    connect(this, event_kind::resized, this, &ScrollBar::layout);
    connect(this, event_kind::key_down, this, &ScrollBar::on_key_down);
    connect(this, event_kind::focus_gained, this, &ScrollBar::invalidate);
    connect(this, event_kind::focus_lost, this, &ScrollBar::invalidate);
    // Without arrows the buttons still work; a picture that does not decode
    // is not tried again.
    arrow_image_.load(resources::scroll_arrow_png, resources::scroll_arrow_png_size, 1.0f);
    layout();
}

void ScrollBar::set_target(widget* w) {
    // The registry can only drop all of a sender's handlers for a kind,
    // which would take other listeners' handlers on the old target with
    // them. Instead the handlers connected for the old target hold a weak
    // reference to this subscription and fall silent once it is dropped, as
    // they do when the bar itself is destroyed before its target.
    subscription_.reset();
    target = w;
    if (w != nullptr && !inert()) {
        w->set_rect(with_along(w->rect, 0));
        subscription_ = std::make_shared<subscription>();
        follow(*w, event_kind::resized, &ScrollBar::on_target_changed);
        follow(*w, event_kind::moved, &ScrollBar::on_target_changed);
        follow(*w, event_kind::mouse_wheel, &ScrollBar::on_wheel);
        if (w->parent != nullptr) {
            follow(*w->parent, event_kind::resized, &ScrollBar::on_parent_resized);
        }
    }
    update();
}

void ScrollBar::follow(const widget& sender, event_kind kind, void (ScrollBar::*member)(const event_info&)) {
    const std::weak_ptr<subscription> current = subscription_;
    connect(&sender, kind, event_handler([this, current, member](const event_info& info) {
        if (!current.expired()) {
            (this->*member)(info);
        }
    }));
}

void ScrollBar::scroll_to(int32_t position, bool exact) {
    if (target == nullptr || inert()) {
        return;
    }
    if (!exact && step > 0) {
        position -= position % step; // % truncates toward zero
    }
    place_target(-static_cast<int64_t>(position));
}

void ScrollBar::scroll_by(int32_t delta) {
    if (target == nullptr || inert()) {
        return;
    }
    place_target(static_cast<int64_t>(along(target->rect)) + delta);
}

void ScrollBar::place_target(int64_t a) {
    const auto clamped = static_cast<int32_t>(std::max<int64_t>(-range_, std::min<int64_t>(0, a)));
    // set_rect raises moved on the target, which runs update.
    target->set_rect(with_along(target->rect, clamped));
}

int32_t ScrollBar::button_length() const {
    return show_buttons ? extent(first_button_) : 0;
}

ui::rect ScrollBar::with_along(const ui::rect& r, int32_t a) const {
    return vertical() ? ui::rect{r.x, a, r.width, r.height} : ui::rect{a, r.y, r.width, r.height};
}

ui::rect ScrollBar::thumb_preset() const {
    const int32_t b = button_length();
    return vertical() ? ui::rect{0, b, rect.width, rect.height - 2 * b}
                      : ui::rect{b, 0, rect.width - 2 * b, rect.height};
}

void ScrollBar::layout() {
    if (inert()) {
        return;
    }
    const int32_t w = rect.width;
    const int32_t h = rect.height;
    if (!show_buttons) {
        first_button_ = {};
        second_button_ = {};
    } else if (vertical()) {
        first_button_ = {0, 0, w, w};
        second_button_ = {0, h - w, w, w};
    } else {
        first_button_ = {0, 0, h, h};
        second_button_ = {w - h, 0, h, h};
    }
    thumb_ = thumb_preset();
    update();
}

void ScrollBar::update() {
    if (inert()) {
        return;
    }
    if (target == nullptr || target->parent == nullptr) {
        thumb_ = thumb_preset();
        position_ = 0;
        range_ = 0;
        ratio_ = 0.0f;
        invalidate();
        return;
    }
    const int32_t overhang = extent(target->rect) - extent(target->parent->rect);
    range_ = overhang < 1 ? 0 : overhang;
    position_ = -along(target->rect);

    const int32_t b = button_length();
    const int32_t length = extent(rect);
    const int32_t track = length - 2 * b;
    // The thumb shrinks one pixel per pixel of overhang down to the bar's
    // thickness; past that it moves slower than the content.
    const int32_t thumb_length = std::max(track - range_, thickness(rect));
    ratio_ = range_ == 0 ? 0.0f : static_cast<float>(track - thumb_length) / static_cast<float>(range_);
    const int32_t start = b + static_cast<int32_t>(static_cast<float>(position_) * ratio_);
    thumb_ = vertical() ? ui::rect{0, start, thickness(rect), thumb_length}
                        : ui::rect{start, 0, thumb_length, thickness(rect)};
    if (start + thumb_length > length) {
        // Scrolled past the end (the content shrank or the bar did): pull the
        // content back to its last position; the target's moved runs this
        // again, and stops once the target no longer moves.
        scroll_to(range_, true);
    }
    invalidate();
}

void ScrollBar::on_mouse_down(const event_info& info) {
    if (info.value != left_button || inert()) {
        return;
    }
    const point p = cursor_position();
    if (contains(thumb_, p)) {
        dragging_ = true;
        const auto k = static_cast<int32_t>(static_cast<float>(position_) * ratio_);
        drag_anchor_ = {p.x - k, p.y - k};
        capture_mouse(*this); // keep the moves coming while the pointer leaves the bar
        return;
    }
    // A press in the track puts the thumb's near end under the pointer. The
    // track starts after the first button, so its length comes off first.
    const int32_t a = along(p);
    const int32_t b = button_length();
    const int32_t start = along(thumb_);
    const int32_t end = start + extent(thumb_);
    int32_t v = 0;
    if (a < start && (!show_buttons || a > along(first_button_) + extent(first_button_))) {
        v = a - b;
    } else if (a > end && (!show_buttons || a < along(second_button_))) {
        v = a - b - extent(thumb_);
    } else {
        return; // on a button: mouse_up handles it
    }
    if (ratio_ != 0.0f) {
        scroll_to(content_pixels(v, ratio_), true);
    }
}

void ScrollBar::on_mouse_move() {
    if (!dragging_ || ratio_ == 0.0f) {
        return;
    }
    const int32_t a = along(cursor_position()) - along(drag_anchor_);
    scroll_to(content_pixels(a, ratio_), false);
}

void ScrollBar::on_mouse_up(const event_info& info) {
    if (info.value != left_button || inert()) {
        return;
    }
    if (dragging_) {
        if (mouse_capture() == this) {
            release_mouse();
        }
        dragging_ = false;
        return;
    }
    if (target == nullptr || !show_buttons) {
        return;
    }
    // One step per release; there is no auto-repeat.
    const point p = cursor_position();
    if (contains(first_button_, p)) {
        scroll_by(step);
    } else if (contains(second_button_, p)) {
        scroll_by(-step);
    }
}

void ScrollBar::on_wheel(const event_info& info) {
    // The value is half the wheel delta: one notch of 120 is 60 pixels, and
    // turning the wheel away from the user scrolls towards the start.
    const double delta = std::clamp(std::trunc(info.as_double()), -1.0e9, 1.0e9);
    scroll_by(static_cast<int32_t>(delta));
}

int32_t ScrollBar::page() const {
    if (target == nullptr || target->parent == nullptr) {
        return step;
    }
    // One step less than what shows, so that a line seen before stays in view.
    return std::max(step, extent(target->parent->rect) - step);
}

void ScrollBar::on_key_down(const event_info& info) {
    switch (info.key()) {
    case VK_UP:
    case VK_LEFT:
        scroll_by(step);
        break;
    case VK_DOWN:
    case VK_RIGHT:
        scroll_by(-step);
        break;
    case VK_PRIOR:
        scroll_by(page());
        break;
    case VK_NEXT:
        scroll_by(-page());
        break;
    case VK_HOME:
        scroll_to(0, true);
        break;
    case VK_END:
        scroll_to(range_, true);
        break;
    default:
        break;
    }
}

void ScrollBar::on_target_changed(const event_info&) {
    update();
}

void ScrollBar::on_parent_resized(const event_info&) {
    if (target == nullptr || target->parent == nullptr) {
        return;
    }
    // A larger visible area pulls scrolled content back, so that no empty
    // space shows after its end.
    const int32_t a = along(target->rect);
    const int32_t e = extent(target->rect);
    const int32_t visible = extent(target->parent->rect);
    if (a < 0 && a + e < visible) {
        target->set_rect(with_along(target->rect, std::min(0, visible - e)));
    }
    update();
}

void ScrollBar::on_paint() {
    draw_track({0, 0, rect.width, rect.height});
    if (inert()) {
        return;
    }
    draw_thumb(thumb_);
    if (show_buttons) {
        draw_button(first_button_, true, arrow_image_);
        draw_button(second_button_, false, arrow_image_);
    }
    focus_outline::draw(*this, {0, 0, rect.width, rect.height});
}

void ScrollBar::draw_track(const ui::rect& r) {
    Renderer& renderer = *owner_window->renderer;
    renderer.set_fill_color(style.style_color("scroll_back_color"));
    renderer.fill_rect(r);
}

void ScrollBar::draw_thumb(const ui::rect& r) {
    Renderer& renderer = *owner_window->renderer;
    renderer.set_fill_color(style.style_color("scroll_bar_back_color"));
    renderer.fill_rect(r);
    renderer.set_line(style.style_color("scroll_bar_line_color"), 1.0f);
    // The dotted flag outlives the widget that set it (a focused button
    // drawn just before); grip lines are always solid.
    renderer.dotted = false;
    for (const int32_t k : {-3, 0, 3}) {
        if (vertical()) {
            const int32_t c = r.y + r.height / 2 + k;
            renderer.draw_line({r.x + 4, c}, {r.x + r.width - 4, c});
        } else {
            const int32_t c = r.x + r.width / 2 + k;
            renderer.draw_line({c, r.y + 4}, {c, r.y + r.height - 4});
        }
    }
}

void ScrollBar::draw_button(const ui::rect& r, bool first, Image& image) {
    Renderer& renderer = *owner_window->renderer;
    renderer.set_fill_color(style.style_color("scroll_button_back_color"));
    renderer.fill_rect(r);
    renderer.set_line(style.style_color("scroll_button_line_color"), 1.0f);
    renderer.dotted = false;
    if (vertical()) {
        renderer.draw_line({r.x, r.y}, {r.x + r.width, r.y});
    } else {
        renderer.draw_line({r.x, r.y}, {r.x, r.y + r.height});
    }
    if (!image.loaded()) {
        return;
    }
    // The arrow picture is a diamond: its top, bottom, left and right halves
    // are the up, down, left and right arrows, centred on the square button.
    const int32_t s = thickness(r);
    if (vertical()) {
        renderer.draw_image_part({r.x + s / 2 - 4, r.y + s / 2 - 2}, image,
                                 first ? ui::rect{0, 0, 8, 4} : ui::rect{0, 4, 8, 4});
    } else {
        renderer.draw_image_part({r.x + s / 2 - 2, r.y + s / 2 - 4}, image,
                                 first ? ui::rect{0, 0, 4, 8} : ui::rect{4, 0, 4, 8});
    }
}

} // namespace norvik::ui
