#pragma once
// The wizard's own push button (Back, Next, Cancel/Finish, Browse): a flat
// dark face with a one-pixel outline that lightens under the pointer, the
// toolkit's focus outline over it once keys are in use, and a centred label.
// The wizard reacts to its mouse_up directly; it raises no clicked event of
// its own. A tab stop: Enter or Space pressed and released on it (a key held
// down clicks once), and a screen reader's Invoke, raise the same mouse_up a
// click does.

#include <string>
#include <string_view>

#include "render/color.h"
#include "ui/core/events/event_info.h"
#include "ui/core/widget.h"

namespace installer {

class InstallerButton : public norvik::ui::widget {
public:
    InstallerButton();

    // Replaces the label and repaints, even when the text is unchanged.
    void set_label(std::string_view text);
    const std::string& label() const { return label_; }
    // Does what a click with the left button does.
    void click();

private:
    void paint();
    void set_hovered(bool hovered);
    void on_focus_changed();
    void on_key_down(const norvik::ui::event_info& info);
    void on_key_up(const norvik::ui::event_info& info);

    std::string label_;
    norvik::ui::Color outline_{0.4f, 0.4f, 0.4f, 1.0f};
    // Enter or Space went down while the button had the focus; the click
    // comes with the key's release.
    bool key_pressed_ = false;
};

} // namespace installer
