#pragma once

#include <string>

#include "render/image.h"
#include "ui/core/events/event_info.h"
#include "ui/core/events/rect.h"
#include "ui/core/widget.h"

namespace norvik::ui {

// The toolkit's push button: a state-coloured background, an optional sprite
// strip centred over it, a one-pixel border (the focus outline over it once
// keys are in use) and one line of centred text. A mouse release over the
// button (any mouse button) or Enter going down while it has the focus (not
// its repeats), or a screen reader's Invoke, raises clicked with the toggle
// state as the value; in toggle mode each activation first flips
// toggle_state.
//
// The owner assigns text and then invalidates; toggle_mode is set before the
// button is shown. A subclass may replace draw: paint calls it virtually.
class GenericButton : public widget {
public:
    GenericButton();

    virtual void draw();

    std::string text;
    bool hovered = false;
    bool toggle_state = false;
    // A mouse button went down on the button and the press has not ended.
    bool pressed = false;
    bool toggle_mode = false;
    Image back_image;
    // Where the current sprite frame is drawn; computed when back_image is
    // loaded, and only then, so a resize keeps the image where it was.
    ui::rect image_rect;

private:
    void on_hover(bool over);
    void cancel_press();
    void on_mouse_down();
    void on_mouse_up();
    void on_key_down(const event_info& info);
    void on_style_changed(const event_info& info);
    void activate();
    // What Enter and a screen reader's Invoke do: a click without the mouse.
    void press();
};

} // namespace norvik::ui
