// Decoding of the embedded pictures and the bitmap cache shared between
// images and renderers.
#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include <comdef.h>

#include "render/image.h"
#include "render/renderer.h"
#include "resources/embedded_images.h"
#include "tests/test_host_window.h"

using norvik::ui::Image;
using norvik::ui::Renderer;
namespace res = norvik::resources;

namespace {

bool holds(const std::vector<Image*>& list, const Image* image) {
    return std::count(list.begin(), list.end(), image) == 1;
}

class ImageCache : public ::testing::Test {
protected:
    ImageCache() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    ~ImageCache() override { CoUninitialize(); }

    test_host_window host{100, 100, false};
    test_host_window other_host{100, 100, false};
};

TEST(EmbeddedImages, EveryPictureDecodesAtItsListedSize) {
    struct listed {
        const unsigned char* data;
        std::size_t size;
        int32_t width;
        int32_t height;
    };
    const std::array<listed, 8> pictures{{
        {res::side_picture_png, res::side_picture_png_size, 160, 310},
        {res::folder_blue_png, res::folder_blue_png_size, 20, 20},
        {res::checkbox_sprite_png, res::checkbox_sprite_png_size, 14, 28},
        {res::triangle_right_png, res::triangle_right_png_size, 5, 10},
        {res::folder_grey_png, res::folder_grey_png_size, 20, 20},
        {res::triangle_down_png, res::triangle_down_png_size, 8, 5},
        {res::folder_virtual_png, res::folder_virtual_png_size, 20, 20},
        {res::scroll_arrow_png, res::scroll_arrow_png_size, 8, 8},
    }};
    for (const listed& p : pictures) {
        Image image;
        ASSERT_TRUE(image.load(p.data, p.size, 1.0f));
        EXPECT_TRUE(image.loaded());
        EXPECT_EQ(image.width(), p.width);
        EXPECT_EQ(image.height(), p.height);
    }
}

TEST(EmbeddedImages, LoadAtScaleTwoHalvesTheLogicalSize) {
    Image sprite;
    ASSERT_TRUE(sprite.load({res::checkbox_sprite_png, res::checkbox_sprite_png_size, 2, 2.0f}));
    EXPECT_EQ(sprite.width(), 7);
    EXPECT_EQ(sprite.height(), 14);
}

TEST(EmbeddedImages, UndecodableBytesLeaveTheImageUnloaded) {
    Image image;
    const std::array<unsigned char, 16> garbage{'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'};
    EXPECT_FALSE(image.load(garbage.data(), garbage.size(), 1.0f));
    EXPECT_FALSE(image.load(res::scroll_arrow_png, 0, 1.0f));
    EXPECT_FALSE(image.load(nullptr, 100, 1.0f));
    EXPECT_FALSE(image.loaded());
    EXPECT_EQ(image.width(), 0);
    EXPECT_EQ(image.height(), 0);
    // The next attempt with good bytes works.
    EXPECT_TRUE(image.load(res::scroll_arrow_png, res::scroll_arrow_png_size, 1.0f));
    EXPECT_EQ(image.width(), 8);
}

TEST_F(ImageCache, ABitmapIsMadeOncePerRenderer) {
    Renderer renderer(host.hwnd());
    Image image;
    ASSERT_TRUE(image.load(res::folder_blue_png, res::folder_blue_png_size, 1.0f));
    ID2D1Bitmap* first = image.bitmap_for(renderer);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(image.bitmap_for(renderer), first);
    ASSERT_EQ(image.renderers().size(), 1u);
    EXPECT_EQ(image.renderers()[0], &renderer);
    EXPECT_TRUE(holds(renderer.images(), &image));
    EXPECT_EQ(first->GetSize().width, 20.0f);
    EXPECT_EQ(first->GetSize().height, 20.0f);

    Renderer second(other_host.hwnd());
    EXPECT_NE(image.bitmap_for(second), first);
    EXPECT_EQ(image.renderers().size(), 2u);
}

TEST_F(ImageCache, ReloadingRegistersTheRendererAgainExactlyOnce) {
    Renderer renderer(host.hwnd());
    Image image;
    ASSERT_TRUE(image.load(res::folder_grey_png, res::folder_grey_png_size, 1.0f));
    image.bitmap_for(renderer);
    image.unload();
    EXPECT_FALSE(image.loaded());
    EXPECT_TRUE(image.renderers().empty());
    EXPECT_TRUE(renderer.images().empty());
    // The decoded pixels stay, but an unloaded image hands out no bitmap.
    try {
        image.bitmap_for(renderer);
        FAIL() << "no exception";
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), E_POINTER);
    }
    ASSERT_TRUE(image.load(res::checkbox_sprite_png, res::checkbox_sprite_png_size, 1.0f));
    ID2D1Bitmap* bitmap = image.bitmap_for(renderer);
    image.bitmap_for(renderer);
    EXPECT_EQ(bitmap->GetSize().height, 28.0f);
    EXPECT_EQ(image.renderers().size(), 1u);
    EXPECT_EQ(renderer.images().size(), 1u);
}

TEST_F(ImageCache, DestroyingARendererFirstReleasesItsBitmaps) {
    Image image;
    ASSERT_TRUE(image.load(res::folder_virtual_png, res::folder_virtual_png_size, 1.0f));
    Renderer keeper(other_host.hwnd());
    image.bitmap_for(keeper);
    {
        Renderer gone(host.hwnd());
        image.bitmap_for(gone);
        EXPECT_EQ(image.renderers().size(), 2u);
    }
    ASSERT_EQ(image.renderers().size(), 1u);
    EXPECT_EQ(image.renderers()[0], &keeper);
    // A new renderer, possibly at the old one's address, gets a fresh bitmap.
    Renderer fresh(host.hwnd());
    EXPECT_NE(image.bitmap_for(fresh), nullptr);
    EXPECT_EQ(image.renderers().size(), 2u);
}

TEST_F(ImageCache, DestroyingAnImageFirstLeavesNoReferenceInItsRenderers) {
    Renderer renderer(host.hwnd());
    Image kept;
    ASSERT_TRUE(kept.load(res::triangle_down_png, res::triangle_down_png_size, 1.0f));
    kept.bitmap_for(renderer);
    {
        Image gone;
        ASSERT_TRUE(gone.load(res::triangle_right_png, res::triangle_right_png_size, 1.0f));
        gone.bitmap_for(renderer);
        EXPECT_EQ(renderer.images().size(), 2u);
    }
    ASSERT_EQ(renderer.images().size(), 1u);
    EXPECT_EQ(renderer.images()[0], &kept);
}

TEST_F(ImageCache, ReleasingOneRendererUnlinksBothSides) {
    auto renderer = std::make_unique<Renderer>(host.hwnd());
    auto image = std::make_unique<Image>();
    ASSERT_TRUE(image->load(res::folder_blue_png, res::folder_blue_png_size, 1.0f));
    image->bitmap_for(*renderer);
    image->release_for(*renderer);
    EXPECT_TRUE(image->renderers().empty());
    // The renderer no longer lists the image, so destroying the image and
    // then the renderer never reaches back into freed memory.
    EXPECT_TRUE(renderer->images().empty());
    image.reset();
    renderer.reset();
}

TEST_F(ImageCache, ConstructionWithoutAWindowFails) {
    try {
        Renderer renderer(nullptr);
        FAIL() << "a renderer was made without a window";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "unable to create a d2d render target");
    }
}

} // namespace
