#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>

#include <d2d1.h>
#include <dwrite.h>
#include <wrl/client.h>

#include "render/color.h"
#include "ui/core/events/point.h"
#include "ui/core/events/rect.h"

namespace norvik::ui {

class Image;

// The drawing object of one system window: its Direct2D render target and
// DirectWrite objects, a few shared brushes and one shared text format.
// Controls set the colours and the font they want, then draw in integer
// logical units (DIPs, 1/96 inch) relative to the widget being painted.
//
// The paint stack gives every widget of the tree its own translated, clipped
// coordinate space: the first begin_widget of a frame starts painting
// (BeginPaint, BeginDraw) and the matching last end_widget presents it
// (EndDraw, EndPaint).
//
// Device resources are made in the constructor and made again, with a new
// render target, when the end of a frame reports the graphics device lost
// (a driver update, a GPU reset, a remote session switching); the whole
// window is then painted again. A device that cannot be made again, or that
// frame after frame is reported lost, is asked for again on a timer whose
// delay doubles from 100 ms to 2 s; frames wanted meanwhile are not drawn.
// Painting then costs next to nothing and throws nothing, and the window's
// loop, and whatever works beside it, goes on. UI thread only.
class Renderer {
public:
    // A width and height in logical units, as measure_text takes and returns.
    struct size {
        int32_t width = 0;
        int32_t height = 0;

        friend bool operator==(const size&, const size&) = default;
    };

    // Creates the factories, the render target over the window's client area
    // (sized in pixels, at the desktop's DPI) and the shared resources.
    // Throws std::runtime_error with a lower-case sentence when one of them
    // cannot be made.
    explicit Renderer(HWND window);
    // Releases this renderer's bitmap in every image that drew on it, then
    // every interface in reverse order of creation.
    ~Renderer();

    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // Resizes the render target to a client area of width x height pixels.
    void resize(uint32_t width, uint32_t height);

    // Makes the ends of the next `lost_frames` frames report a lost graphics
    // device, as a driver update or a GPU reset would, and the next
    // `failed_remakes` attempts to make the device again fail, as a device
    // that stays away would, so that the recovery can be exercised on a
    // device that still works.
    void simulate_device_loss(uint32_t lost_frames = 1, uint32_t failed_remakes = 0);
    // Frames that ended with the device lost, and attempts to make it again
    // that failed, in a row; 0 again once a frame is presented.
    uint32_t consecutive_losses() const { return consecutive_losses_; }

    // Opens the drawing scope of a widget whose rectangle (relative to the
    // widget of the enclosing scope) is `bounds`: clip to `update` (left,
    // top, right, bottom in logical window coordinates), translate to the
    // widget's origin and clip to its bounds grown by `overhang` on every
    // side. Returns false, having opened nothing, when a frame cannot begin
    // because the graphics device is lost and no new one may be made yet;
    // end_widget is then not called for it.
    bool begin_widget(const ui::rect& bounds, const RECT& update, int32_t overhang = 0);
    // Closes the innermost scope; the last one ends the frame.
    void end_widget();

    // family: UTF-8; weight and style: the theme's enumerations (weight 1
    // light, 2 bold, else normal; style 1 italic, else normal).
    void set_font(std::string_view family, float font_size, int32_t weight, int32_t style);
    // The theme's enumerations: align 0 leading, 2 trailing, else centred;
    // valign 1 top, 2 bottom, else middle.
    void set_text_alignment(int32_t align, int32_t valign);
    void set_format_alignment(DWRITE_TEXT_ALIGNMENT text, DWRITE_PARAGRAPH_ALIGNMENT paragraph);
    void set_line(const Color& colour, float width);
    void set_fill_color(const Color& colour);
    void set_text_color(const Color& colour);

    // Fills r with fill_brush.
    void fill_rect(const ui::rect& r);
    // Strokes the inside of r with line_brush, line_width wide, aliased, so
    // that a 1-wide outline covers exactly r's outer ring of pixels.
    void draw_rect(const ui::rect& r);
    // An aliased line with line_brush; odd widths are moved by half a pixel
    // onto the pixel centres.
    void draw_line(point p1, point p2);
    // The whole image, unscaled, with its top-left corner at `at`.
    void draw_image(point at, Image& image);
    // The part `source` of the image (one frame of a sprite), unscaled, at `at`.
    void draw_image_part(point at, Image& image, const ui::rect& source);
    // UTF-8 text laid out in r with the current font and alignment. Invalid
    // UTF-8 throws std::range_error "bad conversion"; a layout that cannot be
    // made draws nothing.
    void draw_text(const ui::rect& r, std::string_view text);
    // The size of the text's layout, trailing whitespace included, plus one in
    // each direction. A maximum of 0 means unbounded in that direction.
    size measure_text(std::string_view text, size maximum);
    // The soft drop shadow of a child with rectangle r, drawn in the parent's
    // coordinates: darkest under the child, fading out size * 7 / 10 units
    // beyond its edges, with rounded corners.
    void draw_shadow(const ui::rect& r, point offset, int32_t shadow_size);

