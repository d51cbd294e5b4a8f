#pragma once

#include <string>
#include <vector>

#include <d2d1.h>
#include <dwrite.h>
#include <wrl/client.h>

#include "render/text_run.h"

namespace norvik::ui {

// A text with formatting runs, laid out by DirectWrite as one text layout
// that a label draws in markup mode. The fields are filled directly (or by
// load_markup, markup_parser.h); whoever changes text or runs must also
// clear layout_valid, since nothing watches them.
//
// The layout starts from the text format it is built with, not from the
// renderer's current font. UI thread only.
class RichText {
public:
    RichText() = default;
    // Releases the colour brushes and the layout, then clears the text and
    // the runs.
    ~RichText();

    RichText(const RichText&) = delete;
    RichText& operator=(const RichText&) = delete;

    // The layout of text and runs within `maximum`, built when there is no
    // valid one for exactly this size (and render target) and cached
    // otherwise; it stays owned by this object. Every distinct run colour
    // gets its own brush made on `target`, kept as long as the layout.
    // Throws std::invalid_argument "factory is a null pointer" and
    // std::runtime_error "unable to initialize a new layout".
    IDWriteTextLayout* build_layout(IDWriteFactory* factory, IDWriteTextFormat* format, ID2D1RenderTarget* target,
                                    D2D1_SIZE_F maximum);

    std::wstring text;
    std::vector<TextRun> runs;
    Microsoft::WRL::ComPtr<IDWriteTextLayout> layout;
    bool layout_valid = false;
    D2D1_SIZE_F cached_size{0.0f, 0.0f};
    // A label in markup mode draws only its background while this is off.
    bool enabled = false;

private:
    struct colour_brush {
        UINT32 rgb = 0;
        Microsoft::WRL::ComPtr<ID2D1SolidColorBrush> brush;
    };

    void release_layout();
    void apply_font_run(const TextRun& run);
    ID2D1SolidColorBrush* brush_for(UINT32 rgb);

    // The brushes belong to the target they were made on; a layout asked for
    // on another target is rebuilt. Held, so that its address is not reused
    // by a later target while the brushes live.
    Microsoft::WRL::ComPtr<ID2D1RenderTarget> brush_target_;
    std::vector<colour_brush> brushes_;
};

} // namespace norvik::ui
