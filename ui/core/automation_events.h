#pragma once

#include <string>
#include <string_view>

namespace norvik::ui {

class widget;

// The UI Automation events the toolkit raises as its widgets change, so
// that a screen reader follows the focus, hears a toggled state, a new
// caption, a live region's text and announcements. Each does nothing unless
// a client has asked for a tree and UI Automation reports clients listening.
// UI thread only.
class automation_events {
public:
    // `w` took the keyboard focus.
    static void focus_changed(widget& w);
    // `w` was shown or hidden: the children of the element above it changed.
    static void visibility_changed(widget& w);
    // A toggle (a check box) changed its state to `on`.
    static void toggle_changed(widget& w, bool on);
    // The text that names `w` changed from `before` to `after`; for a live
    // region the change itself is raised for the screen reader to read out.
    static void text_changed(widget& w, const std::string& before, const std::string& after);
    // Asks screen readers to speak `text` as the outcome of an action
    // (Windows 10 1709 and later; elsewhere nothing happens).
    static void announce(widget& w, std::string_view text);
};

} // namespace norvik::ui
