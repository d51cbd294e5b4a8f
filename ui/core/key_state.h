#pragma once

#include <cstdint>

namespace norvik::ui {

// Modifier queries answered from the keyboard state of the current message.
enum class key_state_code : std::int32_t {
    control = 0, // either Control down and right Alt (AltGr) up
    left_control = 1,
    right_control = 2,
    shift = 3, // either Shift
    left_shift = 4,
    right_shift = 5,
    alt = 6, // either Alt
    left_alt = 7,
    right_alt = 8,
    space = 9,
};

bool key_state(key_state_code code);

} // namespace norvik::ui
