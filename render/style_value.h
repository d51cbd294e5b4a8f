#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "render/color.h"
#include "render/image_ref.h"

namespace norvik::ui {

// The value of a theme key: a byte payload and a colour. The kind of a key
// fixes the encoding:
//   integer  4 bytes, signed 32-bit little-endian
//   float    4 bytes, IEEE single precision, little-endian
//   string   the UTF-8 bytes, no terminator
//   flag     1 byte, 0 or 1
//   image    24 bytes, one ImageRef
//   colour   empty payload, the colour
// Non-colour kinds keep the colour at {0, 0, 0, 0}. The empty value (empty
// payload, transparent colour) is what an unknown key resolves to.
struct StyleValue {
    std::string payload;
    Color color;

    static StyleValue from_int(std::int32_t v);
    static StyleValue from_float(float v);
    static StyleValue from_string(std::string_view utf8);
    static StyleValue from_flag(bool v);
    static StyleValue from_image(const ImageRef& image);
    static StyleValue from_color(const Color& c);

    // Readers for each encoding. A payload too short for the kind yields 0,
    // 0.0f, or an ImageRef without an image, rather than reading past the end.
    std::int32_t as_int() const;
    float as_float() const;
    std::string as_string() const { return payload; }
    bool as_flag() const { return !payload.empty() && payload[0] != 0; }
    ImageRef as_image() const;
    Color as_color() const { return color; }

    bool empty() const { return payload.empty() && color == Color{}; }

    friend bool operator==(const StyleValue&, const StyleValue&) = default;
};

} // namespace norvik::ui
