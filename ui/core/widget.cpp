#include "ui/core/widget.h"

#include <algorithm>

#include <windows.h>

#include "ui/core/automation_events.h"
#include "ui/core/events/event_registry.h"
#include "ui/core/mouse_capture.h"
#include "ui/core/screen_dpi.h"
#include "ui/core/window.h"

namespace norvik::ui {

void hand_down_enabled(widget& x, bool a) {
    x.parent_enabled = a;
    for (widget* y : x.children) {
        hand_down_enabled(*y, a && x.enabled);
    }
}

void hand_down_visible(widget& x, bool a) {
    x.parent_visible = a;
    for (widget* y : x.children) {
        hand_down_visible(*y, a && x.visible);
    }
}

namespace {

// Whether the mouse capture's holder is `w` or lies inside w's subtree.
bool capture_held_within(const widget& w) {
    for (const widget* h = mouse_capture(); h != nullptr; h = h->parent) {
        if (h == &w) {
            return true;
        }
    }
    return false;
}

} // namespace

widget::widget() : style(this) {}

widget::~widget() {
    if (parent != nullptr) {
        parent->remove_child(*this);
    }
    for (widget* c : children) {
        c->parent = nullptr;
    }
    // Widgets normally die with their window, but one that goes first must
    // not leave the window pointing at it (Tab order, focus, hover, timers,
    // capture).
    if (owner_window != nullptr) {
        owner_window->forget_widget(*this);
    }
    if (mouse_capture() == this) {
        release_mouse();
    }
}

void widget::create(widget& new_parent, const ui::rect& r) {
    owner_window = new_parent.owner_window;
    parent = &new_parent;
    realise(r);
    new_parent.attach_child(*this);
    emit(this, event_kind::attached, 0);
}

void widget::create(window& w, const ui::rect& r) {
    owner_window = &w;
    parent = nullptr;
    realise({0, 0, r.width, r.height});
    emit(this, event_kind::attached, 0);
}

void widget::realise(const ui::rect& r) {
    rect = r;
    if (!enabled) {
        enabled = true;
        for (widget* c : children) {
            hand_down_enabled(*c, parent_enabled);
        }
        invalidate();
    }
    if (!visible) {
        emit(this, event_kind::shown, 0);
        visible = true;
        for (widget* c : children) {
            hand_down_visible(*c, parent_visible);
        }
        invalidate();
    }
    if (owner_window != nullptr) {
        owner_window->register_widget(*this);
    }
    created = true;
}

void widget::attach_child(widget& child) {
    child.parent = this;
    hand_down_enabled(child, enabled && parent_enabled);
    hand_down_visible(child, visible && parent_visible);
    children.push_back(&child);
    emit(this, event_kind::child_added, event_info::pack_pointer(&child));
}

void widget::remove_child(widget& child) {
    const auto it = std::find(children.begin(), children.end(), &child);
    if (it == children.end()) {
        return;
    }
    children.erase(it);
    child.parent = nullptr;
    child.parent_enabled = true;
    for (widget* g : child.children) {
        hand_down_enabled(*g, child.enabled);
    }
    child.parent_visible = true;
    for (widget* g : child.children) {
        hand_down_visible(*g, child.visible);
    }
    emit(this, event_kind::child_removed, event_info::pack_pointer(&child));
}

void widget::set_rect(const ui::rect& r) {
    const ui::rect old = rect;
    rect = r;
    if (!created) {
        return;
    }
    if (r.width != old.width || r.height != old.height) {
        const auto previous_size = event_info::pack_pair(old.width, old.height);
        emit(this, event_kind::resized, previous_size);
        // Handlers may add or destroy children, a child's handler even that
        // child: walk a copy, and pass over a child that has left the list
        // meanwhile.
        const std::vector<widget*> snapshot = children;
        for (widget* c : snapshot) {
            if (!has_child(c)) {
                continue;
            }
            emit(c, event_kind::parent_resized, previous_size);
            if (has_child(c)) {
                c->apply_anchors(rect.width, rect.height);
            }
        }
    }
    if (r.x != old.x || r.y != old.y) {
        const auto previous_position = event_info::pack_pair(old.x, old.y);
        emit(this, event_kind::moved, previous_position);
        const std::vector<widget*> snapshot = children;
        for (widget* c : snapshot) {
            if (has_child(c)) {
                emit(c, event_kind::parent_moved, previous_position);
            }
        }
    }
    if (!(r == old)) {
        const point offset = ancestors_offset();
        invalidate_absolute(offset.x + old.x, offset.y + old.y, old.width, old.height);
        invalidate();
    }
}

void widget::set_enabled(bool v) {
    if (v == enabled) {
        return;
    }
    // A holder that can no longer take input must not keep the mouse: it
    // hears its release now, while it can still act on it.
    if (!v && capture_held_within(*this)) {
        cancel_mouse_capture();
    }
    enabled = v;
    for (widget* c : children) {
        hand_down_enabled(*c, enabled && parent_enabled);
    }
    invalidate();
    if (!v && owner_window != nullptr) {
        owner_window->check_focus();
    }
}

void widget::set_visible(bool v) {
    if (v == visible) {
        return;
    }
    if (!v && capture_held_within(*this)) {
        cancel_mouse_capture();
    }
    // Raised while `visible` still holds the old value.
    emit(this, v ? event_kind::shown : event_kind::hidden, 0);
    visible = v;
    // What is handed down is the state after every ancestor, not this
    // widget's own flag alone: a widget shown inside a hidden page must not
    // make its children visible (and reachable with Tab).
    for (widget* c : children) {
        hand_down_visible(*c, visible && parent_visible);
    }
    invalidate();
    if (created) {
        automation_events::visibility_changed(*this);
    }
    if (!v && owner_window != nullptr) {
        owner_window->check_focus();
    }
}

bool widget::has_child(const widget* c) const {
    // Compares addresses only: `c` may already be destroyed.
    return std::find(children.begin(), children.end(), c) != children.end();
}

bool widget::is_visible() const {
    return visible && parent_visible;
}

bool widget::is_usable() const {
    return enabled && parent_enabled;
}

point widget::ancestors_offset() const {
    point offset;
    for (const widget* a = parent; a != nullptr; a = a->parent) {
        offset.x += a->rect.x;
        offset.y += a->rect.y;
    }
    return offset;
}

void widget::invalidate() const {
    const point offset = ancestors_offset();
    invalidate_absolute(offset.x + rect.x, offset.y + rect.y, rect.width, rect.height);
}

void widget::invalidate_absolute(int32_t x, int32_t y, int32_t width, int32_t height) const {
    if (owner_window != nullptr) {
        owner_window->native.invalidate({x - overhang, y - overhang, width + 2 * overhang, height + 2 * overhang});
    }
}

void widget::apply_anchors(int32_t parent_width, int32_t parent_height) {
    if (anchor_right.active) {
        if (anchor_left.active) {
            rect.x = anchor_left.distance;
            rect.width = parent_width - anchor_right.distance - rect.x;
        } else {
            rect.x = parent_width - anchor_right.distance - rect.width;
        }
    } else if (anchor_left.active) {
        rect.x = anchor_left.distance;
    }
    if (anchor_bottom.active) {
        if (anchor_top.active) {
            rect.y = anchor_top.distance;
            rect.height = parent_height - anchor_bottom.distance - rect.y;
        } else {
            rect.y = parent_height - anchor_bottom.distance - rect.height;
        }
    } else if (anchor_top.active) {
        rect.y = anchor_top.distance;
    }
    invalidate();
}

point widget::cursor_position() const {
    POINT p{};
    GetCursorPos(&p);
    if (owner_window != nullptr && owner_window->native.hwnd != nullptr) {
        ScreenToClient(owner_window->native.hwnd, &p);
    }
    // The system's screen density, not the window's: both are the same for a
    // system-DPI-aware program, and this keeps widgets without a window
    // consistent with those inside one.
    const dpi& d = screen_dpi();
    point q{static_cast<int32_t>(p.x * 96 / d.x), static_cast<int32_t>(p.y * 96 / d.y)};
    if (owner_window == nullptr) {
        return q;
    }
    for (const widget* w = this; w != nullptr && w->parent != nullptr; w = w->parent) {
        q.x -= w->rect.x;
        q.y -= w->rect.y;
    }
    return q;
}

} // namespace norvik::ui
