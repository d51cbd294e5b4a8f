#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace norvik::ui {

class widget;

// What kind of element a widget is to a screen reader. The values are UI
// Automation's control type ids.
enum class automation_role : std::int32_t {
    // No element of its own (a panel): its visible children stand in its
    // place under its parent's element.
    none = 0,
    button = 50000,
    check_box = 50002,
    scroll_bar = 50014,
    text = 50020,
    window = 50032,
};

// How a widget presents itself to screen readers through UI Automation.
// Each control fills this in its constructor (its role, its name and what it
// can do); an application only adds automation ids and live settings. Read
// and called on the UI thread only.
class automation_properties {
public:
    // What the automation elements of a widget hold instead of the widget: a
    // client may keep an element for as long as it likes, and the widget
    // clears `target` when it goes, so the element can tell.
    struct anchor {
        widget* target = nullptr;
        // Unique per widget in the process, never reused.
        std::int32_t runtime_id = 0;
    };

    // Value, limits and steps of a control set within a range (the
    // RangeValue pattern), in the control's own units.
    struct range {
        std::function<double()> value;
        std::function<double()> maximum;
        std::function<double()> small_change;
        std::function<double()> large_change;
        // Given a value between 0 and maximum.
        std::function<void(double)> set_value;
    };

    automation_properties() = default;
    ~automation_properties();
    automation_properties(const automation_properties&) = delete;
    automation_properties& operator=(const automation_properties&) = delete;

    // The widget's anchor, made on first use.
    const std::shared_ptr<anchor>& anchor_of(widget& owner);

    automation_role role = automation_role::none;
    // A stable name for scripts and tests, independent of the language.
    std::string automation_id;
    // The element's name (UTF-8): a label's text, a button's caption.
    std::function<std::string()> name;
    // 0 off, 1 polite, 2 assertive: how a screen reader announces changes of
    // the element's text.
    std::int32_t live_setting = 0;
    // A pop-up's window is a dialog.
    bool dialog = false;
    // Patterns: each is offered when its functions are set. Invoke runs after
    // the client's call has returned (a button may open a modal pop-up);
    // toggle and set_value run at once.
    std::function<void()> invoke;
    std::function<bool()> toggle_state;
    std::function<void()> toggle;
    range range_value;

private:
    std::shared_ptr<anchor> anchor_;
};

} // namespace norvik::ui
