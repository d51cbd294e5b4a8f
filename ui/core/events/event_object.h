#pragma once

#include "ui/core/events/non_copyable_non_moveable.h"

namespace norvik::ui {

// Base of everything that can raise events (windows, widgets, controls).
// Handlers are kept in the process-wide event registry under the object's
// address; the destructor removes them, so an object created later at the
// same address starts with none.
class event_object : public non_copyable_non_moveable {
public:
    event_object();
    virtual ~event_object();
};

} // namespace norvik::ui
