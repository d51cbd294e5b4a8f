#include "ui/core/cursor_shape.h"

#include <array>

#include <windows.h>

namespace norvik::ui {

namespace {

// System cursors are shared resources: they are loaded once and never
// destroyed.
const std::array<HCURSOR, 9>& cursors() {
    static const std::array<HCURSOR, 9> handles = [] {
        static const std::array<LPCWSTR, 9> ids{
            IDC_ARROW, IDC_CROSS, IDC_SIZEWE, IDC_SIZENS, IDC_SIZENWSE, IDC_IBEAM, IDC_HAND, IDC_SIZENWSE, IDC_SIZENESW,
        };
        std::array<HCURSOR, 9> loaded{};
        for (std::size_t i = 0; i < ids.size(); ++i) {
            loaded[i] = LoadCursorW(nullptr, ids[i]);
        }
        return loaded;
    }();
    return handles;
}

} // namespace

void set_cursor(cursor_shape shape) {
    const auto index = static_cast<std::size_t>(shape);
    if (index < cursors().size()) {
        SetCursor(cursors()[index]);
    }
}

} // namespace norvik::ui
