#include "ui/core/key_state.h"

#include <windows.h>

namespace norvik::ui {

namespace {

bool down(int virtual_key) {
    return (GetKeyState(virtual_key) & 0x8000) != 0;
}

} // namespace

bool key_state(key_state_code code) {
    switch (code) {
    case key_state_code::control:
        return (down(VK_LCONTROL) || down(VK_RCONTROL)) && !down(VK_RMENU);
    case key_state_code::left_control:
        return down(VK_LCONTROL);
    case key_state_code::right_control:
        return down(VK_RCONTROL);
    case key_state_code::shift:
        return down(VK_LSHIFT) || down(VK_RSHIFT);
    case key_state_code::left_shift:
        return down(VK_LSHIFT);
    case key_state_code::right_shift:
        return down(VK_RSHIFT);
    case key_state_code::alt:
        return down(VK_LMENU) || down(VK_RMENU);
    case key_state_code::left_alt:
        return down(VK_LMENU);
    case key_state_code::right_alt:
        return down(VK_RMENU);
    case key_state_code::space:
        return down(VK_SPACE);
    }
    return false;
}

} // namespace norvik::ui
