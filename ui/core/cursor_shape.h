#pragma once

#include <cstdint>

namespace norvik::ui {

// The mouse cursors a widget can choose with set_cursor.
enum class cursor_shape : std::int32_t {
    arrow = 0,
    cross = 1,
    size_we = 2,
    size_ns = 3,
    size_nwse = 4,
    ibeam = 5,
    hand = 6,
    size_nwse_alt = 7, // the same cursor as size_nwse
    size_nesw = 8,
};

// Shows the system cursor of `shape` until the next WM_SETCURSOR that the
// window lets the system answer (the mouse outside the client area).
void set_cursor(cursor_shape shape);

} // namespace norvik::ui
