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

    constexpr std::int32_t low() const { return static_cast<std::int32_t>(static_cast<std::uint32_t>(value)); }
    constexpr std::int32_t high() const { return static_cast<std::int32_t>(static_cast<std::uint32_t>(value >> 32)); }
    constexpr double as_double() const { return std::bit_cast<double>(value); }
    template <class T>
    T* as_pointer() const {
        return reinterpret_cast<T*>(static_cast<std::uintptr_t>(value));
    }
};

} // namespace norvik::ui
