#pragma once

// Drives toolkit windows in the widget and window tests through the real
// message path: the pointer is moved with SetCursorPos (Wine then queues the
// WM_MOUSEMOVE itself), buttons, keys and wheel notches are posted or sent
// as input, and every message is dispatched to the window procedure.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <windows.h>

#include "tests/message_pump.h"
#include "tests/x11_capture.h"
#include "ui/core/events/event_info.h"
#include "ui/core/events/event_registry.h"
#include "ui/core/widget.h"
#include "ui/core/window.h"

namespace norvik::test {

// A widget's top-left corner in its window's logical coordinates.
inline ui::point window_origin(const ui::widget& w) {
    ui::point p{w.rect.x, w.rect.y};
    for (const ui::widget* a = w.parent; a != nullptr; a = a->parent) {
        p.x += a->rect.x;
        p.y += a->rect.y;
    }
    return p;
}

// The centre of a widget, in window coordinates.
inline ui::point centre(const ui::widget& w) {
    const ui::point origin = window_origin(w);
    return {origin.x + w.rect.width / 2, origin.y + w.rect.height / 2};
}

// The toolkit window of type T behind a system window, or null.
template <class T>
T* toolkit_window(HWND hwnd) {
    auto* native =
        hwnd != nullptr ? reinterpret_cast<ui::native_window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)) : nullptr;
    return native != nullptr ? dynamic_cast<T*>(native->window) : nullptr;
}

// The screen pixel of a point given in the window's logical units.
inline POINT screen_point(const ui::window& w, ui::point logical) {
    POINT p{MulDiv(logical.x, w.native.dpi_x, 96), MulDiv(logical.y, w.native.dpi_y, 96)};
    ClientToScreen(w.native.hwnd, &p);
    return p;
}

// Shows the window without running its modal loop, brings it to the front
// and waits until it has the keyboard focus and the window manager has
// finished placing it (it may move a window after mapping it).
inline bool show_and_activate(ui::window& w) {
    ShowWindow(w.native.hwnd, SW_SHOW);
    UpdateWindow(w.native.hwnd);
    SetForegroundWindow(w.native.hwnd);
    SetFocus(w.native.hwnd);
    RECT placed{};
    return pump_until([&] {
        RECT now{};
        GetWindowRect(w.native.hwnd, &now);
        const bool still = EqualRect(&now, &placed) != FALSE;
        placed = now;
        const POINT centre{(now.left + now.right) / 2, (now.top + now.bottom) / 2};
        pump(50);
        return still && GetFocus() == w.native.hwnd && WindowFromPoint(centre) == w.native.hwnd;
    });
}

// Moves the pointer to a logical point of the window and dispatches the
// WM_MOUSEMOVE that the system generates for it. The point must differ from
// the previous one, or no move is generated.
inline void move_pointer(ui::window& w, ui::point logical) {
    const POINT p = screen_point(w, logical);
    SetCursorPos(p.x, p.y);
    pump_for_message(w.native.hwnd, WM_MOUSEMOVE);
}

// Posts a message to the window and dispatches it (and what it causes).
inline void post(const ui::window& w, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
    PostMessageW(w.native.hwnd, message, wparam, lparam);
    pump(0);
}

// A left click at a logical point: the pointer goes there, then the button
// messages are posted (route_event reads the pointer, not lParam).
inline void click(ui::window& w, ui::point logical) {
    move_pointer(w, logical);
    post(w, WM_LBUTTONDOWN, MK_LBUTTON);
    post(w, WM_LBUTTONUP);
}

// Sends keys (down or up) as real keyboard input to the focused window, and
// returns once they have been dispatched (see send_keys_and_pump).
inline void send_keys(const std::vector<std::pair<WORD, bool>>& keys) {
    std::vector<INPUT> inputs;
    for (const auto& [vk, down] : keys) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
        // Wine 8 tells the right Shift key from the left one by the extended
        // flag only (a keyboard sends it without), so it gets the flag too.
        const bool extended = vk == VK_RCONTROL || vk == VK_RMENU || vk == VK_RSHIFT;
        in.ki.dwFlags = (down ? 0 : KEYEVENTF_KEYUP) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
        inputs.push_back(in);
    }
    send_keys_and_pump(inputs);
}

