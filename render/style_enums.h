#pragma once

#include <cstdint>

namespace norvik::ui {

// How the integer values of the enumerated theme keys map to what the text
// renderer needs. Out-of-range values fall back as noted, never fail.

// _font_weight: 0 normal (400), 1 light (300), 2 bold (700); other values
// normal. The result is the DirectWrite weight.
std::int32_t font_weight_from_style(std::int32_t value);

enum class FontStyle { normal, italic };
// _font_style: 1 italic; every other value (2 included) normal.
FontStyle font_style_from_style(std::int32_t value);

enum class TextAlign { leading, centre, trailing };
// _text_align: 0 left, 1 centre, 2 right; other values centre.
TextAlign text_align_from_style(std::int32_t value);

enum class TextVAlign { middle, top, bottom };
// _text_valign: 0 middle, 1 top, 2 bottom; other values middle.
TextVAlign text_valign_from_style(std::int32_t value);

} // namespace norvik::ui
