#pragma once

#include <cstdint>
#include <functional>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ui/core/events/event_info.h"
#include "ui/core/events/event_kind.h"

namespace norvik::ui {

class event_object;

using event_handler = std::function<void(const event_info&)>;

// The one process-wide table that maps a sender and an event kind to its
// handlers, in connection order. UI thread only: nothing here is locked.
//
// Most code uses the free functions below rather than the class.
class event_registry {
public:
    // Built on first use, destroyed at process exit. event_object's
    // constructor touches it, so it outlives every event object, including
    // ones with static storage duration.
    static event_registry& instance();

    std::int32_t connect(const event_object* sender, event_kind kind, event_handler handler);
    bool emit(event_object* sender, event_kind kind, std::uint64_t value) const;
    bool has_handlers(const event_object* sender, event_kind kind) const;
    void disconnect_all(const event_object* sender, event_kind kind);
    void forget_sender(const event_object* sender);

private:
    event_registry() = default;

    using handler_list = std::vector<event_handler>;
    using kind_table = std::unordered_map<std::int32_t, handler_list>;

    const handler_list* find_list(const event_object* sender, event_kind kind) const;

    std::unordered_map<const event_object*, kind_table> senders_;
    std::uint32_t connections_ = 0; // wraps instead of overflowing
};

// Appends `handler` to the sender's list for `kind` and returns the running
// connection number (the first connect of the process returns 1).
inline std::int32_t connect(const event_object* sender, event_kind kind, event_handler handler) {
    return event_registry::instance().connect(sender, kind, std::move(handler));
}

// Binds a member function of `target`. Two shapes are accepted:
//   void T::f(const event_info&)   the record is passed through;
//   void T::f()                    the record is ignored.
template <class T, class Member>
std::int32_t connect(const event_object* sender, event_kind kind, T* target, Member member) {
    if constexpr (std::is_invocable_v<Member, T*, const event_info&>) {
        return connect(sender, kind,
                       event_handler([target, member](const event_info& info) { std::invoke(member, target, info); }));
    } else {
        static_assert(std::is_invocable_v<Member, T*>, "handler must take const event_info& or nothing");
        return connect(sender, kind,
                       event_handler([target, member](const event_info&) { std::invoke(member, target); }));
    }
}

// Binds a member function void T::f(bool) to a fixed argument, so one member
// can serve a pair of events (mouse_enter with true, mouse_leave with false).
template <class T, class Member>
std::int32_t connect(const event_object* sender, event_kind kind, T* target, Member member, bool fixed) {
    static_assert(std::is_invocable_v<Member, T*, bool>, "handler must take a bool");
    return connect(sender, kind,
                   event_handler([target, member, fixed](const event_info&) { std::invoke(member, target, fixed); }));
}

// Calls every handler connected to (sender, kind), in connection order, on a
// snapshot of the list: handlers connected meanwhile run from the next emit
// on, handlers removed meanwhile still run in this one, and a handler may
// destroy the sender. Returns false (and calls nothing) when the sender has
// no list for the kind. An exception from a handler propagates; the
// handlers after it are not called.
inline bool emit(event_object* sender, event_kind kind, std::uint64_t value = 0) {
    return event_registry::instance().emit(sender, kind, value);
}

inline bool has_handlers(const event_object* sender, event_kind kind) {
    return event_registry::instance().has_handlers(sender, kind);
}

// Removes the sender's whole list for `kind`; nothing happens if it has none.
inline void disconnect_all(const event_object* sender, event_kind kind) {
    event_registry::instance().disconnect_all(sender, kind);
}

// Removes every list of the sender. Run by event_object's destructor.
inline void forget_sender(const event_object* sender) {
    event_registry::instance().forget_sender(sender);
}

} // namespace norvik::ui
