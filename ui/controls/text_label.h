#pragma once

#include <string>
#include <string_view>

#include "ui/core/widget.h"

namespace norvik::ui {

class Renderer;
class RichText;

// One text, drawn either as plain UTF-8 text in the "label_*" theme colours
// and font or as a markup document (RichText), over the label's
// "default_back_color". With a fit flag set, the label resizes itself to the
// measured plain text whenever the text or any style key changes; the
// wizard sets the flags directly and calls fit_to_text.
class TextLabel : public widget {
public:
    TextLabel();

    // Clears fit_width, sets fit_height, replaces the text, refits and
    // repaints.
    void set_text(std::string_view text, bool fit_height);
    // With fit_width or fit_height set, sizes the label in that direction to
    // the plain text measured in the label's font (unbounded in the fitted
    // directions, bounded by the current size in the others); an empty text
    // measures 0 x 0. Markup does not count. Does nothing before the label
    // is created.
    void fit_to_text();
    // Draws `document` instead of the plain text from now on. The label does
    // not own it; clearing use_markup goes back to the plain text.
    void set_markup(RichText& document);

    std::string text;
    RichText* markup = nullptr;
    bool use_markup = false;
    bool fit_width = false;
    bool fit_height = false;

private:
    void paint();
    void on_style_changed();
    void apply_font(Renderer& renderer) const;
};

} // namespace norvik::ui
