#include "bench/direct2d_floor.h"

#include <objbase.h>
#include <ole2.h>

#include "render/graphics_factories.h"

namespace norvik::bench {

namespace {

constexpr wchar_t class_name[] = L"NORVIK_BENCH_FLOOR";
constexpr int client_width = 500;
constexpr int client_height = 360;

} // namespace

direct2d_floor::~direct2d_floor() {
    // COM objects go before OLE does.
    brush_.Reset();
    target_.Reset();
    imaging_factory_.Reset();
    write_factory_.Reset();
    factory_.Reset();
    if (ole_initialised_) {
        OleUninitialize();
    }
}

bool direct2d_floor::create_factories() {
    ole_initialised_ = SUCCEEDED(OleInitialize(nullptr));
    // Through the same entry points as the renderer: d2d1.dll and DWrite.dll
    // load here, in this phase, as they do in the installer.
    using norvik::ui::graphics_factories;
    return ole_initialised_ &&
           SUCCEEDED(graphics_factories::create_direct2d(D2D1_FACTORY_TYPE_SINGLE_THREADED, __uuidof(ID2D1Factory),
                                                         nullptr, reinterpret_cast<void**>(factory_.GetAddressOf()))) &&
           SUCCEEDED(
               graphics_factories::create_directwrite(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory),
                                                      reinterpret_cast<IUnknown**>(write_factory_.GetAddressOf()))) &&
           SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                      reinterpret_cast<void**>(imaging_factory_.GetAddressOf())));
}

HWND direct2d_floor::create_window(WNDPROC procedure, const wchar_t* title, void* parameter) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = class_name;
    RegisterClassExW(&wc);

    // The wizard's styles: caption and system menu, clipping its children.
    const DWORD style = WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;
    RECT outer{0, 0, client_width, client_height};
    AdjustWindowRectEx(&outer, style, FALSE, 0);
    return CreateWindowExW(0, class_name, title, style, 600, 200, outer.right - outer.left, outer.bottom - outer.top,
                           nullptr, nullptr, instance, parameter);
}

bool direct2d_floor::create_target(HWND hwnd) {
    RECT client{};
    GetClientRect(hwnd, &client);
    const D2D1_SIZE_U size = D2D1::SizeU(static_cast<UINT32>(client.right), static_cast<UINT32>(client.bottom));
    return factory_ &&
           SUCCEEDED(factory_->CreateHwndRenderTarget(
               D2D1::RenderTargetProperties(), D2D1::HwndRenderTargetProperties(hwnd, size), target_.GetAddressOf())) &&
           SUCCEEDED(target_->CreateSolidColorBrush(D2D1::ColorF(0x2D2D2D), brush_.GetAddressOf()));
}

bool direct2d_floor::paint() {
    if (!target_ || !brush_) {
        return false;
    }
    const D2D1_SIZE_F size = target_->GetSize();
    target_->BeginDraw();
    target_->FillRectangle(D2D1::RectF(0.0f, 0.0f, size.width, size.height), brush_.Get());
    return SUCCEEDED(target_->EndDraw());
}

} // namespace norvik::bench
