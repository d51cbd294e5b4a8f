#pragma once

// The least a Direct2D window needs, as the floor the installer's start-up
// is measured against: OLE (the wizard initialises it for its drop target),
// the Direct2D, DirectWrite and WIC factories, a window of the wizard's size
// and styles, an HWND render target and a paint of a filled rectangle in the
// wizard's background colour. Each step is its own call so that it can be
// timed on its own. Whatever this costs under Wine is Wine's, not ours.

#include <windows.h>

#include <d2d1.h>
#include <dwrite.h>
#include <wincodec.h>
#include <wrl/client.h>

namespace norvik::bench {

class direct2d_floor {
public:
    direct2d_floor() = default;
    ~direct2d_floor();
    direct2d_floor(const direct2d_floor&) = delete;
    direct2d_floor& operator=(const direct2d_floor&) = delete;

    // OLE and the three factories.
    bool create_factories();
    // The window, not yet shown; `parameter` reaches WM_NCCREATE.
    HWND create_window(WNDPROC procedure, const wchar_t* title, void* parameter);
    bool create_target(HWND hwnd);
    bool has_target() const { return target_ != nullptr; }
    // One filled rectangle over the whole target, presented.
    bool paint();

private:
    bool ole_initialised_ = false;
    Microsoft::WRL::ComPtr<ID2D1Factory> factory_;
    Microsoft::WRL::ComPtr<IDWriteFactory> write_factory_;
    Microsoft::WRL::ComPtr<IWICImagingFactory> imaging_factory_;
    Microsoft::WRL::ComPtr<ID2D1HwndRenderTarget> target_;
    Microsoft::WRL::ComPtr<ID2D1SolidColorBrush> brush_;
};

} // namespace norvik::bench
