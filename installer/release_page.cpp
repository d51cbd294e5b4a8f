#include "installer/release_page.h"

#include <string>

#include "filesystem/select_folder.h"
#include "installer/installer_ui.h"
#include "installer/product.h"
#include "installer/wizard_layout.h"
#include "ui/core/events/event_registry.h"

namespace installer {

namespace {

using norvik::ui::event_kind;
using namespace wizard_layout;

constexpr std::int32_t first_row_y = 55;
constexpr std::int32_t row_height = 25;
constexpr std::int32_t header_height = 50;
constexpr std::int32_t custom_path_height = 50;
constexpr std::int32_t scroll_width = 15;

} // namespace

ReleasePage::ReleasePage(InstallerUI& frame) : frame_(frame) {}

void ReleasePage::build(const norvik::ui::rect& area) {
    place_page(panel, frame_.root, area, transparent);
    place_label(header, panel, {0, 0, area.width, 50}, transparent_white);
    header.style.alias_style("label_font_weight", "label_adobe_version_weight");
    header.set_text(std::string("Select which versions of Adobe After Effects you want to install ") + product_name +
                        " on:",
                    false);
    for (std::size_t i = 0; i < frame_.paths.size(); ++i) {
        boxes.emplace_back();
        boxes.back().automation.automation_id = "Release." + frame_.releases()[i].name;
    }
    place_rows();
    browse.automation.automation_id = "Browse";
    release_scroll.automation.automation_id = "ReleaseScroll";
    const std::size_t custom = frame_.releases().custom();
    if (frame_.selected[custom]) {
        custom_path.set_text(frame_.paths[custom].to_display_string(), false);
        browse.set_visible(true);
        custom_path.set_visible(true);
    }
}

void ReleasePage::place_rows() {
    const target_list& paths = frame_.paths;
    const std::size_t custom = frame_.releases().custom();
    // Releases the command line named that this machine does not have are
    // named in a line of their own above the rows.
    std::int32_t rows = frame_.missing().empty() ? 0 : 1;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        rows += !paths[i].empty() || i == custom ? 1 : 0;
    }
    const std::int32_t browse_y = row_height * rows + 60;
    // Up to five rows, Browse and the whole path label fit below the header.
    // More rows scroll beneath it instead of running off the page's bottom
    // edge, where Browse could not be reached.
    const bool fits = browse_y + custom_path_height <= panel.rect.height;
    norvik::ui::widget& parent = fits ? static_cast<norvik::ui::widget&>(panel) : place_list(browse_y);
    // Page coordinates less the offset of the scrolled list, if any.
    const std::int32_t top = fits ? 0 : header_height;
    const std::int32_t width = fits ? panel.rect.width : release_list.rect.width;

    std::int32_t y = first_row_y - top;
    if (!frame_.missing().empty()) {
        place_missing_note(parent, y, width);
        y += row_height;
    }
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (paths[i].empty() && i != custom) {
            continue;
        }
        norvik::ui::CheckBox& box = boxes[i];
        box.create(parent, {20, y, width - 30, row_height});
        box.style.set_style("default_back_color", transparent);
        box.layout(0, 5);
        box.set_text(frame_.releases()[i].name);
        box.bind(&frame_.selected[i]);
        norvik::ui::connect(&box, event_kind::toggled, this, &ReleasePage::on_custom_folder);
        reveal_on_focus(box);
        y += row_height;
    }
    browse.create(parent, {20, browse_y - top, 80, 15});
    browse.set_label("Browse");
    browse.set_visible(false);
    norvik::ui::connect(&browse, event_kind::mouse_up, this, &ReleasePage::on_custom_folder);
    reveal_on_focus(browse);

    place_label(custom_path, parent, {110, browse_y - top, width - 110, custom_path_height}, transparent_white);
    custom_path.style.alias_style("label_font_size", "label_path_font_size");
    custom_path.style.alias_style("label_text_valign", "label_path_text_valign");
    custom_path.set_visible(false);
    if (!fits) {
        release_scroll.set_target(&release_list);
    }
}

void ReleasePage::place_missing_note(norvik::ui::widget& parent, std::int32_t y, std::int32_t width) {
    place_label(missing_note, parent, {20, y, width - 30, row_height}, transparent_white);
    missing_note.style.alias_style("label_font_size", "label_path_font_size");
    missing_note.style.alias_style("label_text_valign", "label_path_text_valign");
    std::string names;
    for (const std::string& name : frame_.missing()) {
        names += (names.empty() ? "" : ", ") + name;
    }
    missing_note.set_text("Not installed on this computer: " + names, false);
}

norvik::ui::widget& ReleasePage::place_list(std::int32_t browse_y) {
    const std::int32_t width = panel.rect.width;
    const std::int32_t height = panel.rect.height - header_height;
    release_view.create(panel, {0, header_height, width, height});
    release_view.style.set_style("default_back_color", transparent);
    release_scroll.create(release_view, {width - scroll_width, 0, scroll_width, height});
    release_scroll.style.set_style("default_back_color", scroll_back);
    release_list.create(release_view, {0, 0, width - scroll_width, browse_y + custom_path_height - header_height});
    release_list.style.set_style("default_back_color", transparent);
    return release_list;
}

void ReleasePage::reveal_on_focus(norvik::ui::widget& w) {
    norvik::ui::connect(&w, event_kind::focus_gained,
                        norvik::ui::event_handler([this, &w](const norvik::ui::event_info&) { reveal(w); }));
}

void ReleasePage::reveal(const norvik::ui::widget& w) {
    if (!release_scroll.created) {
        return;
    }
    // The list's y is minus the scrolled distance.
    const std::int32_t shown_from = -release_list.rect.y;
    const std::int32_t shown_to = shown_from + release_view.rect.height;
    if (w.rect.y < shown_from) {
        release_scroll.scroll_to(w.rect.y, true);
    } else if (w.rect.y + w.rect.height > shown_to) {
        release_scroll.scroll_to(w.rect.y + w.rect.height - release_view.rect.height, true);
    }
}

bool ReleasePage::has_targets() const {
    const std::size_t custom = frame_.releases().custom();
    // Custom ticked without a folder would be dropped without a word.
    if (frame_.selected[custom] && frame_.paths[custom].empty()) {
        return false;
    }
    for (std::size_t i = 0; i < frame_.paths.size(); ++i) {
        if (frame_.selected[i] && !frame_.paths[i].empty()) {
            return true;
        }
    }
    return false;
}

void ReleasePage::on_custom_folder(const norvik::ui::event_info& info) {
    const std::size_t custom = frame_.releases().custom();
    if (info.sender == &browse) {
        choose_custom_folder();
    } else if (info.sender == &boxes[custom]) {
        browse.set_visible(frame_.selected[custom]);
        custom_path.set_visible(frame_.selected[custom]);
        // Where the rows scroll, what ticking Custom brings is shown too.
        if (frame_.selected[custom]) {
            reveal(custom_path);
        }
    }
    frame_.next.set_enabled(has_targets());
}

void ReleasePage::choose_custom_folder() {
    const std::size_t custom = frame_.releases().custom();
    norvik::filesystem::file_path chosen;
    try {
        chosen = norvik::filesystem::select_folder(&frame_, "Custom Folder", frame_.paths[custom]);
    } catch (...) {
        // A shell dialog that cannot be shown is no reason to end the
        // installer: it counts as a cancelled choice, the path stays.
        return;
    }
    if (chosen.empty()) {
        return;
    }
    frame_.paths[custom] = chosen;
    custom_path.set_text(chosen.to_display_string(), false);
}

} // namespace installer
