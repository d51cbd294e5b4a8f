// The embedded pictures are PNG files of exactly the listed pixel sizes and
// colour types (checked from their headers; decoding is tested under Windows).
#include <array>
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "resources/embedded_images.h"

namespace res = norvik::resources;

namespace {

uint32_t big_endian(const unsigned char* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

constexpr int truecolour = 2;
constexpr int truecolour_alpha = 6;

TEST(EmbeddedImages, HeadersGiveTheListedSizesAndColourTypes) {
    struct listed {
        const char* name;
        const unsigned char* data;
        std::size_t size;
        uint32_t width;
        uint32_t height;
        int colour_type;
    };
    const std::array<listed, 8> pictures{{
        {"side picture", res::side_picture_png, res::side_picture_png_size, 160, 310, truecolour_alpha},
        {"blue folder", res::folder_blue_png, res::folder_blue_png_size, 20, 20, truecolour_alpha},
        {"check-box sprite", res::checkbox_sprite_png, res::checkbox_sprite_png_size, 14, 28, truecolour},
        {"right triangle", res::triangle_right_png, res::triangle_right_png_size, 5, 10, truecolour_alpha},
        {"grey folder", res::folder_grey_png, res::folder_grey_png_size, 20, 20, truecolour_alpha},
        {"down triangle", res::triangle_down_png, res::triangle_down_png_size, 8, 5, truecolour_alpha},
        {"virtual folder", res::folder_virtual_png, res::folder_virtual_png_size, 20, 20, truecolour_alpha},
        {"scroll arrow", res::scroll_arrow_png, res::scroll_arrow_png_size, 8, 8, truecolour_alpha},
    }};
    const std::string signature = "\x89PNG\r\n\x1a\n";
    for (const listed& p : pictures) {
        SCOPED_TRACE(p.name);
        ASSERT_GT(p.size, 33u);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.data), 8), signature);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.data) + 12, 4), "IHDR");
        EXPECT_EQ(big_endian(p.data + 16), p.width);
        EXPECT_EQ(big_endian(p.data + 20), p.height);
        EXPECT_EQ(p.data[24], 8) << "bit depth";
        EXPECT_EQ(p.data[25], p.colour_type);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.data) + p.size - 8, 4), "IEND");
    }
}

} // namespace
