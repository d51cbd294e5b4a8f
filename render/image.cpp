#include "render/image.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "render/com_check.h"
#include "render/renderer.h"

using Microsoft::WRL::ComPtr;

namespace norvik::ui {

namespace {

// Truncates pixels / scale to a logical length; a scale that is not positive
// gives 0, which the scaler then refuses.
UINT logical_length(UINT pixels, float scale) {
    const double length = std::trunc(static_cast<double>(pixels) * (1.0 / static_cast<double>(scale)));
    if (!(length >= 0.0) || length > static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return 0;
    }
    return static_cast<UINT>(length);
}

bool at_96_dpi(ID2D1Bitmap& bitmap) {
    float x = 0.0f;
    float y = 0.0f;
    bitmap.GetDpi(&x, &y);
    return x == 96.0f && y == 96.0f;
}

} // namespace

Image::Image() {
    cache_.rehash(8);
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory_.GetAddressOf())))) {
        throw std::runtime_error("unable to create the imaging factory");
    }
}

Image::~Image() {
    unload();
    bitmap_.Reset();
    factory_.Reset();
    // apartment_ leaves COM after both are released.
}

bool Image::load(const ImageRef& ref) {
    return load(ref.data, static_cast<std::size_t>(ref.length), ref.scale);
}

bool Image::load(const unsigned char* data, std::size_t size, float scale) {
    IWICImagingFactory& factory = require(factory_);
    ComPtr<IWICStream> stream;
    HRESULT hr = factory.CreateStream(stream.GetAddressOf());
    if (!stream) {
        throw_null_interface();
    }
    // The stream reads the caller's bytes in place; they are embedded in the
    // program and outlive it.
    if (SUCCEEDED(hr)) {
        hr = data == nullptr || size > std::numeric_limits<DWORD>::max()
                 ? E_INVALIDARG
                 : stream->InitializeFromMemory(const_cast<BYTE*>(data), static_cast<DWORD>(size));
    }
    ComPtr<IWICBitmapDecoder> decoder;
    if (SUCCEEDED(hr)) {
        hr = factory.CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnLoad,
                                             decoder.GetAddressOf());
    }
    if (FAILED(hr) || !decoder) {
        return false;
    }

    ComPtr<IWICBitmapFrameDecode> frame;
    decoder->GetFrame(0, frame.GetAddressOf());
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory.CreateFormatConverter(converter.GetAddressOf())) || !converter) {
        throw std::runtime_error("unable to create the bitmap format converter");
    }
    hr = frame ? converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr,
                                       0.0, WICBitmapPaletteTypeMedianCut)
               : E_POINTER;
    UINT pixel_width = 0;
    UINT pixel_height = 0;
    if (SUCCEEDED(hr)) {
        hr = converter->GetSize(&pixel_width, &pixel_height);
    }
    const UINT width = logical_length(pixel_width, scale);
    const UINT height = logical_length(pixel_height, scale);

    // Fant keeps small sprites legible when they are scaled down. The
    // bitmap caches the decoded, converted and scaled pixels now, so paints
    // only draw.
    ComPtr<IWICBitmapScaler> scaler;
    ComPtr<IWICBitmap> decoded;
    if (SUCCEEDED(hr)) {
        hr = factory.CreateBitmapScaler(scaler.GetAddressOf());
    }
    if (SUCCEEDED(hr) && scaler) {
        hr = scaler->Initialize(converter.Get(), width, height, WICBitmapInterpolationModeFant);
    }
    if (SUCCEEDED(hr) && scaler) {
        hr = factory.CreateBitmapFromSource(scaler.Get(), WICBitmapCacheOnLoad, decoded.GetAddressOf());
    }
    if (FAILED(hr) || !decoded) {
        throw std::runtime_error("unable to create a bitmap from the format converter");
    }
    // Replace the previous pixels only once the new ones exist.
    bitmap_ = decoded;
    width_ = static_cast<int32_t>(width);
    height_ = static_cast<int32_t>(height);
    loaded_ = true;
    return true;
}

ID2D1Bitmap* Image::bitmap_for(Renderer& renderer) {
    ID2D1RenderTarget* target = renderer.render_target();
    if (target == nullptr || !loaded_) {
        throw_null_interface();
    }
    const auto cached = cache_.find(target);
    if (cached != cache_.end()) {
        return cached->second.Get();
    }
    // 96 dots per inch stated outright: one pixel of the decoded picture is
    // one logical unit, so the target scales pictures with everything else.
    // Left unstated, Wine gives a bitmap the target's own density: above 96
    // dpi every picture would come out small and a sprite's source rectangle
    // would reach into the neighbouring frame.
    const D2D1_BITMAP_PROPERTIES properties = D2D1::BitmapProperties(
        D2D1::PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED), 96.0f, 96.0f);
    ComPtr<ID2D1Bitmap> intermediate;
    if (FAILED(target->CreateBitmapFromWicBitmap(&require(bitmap_), &properties, intermediate.GetAddressOf()))) {
        throw std::runtime_error("unable to create a bitmap from a WIC bitmap");
    }
    // Shared without properties, the bitmap keeps its source's 96 dpi. Wine 8
    // makes a bitmap shared with stated properties a target that cannot be
    // drawn (nothing shows), so they are stated only where the system gave
    // the shared bitmap another density.
    ComPtr<ID2D1Bitmap> shared;
    HRESULT hr = target->CreateSharedBitmap(__uuidof(ID2D1Bitmap), intermediate.Get(), nullptr, shared.GetAddressOf());
    if (SUCCEEDED(hr) && !at_96_dpi(*shared.Get())) {
        shared.Reset();
        hr = target->CreateSharedBitmap(__uuidof(ID2D1Bitmap), intermediate.Get(), &properties, shared.GetAddressOf());
    }
    if (FAILED(hr)) {
        throw std::runtime_error("unable to create a shared bitmap");
    }
    // Make room first, so that a failed allocation leaves the cache and both
    // lists as they were.
    renderers_.reserve(renderers_.size() + 1);
    cache_.emplace(target, shared);
    try {
        renderer.add_image(this);
    } catch (...) {
        cache_.erase(target);
        throw;
    }
    renderers_.push_back(&renderer);
    return shared.Get();
}

void Image::release_for(Renderer& renderer) {
    cache_.erase(renderer.render_target());
    renderers_.erase(std::remove(renderers_.begin(), renderers_.end(), &renderer), renderers_.end());
    // Without this, a renderer that outlives the image would keep a pointer
    // to it and call back into it when destroyed.
    renderer.remove_image(this);
}

void Image::unload() {
    for (Renderer* renderer : renderers_) {
        renderer->remove_image(this);
    }
    cache_.clear();
    renderers_.clear();
    loaded_ = false;
}

} // namespace norvik::ui
