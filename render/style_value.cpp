#include "render/style_value.h"

#include <bit>
#include <cstring>

namespace norvik::ui {

namespace {

// Numbers are stored little-endian whatever the host, so a payload means the
// same on every build.
std::string encode_u32(std::uint32_t v) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) {
        bytes[static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFFu);
    }
    return bytes;
}

bool decode_u32(const std::string& payload, std::uint32_t& v) {
    if (payload.size() < 4) {
        return false;
    }
    v = 0;
    for (int i = 0; i < 4; ++i) {
        v |= static_cast<std::uint32_t>(static_cast<unsigned char>(payload[static_cast<std::size_t>(i)])) << (8 * i);
    }
    return true;
}

} // namespace

StyleValue StyleValue::from_int(std::int32_t v) {
    return {encode_u32(static_cast<std::uint32_t>(v)), Color{}};
}

StyleValue StyleValue::from_float(float v) {
    return {encode_u32(std::bit_cast<std::uint32_t>(v)), Color{}};
}

StyleValue StyleValue::from_string(std::string_view utf8) {
    return {std::string(utf8), Color{}};
}

StyleValue StyleValue::from_flag(bool v) {
    return {std::string(1, v ? '\1' : '\0'), Color{}};
}

StyleValue StyleValue::from_image(const ImageRef& image) {
    std::string bytes(sizeof(ImageRef), '\0');
    std::memcpy(bytes.data(), &image, sizeof(ImageRef));
    return {std::move(bytes), Color{}};
}

StyleValue StyleValue::from_color(const Color& c) {
    return {std::string(), c};
}

std::int32_t StyleValue::as_int() const {
    std::uint32_t v = 0;
    return decode_u32(payload, v) ? static_cast<std::int32_t>(v) : 0;
}

float StyleValue::as_float() const {
    std::uint32_t v = 0;
    return decode_u32(payload, v) ? std::bit_cast<float>(v) : 0.0f;
}

ImageRef StyleValue::as_image() const {
    ImageRef image;
    if (payload.size() >= sizeof(ImageRef)) {
        std::memcpy(&image, payload.data(), sizeof(ImageRef));
    }
    return image;
}

} // namespace norvik::ui
