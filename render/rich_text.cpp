#include "render/rich_text.h"

#include <cmath>
#include <cwchar>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>

using Microsoft::WRL::ComPtr;

namespace norvik::ui {

namespace {

// The value of the first name="value" in `attributes`: from just after the
// opening quote to the next quote, or to the end when none follows.
std::optional<std::wstring> attribute(std::wstring_view attributes, std::wstring_view prefix) {
    const std::size_t at = attributes.find(prefix);
    if (at == std::wstring_view::npos) {
        return std::nullopt;
    }
    const std::wstring_view rest = attributes.substr(at + prefix.size());
    return std::wstring(rest.substr(0, rest.find(L'"')));
}

int hex_digit(wchar_t c) {
    if (c >= L'0' && c <= L'9') {
        return c - L'0';
    }
    if (c >= L'a' && c <= L'f') {
        return c - L'a' + 10;
    }
    if (c >= L'A' && c <= L'F') {
        return c - L'A' + 10;
    }
    return -1;
}

// "#RRGGBB" as 0xRRGGBB. The first character is skipped unread; a value
// shorter than seven characters or with a non-hexadecimal digit in 1..6 is
// no colour at all, rather than a guess.
std::optional<UINT32> parse_colour(const std::wstring& v) {
    if (v.size() < 7) {
        return std::nullopt;
    }
    UINT32 rgb = 0;
    for (std::size_t i = 1; i <= 6; ++i) {
        const int d = hex_digit(v[i]);
        if (d < 0) {
            return std::nullopt;
        }
        rgb = rgb << 4 | static_cast<UINT32>(d);
    }
    return rgb;
}

// The leading decimal number, as wcstod reads it; no number is 0. A value
// wcstod reads as infinity or NaN ("inf", "nan") is 0 too: DirectWrite
// refuses only sizes <= 0, and a NaN size would pass that test.
float parse_size(const std::wstring& v) {
    const double size = std::wcstod(v.c_str(), nullptr);
    return std::isfinite(size) ? static_cast<float>(size) : 0.0f;
}

} // namespace

RichText::~RichText() {
    release_layout();
    text.clear();
    runs.clear();
}

void RichText::release_layout() {
    // Reverse order of creation: the brushes were made after the layout.
    brushes_.clear();
    brush_target_.Reset();
    layout.Reset();
    layout_valid = false;
}

IDWriteTextLayout* RichText::build_layout(IDWriteFactory* factory, IDWriteTextFormat* format, ID2D1RenderTarget* target,
                                          D2D1_SIZE_F maximum) {
    if (layout_valid && maximum.width == cached_size.width && maximum.height == cached_size.height &&
        target == brush_target_.Get()) {
        return layout.Get();
    }
    release_layout();
    if (factory == nullptr) {
        throw std::invalid_argument("factory is a null pointer");
    }
    if (format == nullptr || FAILED(factory->CreateTextLayout(text.c_str(), static_cast<UINT32>(text.size()), format,
                                                              maximum.width, maximum.height, layout.GetAddressOf()))) {
        layout.Reset();
        throw std::runtime_error("unable to initialize a new layout");
    }
    brush_target_ = target;
    // The formatting calls' results are not checked: a range past the end or
    // a refused size simply has no effect.
    for (const TextRun& run : runs) {
        if (run.tag == L"b") {
            layout->SetFontWeight(DWRITE_FONT_WEIGHT_BOLD, run.range);
        } else if (run.tag == L"u") {
            layout->SetUnderline(TRUE, run.range);
        } else if (run.tag == L"font") {
            apply_font_run(run);
        }
    }
    layout_valid = true;
    cached_size = maximum;
    return layout.Get();
}

void RichText::apply_font_run(const TextRun& run) {
    if (const auto face = attribute(run.attributes, L"face=\"")) {
        layout->SetFontFamilyName(face->c_str(), run.range);
    }
    if (const auto size = attribute(run.attributes, L"size=\"")) {
        layout->SetFontSize(parse_size(*size), run.range);
    }
    if (const auto value = attribute(run.attributes, L"color=\"")) {
        if (const auto rgb = parse_colour(*value)) {
            if (ID2D1SolidColorBrush* brush = brush_for(*rgb)) {
                layout->SetDrawingEffect(brush, run.range);
            }
        }
    }
}

// DirectWrite hands each range's drawing effect to Direct2D at drawing time,
// so ranges of different colours need brushes of their own: one brush whose
// colour is changed per run would draw every run in the last colour.
ID2D1SolidColorBrush* RichText::brush_for(UINT32 rgb) {
    for (const colour_brush& b : brushes_) {
        if (b.rgb == rgb) {
            return b.brush.Get();
        }
    }
    if (!brush_target_) {
        return nullptr;
    }
    constexpr float scale = 1.0f / 255.0f;
    const D2D1_COLOR_F colour =
        D2D1::ColorF(static_cast<float>(rgb >> 16 & 0xFF) * scale, static_cast<float>(rgb >> 8 & 0xFF) * scale,
                     static_cast<float>(rgb & 0xFF) * scale, 1.0f);
    colour_brush made{rgb, nullptr};
    if (FAILED(brush_target_->CreateSolidColorBrush(colour, made.brush.GetAddressOf()))) {
        return nullptr;
    }
    brushes_.push_back(std::move(made));
    return brushes_.back().brush.Get();
}

} // namespace norvik::ui
