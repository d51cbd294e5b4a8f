// The least a Direct2D window needs, as the floor the installer's start-up
// is measured against: the Direct2D, DirectWrite and WIC factories, an HWND
// render target and one paint of a filled rectangle in the wizard's
// background colour, in a window of the wizard's size and styles. Whatever
// this costs under Wine is Wine's, not ours.

#include <windows.h>

#include <d2d1.h>
#include <dwrite.h>
#include <objbase.h>
#include <wincodec.h>
#include <wrl/client.h>

namespace {

using Microsoft::WRL::ComPtr;

constexpr wchar_t class_name[] = L"NORVIK_BENCH_FLOOR";
constexpr int client_width = 500;
constexpr int client_height = 360;

struct floor_state {
    ComPtr<ID2D1Factory> factory;
    ComPtr<IDWriteFactory> write_factory;
    ComPtr<IWICImagingFactory> imaging_factory;
    ComPtr<ID2D1HwndRenderTarget> target;
    ComPtr<ID2D1SolidColorBrush> brush;
};

void paint(HWND hwnd, floor_state* state) {
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    if (!state->target) {
        RECT client{};
        GetClientRect(hwnd, &client);
        const D2D1_SIZE_U size = D2D1::SizeU(static_cast<UINT32>(client.right), static_cast<UINT32>(client.bottom));
        if (SUCCEEDED(state->factory->CreateHwndRenderTarget(D2D1::RenderTargetProperties(),
                                                             D2D1::HwndRenderTargetProperties(hwnd, size),
                                                             state->target.GetAddressOf()))) {
            state->target->CreateSolidColorBrush(D2D1::ColorF(0x2D2D2D), state->brush.GetAddressOf());
        }
    }
    if (state->target && state->brush) {
        const D2D1_SIZE_F size = state->target->GetSize();
        state->target->BeginDraw();
        state->target->FillRectangle(D2D1::RectF(0.0f, 0.0f, size.width, size.height), state->brush.Get());
        state->target->EndDraw();
    }
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
        return DefWindowProcW(hwnd, message, wparam, lparam);
    case WM_PAINT:
        paint(hwnd, reinterpret_cast<floor_state*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wparam, lparam);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // The wizard initialises OLE for its drop target; the floor does the
    // same so that neither pays for COM alone.
    if (FAILED(OleInitialize(nullptr))) {
        return 1;
    }
    floor_state s;
    if (FAILED(D2D1CreateFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, s.factory.GetAddressOf())) ||
        FAILED(DWriteCreateFactory(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory),
                                   reinterpret_cast<IUnknown**>(s.write_factory.GetAddressOf()))) ||
        FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(s.imaging_factory.GetAddressOf())))) {
        return 2;
    }

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
    HWND hwnd = CreateWindowExW(0, class_name, L"Norvik Floor", style, 600, 200, outer.right - outer.left,
                                outer.bottom - outer.top, nullptr, nullptr, instance, &s);
    if (!hwnd) {
        return 3;
    }
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    s.brush.Reset();
    s.target.Reset();
    s.imaging_factory.Reset();
    s.write_factory.Reset();
    s.factory.Reset();
    OleUninitialize();
    return 0;
}
