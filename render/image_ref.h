#pragma once

#include <cstdint>

namespace norvik::ui {

// Reference to a PNG embedded in the program, as stored in an image theme
// key. The image holds `frame_count` states of equal height stacked
// vertically; `scale` is its pixels per logical unit. A length of 0 means
// "no image": controls then draw none.
struct ImageRef {
    const unsigned char* data = nullptr;
    std::uint64_t length = 0;
    std::int32_t frame_count = 1;
    float scale = 1.0f;

    bool empty() const { return length == 0; }
};

// Stored byte for byte as the 24-byte payload of an image key.
static_assert(sizeof(ImageRef) == 24, "ImageRef is the 24-byte image payload (64-bit targets)");

} // namespace norvik::ui
