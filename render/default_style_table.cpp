#include "render/default_style_table.h"

#include <cstddef>
#include <iterator>

#include "resources/embedded_images.h"

namespace norvik::ui {

namespace {

enum class Kind { integer, real, text, flag, image, colour };

// One row of the default theme, in a form that can be written as a table.
struct Entry {
    StyleKey key;
    Kind kind;
    Color color{};
    std::int32_t integer = 0;
    float real = 0.0f;
    const char* text = nullptr;
    ImageRef image{};

    StyleValue value() const {
        switch (kind) {
        case Kind::integer:
            return StyleValue::from_int(integer);
        case Kind::real:
            return StyleValue::from_float(real);
        case Kind::text:
            return StyleValue::from_string(text);
        case Kind::flag:
            return StyleValue::from_flag(integer != 0);
        case Kind::image:
            return StyleValue::from_image(image);
        case Kind::colour:
            break;
        }
        return StyleValue::from_color(color);
    }
};

Entry colour(StyleKey key, float r, float g, float b, float a = 1.0f) {
    return {key, Kind::colour, Color{r, g, b, a}};
}
Entry integer(StyleKey key, std::int32_t v) {
    return {key, Kind::integer, {}, v};
}
Entry real(StyleKey key, float v) {
    return {key, Kind::real, {}, 0, v};
}
Entry text(StyleKey key, const char* v) {
    return {key, Kind::text, {}, 0, 0.0f, v};
}
Entry flag(StyleKey key, bool v) {
    return {key, Kind::flag, {}, v ? 1 : 0};
}
Entry image(StyleKey key, const unsigned char* data, std::size_t length, std::int32_t frames = 1) {
    return {key, Kind::image, {}, 0, 0.0f, nullptr, ImageRef{data, length, frames, 1.0f}};
}
Entry no_image(StyleKey key) {
    return {key, Kind::image, {}, 0, 0.0f, nullptr, ImageRef{nullptr, 0, 1, 1.0f}};
}

// Font defaults shared by most families.
constexpr float normal_size = 11.0f;
constexpr std::int32_t normal_weight = 0;
constexpr std::int32_t bold = 2;

} // namespace

std::vector<std::pair<StyleKey, StyleValue>> default_style_entries() {
    using namespace norvik::resources;

    // The colours of the families that the installer's controls do not draw
    // (dropdowns, menus, lists, tabs, inputs, the browser, parameter rows and
    // docked windows) follow one dark palette: surfaces from near black
    // (0.067) through the button greys (0.173, 0.239), grey lines (0.294),
    // light grey text (0.784), white highlights, the selection blue
    // (0.145, 0.29, 0.522) and the cyan accent (0.455, 0.784, 0.953).
    const Entry entries[] = {
        colour("default_back_color", 1.0f, 0.0f, 1.0f),

        // The focus outline of every control (#99D9FF): at least 3:1 against
        // the greys it meets (6:1 on the wizard's footer #464646, 7.9:1 on a
        // button's face #363636, 9:1 on the page #2D2D2D), and 3.7:1 against
        // the #666666 button outline it covers.
        colour("focus_outline_color", 0.6f, 0.851f, 1.0f),

        colour("checkbox_back_color", 0.0f, 0.0f, 0.0f, 0.0f),
        colour("checkbox_border_color_normal", 0.294f, 0.294f, 0.294f),
        colour("checkbox_border_color_hover", 1.0f, 1.0f, 1.0f),
        colour("checkbox_border_color_focus", 0.255f, 0.584f, 0.753f),
        real("checkbox_border_width", 1.0f),
        text("checkbox_font_name", "tahoma"),
        integer("checkbox_font_style", 0),
        integer("checkbox_font_weight", normal_weight),
        colour("checkbox_font_color", 1.0f, 1.0f, 1.0f),
        real("checkbox_font_size", normal_size),
        image("checkbox_image", checkbox_sprite_png, checkbox_sprite_png_size, 2),

        colour("colorcontrol_gradient_1", 0.239f, 0.247f, 0.263f),
        colour("colorcontrol_gradient_2", 0.173f, 0.176f, 0.192f),
        colour("colorcontrol_border_color_normal", 0.294f, 0.294f, 0.294f),
        colour("colorcontrol_border_color_hover", 1.0f, 1.0f, 1.0f),
        colour("colorcontrol_border_color_focus", 0.255f, 0.584f, 0.753f),
        colour("colorcontrol_back_color_disabled", 0.145f, 0.149f, 0.165f),

        colour("dropdown_text_part_color", 0.145f, 0.149f, 0.165f),
        colour("dropdown_text_part_color_hover", 0.22f, 0.235f, 0.251f),
        flag("dropdown_gradient_text", true),
        colour("dropdown_gradient_text_1", 0.22f, 0.235f, 0.251f),
        colour("dropdown_gradient_text_2", 0.145f, 0.149f, 0.165f),
        colour("dropdown_button_part_color", 0.173f, 0.176f, 0.192f),
        colour("dropdown_button_part_color_hover", 0.239f, 0.247f, 0.263f),
        flag("dropdown_gradient_button", true),
        colour("dropdown_gradient_button_1", 0.239f, 0.247f, 0.263f),
        colour("dropdown_gradient_button_2", 0.173f, 0.176f, 0.192f),
        image("dropdown_button_image", triangle_down_png, triangle_down_png_size),
        colour("dropdown_border_color_normal", 0.294f, 0.294f, 0.294f),
        colour("dropdown_border_color_hover", 1.0f, 1.0f, 1.0f),
        colour("dropdown_border_color_focus", 0.255f, 0.584f, 0.753f),
        text("dropdown_font_name", "tahoma"),
        integer("dropdown_font_style", 0),
        integer("dropdown_font_weight", normal_weight),
        colour("dropdown_font_color", 1.0f, 1.0f, 1.0f),
        real("dropdown_font_size", normal_size),
        integer("dropdown_text_align", 0),

        colour("button_color_normal", 0.173f, 0.176f, 0.192f),
        colour("button_color_hover", 0.239f, 0.247f, 0.263f),
        colour("button_color_toggle", 0.188f, 0.29f, 0.506f),
        colour("button_border_color_normal", 0.0f, 0.0f, 0.0f, 0.0f),
        colour("button_border_color_hover", 1.0f, 1.0f, 1.0f),
        colour("button_border_color_focus", 0.6f, 0.6f, 0.6f),
        text("button_font_name", "tahoma"),
        integer("button_font_style", 0),
        integer("button_font_weight", bold),
        colour("button_font_color", 1.0f, 1.0f, 1.0f),
        colour("button_font_color_hover", 1.0f, 1.0f, 1.0f),
        colour("button_font_color_pressed", 1.0f, 1.0f, 1.0f),
        real("button_font_size", normal_size),
        no_image("button_back_image"),

        colour("menubar_back_color_selected", 0.145f, 0.29f, 0.522f),
        colour("menubar_back_color_highlight", 0.239f, 0.247f, 0.263f),
        text("menubar_font_name", "tahoma"),
        integer("menubar_font_style", 0),
        integer("menubar_font_weight", normal_weight),
        colour("menubar_font_color", 0.784f, 0.784f, 0.784f),
        colour("menubar_font_color_selected", 1.0f, 1.0f, 1.0f),
        colour("menubar_font_color_highlight", 1.0f, 1.0f, 1.0f),
        real("menubar_font_size", normal_size),

        colour("splitpanel_back_color", 0.0f, 0.0f, 0.0f),
        colour("splitpanel_border_color", 0.29f, 0.31f, 0.325f),
        colour("splitpanel_mark_color", 0.455f, 0.784f, 0.953f),
        integer("splitpanel_split_thickness", 10),

        colour("tooltip_back_color", 0.106f, 0.106f, 0.11f),
        colour("tooltip_border_color", 0.29f, 0.31f, 0.325f),
        colour("tooltip_border_color_1", 0.0f, 0.0f, 0.0f),
        text("tooltip_font_name", "tahoma"),
        text("tooltip_title_font_name", "tahoma"),
        integer("tooltip_font_style", 0),
        integer("tooltip_font_weight", normal_weight),
        integer("tooltip_title_font_style", 0),
        integer("tooltip_title_font_weight", bold),
        colour("tooltip_font_color", 0.655f, 0.655f, 0.655f),
        colour("tooltip_title_font_color", 1.0f, 1.0f, 1.0f),
        real("tooltip_font_size", normal_size),
        real("tooltip_title_font_size", normal_size),

        colour("multicolumn_header_color", 0.173f, 0.176f, 0.192f),
        colour("multicolumn_header_divider_color", 0.294f, 0.294f, 0.294f),
        text("multicolumn_header_font_name", "verdana"),
        integer("multicolumn_header_font_style", 0),
        integer("multicolumn_header_font_weight", normal_weight),
        colour("multicolumn_header_font_color", 1.0f, 1.0f, 1.0f),
        real("multicolumn_header_font_size", normal_size),
        text("multicolumn_font_name", "verdana"),
        integer("multicolumn_font_style", 0),
        integer("multicolumn_font_weight", normal_weight),
        real("multicolumn_font_size", normal_size),
        colour("multicolumn_font_color", 0.784f, 0.784f, 0.784f),
        colour("multicolumn_font_color_selected", 1.0f, 1.0f, 1.0f),
        colour("multicolumn_font_color_disabled", 0.4f, 0.4f, 0.4f),
        colour("multicolumn_back_color_selected", 0.145f, 0.29f, 0.522f),
        colour("multicolumn_font_color_highlighted", 0.455f, 0.784f, 0.953f),
        colour("multicolumn_divider_color", 0.2f, 0.2f, 0.212f),
        colour("multicolumn_line_color", 0.118f, 0.118f, 0.125f),

        colour("tabcontainer_line_color", 0.455f, 0.784f, 0.953f),

        colour("tabbutton_gradient_1", 0.22f, 0.235f, 0.251f),
        colour("tabbutton_gradient_2", 0.145f, 0.149f, 0.165f),
        colour("tabbutton_gradient_1_selected", 0.188f, 0.29f, 0.506f),
        colour("tabbutton_gradient_2_selected", 0.145f, 0.29f, 0.522f),
        colour("tabbutton_gradient_1_hover", 0.239f, 0.247f, 0.263f),
        text("tabbutton_font_name", "tahoma"),
        integer("tabbutton_font_style", 0),
        integer("tabbutton_font_weight", normal_weight),
        real("tabbutton_font_size", normal_size),
        colour("tabbutton_font_color", 0.655f, 0.655f, 0.655f),
        colour("tabbutton_font_color_selected", 1.0f, 1.0f, 1.0f),

        text("float_font_name", "tahoma"),
        integer("float_font_style", 0),
        integer("float_font_weight", normal_weight),
        real("float_font_size", 10.0f),
        colour("float_font_color", 0.455f, 0.784f, 0.953f),
        colour("float_font_color_disabled", 0.4f, 0.4f, 0.4f),
        colour("float_input_back_color", 0.067f, 0.071f, 0.078f),
        colour("float_input_font_color", 1.0f, 1.0f, 1.0f),
        colour("float_input_font_default_text_color", 0.5f, 0.5f, 0.5f),

        text("multifloat_font_name", "tahoma"),
        real("multifloat_font_size", 10.0f),
        integer("multifloat_font_weight", normal_weight),
        integer("multifloat_font_style", 0),
        colour("multifloat_font_color", 0.455f, 0.784f, 0.953f),

        colour("input_border_color", 0.294f, 0.294f, 0.294f),
        colour("input_selection_color", 0.2f, 0.6f, 1.0f),
        colour("input_ime_cursor_color", 1.0f, 1.0f, 1.0f),
        colour("input_ime_block_color", 0.29f, 0.31f, 0.325f),
        text("input_font_name", "tahoma"),
        integer("input_font_style", 0),
        integer("input_font_weight", normal_weight),
        real("input_font_size", 12.0f),
        colour("input_font_color", 1.0f, 1.0f, 1.0f),
        colour("input_font_default_text_color", 0.5f, 0.5f, 0.5f),

        colour("scroll_button_back_color", 0.22f, 0.235f, 0.251f),
        colour("scroll_button_line_color", 0.325f, 0.325f, 0.325f),
        colour("scroll_bar_back_color", 0.145f, 0.149f, 0.165f),
        colour("scroll_bar_line_color", 0.314f, 0.314f, 0.314f),
        colour("scroll_back_color", 0.067f, 0.071f, 0.078f),

        text("label_font_name", "tahoma"),
        integer("label_font_style", 0),
        integer("label_font_weight", normal_weight),
        real("label_font_size", normal_size),
        colour("label_font_color", 1.0f, 1.0f, 1.0f),
        integer("label_text_align", 0),
        integer("label_text_valign", 0),

        colour("browser_back_color", 0.067f, 0.067f, 0.071f),
        colour("browser_back_color_hover", 0.145f, 0.149f, 0.165f),
        colour("browser_back_color_selected", 0.145f, 0.29f, 0.522f),
        colour("browser_font_color", 0.784f, 0.784f, 0.784f),
        colour("browser_font_color_hover", 1.0f, 1.0f, 1.0f),
        colour("browser_font_color_selected", 1.0f, 1.0f, 1.0f),
        text("browser_font_name", "tahoma"),
        integer("browser_font_style", 0),
        integer("browser_font_weight", normal_weight),
        integer("browser_font_weight_selected", bold),
        real("browser_font_size", normal_size),
        image("browser_folder_image", folder_grey_png, folder_grey_png_size),
        image("browser_pack_image", folder_blue_png, folder_blue_png_size),
        image("browser_stared_image", folder_blue_png, folder_blue_png_size),
        image("browser_alien_image", folder_blue_png, folder_blue_png_size),
        image("browser_virtual_image", folder_virtual_png, folder_virtual_png_size),

        integer("editparam_height", 22),
        colour("editparam_back_color", 0.118f, 0.118f, 0.125f),
        colour("editparam_back_color_hover", 0.173f, 0.176f, 0.192f),
        colour("editparam_font_color", 0.784f, 0.784f, 0.784f),
        colour("editparam_font_color_disabled", 0.69f, 0.694f, 0.694f, 0.5f),
        text("editparam_font_name", "tahoma"),
        integer("editparam_font_style", 0),
        integer("editparam_font_weight", normal_weight),
        real("editparam_font_size", normal_size),
        integer("editparam_title_height", 28),
        colour("editparam_title_back_color", 0.173f, 0.176f, 0.192f),
        integer("editparam_title_font_weight", bold),
        colour("editparam_title_font_color", 1.0f, 1.0f, 1.0f),
        no_image("editparam_icon_image"),

        colour("multiwindow_back_color", 0.118f, 0.118f, 0.125f),
        colour("multiwindow_border_color", 0.29f, 0.31f, 0.325f),
        colour("multiwindow_title_back_color", 0.145f, 0.149f, 0.165f),
        colour("multiwindow_tab_color", 0.173f, 0.176f, 0.192f),
        colour("multiwindow_tab_color_selected", 0.239f, 0.247f, 0.263f),
        flag("multiwindow_tab_gradient", true),
        colour("multiwindow_tab_gradient_1", 0.22f, 0.235f, 0.251f),
        colour("multiwindow_tab_gradient_2", 0.145f, 0.149f, 0.165f),
        colour("multiwindow_tab_gradient_1_selected", 0.29f, 0.31f, 0.325f),
        colour("multiwindow_tab_gradient_2_selected", 0.22f, 0.235f, 0.251f),
        colour("multiwindow_tab_line_color", 0.294f, 0.294f, 0.294f),
        colour("multiwindow_tab_line_color_selected", 0.455f, 0.784f, 0.953f),
        colour("multiwindow_tab_split_line_color", 0.067f, 0.071f, 0.078f),
        text("multiwindow_tab_font_name", "Verdana"),
        integer("multiwindow_tab_font_style", 0),
        integer("multiwindow_tab_font_weight", bold),
        real("multiwindow_tab_font_size", normal_size),
        colour("multiwindow_tab_font_color", 0.784f, 0.784f, 0.784f),
        colour("multiwindow_button_color", 0.173f, 0.176f, 0.192f),
        flag("multiwindow_button_gradient", true),
        colour("multiwindow_button_gradient_1", 0.239f, 0.247f, 0.263f),
        colour("multiwindow_button_gradient_2", 0.173f, 0.176f, 0.192f),
        colour("multiwindow_button_line_color", 0.294f, 0.294f, 0.294f),
        image("multiwindow_button_image", triangle_right_png, triangle_right_png_size),
        colour("multiwindow_button_border_color_hover", 1.0f, 1.0f, 1.0f),
    };
    static_assert(std::size(entries) == 200, "the default theme has 200 keys");

    std::vector<std::pair<StyleKey, StyleValue>> pairs;
    pairs.reserve(std::size(entries));
    for (const Entry& e : entries) {
        pairs.emplace_back(e.key, e.value());
    }
    return pairs;
}

const StyleTable& default_style_table() {
    static const StyleTable table = [] {
        StyleTable t;
        for (auto& [key, value] : default_style_entries()) {
            t.set(key, std::move(value));
        }
        return t;
    }();
    return table;
}

} // namespace norvik::ui
