#include "render/style_enums.h"

namespace norvik::ui {

std::int32_t font_weight_from_style(std::int32_t value) {
    switch (value) {
    case 1:
        return 300;
    case 2:
        return 700;
    default:
        return 400;
    }
}

FontStyle font_style_from_style(std::int32_t value) {
    return value == 1 ? FontStyle::italic : FontStyle::normal;
}

TextAlign text_align_from_style(std::int32_t value) {
    switch (value) {
    case 0:
        return TextAlign::leading;
    case 2:
        return TextAlign::trailing;
    default:
        return TextAlign::centre;
    }
}

TextVAlign text_valign_from_style(std::int32_t value) {
    switch (value) {
    case 1:
        return TextVAlign::top;
    case 2:
        return TextVAlign::bottom;
    default:
        return TextVAlign::middle;
    }
}

} // namespace norvik::ui
