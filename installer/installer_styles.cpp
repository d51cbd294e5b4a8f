#include "installer/installer_styles.h"

#include "render/application_styles.h"
#include "render/style_table.h"

namespace installer {

void apply_installer_styles() {
    using norvik::ui::StyleValue;
    constexpr norvik::ui::Color light_grey{0.784f, 0.784f, 0.784f, 1.0f};
    norvik::ui::StyleTable table;
    table.set("label_font_color", StyleValue::from_color(light_grey));
    table.set("label_font_name", StyleValue::from_string("verdana"));
    table.set("checkbox_font_color", StyleValue::from_color(light_grey));
    table.set("checkbox_font_name", StyleValue::from_string("verdana"));
    table.set("title_font_size", StyleValue::from_float(15.0f));
    table.set("title_font_weight", StyleValue::from_int(2));
    table.set("label_intro_text_valign", StyleValue::from_int(1));
    table.set("label_path_text_valign", StyleValue::from_int(1));
    table.set("label_path_font_size", StyleValue::from_float(10.0f));
    table.set("label_adobe_version_weight", StyleValue::from_int(2));
    table.set("label_assets_weight", StyleValue::from_int(2));
    table.set("label_install_weight", StyleValue::from_int(2));
    norvik::ui::set_application_styles(table);
}

} // namespace installer
