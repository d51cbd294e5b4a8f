#pragma once
// The wizard's first page: what is about to be installed, and how to go on.

#include "ui/controls/generic_panel.h"
#include "ui/controls/text_label.h"
#include "ui/core/events/rect.h"
#include "ui/core/widget.h"

namespace installer {

class WelcomePage {
public:
    // Places the page, hidden, in `root` over `area`.
    void build(norvik::ui::widget& root, const norvik::ui::rect& area);

    norvik::ui::GenericPanel panel;
    norvik::ui::TextLabel text;
};

} // namespace installer
