#include "render/renderer.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <future>
#include <memory>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "render/com_check.h"
#include "render/graphics_factories.h"
#include "render/image.h"
#include "render/style_enums.h"
#include "ui/core/text/text_conversion.h"

using Microsoft::WRL::ComPtr;

namespace norvik::ui {

namespace {

// What EndDraw returns once the graphics device is gone.
constexpr HRESULT device_lost = static_cast<HRESULT>(D2DERR_RECREATE_TARGET);

// The window timer that asks for the next attempt at a lost device. The
// toolkit's own timers count up from 1 as a positive int32_t and its tooltip
// timer is 0xFFFFFFFF, so this id is never one of theirs.
constexpr UINT_PTR retry_timer_id = 0xFFFFFFFE;
constexpr UINT first_retry_ms = 100;
constexpr UINT longest_retry_ms = 2000;

// The back-off after `losses` in a row (two or more): 100 ms, doubled with
// every further loss, 2 s at most, so that a device that stays away costs
// one attempt every two seconds.
UINT retry_delay_ms(uint32_t losses) {
    UINT delay = first_retry_ms;
    for (uint32_t i = 2; i < losses && delay < longest_retry_ms; ++i) {
        delay *= 2;
    }
    return std::min(delay, longest_retry_ms);
}

// Runs from the window's message loop (DispatchMessageW calls it for the
// timer) once a retry is due: the frame it asks for makes the device again.
void CALLBACK retry_paint(HWND hwnd, UINT, UINT_PTR id, DWORD) {
    KillTimer(hwnd, id);
    InvalidateRect(hwnd, nullptr, FALSE);
}

D2D1_COLOR_F to_d2d(const Color& c) {
    return D2D1::ColorF(c.r, c.g, c.b, c.a);
}

D2D1_RECT_F to_d2d(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return D2D1::RectF(static_cast<float>(left), static_cast<float>(top), static_cast<float>(right),
                       static_cast<float>(bottom));
}

D2D1_POINT_2F to_d2d(int32_t x, int32_t y) {
    return D2D1::Point2F(static_cast<float>(x), static_cast<float>(y));
}

// The 21 stops of the shadow's fall-off: a Gaussian-like curve from opaque
// black at the inner edge to almost nothing at the outer edge.
std::array<D2D1_GRADIENT_STOP, 21> shadow_stops() {
    std::array<D2D1_GRADIENT_STOP, 21> stops{};
    for (std::size_t i = 0; i < stops.size(); ++i) {
        const double m = 1.0 - 0.1 * static_cast<double>(i);
        const double alpha = std::pow(3.0, -((m - 1.0) * (m - 1.0)) / 0.72);
        stops[i].position = static_cast<float>(i) / 21.0f;
        stops[i].color = D2D1::ColorF(0.0f, 0.0f, 0.0f, static_cast<float>(alpha));
    }
    return stops;
}

// The theme's enumerations are mapped once, in style_enums (the portable
// theme library uses them too); these only translate to DirectWrite.
DWRITE_FONT_WEIGHT weight_from_theme(int32_t weight) {
    return static_cast<DWRITE_FONT_WEIGHT>(font_weight_from_style(weight));
}

DWRITE_FONT_STYLE font_style_from_theme(int32_t style) {
    return font_style_from_style(style) == FontStyle::italic ? DWRITE_FONT_STYLE_ITALIC : DWRITE_FONT_STYLE_NORMAL;
}

DWRITE_TEXT_ALIGNMENT text_alignment_from_theme(int32_t align) {
    switch (text_align_from_style(align)) {
    case TextAlign::leading:
        return DWRITE_TEXT_ALIGNMENT_LEADING;
    case TextAlign::trailing:
        return DWRITE_TEXT_ALIGNMENT_TRAILING;
    case TextAlign::centre:
        break;
    }
    return DWRITE_TEXT_ALIGNMENT_CENTER;
}

DWRITE_PARAGRAPH_ALIGNMENT paragraph_alignment_from_theme(int32_t valign) {
    switch (text_valign_from_style(valign)) {
    case TextVAlign::top:
        return DWRITE_PARAGRAPH_ALIGNMENT_NEAR;
    case TextVAlign::bottom:
        return DWRITE_PARAGRAPH_ALIGNMENT_FAR;
    case TextVAlign::middle:
        break;
    }
    return DWRITE_PARAGRAPH_ALIGNMENT_CENTER;
}

} // namespace

Renderer::Renderer(HWND window) : hwnd_(window) {
    D2D1_FACTORY_OPTIONS options{};
    options.debugLevel = D2D1_DEBUG_LEVEL_NONE;
    if (FAILED(graphics_factories::create_direct2d(D2D1_FACTORY_TYPE_SINGLE_THREADED, __uuidof(ID2D1Factory), &options,
                                                   reinterpret_cast<void**>(factory_.GetAddressOf())))) {
        throw std::runtime_error("unable to create a d2d resource factory");
    }
    // A throwing constructor runs no destructor, and the members would go in
    // declaration order; release what was made in reverse order of creation.
    try {
        // The first text format loads the system's font collection, the
        // slowest step of start-up after the graphics device. The two do not
        // depend on each other, so the fonts load on a second thread while
        // the device is made (inline if no thread can be had).
        std::future<const char*> text;
        try {
            text = std::async(std::launch::async, [this] { return create_text_objects(); });
        } catch (const std::system_error&) {
        }
        create_render_target();
        const char* text_error = text.valid() ? text.get() : create_text_objects();
        if (text_error != nullptr) {
            throw std::runtime_error(text_error);
        }
        create_device_resources(kept_colours_);
    } catch (...) {
        release_interfaces();
        throw;
    }
}

Renderer::~Renderer() {
    KillTimer(hwnd_, retry_timer_id);
    // release_for takes the image off images_, so walk a copy.
    const std::vector<Image*> drawn = images_;
    for (Image* image : drawn) {
        image->release_for(*this);
    }
    release_interfaces();
}

void Renderer::release_interfaces() {
    // Reverse order of creation; the text objects are made beside the
    // target and depend on nothing of it.
    release_device_resources();
    text_format_.Reset();
    write_factory_.Reset();
    factory_.Reset();
}

void Renderer::release_device_resources() {
    dotted_stroke_.Reset();
    shadow_gradient_.Reset();
    for (ComPtr<ID2D1SolidColorBrush>* brush : brush_slots()) {
        brush->Reset();
    }
    render_target_.Reset();
}

std::array<ComPtr<ID2D1SolidColorBrush>*, 6> Renderer::brush_slots() {
    // std::addressof: a ComPtr's own operator& releases what it holds.
    return {std::addressof(fill_brush),        std::addressof(line_brush),   std::addressof(text_brush),
            std::addressof(shadow_core_brush), std::addressof(markup_brush), std::addressof(markup_color_brush)};
}

void Renderer::discard_device() {
    // Every image's bitmap belongs to the lost target, and is cached under
    // its address, which a new target may well get. release_for takes the
    // image off the list.
    while (!images_.empty()) {
        images_.back()->release_for(*this);
    }
    // A colour a control set stays until it is changed, device or not.
    const auto slots = brush_slots();
    for (std::size_t i = 0; i < slots.size(); ++i) {
        kept_colours_[i] = (*slots[i])->GetColor();
    }
    release_device_resources();
}

void Renderer::make_device_again() {
    if (simulated_failed_remakes_ > 0) {
        --simulated_failed_remakes_;
        throw std::runtime_error("unable to create a d2d render target");
    }
    // All or nothing: a half-made device would not be asked for again.
    try {
        create_render_target();
        create_device_resources(kept_colours_);
    } catch (...) {
        release_device_resources();
        throw;
    }
}

void Renderer::on_device_lost() {
    discard_device();
    if (consecutive_losses_ > 0) {
        // Lost again as soon as it was made: the device is not back yet.
        schedule_retry();
        return;
    }
    ++consecutive_losses_;
    // What shows was drawn on the lost device, and a new target starts
    // empty: all of it is painted again.
    InvalidateRect(hwnd_, nullptr, FALSE);
    // Made again at once, so that the controls find their brushes between
    // frames.
    try_make_device();
}

bool Renderer::try_make_device() noexcept {
    // This runs as a frame begins or ends, where nothing may be thrown: a
    // device that cannot be had yet is asked for again later.
    try {
        make_device_again();
        return true;
    } catch (...) {
        schedule_retry();
        return false;
    }
}

bool Renderer::have_device() noexcept {
    if (render_target_) {
        return true;
    }
    const ULONGLONG now = GetTickCount64();
    if (now < next_attempt_) {
        // Not due yet. The timer is set again for what is left, in case it
        // came a tick early by this clock: a frame passed over with no timer
        // left would leave the window without a device for good.
        SetTimer(hwnd_, retry_timer_id, static_cast<UINT>(next_attempt_ - now), &retry_paint);
        return false;
    }
    return try_make_device();
}

void Renderer::schedule_retry() noexcept {
    ++consecutive_losses_;
    const UINT delay = retry_delay_ms(consecutive_losses_);
    next_attempt_ = GetTickCount64() + delay;
    // Frames wanted before then are not drawn; the timer asks for the one
    // that tries again. Without it, every lost frame would invalidate the
    // window and the next would be lost at once: a loop at full speed.
    SetTimer(hwnd_, retry_timer_id, delay, &retry_paint);
}

void Renderer::simulate_device_loss(uint32_t lost_frames, uint32_t failed_remakes) {
    simulated_lost_frames_ = lost_frames;
    simulated_failed_remakes_ = failed_remakes;
}

void Renderer::create_render_target() {
    RECT client{};
    GetClientRect(hwnd_, &client);
    // DPI 0 x 0: the desktop's, so one unit of every drawing call is one DIP.
    const D2D1_RENDER_TARGET_PROPERTIES properties = D2D1::RenderTargetProperties();
    const D2D1_HWND_RENDER_TARGET_PROPERTIES window_properties = D2D1::HwndRenderTargetProperties(
        hwnd_,
        D2D1::SizeU(static_cast<UINT32>(client.right - client.left), static_cast<UINT32>(client.bottom - client.top)),
        D2D1_PRESENT_OPTIONS_NONE);
    if (FAILED(factory_->CreateHwndRenderTarget(properties, window_properties, render_target_.GetAddressOf()))) {
        throw std::runtime_error("unable to create a d2d render target");
    }
}

const char* Renderer::create_text_objects() {
    if (FAILED(graphics_factories::create_directwrite(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory),
                                                      reinterpret_cast<IUnknown**>(write_factory_.GetAddressOf())))) {
        return "unable to create the write factory";
    }
    if (FAILED(write_factory_->CreateTextFormat(L"Verdana", nullptr, DWRITE_FONT_WEIGHT_NORMAL,
                                                DWRITE_FONT_STYLE_NORMAL, DWRITE_FONT_STRETCH_NORMAL, 12.0f, L"en-us",
                                                text_format_.GetAddressOf()))) {
        return "unable to initialize the d2d write factory";
    }
    return nullptr;
}

