#include "ui/core/automation_properties.h"

namespace norvik::ui {

automation_properties::~automation_properties() {
    // Elements clients still hold now answer that their widget is gone.
    if (anchor_ != nullptr) {
        anchor_->target = nullptr;
    }
}

const std::shared_ptr<automation_properties::anchor>& automation_properties::anchor_of(widget& owner) {
    if (anchor_ == nullptr) {
        // UI thread only, like every widget: no lock.
        static std::int32_t last_runtime_id = 0;
        anchor_ = std::make_shared<anchor>(anchor{&owner, ++last_runtime_id});
    }
    return anchor_;
}

} // namespace norvik::ui