    // Used by Image to cache its bitmaps per render target.
    ID2D1RenderTarget* render_target() const;
    void add_image(Image* image);
    void remove_image(Image* image);
    // The images that hold a bitmap made on this renderer.
    const std::vector<Image*>& images() const { return images_; }

    // For the rich-text layout of the labels.
    IDWriteFactory* write_factory() const { return write_factory_.Get(); }
    IDWriteTextFormat* text_format() const { return text_format_.Get(); }

    // Controls may set these brushes' colours (SetColor) directly; a colour
    // stays until it is changed, across widgets.
    Microsoft::WRL::ComPtr<ID2D1SolidColorBrush> fill_brush;
    Microsoft::WRL::ComPtr<ID2D1SolidColorBrush> text_brush;
    Microsoft::WRL::ComPtr<ID2D1SolidColorBrush> line_brush;
    Microsoft::WRL::ComPtr<ID2D1SolidColorBrush> shadow_core_brush;
    // The default brush of a rich-text layout, and the brush its colour runs
    // share.
    Microsoft::WRL::ComPtr<ID2D1SolidColorBrush> markup_brush;
    Microsoft::WRL::ComPtr<ID2D1SolidColorBrush> markup_color_brush;

    // Stroke width of draw_rect and draw_line, in logical units.
    float line_width = 1.0f;
    // draw_rect and draw_line use the dotted stroke (one width on, one off).
    bool dotted = false;

private:
    struct paint_entry {
        point origin; // the paint offset before the widget's position was added
    };

    using brush_colours = std::array<D2D1_COLOR_F, 6>;

    void create_render_target();
    // The DirectWrite factory and the default text format; the error's text,
    // or nullptr. Touches only those two members, so it may run on another
    // thread while the render target is made.
    const char* create_text_objects();
    void create_device_resources(const brush_colours& colours);
    void create_brushes(const brush_colours& colours);
    // The six shared brushes, in order of creation.
    std::array<Microsoft::WRL::ComPtr<ID2D1SolidColorBrush>*, 6> brush_slots();
    // After a lost device: drops the target and everything made on it
    // (images' bitmaps included), keeping the brushes' colours.
    void discard_device();
    // A new target and device resources, the brushes in kept_colours_.
    void make_device_again();
    // The end of a frame found the device lost: counted, then made good.
    void on_device_lost();
    // make_device_again, or, when that fails, a retry scheduled; whether a
    // device is there now.
    bool try_make_device() noexcept;
    // Whether a frame can begin: the device is there, or due and made now.
    bool have_device() noexcept;
    // Counts a loss and asks for a repaint once the back-off has passed.
    void schedule_retry() noexcept;
    void release_device_resources();
    void create_shadow_gradient();
    void create_dotted_stroke();
    Microsoft::WRL::ComPtr<IDWriteTextLayout> make_layout(std::string_view text, float width, float height);
    ID2D1StrokeStyle* stroke() const;
    void release_interfaces();

    HWND hwnd_ = nullptr;
    Microsoft::WRL::ComPtr<ID2D1HwndRenderTarget> render_target_;
    Microsoft::WRL::ComPtr<ID2D1Factory> factory_;
    Microsoft::WRL::ComPtr<IDWriteFactory> write_factory_;
    Microsoft::WRL::ComPtr<ID2D1GradientStopCollection> shadow_gradient_;
    Microsoft::WRL::ComPtr<ID2D1StrokeStyle> dotted_stroke_;
    Microsoft::WRL::ComPtr<IDWriteTextFormat> text_format_;
    PAINTSTRUCT paint_{};
    DWRITE_FONT_WEIGHT font_weight_ = DWRITE_FONT_WEIGHT_NORMAL;
    DWRITE_FONT_STYLE font_style_ = DWRITE_FONT_STYLE_NORMAL;
    std::wstring font_family_;
    float font_size_ = 12.0f;
    std::vector<paint_entry> paint_stack_;
    point paint_offset_;
    std::vector<Image*> images_;
    // The brushes' colours, in the order of brush_slots: their first ones
    // until a lost device keeps the current ones for the next.
    brush_colours kept_colours_{{
        {0.0f, 0.0f, 0.0f, 1.0f}, // fill
        {1.0f, 1.0f, 1.0f, 1.0f}, // line
        {1.0f, 1.0f, 1.0f, 1.0f}, // text
        {0.0f, 0.0f, 0.0f, 1.0f}, // shadow core
        {0.0f, 0.0f, 0.0f, 1.0f}, // markup
        {0.0f, 0.0f, 0.0f, 1.0f}, // markup colour
    }};
    uint32_t consecutive_losses_ = 0;
    // No device is asked for before this tick count (GetTickCount64).
    ULONGLONG next_attempt_ = 0;
    uint32_t simulated_lost_frames_ = 0;
    uint32_t simulated_failed_remakes_ = 0;
};

} // namespace norvik::ui
