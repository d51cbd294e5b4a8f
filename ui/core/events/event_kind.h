#pragma once

#include <cstdint>

namespace norvik::ui {

// The fixed list of events a UI object can raise. The codes are part of the
// toolkit's contract (the payload of each is described next to it); 15, 17
// and 28 are deliberately left unassigned.
enum class event_kind : std::int32_t {
    mouse_up = 1,           // mouse button: 0 left, 1 middle, 2 right
    mouse_down = 2,         // mouse button
    mouse_double_click = 3, // mouse button
    mouse_wheel = 4,        // bit pattern of a double: wheel delta * 0.5
    mouse_enter = 5,
    mouse_leave = 6,
    mouse_move = 7,
    key_down = 8,    // virtual-key code, key_repeat_flag for a repeat (event_info::pack_key)
    key_up = 9,      // virtual-key code
    char_input = 10, // UTF-16 code unit
    paint = 11,
    resized = 12, // previous size: width low 32 bits, height high
    moved = 13,   // previous position: x low, y high
    timer = 14,   // the timer's user identifier
    attached = 16,
    parent_resized = 18, // parent's previous size, packed as for resized
    parent_moved = 19,   // parent's previous position, packed as for moved
    child_added = 20,    // pointer to the child widget
    child_removed = 21,  // pointer to the child widget
    focus_gained = 22,   // reason: 0 mouse or system, 1 Tab navigation
    focus_lost = 23,     // reason, as for focus_gained
    shown = 24,
    hidden = 25,
    toggled = 26,
    clicked = 27,         // the button's toggle state, 0 or 1
    files_dropped = 29,   // pointer to a list of UTF-16 paths, valid during the call
    ime_composition = 30, // 0 started, 1 changed, 2 result ready
    style_changed = 31,   // address of the first character of the changed key
};

} // namespace norvik::ui
