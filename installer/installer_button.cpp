#include "installer/installer_button.h"

#include <utility>

#include <windows.h>

#include "render/renderer.h"
#include "ui/controls/focus_outline.h"
#include "ui/core/automation_events.h"
#include "ui/core/events/event_registry.h"
#include "ui/core/window.h"

namespace installer {

namespace {

using norvik::ui::Color;

constexpr Color outline_normal{0.4f, 0.4f, 0.4f, 1.0f};
constexpr Color outline_hover{0.6f, 0.6f, 0.6f, 1.0f};
constexpr Color face_usable{0.212f, 0.212f, 0.212f, 1.0f};
constexpr Color face_disabled{0.157f, 0.157f, 0.157f, 1.0f};
constexpr Color text_usable{0.831f, 0.831f, 0.831f, 1.0f};
constexpr Color text_disabled{0.831f, 0.831f, 0.831f, 0.5f};

bool activates(const norvik::ui::event_info& info) {
    return info.key() == VK_RETURN || info.key() == VK_SPACE;
}

} // namespace

InstallerButton::InstallerButton() {
    using norvik::ui::event_kind;
    focusable = true;
    norvik::ui::connect(this, event_kind::paint, this, &InstallerButton::paint);
    norvik::ui::connect(this, event_kind::mouse_enter, this, &InstallerButton::set_hovered, true);
    norvik::ui::connect(this, event_kind::mouse_leave, this, &InstallerButton::set_hovered, false);
    norvik::ui::connect(this, event_kind::focus_gained, this, &InstallerButton::on_focus_changed);
    norvik::ui::connect(this, event_kind::focus_lost, this, &InstallerButton::on_focus_changed);
    norvik::ui::connect(this, event_kind::key_down, this, &InstallerButton::on_key_down);
    norvik::ui::connect(this, event_kind::key_up, this, &InstallerButton::on_key_up);
    automation.role = norvik::ui::automation_role::button;
    automation.name = [this] { return label_; };
    automation.invoke = [this] { click(); };
}

void InstallerButton::set_label(std::string_view text) {
    const std::string before = std::exchange(label_, std::string(text));
    invalidate();
    norvik::ui::automation_events::text_changed(*this, before, label_);
}

void InstallerButton::click() {
    norvik::ui::emit(this, norvik::ui::event_kind::mouse_up, 0);
}

void InstallerButton::on_focus_changed() {
    key_pressed_ = false;
    invalidate();
}

// The click comes on the key's release, and only for a press the button saw
// itself: the wizard acts on Enter as it goes down when no button has the
// focus, and may move the focus onto a button before the release arrives.
void InstallerButton::on_key_down(const norvik::ui::event_info& info) {
    // A repeat is no press: Enter held while the focus lands here (the page
    // changed under it) must not click this button on its release.
    if (activates(info) && !info.repeated()) {
        key_pressed_ = true;
    }
}

void InstallerButton::on_key_up(const norvik::ui::event_info& info) {
    if (activates(info) && std::exchange(key_pressed_, false)) {
        click();
    }
}

void InstallerButton::set_hovered(bool hovered) {
    outline_ = hovered ? outline_hover : outline_normal;
    invalidate();
}

void InstallerButton::paint() {
    norvik::ui::Renderer& renderer = *owner_window->renderer;
    const bool usable = is_usable();
    if (!usable) {
        // A button disabled while the pointer was over it gets no
        // mouse_leave; it must not keep the hover outline.
        outline_ = outline_normal;
    }
    renderer.set_fill_color(usable ? face_usable : face_disabled);
    renderer.set_text_color(usable ? text_usable : text_disabled);
    const norvik::ui::rect face{0, 0, rect.width, rect.height};
    renderer.fill_rect(face);
    renderer.dotted = false;
    renderer.set_line(outline_, 1.0f);
    renderer.draw_rect(face);
    // Once the keyboard is in use, the toolkit's focus outline covers the
    // grey one: #666666 to #999999 on the footer's #464646 is a change few
    // can see.
    norvik::ui::focus_outline::draw(*this, face);
    renderer.set_font("Tahoma", 11.0f, 0, 0);
    renderer.set_format_alignment(DWRITE_TEXT_ALIGNMENT_CENTER, DWRITE_PARAGRAPH_ALIGNMENT_CENTER);
    if (!label_.empty()) {
        renderer.draw_text(face, label_);
    }
}

} // namespace installer
