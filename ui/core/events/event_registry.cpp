#include "ui/core/events/event_registry.h"

namespace norvik::ui {

event_registry& event_registry::instance() {
    static event_registry registry;
    return registry;
}

std::int32_t event_registry::connect(const event_object* sender, event_kind kind, event_handler handler) {
    kind_table& kinds = senders_[sender];
    const auto [list, created] = kinds.try_emplace(static_cast<std::int32_t>(kind));
    try {
        list->second.push_back(std::move(handler));
    } catch (...) {
        // Out of memory: do not leave an empty list behind, or has_handlers
        // would report a handler that was never connected.
        if (created) {
            kinds.erase(list);
        }
        throw;
    }
    ++connections_;
    return static_cast<std::int32_t>(connections_);
}

const event_registry::handler_list* event_registry::find_list(const event_object* sender, event_kind kind) const {
    const auto entry = senders_.find(sender);
    if (entry == senders_.end()) {
        return nullptr;
    }
    const auto list = entry->second.find(static_cast<std::int32_t>(kind));
    return list == entry->second.end() ? nullptr : &list->second;
}

bool event_registry::emit(event_object* sender, event_kind kind, std::uint64_t value) const {
    const handler_list* list = find_list(sender, kind);
    if (list == nullptr) {
        return false;
    }
    const event_info info{sender, kind, value};
    // Handlers may connect, disconnect or destroy the sender (and with it
    // this very list), so the calls run on a copy.
    const handler_list snapshot = *list;
    for (const event_handler& handler : snapshot) {
        handler(info);
    }
    return true;
}

bool event_registry::has_handlers(const event_object* sender, event_kind kind) const {
    return find_list(sender, kind) != nullptr;
}

void event_registry::disconnect_all(const event_object* sender, event_kind kind) {
    const auto entry = senders_.find(sender);
    if (entry != senders_.end()) {
        entry->second.erase(static_cast<std::int32_t>(kind));
    }
}

void event_registry::forget_sender(const event_object* sender) {
    senders_.erase(sender);
}

} // namespace norvik::ui