void Renderer::create_device_resources(const brush_colours& colours) {
    render_target_->SetAntialiasMode(D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
    create_brushes(colours);
    create_shadow_gradient();
    create_dotted_stroke();
}

void Renderer::create_brushes(const brush_colours& colours) {
    const auto slots = brush_slots();
    // Every brush is attempted before the failure is reported.
    bool failed = false;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        failed |= FAILED(render_target_->CreateSolidColorBrush(colours[i], slots[i]->GetAddressOf()));
    }
    if (failed) {
        throw std::runtime_error("unable to create one or more solid brushes");
    }
}

void Renderer::create_shadow_gradient() {
    const std::array<D2D1_GRADIENT_STOP, 21> stops = shadow_stops();
    if (FAILED(render_target_->CreateGradientStopCollection(stops.data(), static_cast<UINT32>(stops.size()),
                                                            D2D1_GAMMA_2_2, D2D1_EXTEND_MODE_CLAMP,
                                                            shadow_gradient_.GetAddressOf()))) {
        throw std::runtime_error("unable to initialize the shadow gradients");
    }
}

void Renderer::create_dotted_stroke() {
    const D2D1_STROKE_STYLE_PROPERTIES properties =
        D2D1::StrokeStyleProperties(D2D1_CAP_STYLE_FLAT, D2D1_CAP_STYLE_FLAT, D2D1_CAP_STYLE_FLAT, D2D1_LINE_JOIN_MITER,
                                    10.0f, D2D1_DASH_STYLE_CUSTOM, 0.0f);
    const std::array<float, 2> dashes{1.0f, 1.0f};
    if (FAILED(factory_->CreateStrokeStyle(properties, dashes.data(), static_cast<UINT32>(dashes.size()),
                                           dotted_stroke_.GetAddressOf()))) {
        throw std::runtime_error("unable to initialize the dotted stroke");
    }
}

