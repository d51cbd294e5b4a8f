#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include <windows.h>

#include <d2d1.h>
#include <wincodec.h>
#include <wrl/client.h>

#include "render/com_apartment.h"
#include "render/image_ref.h"

namespace norvik::ui {

class Renderer;

// A PNG picture decoded once from bytes embedded in the program (WIC, to
// premultiplied 32-bit BGRA at its logical size) and handed to each renderer
// as a Direct2D bitmap of 96 dots per inch (one pixel per logical unit, scaled
// with everything else on a denser target), made on first use and cached per
// render target.
//
// The image and every renderer that holds one of its bitmaps know each other
// (Renderer::images and renderers() here), so whichever is destroyed first
// releases the other's references. UI thread only.
class Image {
public:
    // Joins COM's multithreaded apartment (unless the thread is already in
    // one) and creates the imaging factory; throws std::runtime_error
    // "unable to create the imaging factory" without WIC.
    Image();
    // As unload, then releases the decoded bitmap and the factory.
    ~Image();

    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // Decodes `size` bytes of PNG at `data` at `scale` pixels per logical
    // unit. Returns false, changing nothing, when no decoder accepts the
    // bytes; throws std::runtime_error when converting or scaling them fails.
    bool load(const unsigned char* data, std::size_t size, float scale);
    // load with the reference's bytes and scale.
    bool load(const ImageRef& ref);

    bool loaded() const { return loaded_; }
    // The decoded size divided by the scale; 0 until a load succeeded.
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }

    // The bitmap of this image for the renderer's render target, made and
    // cached on first use. The image must be loaded (else the COM error
    // E_POINTER).
    ID2D1Bitmap* bitmap_for(Renderer& renderer);
    // Drops the cached bitmap of that renderer, and each from the other's list.
    void release_for(Renderer& renderer);
    // Drops every cached bitmap and renderer reference and clears loaded; the
    // decoded pixels stay until the next load replaces them.
    void unload();

    // The renderers that currently hold a bitmap of this image.
    const std::vector<Renderer*>& renderers() const { return renderers_; }

private:
    bool loaded_ = false;
    com_apartment apartment_;
    Microsoft::WRL::ComPtr<IWICImagingFactory> factory_;
    Microsoft::WRL::ComPtr<IWICBitmap> bitmap_;
    std::unordered_map<ID2D1RenderTarget*, Microsoft::WRL::ComPtr<ID2D1Bitmap>> cache_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    std::vector<Renderer*> renderers_;
};

} // namespace norvik::ui
