#pragma once
// What the wizard's pages share in how they look: the colours of their
// panels and labels, and how a page or a label is placed. A page is placed
// visible and hidden at once, as every page starts; the frame shows one at a
// time.

#include <cstdint>

#include "render/color.h"
#include "ui/controls/generic_panel.h"
#include "ui/controls/text_label.h"
#include "ui/core/events/rect.h"
#include "ui/core/widget.h"

namespace installer::wizard_layout {

inline constexpr norvik::ui::Color transparent{0.0f, 0.0f, 0.0f, 0.0f};
inline constexpr norvik::ui::Color transparent_white{1.0f, 1.0f, 1.0f, 0.0f};
inline constexpr norvik::ui::Color summary_back{0.118f, 0.118f, 0.118f, 1.0f};
inline constexpr norvik::ui::Color scroll_back{0.208f, 0.208f, 0.208f, 1.0f};

// The progress page's poll of a running job.
inline constexpr std::int32_t progress_timer_id = 1;
inline constexpr unsigned progress_interval_ms = 200;

inline void place_label(norvik::ui::TextLabel& label, norvik::ui::widget& parent, const norvik::ui::rect& r,
                        const norvik::ui::Color& colour) {
    label.create(parent, r);
    label.style.set_style("default_back_color", colour);
}

inline void place_page(norvik::ui::GenericPanel& panel, norvik::ui::widget& root, const norvik::ui::rect& area,
                       const norvik::ui::Color& colour) {
    panel.create(root, area);
    panel.style.set_style("default_back_color", colour);
    panel.set_visible(false);
}

} // namespace installer::wizard_layout
