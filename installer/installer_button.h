#pragma once
// The wizard's own push button (Back, Next, Cancel/Finish, Browse): a flat
// dark face with a one-pixel outline that lightens under the pointer, and a
// centred label. The wizard reacts to its mouse_up directly; it raises no
// clicked event of its own.

#include <string>
#include <string_view>

#include "render/color.h"
#include "ui/core/widget.h"

namespace installer {

class InstallerButton : public norvik::ui::widget {
public:
    InstallerButton();

    // Replaces the label and repaints, even when the text is unchanged.
    void set_label(std::string_view text);
    const std::string& label() const { return label_; }

private:
    void paint();
    void set_hovered(bool hovered);

    std::string label_;
    norvik::ui::Color outline_{0.4f, 0.4f, 0.4f, 1.0f};
};

} // namespace installer