void Renderer::resize(uint32_t width, uint32_t height) {
    // Without a target (a lost device not yet made again) there is nothing
    // to resize: the next one is made at the client area's size.
    if (render_target_) {
        render_target_->Resize(D2D1::SizeU(width, height));
    }
}

bool Renderer::begin_widget(const ui::rect& bounds, const RECT& update, int32_t overhang) {
    const bool first = paint_stack_.empty();
    if (first && !have_device()) {
        return false;
    }
    ID2D1HwndRenderTarget& target = require(render_target_);
    if (first) {
        paint_offset_ = {};
    }
    paint_stack_.push_back({paint_offset_});
    if (first) {
        BeginPaint(hwnd_, &paint_);
        target.BeginDraw();
    }
    target.SetTransform(D2D1::Matrix3x2F::Identity());
    target.PushAxisAlignedClip(to_d2d(update.left, update.top, update.right, update.bottom),
                               D2D1_ANTIALIAS_MODE_ALIASED);
    paint_offset_.x += bounds.x;
    paint_offset_.y += bounds.y;
    // The widget's bounds are clipped in window coordinates, before the
    // translation is set: the same region as a clip of {0, 0, width, height}
    // under the translation, but Wine 8 scales a translated clip wrongly
    // above 96 dpi and would cut every widget short.
    target.PushAxisAlignedClip(to_d2d(paint_offset_.x - overhang, paint_offset_.y - overhang,
                                      paint_offset_.x + bounds.width + overhang,
                                      paint_offset_.y + bounds.height + overhang),
                               D2D1_ANTIALIAS_MODE_ALIASED);
    target.SetTransform(
        D2D1::Matrix3x2F::Translation(static_cast<float>(paint_offset_.x), static_cast<float>(paint_offset_.y)));
    return true;
}

