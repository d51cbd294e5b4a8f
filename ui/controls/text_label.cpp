#include "ui/controls/text_label.h"

#include <utility>

#include "render/renderer.h"
#include "render/rich_text.h"
#include "ui/core/automation_events.h"
#include "ui/core/events/event_registry.h"
#include "ui/core/window.h"

namespace norvik::ui {

TextLabel::TextLabel() {
    connect(this, event_kind::paint, this, &TextLabel::paint);
    connect(this, event_kind::style_changed, this, &TextLabel::on_style_changed);
    automation.role = automation_role::text;
    automation.name = [this] { return text; };
}

void TextLabel::set_text(std::string_view t, bool fit_h) {
    fit_width = false;
    fit_height = fit_h;
    const std::string before = std::exchange(text, std::string(t));
    fit_to_text();
    invalidate();
    automation_events::text_changed(*this, before, text);
}

void TextLabel::set_markup(RichText& document) {
    markup = &document;
    use_markup = true;
    invalidate();
}

void TextLabel::apply_font(Renderer& renderer) const {
    renderer.set_font(style.style_string("label_font_name"), style.style_float("label_font_size"),
                      style.style_int("label_font_weight"), style.style_int("label_font_style"));
    renderer.set_text_alignment(style.style_int("label_text_align"), style.style_int("label_text_valign"));
}

void TextLabel::fit_to_text() {
    if ((!fit_width && !fit_height) || owner_window == nullptr || !owner_window->renderer) {
        return;
    }
    Renderer& renderer = *owner_window->renderer;
    apply_font(renderer);
    const Renderer::size bound{fit_width ? 0 : rect.width, fit_height ? 0 : rect.height};
    const Renderer::size measured = text.empty() ? Renderer::size{} : renderer.measure_text(text, bound);
    set_rect({rect.x, rect.y, fit_width ? measured.width : rect.width, fit_height ? measured.height : rect.height});
}

void TextLabel::on_style_changed() {
    // The document's layout took its alignment from the text format when it
    // was built; a restyled label lays it out again.
    if (markup != nullptr) {
        markup->layout_valid = false;
    }
    fit_to_text();
    invalidate();
}

void TextLabel::paint() {
    Renderer& renderer = *owner_window->renderer;
    renderer.set_fill_color(style.style_color("default_back_color"));
    renderer.fill_rect({0, 0, rect.width, rect.height});

    // Markup mode needs a document; without one the plain text shows.
    if (use_markup && markup != nullptr) {
        renderer.set_text_alignment(style.style_int("label_text_align"), style.style_int("label_text_valign"));
        if (!markup->enabled) {
            return;
        }
        IDWriteTextLayout* layout =
            markup->build_layout(renderer.write_factory(), renderer.text_format(), renderer.render_target(),
                                 D2D1::SizeF(static_cast<float>(rect.width), static_cast<float>(rect.height)));
        renderer.render_target()->DrawTextLayout(D2D1::Point2F(0.0f, 0.0f), layout, renderer.markup_brush.Get(),
                                                 D2D1_DRAW_TEXT_OPTIONS_NONE);
        return;
    }

    Color colour = style.style_color("label_font_color");
    if (!is_usable()) {
        colour.a = 0.5f;
    }
    renderer.set_text_color(colour);
    apply_font(renderer);
    if (!text.empty()) {
        renderer.draw_text({0, 0, rect.width, rect.height}, text);
    }
}

} // namespace norvik::ui
