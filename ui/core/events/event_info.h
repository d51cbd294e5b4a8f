#pragma once

#include <bit>
#include <cstdint>

#include "ui/core/events/event_kind.h"

namespace norvik::ui {

class event_object;

// The record every handler receives. It lives on the stack of emit for the
// duration of the calls; if a handler destroys the sender, `sender` still
// holds the old address and must not be dereferenced afterwards.
struct event_info {
    static constexpr std::uint64_t key_repeat_flag = std::uint64_t{1} << 32;

    event_object* sender = nullptr;
    event_kind kind{};
    std::uint64_t value = 0; // meaning depends on kind, see event_kind.h

    // Payload packing shared by the code that raises events and the handlers.
    static constexpr std::uint64_t pack_pair(std::int32_t low, std::int32_t high) {
        return static_cast<std::uint64_t>(static_cast<std::uint32_t>(low)) |
               (static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32);
    }
    static constexpr std::uint64_t pack_double(double d) { return std::bit_cast<std::uint64_t>(d); }
    static std::uint64_t pack_pointer(const void* p) {
        return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(p));
    }
    // key_down: the virtual-key code, and whether the system repeats a key
    // held down (its autorepeat) rather than a key going down.
    static constexpr std::uint64_t pack_key(std::uint32_t virtual_key, bool repeat) {
        return virtual_key | (repeat ? key_repeat_flag : 0);
    }

    constexpr std::int32_t low() const { return static_cast<std::int32_t>(static_cast<std::uint32_t>(value)); }
    constexpr std::int32_t high() const { return static_cast<std::int32_t>(static_cast<std::uint32_t>(value >> 32)); }
    constexpr double as_double() const { return std::bit_cast<double>(value); }
    // The virtual-key code of key_down and key_up.
    constexpr std::uint32_t key() const { return static_cast<std::uint32_t>(value); }
    // Whether a key_down repeats a key held down. Commands act on the first
    // press only: holding Enter must not press one button after another.
    constexpr bool repeated() const { return (value & key_repeat_flag) != 0; }
    template <class T>
    T* as_pointer() const {
        return reinterpret_cast<T*>(static_cast<std::uintptr_t>(value));
    }
};

} // namespace norvik::ui
