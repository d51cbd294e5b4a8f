#pragma once

namespace norvik::ui {

// Base for objects whose address is their identity (event senders are keyed
// by address in the event registry), so they may be neither copied nor moved.
class non_copyable_non_moveable {
public:
    non_copyable_non_moveable(const non_copyable_non_moveable&) = delete;
    non_copyable_non_moveable& operator=(const non_copyable_non_moveable&) = delete;
    non_copyable_non_moveable(non_copyable_non_moveable&&) = delete;
    non_copyable_non_moveable& operator=(non_copyable_non_moveable&&) = delete;

protected:
    non_copyable_non_moveable() = default;
    ~non_copyable_non_moveable() = default;
};

} // namespace norvik::ui