void Renderer::end_widget() {
    if (paint_stack_.empty()) {
        return;
    }
    ID2D1HwndRenderTarget& target = require(render_target_);
    // The offset saved at begin_widget, not the widget's current position: a
    // paint handler that moves its own widget must not shift every later one.
    paint_offset_ = paint_stack_.back().origin;
    target.PopAxisAlignedClip();
    target.PopAxisAlignedClip();
    paint_stack_.pop_back();
    if (paint_stack_.empty()) {
        HRESULT drawn = target.EndDraw();
        if (simulated_lost_frames_ > 0) {
            --simulated_lost_frames_;
            drawn = device_lost;
        }
        EndPaint(hwnd_, &paint_);
        // Any other failure leaves the target usable: the next paint tries
        // again on it.
        if (drawn == device_lost) {
            on_device_lost();
        } else if (SUCCEEDED(drawn)) {
            consecutive_losses_ = 0;
        }
    }
}

void Renderer::set_font(std::string_view family, float font_size, int32_t weight, int32_t style) {
    font_family_ = text::utf8_to_utf16(family);
    font_size_ = font_size;
    font_weight_ = weight_from_theme(weight);
    font_style_ = font_style_from_theme(style);
}

void Renderer::set_text_alignment(int32_t align, int32_t valign) {
    set_format_alignment(text_alignment_from_theme(align), paragraph_alignment_from_theme(valign));
}

void Renderer::set_format_alignment(DWRITE_TEXT_ALIGNMENT text, DWRITE_PARAGRAPH_ALIGNMENT paragraph) {
    IDWriteTextFormat& format = require(text_format_);
    format.SetTextAlignment(text);
    format.SetParagraphAlignment(paragraph);
}

