#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ui/controls/check_box.h"
#include "ui/controls/generic_button.h"
#include "ui/core/events/event_info.h"
#include "ui/core/events/rect.h"
#include "ui/core/window.h"

namespace norvik::ui {

// Which buttons a message pop-up shows: 0 "OK"; 1 "OK" and "Cancel"; 2 "Yes"
// and "No". Any other value shows no button.
using MessageKind = int32_t;

// The toolkit's modal message box: a top-level window of its own, owned by an
// application window, showing a message of one or more lines (split at line
// breaks, never wrapped) above one or two buttons. show_modal returns 1 for
// the first button (OK, Yes) and 0 for the second (Cancel, No) or when the
// pop-up is closed with its close box.
//
//     MessagePopup p;
//     p.setup(this, "Exit Installer", "Do you want to leave?", 1);
//     if (p.show_modal() == 1) { ... }
//
// To a screen reader the pop-up is a dialog named by its title, with the
// message as its text and its buttons.
//
// The pop-up sizes itself to its message and centres itself on its owner. It
// also carries a "Do not show this again" check box that stays hidden: the
// room for it (check_row_height) is 0 and nothing reads it.
class MessagePopup : public window {
public:
    static constexpr MessageKind kind_ok = 0;
    static constexpr MessageKind kind_ok_cancel = 1;
    static constexpr MessageKind kind_yes_no = 2;

    MessagePopup() = default;
    ~MessagePopup() override = default;

    // Creates the hidden window titled `title`, owned by `owner` when it is
    // not null, with the buttons of `kind`, lays it out for `message` and
    // centres it; the first button has the focus, so Enter chooses it. The
    // message is copied. Invalid UTF-8 in either text throws std::range_error
    // "bad conversion". Meant to be called once.
    void setup(window* owner, std::string_view title, std::string_view message, MessageKind kind);

    // Declared first to last in the order they are created, so that they are
    // destroyed check box first, before the window itself.
    GenericButton first_button;  // OK or Yes
    GenericButton second_button; // Cancel or No; not created for kind 0
    CheckBox do_not_show_again;
    // Draws nothing (the pop-up paints its message itself) but stands for the
    // message to screen readers, over the message's rectangle.
    widget message_text;
    int32_t button_width = 100;
    int32_t button_height = 30;
    int32_t check_row_height = 0;
    int32_t margin = 20;
    int32_t gap = 10;
    // Where the message is drawn, in the pop-up's logical coordinates.
    ui::rect text_rect;
    std::string message;
    // Horizontal alignment of the message: 0 leading, 1 centre, 2 trailing;
    // any other value centres it.
    int32_t text_align = 0;
    MessageKind kind = kind_ok;

private:
    void place_buttons();
    void layout();
    void paint();
    void on_button_clicked(const event_info& info);
    // The pop-up's own font for measuring and drawing the message, set on
    // the renderer directly rather than through theme keys.
    void use_message_font();
};

} // namespace norvik::ui