// One key pressed and released.
inline void press_key(WORD vk) {
    send_keys({{vk, true}, {vk, false}});
}

// Repaints the whole window and grabs its client area from the screen until
// `ready` holds for the grab or `limit_ms` has passed: under Wine a present
// that races the window manager mapping or moving the window can be lost, so
// a frame that has not shown up is painted again. A grab takes up to a second
// here, so a test that expects a picture soon passes a short limit and a
// wrong picture fails quickly. The last grab is returned either way.
inline x11_capture settled_capture(ui::window& w, const std::function<bool(const x11_capture&)>& ready,
                                   DWORD limit_ms = 30000) {
    const ULONGLONG give_up = GetTickCount64() + limit_ms;
    for (int attempt = 0;; ++attempt) {
        if (attempt % 5 == 0) {
            InvalidateRect(w.native.hwnd, nullptr, FALSE);
            UpdateWindow(w.native.hwnd);
        }
        x11_capture shot(w.native.hwnd);
        if (ready(shot) || GetTickCount64() > give_up) {
            return shot;
        }
        pump(10);
    }
}

// Records the events raised on a set of objects as "name:kind:value" lines,
// in the order they were raised.
class event_log {
public:
    void watch(ui::event_object& sender, const std::string& name, std::initializer_list<ui::event_kind> kinds) {
        for (ui::event_kind kind : kinds) {
            ui::connect(&sender, kind, ui::event_handler([this, name](const ui::event_info& info) {
                lines.push_back(name + ":" + kind_name(info.kind) + ":" + value_text(info));
            }));
        }
    }

    // The lines recorded since the last take, which clears them.
    std::vector<std::string> take() {
        std::vector<std::string> taken;
        taken.swap(lines);
        return taken;
    }

    std::vector<std::string> lines;

private:
    static std::string kind_name(ui::event_kind kind) {
        switch (kind) {
        case ui::event_kind::mouse_up:
            return "mouse_up";
        case ui::event_kind::mouse_down:
            return "mouse_down";
        case ui::event_kind::mouse_double_click:
            return "mouse_double_click";
        case ui::event_kind::mouse_wheel:
            return "mouse_wheel";
        case ui::event_kind::mouse_enter:
            return "mouse_enter";
        case ui::event_kind::mouse_leave:
            return "mouse_leave";
        case ui::event_kind::mouse_move:
            return "mouse_move";
        case ui::event_kind::key_down:
            return "key_down";
        case ui::event_kind::key_up:
            return "key_up";
        case ui::event_kind::char_input:
            return "char_input";
        case ui::event_kind::paint:
            return "paint";
        case ui::event_kind::resized:
            return "resized";
        case ui::event_kind::moved:
            return "moved";
        case ui::event_kind::timer:
            return "timer";
        case ui::event_kind::attached:
            return "attached";
        case ui::event_kind::parent_resized:
            return "parent_resized";
        case ui::event_kind::parent_moved:
            return "parent_moved";
        case ui::event_kind::child_added:
            return "child_added";
        case ui::event_kind::child_removed:
            return "child_removed";
        case ui::event_kind::focus_gained:
            return "focus_gained";
        case ui::event_kind::focus_lost:
            return "focus_lost";
        case ui::event_kind::shown:
            return "shown";
        case ui::event_kind::hidden:
            return "hidden";
        default:
            return std::to_string(static_cast<int>(kind));
        }
    }

    static std::string value_text(const ui::event_info& info) {
        switch (info.kind) {
        case ui::event_kind::mouse_wheel:
            return std::to_string(info.as_double());
        case ui::event_kind::resized:
        case ui::event_kind::moved:
        case ui::event_kind::parent_resized:
        case ui::event_kind::parent_moved:
            return std::to_string(info.low()) + "," + std::to_string(info.high());
        case ui::event_kind::child_added:
        case ui::event_kind::child_removed:
            return "ptr";
        default:
            return std::to_string(info.value);
        }
    }
};

} // namespace norvik::test
