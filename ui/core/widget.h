#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/style_set.h"
#include "ui/core/automation_properties.h"
#include "ui/core/events/event_object.h"
#include "ui/core/events/point.h"
#include "ui/core/events/rect.h"

namespace norvik::ui {

class window;

// A node of the UI tree and the base of every control. A widget owns none of
// its children: every widget is a member of the window object that shows it,
// and lives as long as that window. Behaviour is attached by connecting
// handlers to the widget's events, not by overriding.
class widget : public event_object {
public:
    // Keeps a widget edge at a fixed distance from the same edge of its parent.
    struct anchor {
        bool active = false;
        int32_t distance = 0;
    };

    // A soft shadow the parent draws around this widget before its children.
    struct drop_shadow {
        bool enabled = false;
        int32_t offset_x = 0;
        int32_t offset_y = 0;
        int32_t size = 20;
    };

    widget();
    ~widget() override;

    // Makes this widget a child of `parent` with rectangle `r`.
    void create(widget& parent, const ui::rect& r);
    // Makes this widget the root of `w`: placed at (0, 0) with r's size.
    void create(window& w, const ui::rect& r);

    void attach_child(widget& child);
    void remove_child(widget& child);

    void set_rect(const ui::rect& r);
    // Hiding or disabling the widget that holds the mouse capture, or one of
    // its ancestors, first cancels the capture (cancel_mouse_capture).
    // Hiding or disabling the widget that has the focus (or an ancestor of
    // it) moves the focus on to the next tab stop.
    void set_visible(bool v);
    void set_enabled(bool v);

    virtual bool is_visible() const;
    bool is_usable() const;
    // Whether `c` is in children. `c` is not dereferenced, so a loop over a
    // copy of the list can ask about a child a handler has destroyed.
    bool has_child(const widget* c) const;

    // Asks the system to repaint the widget's rectangle.
    void invalidate() const;
    // Re-places the widget from its anchors after the parent took the size
    // (parent_width, parent_height).
    void apply_anchors(int32_t parent_width, int32_t parent_height);
    // The mouse position in this widget's coordinates.
    point cursor_position() const;

    // The fields, in this order, are the widget's state; controls set
    // focusable and class_name directly in their constructors.
    StyleSet style;
    bool created = false;
    widget* parent = nullptr;
    window* owner_window = nullptr;
    std::vector<widget*> children;
    std::string class_name = "Widget";
    bool visible = false;
    bool parent_visible = true;
    bool focusable = false;
    bool enabled = true;
    bool parent_enabled = true;
    ui::rect rect;
    anchor anchor_top;
    anchor anchor_bottom;
    anchor anchor_left;
    anchor anchor_right;
    drop_shadow shadow;
    // How far (logical units, on every side) the widget paints beyond its
    // rectangle: room for a focus outline around content that reaches its
    // edges. Its repaints cover it; hit tests and screen readers' bounds
    // stay the rectangle.
    int32_t overhang = 0;
    // What a screen reader is told about the widget.
    automation_properties automation;

private:
    void realise(const ui::rect& r);
    void invalidate_absolute(int32_t x, int32_t y, int32_t width, int32_t height) const;
    // The sum of the positions of all ancestors: the offset from this
    // widget's parent space to window coordinates.
    point ancestors_offset() const;
};

// Sets parent_enabled of x to `a` and hands `a && x.enabled` to x's subtree.
void hand_down_enabled(widget& x, bool a);
// Sets parent_visible of x to `a` and hands `a && x.visible` to x's subtree.
void hand_down_visible(widget& x, bool a);

} // namespace norvik::ui
