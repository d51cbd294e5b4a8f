#include "tests/x11_capture.h"

#include <stdexcept>
#include <string>

#include "tests/host_shell.h"
#include "tests/test_files.h"

namespace {

using norvik::test::environment;
using norvik::test::exists;
using norvik::test::read_file;

// A host path as Wine's Z: drive shows it.
std::wstring dos_path(const std::wstring& unix_path) {
    std::wstring path = L"Z:" + unix_path;
    for (wchar_t& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return path;
}

// NORVIK_DISPLAY='...' from the state file that wine-env.sh writes.
std::wstring display_of(const std::wstring& state_dir) {
    const std::vector<char> bytes = read_file(dos_path(state_dir + L"/state"));
    const std::string state(bytes.begin(), bytes.end());
    const std::string key = "NORVIK_DISPLAY='";
    const std::size_t start = state.find(key);
    if (start == std::string::npos) {
        throw std::runtime_error("no display in the test environment's state file");
    }
    const std::size_t end = state.find('\'', start + key.size());
    const std::string display = state.substr(start + key.size(), end - start - key.size());
    return std::wstring(display.begin(), display.end());
}

} // namespace

x11_capture::x11_capture(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    width_ = client.right;
    height_ = client.bottom;
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    const std::wstring state_dir = environment(L"NORVIK_WINE_STATE_DIR");
    if (state_dir.empty()) {
        grab_gdi(origin);
    } else {
        grab_x11(state_dir.c_str(), origin);
    }
}

void x11_capture::grab_x11(const wchar_t* state_dir, POINT origin) {
    // xwd walks the window tree and gives up with BadWindow when a window of
    // another program disappears during the walk; such a grab is repeated.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (try_grab_x11(state_dir, origin)) {
            return;
        }
    }
    throw std::runtime_error("the screen grab failed");
}

bool x11_capture::try_grab_x11(const wchar_t* state_dir, POINT origin) {
    static int serial = 0;
    const std::wstring base = std::wstring(state_dir) + L"/capture-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++serial) + L".rgb";
    const std::wstring part = base + L".part";
    const std::wstring failed = base + L".failed";
    const std::wstring geometry = std::to_wstring(width_) + L"x" + std::to_wstring(height_) + L"+" +
                                  std::to_wstring(origin.x) + L"+" + std::to_wstring(origin.y);
    // The result is renamed into place only when complete, and a failure
    // leaves a marker, so the poll below never reads half a file.
    if (!norvik::test::start_host_shell(L"xwd -silent -root -display '" + display_of(state_dir) +
                                        L"' | convert xwd:- -crop " + geometry + L" +repage -depth 8 rgb:'" + part +
                                        L"' && mv '" + part + L"' '" + base + L"' || touch '" + failed + L"'")) {
        throw std::runtime_error("cannot start the host shell for a screen grab");
    }
    // Wine hands back no waitable handle for a Unix process: wait for its files.
    const std::wstring result = dos_path(base);
    const std::wstring failure = dos_path(failed);
    for (int i = 0; i < 3000 && !exists(result) && !exists(failure); ++i) {
        Sleep(10);
    }
    const std::vector<char> bytes = read_file(result);
    DeleteFileW(result.c_str());
    DeleteFileW(failure.c_str());
    if (bytes.size() != static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 3) {
        return false;
    }
    rgb_.assign(bytes.begin(), bytes.end());
    return true;
}

void x11_capture::grab_gdi(POINT origin) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width_, height_, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    const auto* bgra = static_cast<const uint8_t*>(bits);
    rgb_.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 3);
    for (std::size_t i = 0; i < rgb_.size() / 3; ++i) {
        rgb_[i * 3] = bgra[i * 4 + 2];
        rgb_[i * 3 + 1] = bgra[i * 4 + 1];
        rgb_[i * 3 + 2] = bgra[i * 4];
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

x11_capture::pixel x11_capture::at(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return {};
    }
    const std::size_t i =
        (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)) * 3;
    return {rgb_[i], rgb_[i + 1], rgb_[i + 2]};
}
