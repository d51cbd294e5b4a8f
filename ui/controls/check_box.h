#pragma once

#include <cstdint>
#include <string>

#include "render/image.h"
#include "ui/core/events/event_info.h"
#include "ui/core/events/rect.h"
#include "ui/core/widget.h"

namespace norvik::ui {

// A box sprite (frames: unchecked, checked, and optionally unchecked and
// checked hovered) beside one line of text; once keys are in use, the focus
// outline runs around both, just beyond the check box's rectangle on a side
// the box or text reaches (overhang). The checked state mirrors a bool
// of the owner: the check box stays disabled until bind hands it one, and
// from then on every toggle (mouse release, or the space key on release)
// writes the bool and raises toggled with value 0.
//
// The handlers are connected when the check box is attached to a parent, not
// in the constructor. A subclass may replace draw: paint calls it virtually.
class CheckBox : public widget {
public:
    CheckBox();

    // Does nothing for null. Otherwise enables the check box and takes its
    // state from *value (writing it back); raises nothing.
    void bind(bool* value);
    void set_text(const std::string& new_text);
    // Places box and text by arrangement code 0..7 with `new_spacing` units
    // between them when there is text; any other code keeps both positions
    // and is only remembered.
    void layout(int32_t new_arrangement, int32_t new_spacing);

    virtual void draw();
    // The outer edge of the focus outline, in the check box's coordinates:
    // box and text with two units to spare, cut to the rectangle, then the
    // outline's thickness beyond.
    ui::rect focus_outline_rect() const;

    std::string text;
    // Setting this directly (as the message pop-up does) leaves the bound
    // bool alone.
    bool checked = false;
    ui::rect box_rect;
    ui::rect text_rect;
    int32_t spacing = 5;
    bool hovered = false;
    int32_t image_width = 0;
    int32_t frame_height = 0;
    int32_t arrangement = 0;
    bool* bound_value = nullptr;
    Image back_image;

private:
    void on_attached();
    void on_hover(bool over);
    void on_key_up(const event_info& info);
    void on_style_changed(const event_info& info);
    void toggle();
    void use_font_and_alignment(bool centred_vertically);

    bool connected_ = false;
};

} // namespace norvik::ui
