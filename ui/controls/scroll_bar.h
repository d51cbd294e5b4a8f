#pragma once

#include <cstdint>
#include <memory>

#include "render/image.h"
#include "ui/core/events/event_info.h"
#include "ui/core/events/event_kind.h"
#include "ui/core/events/point.h"
#include "ui/core/events/rect.h"
#include "ui/core/widget.h"

namespace norvik::ui {

// Scrolls content by moving another widget, the target, inside the target's
// parent: the parent is the visible area, and the target's y (vertical bar)
// or x (horizontal bar) runs from 0 down to -range, range being how far the
// target overhangs its parent. The bar follows the target's moved and
// resized events, so whoever moves or resizes the target keeps the thumb in
// step.
//
// The owner sets orientation, show_buttons and step before creating the
// bar, then gives it a target. The three drawing members may be replaced;
// the painting handler calls them virtually.
//
// Input, as a table of the bar's two states:
//   state     event                      effect
//   idle      left press on the thumb    -> dragging, mouse captured
//   idle      left press in the track    jump there (no snapping)
//   idle      left release on a button   one step towards that end
//   dragging  move                       follow the pointer, snapped to step
//   dragging  left release               -> idle, mouse released
//   dragging  capture lost, or the bar   -> idle (heard as a left release)
//             disabled or hidden
//   any       wheel on bar or target     scroll by half the wheel delta
//   focused   Up/Left, Down/Right        one step towards that end
//   focused   Page Up, Page Down         one visible area less a step
//   focused   Home, End                  to the start, to the end
// Other buttons do nothing. The bar is no tab stop unless its owner sets
// focusable; it marks its focus with the focus outline (focus_outline.h).
// Keys held down repeat their step.
class ScrollBar : public widget {
public:
    ScrollBar();
    ~ScrollBar() override;

    // Scrolls `w` (null: nothing). The target is moved back to its start
    // along the bar's axis. The bar stops following a previous target and
    // its parent, leaving them where they are. `w` needs a parent to scroll.
    void set_target(widget* w);
    // Moves the content so that `position` content pixels lie before the
    // visible area, clamped to 0..range; unless `exact`, position is first
    // rounded towards zero to a multiple of step.
    void scroll_to(int32_t position, bool exact);
    // Moves the target by `delta` along the axis, clamped to 0..-range; a
    // positive delta moves the content back towards its start.
    void scroll_by(int32_t delta);
    // Places the buttons and the thumb's track from the bar's size, then
    // update. Runs on attach and whenever the bar is resized.
    void layout();
    // Recomputes range, position, ratio and the thumb from the target and its
    // parent, and repaints the bar.
    void update();

    // Each draws in the bar's coordinates. draw_button gets the button's
    // rectangle, whether it is the first (up or left) one, and the arrow
    // image (possibly not loaded); draw_track gets the bar's whole area.
    virtual void draw_button(const ui::rect& r, bool first, Image& image);
    virtual void draw_thumb(const ui::rect& r);
    virtual void draw_track(const ui::rect& r);

    // What update computed, in the bar's coordinates and content pixels.
    const ui::rect& thumb() const { return thumb_; }
    const ui::rect& first_button() const { return first_button_; }
    const ui::rect& second_button() const { return second_button_; }
    int32_t position() const { return position_; }
    int32_t range() const { return range_; }
    float ratio() const { return ratio_; }
    bool dragging() const { return dragging_; }

    // 0 vertical, 1 horizontal; any other value makes the bar inert.
    int32_t orientation = 0;
    bool show_buttons = true;
    // Pixels per arrow click, and the snapping unit of a thumb drag.
    int32_t step = 10;
    // Not owned.
    widget* target = nullptr;

private:
    // Lives as long as the current target: handlers connected to a target
    // and its parent hold a weak reference and do nothing once it is gone.
    struct subscription {};

    bool inert() const { return orientation != 0 && orientation != 1; }
    bool vertical() const { return orientation == 0; }
    // Along the bar's axis: y and height for a vertical bar, x and width for
    // a horizontal one; across is the other coordinate.
    int32_t along(const ui::rect& r) const { return vertical() ? r.y : r.x; }
    int32_t extent(const ui::rect& r) const { return vertical() ? r.height : r.width; }
    int32_t thickness(const ui::rect& r) const { return vertical() ? r.width : r.height; }
    int32_t along(point p) const { return vertical() ? p.y : p.x; }
    // The button length b: 0 without buttons.
    int32_t button_length() const;
    // r with its coordinate along the axis replaced by `a`.
    ui::rect with_along(const ui::rect& r, int32_t a) const;
    // The thumb's whole track, as shown without a target.
    ui::rect thumb_preset() const;
    // Moves the target to coordinate `a` along the axis, clamped to 0..-range
    // (wide, so that a coordinate plus a delta cannot overflow first).
    void place_target(int64_t a);
    // Connects `member` of this bar to (sender, kind) for as long as the
    // current target lasts.
    void follow(const widget& sender, event_kind kind, void (ScrollBar::*member)(const event_info&));

    void on_attached();
    void on_paint();
    void on_mouse_down(const event_info& info);
    void on_mouse_up(const event_info& info);
    void on_mouse_move();
    void on_wheel(const event_info& info);
    void on_key_down(const event_info& info);
    // What Page Up and Page Down scroll by.
    int32_t page() const;
    void on_target_changed(const event_info& info);
    void on_parent_resized(const event_info& info);

    Image arrow_image_;
    ui::rect thumb_;
    ui::rect first_button_;
    ui::rect second_button_;
    bool dragging_ = false;
    point drag_anchor_;
    int32_t position_ = 0;
    int32_t range_ = 0;
    float ratio_ = 0.0f;
    std::shared_ptr<subscription> subscription_;
};

} // namespace norvik::ui
