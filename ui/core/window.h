#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include <windows.h>

#include "ui/core/events/event_kind.h"
#include "ui/core/events/event_object.h"
#include "ui/core/events/point.h"
#include "ui/core/events/rect.h"
#include "ui/core/native_window.h"
#include "ui/core/text_input.h"
#include "ui/core/widget.h"

namespace norvik::ui {

class Renderer;

// A top-level window of the toolkit: the system window (native), its
// renderer, its text input service and the root of its widget tree. The
// window procedure turns system messages into toolkit events and hands them
// to route_event. A window is shown modally; its message loop runs until it
// is ended.
//
// Subclasses (a wizard, a message pop-up) hold their widgets as members,
// create them after create() and destroy them before this class's
// destructor runs.
class window : public event_object {
public:
    // Initialises OLE (through native) and sets the arrow cursor; no system
    // window exists until create.
    window();
    ~window() override;

    // Creates the hidden system window titled `title` (UTF-8; invalid UTF-8
    // throws std::range_error "bad conversion"), the root widget of size
    // r.width x r.height, the renderer and the text input service. r.x and
    // r.y are the outer position in screen pixels, the size is logical.
    void create(std::string_view title, const ui::rect& r);

    // Raises shown, runs the modal loop and returns the result given to
    // end_modal (0 when the close box ended the loop).
    int32_t show_modal();
    // Stores `result`, raises hidden and ends the modal loop.
    void end_modal(int32_t result);

    void set_window_rect(const ui::rect& r);
    ui::rect get_window_rect() const;
    void center_window();

    // The deepest visible widget containing `p` (window logical
    // coordinates), or nullptr.
    widget* hit_test(point p) const;
    // Delivers an input event to the widget concerned (hit, hovered,
    // focused or capturing widget).
    void route_event(event_kind kind, uint64_t value);
    // Moves the keyboard focus; reason 0 for a mouse press or the system,
    // 1 for Tab navigation.
    void set_focus(widget* w, int32_t reason);
    void focus_next();
    void focus_previous();
    // Focuses `w` when it is a tab stop, otherwise the first tab stop after
    // it in Tab order; nothing changes when there is none.
    void focus_from(widget& w, int32_t reason);
    // The first tab stop in Tab order that lies inside `container` (at any
    // depth), or nullptr.
    widget* first_tab_stop_in(const widget& container) const;
    // Called when a widget was hidden or disabled: when that took the focused
    // widget out of reach, the focus moves on to the next tab stop (or the
    // root) once the messages already queued are handled. Deferred, so that
    // code that goes on to place the focus itself (a page change) does so
    // without the focus passing through some other widget on the way.
    void check_focus();
    // Paints `w` and its subtree where they meet `update` (left, top, right,
    // bottom in logical window coordinates).
    void paint_widget(widget& w, const RECT& update);
    // Appends `w` to the Tab order (done by widget::create).
    void register_widget(widget& w);
    // Drops every reference the window holds to `w` (its destructor).
    void forget_widget(widget& w);

    native_window native;
    std::unique_ptr<Renderer> renderer;
    std::unique_ptr<ui::text_input> text_input;
    window* owner = nullptr;
    widget root;
    widget* focused_widget = nullptr;
    widget* hovered_widget = nullptr;
    std::vector<widget*> registered_widgets;
    int32_t modal_result = 0;
    point paint_origin;
    bool mouse_tracking = false;
    // Whether widgets mark the focus: from the first key pressed in the
    // window (or in its owner before it was created) on, so that a mouse
    // user sees no focus marks.
    bool focus_cues = false;

private:
    widget* widget_under_cursor() const;
    void route_mouse_move();
    void route_wheel(uint64_t value);
    bool is_tab_stop(const widget* w) const;
    std::size_t focus_index() const;
    // Steps from index i (forward or backward, wrapping) to the first tab
    // stop and focuses it; gives up on coming back to `start`.
    void focus_tab_stop_from(std::size_t i, std::size_t start, bool forward);
    // Moves the focus off a hidden or disabled widget (see check_focus).
    void keep_focus_in_reach();
};

} // namespace norvik::ui
