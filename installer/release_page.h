#pragma once
// The wizard's page of releases: a check box per detected release, then the
// custom folder's row with its Browse button and path. The boxes are bound
// to the frame's selection flags; ticking Custom shows Browse and the path,
// and Next is usable only while something would be written. When the rows
// do not fit the page they scroll in a list beneath the header.

#include <cstdint>
#include <deque>

#include "installer/installer_button.h"
#include "ui/controls/check_box.h"
#include "ui/controls/generic_panel.h"
#include "ui/controls/scroll_bar.h"
#include "ui/controls/text_label.h"
#include "ui/core/events/event_info.h"
#include "ui/core/events/rect.h"

namespace installer {

class InstallerUI;

class ReleasePage {
public:
    explicit ReleasePage(InstallerUI& frame);
    ReleasePage(const ReleasePage&) = delete;
    ReleasePage& operator=(const ReleasePage&) = delete;

    // Places the page, hidden, over `area`, with a row for every release the
    // frame found and the frame's ticks and custom folder.
    void build(const norvik::ui::rect& area);
    // Whether Next leads to an install that writes something.
    [[nodiscard]] bool has_targets() const;

    // Browse (mouse_up) and the check boxes (toggled): only Browse and the
    // Custom box act; Next follows has_targets.
    void on_custom_folder(const norvik::ui::event_info& info);

    norvik::ui::GenericPanel panel;
    norvik::ui::TextLabel header;
    // The line naming the releases /releases= asked for that this machine
    // does not have; made only when there are any.
    norvik::ui::TextLabel missing_note;
    // Made only when the rows do not fit: the rows, Browse and the path label
    // then scroll in release_list, inside release_view.
    norvik::ui::GenericPanel release_view;
    norvik::ui::ScrollBar release_scroll;
    norvik::ui::GenericPanel release_list;
    // One per entry of the frame's release catalogue, placed only for the
    // releases found and Custom.
    std::deque<norvik::ui::CheckBox> boxes;
    InstallerButton browse;
    norvik::ui::TextLabel custom_path;

private:
    void place_rows();
    // The scrolled list for rows that do not fit; returns the list.
    norvik::ui::widget& place_list(std::int32_t browse_y);
    void place_missing_note(norvik::ui::widget& parent, std::int32_t y, std::int32_t width);
    // Scrolls the list so that `w`, taking the focus, is in view.
    void reveal_on_focus(norvik::ui::widget& w);
    void reveal(const norvik::ui::widget& w);
    void choose_custom_folder();

    InstallerUI& frame_;
};

} // namespace installer
