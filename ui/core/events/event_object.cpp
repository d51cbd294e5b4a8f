#include "ui/core/events/event_object.h"

#include "ui/core/events/event_registry.h"

namespace norvik::ui {

// Making sure the registry exists before any event object finishes
// construction means it is destroyed after all of them, even after event
// objects with static storage duration, whose destructors still forget.
event_object::event_object() {
    event_registry::instance();
}

event_object::~event_object() {
    forget_sender(this);
}

} // namespace norvik::ui
