#include "ui/core/window.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "render/renderer.h"
#include "ui/core/automation_events.h"
#include "ui/core/cursor_shape.h"
#include "ui/core/events/event_registry.h"
#include "ui/core/key_state.h"
#include "ui/core/mouse_capture.h"
#include "ui/core/text/text_conversion.h"

namespace norvik::ui {

namespace {

// Closes a widget's drawing scope even when a paint handler throws, so the
// renderer still ends the frame (EndDraw, EndPaint). A scope the renderer
// could not open (no graphics device yet) paints nothing.
class paint_scope {
public:
    paint_scope(Renderer& renderer, widget& w, const RECT& update)
        : renderer_(renderer), open_(renderer_.begin_widget(w.rect, update, w.overhang)) {}
    ~paint_scope() {
        if (open_) {
            renderer_.end_widget();
        }
    }
    paint_scope(const paint_scope&) = delete;
    paint_scope& operator=(const paint_scope&) = delete;

    bool open() const { return open_; }

private:
    Renderer& renderer_;
    const bool open_;
};

} // namespace

window::window() {
    root.class_name = "BaseWidget";
    set_cursor(cursor_shape::arrow);
}

window::~window() {
    // Widgets that outlive the window (the root among them: it is destroyed
    // after the lists it would clean up) must not reach back into it.
    for (widget* w : registered_widgets) {
        if (mouse_capture() == w) {
            release_mouse();
        }
        w->owner_window = nullptr;
    }
}

void window::create(std::string_view title, const ui::rect& r) {
    // A pop-up opened by someone using the keys (Escape for Cancel) marks
    // its focus from the start, as its owner does.
    focus_cues = owner != nullptr && owner->focus_cues;
    native.create(owner != nullptr ? &owner->native : nullptr, *this, r);
    SetWindowTextW(native.hwnd, text::utf8_to_utf16(title).c_str());
    root.class_name = "BaseWidget";
    root.automation.role = automation_role::window;
    root.automation.name = [name = std::string(title)] { return name; };
    root.create(*this, r);
    focused_widget = &root;
    renderer = std::make_unique<Renderer>(native.hwnd);
    text_input = std::make_unique<ui::text_input>(native.hwnd);
}

int32_t window::show_modal() {
    modal_result = 0;
    emit(this, event_kind::shown, 0);
    native.run_modal();
    return modal_result;
}

void window::end_modal(int32_t result) {
    modal_result = result;
    emit(this, event_kind::hidden, 0);
    native.end_native_modal();
}

void window::set_window_rect(const ui::rect& r) {
    native.set_window_rect(r);
}

ui::rect window::get_window_rect() const {
    return native.get_window_rect();
}

void window::center_window() {
    native.center_window();
}

widget* window::hit_test(point p) const {
    if (!root.is_visible() || p.x < 0 || p.y < 0 || p.x >= root.rect.width || p.y >= root.rect.height) {
        return nullptr;
    }
    const widget* current = &root;
    point q = p;
    for (;;) {
        q.x -= current->rect.x;
        q.y -= current->rect.y;
        const auto& kids = current->children;
        const auto hit = std::find_if(kids.rbegin(), kids.rend(), [&q](const widget* c) {
            return c->is_visible() && c->rect.x <= q.x && q.x < c->rect.x + c->rect.width && c->rect.y <= q.y &&
                   q.y < c->rect.y + c->rect.height;
        });
        if (hit == kids.rend()) {
            return const_cast<widget*>(current);
        }
        current = *hit;
    }
}

widget* window::widget_under_cursor() const {
    return hit_test(root.cursor_position());
}

namespace {

bool usable(const widget* w) {
    return w != nullptr && w->is_usable();
}

} // namespace

void window::route_event(event_kind kind, uint64_t value) {
    switch (kind) {
    case event_kind::mouse_up: {
        widget* captured = mouse_capture();
        widget* target = usable(captured) ? captured : widget_under_cursor();
        if (usable(target)) {
            emit(target, kind, value);
        }
        break;
    }
    case event_kind::mouse_down:
    case event_kind::mouse_double_click: {
        widget* target = widget_under_cursor();
        if (usable(target)) {
            set_focus(target, 0);
            emit(target, kind, value);
        }
        break;
    }
    case event_kind::mouse_wheel:
        route_wheel(value);
        break;
    case event_kind::mouse_leave:
        if (usable(hovered_widget)) {
            emit(hovered_widget, event_kind::mouse_leave, 0);
        }
        // Forget the hovered widget, so that coming back onto it raises
        // mouse_enter again: it has just been told the mouse left.
        hovered_widget = nullptr;
        break;
    case event_kind::mouse_move:
        route_mouse_move();
        break;
    case event_kind::key_down:
    case event_kind::key_up:
        if (kind == event_kind::key_down && !focus_cues) {
            focus_cues = true;
            if (focused_widget != nullptr) {
                focused_widget->invalidate();
            }
        }
        if (usable(focused_widget)) {
            emit(focused_widget, kind, value);
        }
        emit(this, kind, value);
        break;
    case event_kind::char_input:
        if (value == L'\t') {
            if (key_state(key_state_code::shift)) {
                focus_previous();
            } else {
                focus_next();
            }
        } else if (usable(focused_widget)) {
            emit(focused_widget, kind, value);
        }
        break;
    case event_kind::resized: {
        const event_info size{this, kind, value};
        root.set_rect({0, 0, size.low(), size.high()});
        break;
    }
    case event_kind::focus_gained:
    case event_kind::focus_lost:
        if (usable(focused_widget)) {
            emit(focused_widget, kind, 0);
        }
        emit(this, kind, 0);
        break;
    case event_kind::files_dropped: {
        widget* target = widget_under_cursor();
        if (usable(target)) {
            emit(target, kind, value);
        }
        break;
    }
    case event_kind::ime_composition:
        if (usable(focused_widget)) {
            emit(focused_widget, kind, value);
        }
        break;
    default:
        break;
    }
}

void window::route_wheel(uint64_t value) {
    widget* target = widget_under_cursor();
    if (!usable(target)) {
        return;
    }
    // Up the parents until one has wheel handlers; their usability is not
    // looked at (a scroll view that contains the pointer still scrolls).
    for (widget* w = target; w != nullptr; w = w->parent) {
        if (emit(w, event_kind::mouse_wheel, value)) {
            return;
        }
    }
}

void window::route_mouse_move() {
    widget* captured = mouse_capture();
    if (usable(captured)) {
        emit(captured, event_kind::mouse_move, 0);
        return;
    }
    widget* target = widget_under_cursor();
    if (target == hovered_widget) {
        if (usable(target)) {
            emit(target, event_kind::mouse_move, 0);
        }
        return;
    }
    widget* previous = hovered_widget;
    // Updated first, so that a handler reading it sees the new state and a
    // handler that destroys the old widget cannot leave it dangling.
    hovered_widget = target;
    if (usable(previous)) {
        emit(previous, event_kind::mouse_leave, 0);
    }
    if (usable(target)) {
        emit(target, event_kind::mouse_enter, 0);
    }
}

void window::set_focus(widget* w, int32_t reason) {
    if (w == focused_widget) {
        return;
    }
    if (focused_widget != nullptr) {
        emit(focused_widget, event_kind::focus_lost, static_cast<uint64_t>(reason));
    }
    focused_widget = w;
    if (usable(w)) {
        emit(w, event_kind::focus_gained, static_cast<uint64_t>(reason));
        // The handlers may have moved the focus on already.
        if (focused_widget == w) {
            automation_events::focus_changed(*w);
        }
    }
}

bool window::is_tab_stop(const widget* w) const {
    return w->focusable && w->is_usable() && w->is_visible();
}

std::size_t window::focus_index() const {
    const auto it = std::find(registered_widgets.begin(), registered_widgets.end(), focused_widget);
    return static_cast<std::size_t>(it - registered_widgets.begin());
}

// Tab: the next tab stop after the focused widget in creation order,
// wrapping around.
void window::focus_next() {
    if (focused_widget == nullptr) {
        focused_widget = &root;
    }
    const std::size_t n = registered_widgets.size();
    if (n == 0) {
        return;
    }
    const std::size_t start = focus_index();
    focus_tab_stop_from(start, start, true);
}

// Shift+Tab. When the focused widget is not a tab stop, the search starts
// from the nearest focusable entry before it, so from the root (first in the
// list) it passes over the last tab stop and lands on the one before.
void window::focus_previous() {
    if (focused_widget == nullptr) {
        focused_widget = &root;
    }
    const std::size_t n = registered_widgets.size();
    if (n == 0) {
        return;
    }
    const auto back = [n](std::size_t i) { return i == 0 ? n - 1 : (i > n ? n - 1 : i - 1); };
    std::size_t i = focus_index();
    const std::size_t start = i;
    if (!focused_widget->focusable) {
        for (std::size_t j = back(i), step = 0; step < n; j = back(j), ++step) {
            if (j == start) {
                break;
            }
            if (registered_widgets[j]->focusable) {
                i = j;
                break;
            }
        }
    }
    focus_tab_stop_from(i, start, false);
}

void window::focus_tab_stop_from(std::size_t i, std::size_t start, bool forward) {
    const std::size_t n = registered_widgets.size();
    for (std::size_t step = 0; step < n; ++step) {
        if (forward) {
            i = (i + 1 >= n) ? 0 : i + 1;
        } else {
            i = (i == 0 || i > n) ? n - 1 : i - 1;
        }
        if (i == start) {
            return;
        }
        widget* candidate = registered_widgets[i];
        if (is_tab_stop(candidate)) {
            if (candidate != focused_widget) {
                set_focus(candidate, 1);
            }
            return;
        }
    }
}

void window::focus_from(widget& w, int32_t reason) {
    if (is_tab_stop(&w)) {
        set_focus(&w, reason);
        return;
    }
    const auto at = std::find(registered_widgets.begin(), registered_widgets.end(), &w);
    const std::size_t n = registered_widgets.size();
    std::size_t i = static_cast<std::size_t>(at - registered_widgets.begin());
    for (std::size_t step = 0; step < n; ++step) {
        i = (i + 1 >= n) ? 0 : i + 1;
        if (is_tab_stop(registered_widgets[i])) {
            set_focus(registered_widgets[i], reason);
            return;
        }
    }
}

widget* window::first_tab_stop_in(const widget& container) const {
    for (widget* w : registered_widgets) {
        if (!is_tab_stop(w)) {
            continue;
        }
        for (const widget* a = w->parent; a != nullptr; a = a->parent) {
            if (a == &container) {
                return w;
            }
        }
    }
    return nullptr;
}

void window::check_focus() {
    if (native.hwnd == nullptr || focused_widget == nullptr || focused_widget == &root) {
        return;
    }
    if (!focused_widget->is_visible() || !focused_widget->is_usable()) {
        native.post_call([this] { keep_focus_in_reach(); });
    }
}

void window::keep_focus_in_reach() {
    widget* lost = focused_widget;
    if (lost == nullptr || lost == &root || (lost->is_visible() && lost->is_usable())) {
        return;
    }
    focus_from(*lost, 0);
    // No tab stop anywhere: the window itself keeps the keys.
    if (focused_widget == lost) {
        set_focus(&root, 0);
    }
}

void window::paint_widget(widget& w, const RECT& update) {
    if (!w.is_visible()) {
        return;
    }
    // The position is kept, not re-read: a paint handler may move the widget.
    const point position{w.rect.x, w.rect.y};
    paint_origin.x += position.x;
    paint_origin.y += position.y;
    struct origin_restore {
        point& origin;
        point offset;
        ~origin_restore() {
            origin.x -= offset.x;
            origin.y -= offset.y;
        }
    } restore{paint_origin, position};

    const LONG left = paint_origin.x - w.overhang;
    const LONG top = paint_origin.y - w.overhang;
    const LONG right = paint_origin.x + w.rect.width + w.overhang;
    const LONG bottom = paint_origin.y + w.rect.height + w.overhang;
    // Touching edges count as meeting.
    if (update.left > right || update.top > bottom || update.right < left || update.bottom < top) {
        return;
    }
    if (renderer == nullptr) {
        return;
    }
    paint_scope scope(*renderer, w, update);
    if (!scope.open()) {
        return;
    }
    widget* const parent = w.parent;
    emit(&w, event_kind::paint, 0);
    // A paint handler may destroy its own widget: then there is nothing of
    // it left to draw.
    if (parent != nullptr && !parent->has_child(&w)) {
        return;
    }
    // Every shadow goes under every child.
    const std::vector<widget*> kids = w.children;
    for (const widget* c : kids) {
        if (c->shadow.enabled) {
            renderer->draw_shadow(c->rect, {c->shadow.offset_x, c->shadow.offset_y}, c->shadow.size);
        }
    }
    // A child's paint handler may destroy a later sibling: a child that has
    // left the list is passed over.
    for (widget* c : kids) {
        if (w.has_child(c)) {
            paint_widget(*c, update);
        }
    }
}

void window::register_widget(widget& w) {
    registered_widgets.push_back(&w);
}

void window::forget_widget(widget& w) {
    registered_widgets.erase(std::remove(registered_widgets.begin(), registered_widgets.end(), &w),
                             registered_widgets.end());
    if (focused_widget == &w) {
        focused_widget = &root == &w ? nullptr : &root;
    }
    if (hovered_widget == &w) {
        hovered_widget = nullptr;
    }
    native.stop_timers(w);
}

} // namespace norvik::ui