void Renderer::set_line(const Color& colour, float width) {
    require(line_brush).SetColor(to_d2d(colour));
    line_width = width;
}

void Renderer::set_fill_color(const Color& colour) {
    require(fill_brush).SetColor(to_d2d(colour));
}

void Renderer::set_text_color(const Color& colour) {
    require(text_brush).SetColor(to_d2d(colour));
}

void Renderer::fill_rect(const ui::rect& r) {
    require(render_target_).FillRectangle(to_d2d(r.x, r.y, r.x + r.width, r.y + r.height), &require(fill_brush));
}

ID2D1StrokeStyle* Renderer::stroke() const {
    return dotted ? dotted_stroke_.Get() : nullptr;
}

void Renderer::draw_rect(const ui::rect& r) {
    ID2D1HwndRenderTarget& target = require(render_target_);
    // The stroke is centred on its path: insetting the path by half the width
    // keeps the whole outline inside r.
    const float d = line_width / 2.0f;
    const D2D1_RECT_F path = D2D1::RectF(static_cast<float>(r.x) + d, static_cast<float>(r.y) + d,
                                         static_cast<float>(r.x + r.width) - d, static_cast<float>(r.y + r.height) - d);
    target.SetAntialiasMode(D2D1_ANTIALIAS_MODE_ALIASED);
    target.DrawRectangle(path, &require(line_brush), line_width, stroke());
    target.SetAntialiasMode(D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
}

void Renderer::draw_line(point p1, point p2) {
    ID2D1HwndRenderTarget& target = require(render_target_);
    // An odd width centred on an integer coordinate would straddle two pixel
    // rows; half a pixel puts it on the row's centre.
    const float f = std::fmod(line_width / 2.0f, 1.0f);
    const D2D1_POINT_2F from = D2D1::Point2F(static_cast<float>(p1.x) + f, static_cast<float>(p1.y) + f);
    const D2D1_POINT_2F to = D2D1::Point2F(static_cast<float>(p2.x) + f, static_cast<float>(p2.y) + f);
    target.SetAntialiasMode(D2D1_ANTIALIAS_MODE_ALIASED);
    target.DrawLine(from, to, &require(line_brush), line_width, stroke());
    target.SetAntialiasMode(D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
}

void Renderer::draw_image(point at, Image& image) {
    ID2D1Bitmap* bitmap = image.bitmap_for(*this);
    // The bitmap's size in DIPs: its logical size, since it has 96 DPI.
    const D2D1_SIZE_F extent = bitmap->GetSize();
    const D2D1_RECT_F dest =
        D2D1::RectF(static_cast<float>(at.x), static_cast<float>(at.y), static_cast<float>(at.x) + extent.width,
                    static_cast<float>(at.y) + extent.height);
    require(render_target_).DrawBitmap(bitmap, dest, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_LINEAR, nullptr);
}

void Renderer::draw_image_part(point at, Image& image, const ui::rect& source) {
    ID2D1Bitmap* bitmap = image.bitmap_for(*this);
    const D2D1_RECT_F dest = to_d2d(at.x, at.y, at.x + source.width, at.y + source.height);
    const D2D1_RECT_F src = to_d2d(source.x, source.y, source.x + source.width, source.y + source.height);
    require(render_target_).DrawBitmap(bitmap, dest, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_LINEAR, &src);
}

ComPtr<IDWriteTextLayout> Renderer::make_layout(std::string_view text, float width, float height) {
    const std::wstring wide = text::utf8_to_utf16(text);
    ComPtr<IDWriteTextLayout> layout;
    if (FAILED(require(write_factory_)
                   .CreateTextLayout(wide.data(), static_cast<UINT32>(wide.size()), &require(text_format_), width,
                                     height, layout.GetAddressOf()))) {
        return nullptr;
    }
    const DWRITE_TEXT_RANGE all{0, static_cast<UINT32>(wide.size())};
    layout->SetFontWeight(font_weight_, all);
    layout->SetFontStyle(font_style_, all);
    // No family set yet: keep the format's, since DirectWrite has no font
    // named "" and Wine fails layouts for a family it cannot find.
    if (!font_family_.empty()) {
        layout->SetFontFamilyName(font_family_.c_str(), all);
    }
    layout->SetFontSize(font_size_, all);
    return layout;
}

void Renderer::draw_text(const ui::rect& r, std::string_view text) {
    const ComPtr<IDWriteTextLayout> layout =
        make_layout(text, static_cast<float>(r.width), static_cast<float>(r.height));
    if (!layout) {
        return;
    }
    require(render_target_)
        .DrawTextLayout(to_d2d(r.x, r.y), layout.Get(), &require(text_brush), D2D1_DRAW_TEXT_OPTIONS_NONE);
}

Renderer::size Renderer::measure_text(std::string_view text, size maximum) {
    const float width = maximum.width == 0 ? FLT_MAX : static_cast<float>(maximum.width);
    const float height = maximum.height == 0 ? FLT_MAX : static_cast<float>(maximum.height);
    const ComPtr<IDWriteTextLayout> layout = make_layout(text, width, height);
    DWRITE_TEXT_METRICS metrics{};
    require(layout).GetMetrics(&metrics);
    return {static_cast<int32_t>(metrics.widthIncludingTrailingWhitespace + 1.0f),
            static_cast<int32_t>(metrics.height + 1.0f)};
}

void Renderer::draw_shadow(const ui::rect& r, point offset, int32_t s) {
    ID2D1HwndRenderTarget& target = require(render_target_);
    ID2D1GradientStopCollection& gradient = require(shadow_gradient_);
    const int32_t k = s * 7 / 10;
    const int32_t L = r.x + offset.x - k;
    const int32_t T = r.y + offset.y - k;
    const int32_t R = r.x + offset.x + r.width + k;
    const int32_t B = r.y + offset.y + r.height + k;

    // Each corner pairs with the edge strip filled after it; a corner fades
    // radially from its inner vertex, an edge linearly from its inner side.
    struct part {
        D2D1_RECT_F corner;
        D2D1_POINT_2F centre;
        D2D1_RECT_F edge;
        D2D1_POINT_2F from;
        D2D1_POINT_2F to;
    };
    const std::array<part, 4> parts{{
        {to_d2d(R - s, B - s, R, B), to_d2d(R - s, B - s), to_d2d(L, T + s, L + s, B - s), to_d2d(L + s, T + s),
         to_d2d(L, T + s)},
        {to_d2d(R - s, T, R, T + s), to_d2d(R - s, T + s), to_d2d(L + s, T, R - s, T + s), to_d2d(L + s, T + s),
         to_d2d(L + s, T)},
        {to_d2d(L, B - s, L + s, B), to_d2d(L + s, B - s), to_d2d(R - s, T + s, R, B - s), to_d2d(R - s, T + s),
         to_d2d(R, T + s)},
        {to_d2d(L, T, L + s, T + s), to_d2d(L + s, T + s), to_d2d(L + s, B - s, R - s, B), to_d2d(L + s, B - s),
         to_d2d(L + s, B)},
    }};
    const float radius = static_cast<float>(s);
    for (const part& p : parts) {
        ComPtr<ID2D1RadialGradientBrush> radial;
        target.CreateRadialGradientBrush(
            D2D1::RadialGradientBrushProperties(p.centre, D2D1::Point2F(0.0f, 0.0f), radius, radius), &gradient,
            radial.GetAddressOf());
        target.FillRectangle(p.corner, &require(radial));
        ComPtr<ID2D1LinearGradientBrush> linear;
        target.CreateLinearGradientBrush(D2D1::LinearGradientBrushProperties(p.from, p.to), &gradient,
                                         linear.GetAddressOf());
        target.FillRectangle(p.edge, &require(linear));
    }
    target.FillRectangle(to_d2d(L + s, T + s, R - s, B - s), &require(shadow_core_brush));
}

ID2D1RenderTarget* Renderer::render_target() const {
    return render_target_.Get();
}

void Renderer::add_image(Image* image) {
    if (std::find(images_.begin(), images_.end(), image) == images_.end()) {
        images_.push_back(image);
    }
}

void Renderer::remove_image(Image* image) {
    images_.erase(std::remove(images_.begin(), images_.end(), image), images_.end());
}

} // namespace norvik::ui
