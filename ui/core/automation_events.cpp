#include "ui/core/automation_events.h"

#include <stdexcept>

#include "ui/core/automation_core.h"
#include "ui/core/automation_element.h"
#include "ui/core/text/text_conversion.h"
#include "ui/core/window.h"

namespace norvik::ui {

namespace {

using Microsoft::WRL::ComPtr;

// A VARIANT cleared when it goes.
struct variant_value {
    variant_value() { VariantInit(&v); }
    ~variant_value() { VariantClear(&v); }
    variant_value(const variant_value&) = delete;
    variant_value& operator=(const variant_value&) = delete;
    VARIANT v;
};

// A UTF-16 string for a client; empty for text that is not UTF-8.
std::wstring wide(std::string_view utf8) {
    try {
        return text::utf8_to_utf16(utf8);
    } catch (const std::range_error&) {
        return {};
    }
}

void set_text(variant_value& value, std::string_view utf8) {
    value.v.bstrVal = SysAllocString(wide(utf8).c_str());
    value.v.vt = value.v.bstrVal != nullptr ? VT_BSTR : VT_EMPTY;
}

bool in_tree(const widget& w) {
    return w.owner_window != nullptr && w.owner_window->native.hwnd != nullptr && w.is_visible();
}

// The element to raise an event for, or none when nobody listens or `w`
// is no element of a shown tree.
ComPtr<automation_element> listened_element(widget& w) {
    if (!automation_element::is_element(w) || !in_tree(w) || !automation_core::instance().listening()) {
        return {};
    }
    return automation_element::of(w);
}

const automation_core::entry_points& core() {
    return automation_core::instance().entries();
}

} // namespace

void automation_events::focus_changed(widget& w) {
    // A focus moving inside a window that does not have the keyboard focus
    // (a pop-up being set up) is nothing a user hears about yet.
    if (w.owner_window == nullptr || GetFocus() != w.owner_window->native.hwnd) {
        return;
    }
    if (const ComPtr<automation_element> element = listened_element(w)) {
        core().raise_automation_event(element.Get(), UIA_AutomationFocusChangedEventId);
    }
}

void automation_events::visibility_changed(widget& w) {
    if (w.owner_window == nullptr || w.owner_window->native.hwnd == nullptr ||
        !automation_core::instance().listening()) {
        return;
    }
    widget* parent = w.parent;
    while (parent != nullptr && !automation_element::is_element(*parent)) {
        parent = parent->parent;
    }
    if (parent == nullptr || !parent->is_visible()) {
        return;
    }
    const ComPtr<automation_element> element = automation_element::of(*parent);
    int runtime_id[2] = {UiaAppendRuntimeId, parent->automation.anchor_of(*parent)->runtime_id};
    core().raise_structure_changed(element.Get(), StructureChangeType_ChildrenInvalidated, runtime_id, 2);
}

void automation_events::toggle_changed(widget& w, bool on) {
    if (const ComPtr<automation_element> element = listened_element(w)) {
        variant_value before;
        variant_value after;
        before.v.vt = VT_I4;
        before.v.lVal = on ? ToggleState_Off : ToggleState_On;
        after.v.vt = VT_I4;
        after.v.lVal = on ? ToggleState_On : ToggleState_Off;
        core().raise_property_changed(element.Get(), UIA_ToggleToggleStatePropertyId, before.v, after.v);
    }
}

void automation_events::text_changed(widget& w, const std::string& before, const std::string& after) {
    if (before == after) {
        return;
    }
    // A widget named by its text joins the tree with its first character and
    // leaves it with its last (an element without a name is left out).
    if (w.automation.role != automation_role::none && before.empty() != after.empty() && in_tree(w)) {
        visibility_changed(w);
    }
    const ComPtr<automation_element> element = listened_element(w);
    if (!element) {
        return;
    }
    if (w.automation.live_setting != 0) {
        core().raise_automation_event(element.Get(), automation_core::live_region_changed_event);
        return;
    }
    variant_value old_name;
    variant_value new_name;
    set_text(old_name, before);
    set_text(new_name, after);
    core().raise_property_changed(element.Get(), UIA_NamePropertyId, old_name.v, new_name.v);
}

void automation_events::announce(widget& w, std::string_view text) {
    const ComPtr<automation_element> element = listened_element(w);
    if (!element || core().raise_notification == nullptr) {
        return;
    }
    variant_value spoken;
    variant_value activity;
    set_text(spoken, text);
    set_text(activity, w.automation.automation_id.empty() ? "announcement" : w.automation.automation_id);
    core().raise_notification(element.Get(), automation_core::notification_action_completed,
                              automation_core::notification_important_most_recent, spoken.v.bstrVal,
                              activity.v.bstrVal);
}

} // namespace norvik::ui
