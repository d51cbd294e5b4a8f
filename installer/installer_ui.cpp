#include "installer/installer_ui.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <optional>
#include <string_view>

#include "filesystem/file_path.h"
#include "filesystem/select_folder.h"
#include "installer/install_lock.h"
#include "installer/install_log.h"
#include "installer/install_plan.h"
#include "installer/installer_styles.h"
#include "installer/product.h"
#include "render/renderer.h"
#include "resources/embedded_images.h"
#include "ui/controls/message_popup.h"
#include "ui/core/automation_events.h"
#include "ui/core/events/event_registry.h"

namespace installer {

namespace {

using norvik::ui::Color;
using norvik::ui::event_info;
using norvik::ui::event_kind;
using norvik::ui::rect;

constexpr Color transparent{0.0f, 0.0f, 0.0f, 0.0f};
constexpr Color transparent_white{1.0f, 1.0f, 1.0f, 0.0f};
constexpr Color window_back{0.176f, 0.176f, 0.176f, 1.0f};
constexpr Color footer_back{0.275f, 0.275f, 0.275f, 1.0f};
constexpr Color footer_line{0.392f, 0.392f, 0.392f, 1.0f};
constexpr Color summary_back{0.118f, 0.118f, 0.118f, 1.0f};
constexpr Color scroll_back{0.208f, 0.208f, 0.208f, 1.0f};

constexpr std::int32_t first_row_y = 55;
constexpr std::int32_t row_height = 25;
constexpr std::int32_t header_height = 50;
constexpr std::int32_t custom_path_height = 50;
constexpr std::int32_t scroll_width = 15;
constexpr std::int32_t progress_timer_id = 1;
constexpr unsigned progress_interval_ms = 200;
// A passive run shows its outcome this long before it closes itself.
constexpr std::int32_t close_timer_id = 2;
constexpr unsigned close_delay_ms = 3000;

// The dot animation of the progress lines: 0, 1, 2, 3, 0, ... full stops,
// advanced once per tick.
std::uint32_t tick_counter = 0;

std::string str(std::string_view a) {
    return std::string(a);
}

// The program's own icon (resource 1) on the title bar and in the task
// switcher, each at the size the system uses there. The window class stays
// without one; a shared icon is freed by the system, not by us.
void use_program_icon(HWND window) {
    constexpr WORD icon_id = 1;
    const struct {
        WPARAM which;
        int width_metric;
        int height_metric;
    } sizes[] = {{ICON_BIG, SM_CXICON, SM_CYICON}, {ICON_SMALL, SM_CXSMICON, SM_CYSMICON}};
    for (const auto& size : sizes) {
        HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(icon_id), IMAGE_ICON,
                                 GetSystemMetrics(size.width_metric), GetSystemMetrics(size.height_metric), LR_SHARED);
        if (icon != nullptr) {
            SendMessageW(window, WM_SETICON, size.which, reinterpret_cast<LPARAM>(icon));
        }
    }
}

std::string display_name(std::size_t index) {
    return host_release_table[index].display_name;
}

std::string version_text() {
    char text[40];
    std::snprintf(text, sizeof text, "%d.%d.%d", version_major, version_minor, version_patch);
    return text;
}

std::string welcome_text() {
    return str("This will install ") + product_name + " " + version_text() +
           " plugin on your computer.\n\nIt is recommended that you close all other applications before "
           "continuing.\n\nClick Next to continue, or Cancel to exit the installer.";
}

// What one poll of the job found: the text of the status lines and the last
// release that failed (release_count when none did).
struct progress_report {
    std::string text;
    std::size_t failure = release_count;
    std::int32_t failure_code = 0;
};

} // namespace

InstallerUI::InstallerUI() : InstallerUI(wizard_options{}) {}

InstallerUI::InstallerUI(wizard_options options) : options_(std::move(options)) {
    create("Quendal for After Effects Installer", {600, 200, 500, 360});
    use_program_icon(native.hwnd);
    apply_installer_styles();
    root.style.set_style("default_back_color", window_back);
    norvik::ui::connect(&root, event_kind::paint, this, &InstallerUI::paint_background);
    load_logo();
    build_title();
    build_welcome_page();
    build_release_page();
    build_summary_page();
    build_progress_page();
    build_footer();
    set_automation_ids();
    norvik::ui::connect(this, event_kind::key_down, this, &InstallerUI::on_key);
    set_page(options_.passive ? 3 : 0);
}

void InstallerUI::load_logo() {
    // A logo that fails to decode leaves E at 0: the pages then start 10 from
    // the left edge and nothing is drawn in its place. Whatever the imaging
    // code throws counts (its COM checks throw errors that are no standard
    // exceptions).
    try {
        logo.load(norvik::resources::side_picture_png, norvik::resources::side_picture_png_size, 1.0f);
    } catch (...) {
    }
}

InstallerUI::page_geometry InstallerUI::geometry() const {
    const std::int32_t e = logo.loaded() ? logo.width() : 0;
    return {e, root.rect.width - e - 20, root.rect.height - 110};
}

void InstallerUI::place_page(norvik::ui::GenericPanel& panel, const Color& colour) {
    const page_geometry g = geometry();
    panel.create(root, {g.logo_width + 10, 50, g.width, g.height});
    panel.style.set_style("default_back_color", colour);
    panel.set_visible(false);
}

void InstallerUI::build_title() {
    const page_geometry g = geometry();
    place_label(title, root, {g.logo_width + 10, 0, g.width, 50}, transparent);
    title.style.alias_style("label_font_size", "title_font_size");
    title.style.alias_style("label_font_weight", "title_font_weight");
    title.set_text("Quendal for After Effects Installer", false);
}

void InstallerUI::build_welcome_page() {
    place_page(pages[0], transparent);
    place_label(welcome, pages[0], {10, 20, geometry().width, 200}, transparent);
    welcome.style.alias_style("label_text_valign", "label_intro_text_valign");
    welcome.set_text(welcome_text(), false);
}

void InstallerUI::build_release_page() {
    place_page(pages[1], transparent);
    place_label(selection_header, pages[1], {0, 0, geometry().width, 50}, transparent_white);
    selection_header.style.alias_style("label_font_weight", "label_adobe_version_weight");
    selection_header.set_text(
        str("Select which versions of Adobe After Effects you want to install ") + product_name + " on:", false);

    // Every detected release gets a row; the command line may preset which
    // are ticked, and the custom folder.
    paths = detect_host_releases();
    const install_plan preset(options_.releases, options_.dir, paths);
    paths[custom_release] = options_.dir;
    for (std::size_t i = 0; i < release_count; ++i) {
        selected[i] = !preset.targets[i].empty();
    }
    place_release_rows();
    if (selected[custom_release]) {
        custom_path.set_text(paths[custom_release].to_display_string(), false);
        browse.set_visible(true);
        custom_path.set_visible(true);
    }
}

void InstallerUI::build_summary_page() {
    const page_geometry g = geometry();
    place_page(pages[2], {0.0f, 0.0f, 1.0f, 0.0f});
    place_label(summary_header, pages[2], {0, 15, g.width, 40}, transparent_white);
    summary_header.style.alias_style("label_text_valign", "label_intro_text_valign");
    summary_header.set_text("Click Next to continue with the installation, or click Back if you want to review or "
                            "change any settings.\n",
                            false);
    summary_panel.create(pages[2], {0, 60, g.width, g.height - 60});
    summary_panel.style.set_style("default_back_color", summary_back);
    summary_scroll.create(summary_panel, {g.width - 15, 0, 15, g.height - 60});
    summary_scroll.style.set_style("default_back_color", scroll_back);
    place_label(summary_text, summary_panel, {10, 10, g.width - 35, 800}, summary_back);
    summary_text.style.alias_style("label_font_size", "label_path_font_size");
    summary_text.style.alias_style("label_text_valign", "label_path_text_valign");
    summary_scroll.set_target(&summary_text);
}

void InstallerUI::build_progress_page() {
    const page_geometry g = geometry();
    place_page(pages[3], transparent);
    place_label(progress_header, pages[3], {0, 0, g.width, 25}, transparent_white);
    progress_header.style.alias_style("label_font_weight", "label_install_weight");
    progress_header.set_text(str("Installing ") + product_full_name + ", please wait...", false);
    place_label(progress_text, pages[3], {0, 50, g.width - 20, g.height - 50}, transparent_white);
    progress_text.style.alias_style("label_text_valign", "label_path_text_valign");
}

void InstallerUI::build_footer() {
    const std::int32_t w = root.rect.width;
    const std::int32_t h = root.rect.height;
    const std::pair<InstallerButton*, const char*> footer[] = {
        {&back, "< Back"}, {&next, "Next >"}, {&cancel, "Cancel"}};
    const std::int32_t footer_x[] = {w - 300, w - 210, w - 95};
    for (std::size_t i = 0; i < 3; ++i) {
        footer[i].first->create(root, {footer_x[i], h - 40, 85, 30});
        footer[i].first->set_label(footer[i].second);
        norvik::ui::connect(footer[i].first, event_kind::mouse_up, this, &InstallerUI::on_navigation);
    }
}

InstallerUI::~InstallerUI() {
    // The window goes first: a screen reader asking meanwhile is told at once
    // that the wizard has gone, rather than waiting on this thread below.
    native.destroy();
    // The job must finish writing before anything goes: a half-written
    // module is removed by the job itself, but only if it gets to run on.
    if (worker.joinable()) {
        worker.join();
    }
}

void InstallerUI::place_label(norvik::ui::TextLabel& label, norvik::ui::widget& parent, const rect& r,
                              const Color& colour) {
    label.create(parent, r);
    label.style.set_style("default_back_color", colour);
}

void InstallerUI::place_release_rows() {
    std::int32_t rows = 0;
    for (std::size_t i = 0; i < release_count; ++i) {
        rows += !paths[i].empty() || i == custom_release ? 1 : 0;
    }
    const std::int32_t page_width = pages[1].rect.width;
    const std::int32_t browse_y = row_height * rows + 60;
    // Up to five rows, Browse and the whole path label fit below the header.
    // More rows scroll beneath it instead of running off the page's bottom
    // edge, where Browse could not be reached.
    const bool fits = browse_y + custom_path_height <= pages[1].rect.height;
    norvik::ui::widget& parent = fits ? static_cast<norvik::ui::widget&>(pages[1]) : place_release_view(browse_y);
    // Page coordinates less the offset of the scrolled list, if any.
    const std::int32_t top = fits ? 0 : header_height;
    const std::int32_t width = fits ? page_width : release_list.rect.width;

    std::int32_t y = first_row_y - top;
    for (std::size_t i = 0; i < release_count; ++i) {
        if (paths[i].empty() && i != custom_release) {
            continue;
        }
        norvik::ui::CheckBox& box = boxes[i];
        box.create(parent, {20, y, width - 30, row_height});
        box.style.set_style("default_back_color", transparent);
        box.layout(0, 5);
        box.set_text(display_name(i));
        box.bind(&selected[i]);
        norvik::ui::connect(&box, event_kind::toggled, this, &InstallerUI::on_custom_folder);
        reveal_on_focus(box);
        y += row_height;
    }
    browse.create(parent, {20, browse_y - top, 80, 15});
    browse.set_label("Browse");
    browse.set_visible(false);
    norvik::ui::connect(&browse, event_kind::mouse_up, this, &InstallerUI::on_custom_folder);
    reveal_on_focus(browse);

    place_label(custom_path, parent, {110, browse_y - top, width - 110, custom_path_height}, transparent_white);
    custom_path.style.alias_style("label_font_size", "label_path_font_size");
    custom_path.style.alias_style("label_text_valign", "label_path_text_valign");
    custom_path.set_visible(false);
    if (!fits) {
        release_scroll.set_target(&release_list);
    }
}

norvik::ui::widget& InstallerUI::place_release_view(std::int32_t browse_y) {
    const std::int32_t width = pages[1].rect.width;
    const std::int32_t height = pages[1].rect.height - header_height;
    release_view.create(pages[1], {0, header_height, width, height});
    release_view.style.set_style("default_back_color", transparent);
    release_scroll.create(release_view, {width - scroll_width, 0, scroll_width, height});
    release_scroll.style.set_style("default_back_color", scroll_back);
    release_list.create(release_view, {0, 0, width - scroll_width, browse_y + custom_path_height - header_height});
    release_list.style.set_style("default_back_color", transparent);
    return release_list;
}

void InstallerUI::reveal_on_focus(norvik::ui::widget& w) {
    norvik::ui::connect(&w, event_kind::focus_gained,
                        norvik::ui::event_handler([this, &w](const event_info&) { reveal(w); }));
}

void InstallerUI::reveal(const norvik::ui::widget& w) {
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

bool InstallerUI::has_targets() const {
    // Custom ticked without a folder would be dropped without a word.
    if (selected[custom_release] && paths[custom_release].empty()) {
        return false;
    }
    for (std::size_t i = 0; i < release_count; ++i) {
        if (selected[i] && !paths[i].empty()) {
            return true;
        }
    }
    return false;
}

void InstallerUI::set_page(std::int32_t index) {
    // Page 1 lets the user on only towards something to install: a run
    // without targets would report a success that wrote nothing.
    next.set_enabled(index == 1 ? has_targets() : index != 3);
    switch (index) {
    case 0:
        back.set_enabled(false);
        break;
    case 2:
        summary_text.set_text(build_summary(), true);
        summary_text.invalidate();
        back.set_enabled(true);
        break;
    case 3:
        back.set_enabled(false);
        break;
    default:
        back.set_enabled(true);
        break;
    }
    back.set_label("< Back");
    next.set_label("Next >");
    pages[static_cast<std::size_t>(page)].set_visible(false);
    pages[static_cast<std::size_t>(index)].set_visible(true);
    page = index;
    focus_page();
    // The job starts once page 3 shows, so that its first tick paints there.
    if (index == 3) {
        start_install();
    }
}

std::string InstallerUI::build_summary() const {
    std::string text = str("Installing ") + product_name + " on:\n\n";
    for (std::size_t i = 0; i < release_count; ++i) {
        if (selected[i]) {
            text += display_name(i) + ":\n" + paths[i].to_display_string() + "\n\n";
        }
    }
    return text;
}

void InstallerUI::on_navigation(const event_info& info) {
    if (info.sender == &back) {
        set_page(page - 1);
    } else if (info.sender == &next) {
        set_page(page + 1);
    } else if (info.sender == &cancel) {
        if (finished) {
            end_modal(1);
            return;
        }
        const std::string question = str("Are you sure you want to cancel ") + product_full_name + " installation?";
        norvik::ui::MessagePopup popup;
        popup.setup(this, "Exit Installer", question, norvik::ui::MessagePopup::kind_ok_cancel);
        const std::int32_t answer = popup.show_modal();
        if (answer != 0) {
            outcome_ = run_outcome::cancelled;
            end_modal(answer);
        }
    }
}

void InstallerUI::on_custom_folder(const event_info& info) {
    if (info.sender == &browse) {
        choose_custom_folder();
    } else if (info.sender == &boxes[custom_release]) {
        browse.set_visible(selected[custom_release]);
        custom_path.set_visible(selected[custom_release]);
        // Where the rows scroll, what ticking Custom brings is shown too.
        if (selected[custom_release]) {
            reveal(custom_path);
        }
    }
    next.set_enabled(has_targets());
}

void InstallerUI::choose_custom_folder() {
    norvik::filesystem::file_path chosen;
    try {
        chosen = norvik::filesystem::select_folder(this, "Custom Folder", paths[custom_release]);
    } catch (...) {
        // A shell dialog that cannot be shown is no reason to end the
        // installer: it counts as a cancelled choice, the path stays.
        return;
    }
    if (chosen.empty()) {
        return;
    }
    paths[custom_release] = chosen;
    custom_path.set_text(chosen.to_display_string(), false);
}

void InstallerUI::set_automation_ids() {
    back.automation.automation_id = "Back";
    next.automation.automation_id = "Next";
    cancel.automation.automation_id = "Cancel";
    browse.automation.automation_id = "Browse";
    for (std::size_t i = 0; i < release_count; ++i) {
        boxes[i].automation.automation_id = "Release." + display_name(i);
    }
    summary_text.automation.automation_id = "Summary";
    summary_scroll.automation.automation_id = "SummaryScroll";
    release_scroll.automation.automation_id = "ReleaseScroll";
    // A tab stop, so that the summary scrolls with the keys.
    summary_scroll.focusable = true;
    progress_text.automation.automation_id = "Progress";
    progress_text.automation.live_setting = 1; // polite: read out when the reader is idle
}

void InstallerUI::focus_page() {
    norvik::ui::widget* first = first_tab_stop_in(pages[static_cast<std::size_t>(page)]);
    focus_from(first != nullptr ? *first : next, 0);
}

void InstallerUI::on_key(const event_info& info) {
    // A key held down acts once: held Enter must not go on past the summary.
    if (info.repeated()) {
        return;
    }
    if (info.value == VK_ESCAPE) {
        cancel.click();
        return;
    }
    // Enter on a button is that button's own (it clicks on the release).
    const bool on_button =
        focused_widget != nullptr && focused_widget->automation.role == norvik::ui::automation_role::button;
    if (info.value != VK_RETURN || on_button) {
        return;
    }
    if (finished) {
        cancel.click();
    } else if (next.is_usable() && next.is_visible()) {
        next.click();
    }
}

void InstallerUI::paint_background() {
    norvik::ui::Renderer& paint = *renderer;
    const std::int32_t w = root.rect.width;
    const std::int32_t h = root.rect.height;
    paint.set_fill_color(root.style.style_color("default_back_color"));
    paint.fill_rect({0, 0, w, h});
    paint.set_fill_color(footer_back);
    paint.fill_rect({0, h - 50, w, 50});
    paint.dotted = false;
    paint.set_line(footer_line, 1.0f);
    paint.draw_line({0, h - 50}, {w, h - 50});
    if (logo.loaded()) {
        paint.draw_image({0, 0}, logo);
    }
}

void InstallerUI::start_install() {
    // One timer and one handler, however often a run is started.
    norvik::ui::disconnect_all(&pages[3], event_kind::timer);
    native.stop_timer(pages[3], progress_timer_id);
    native.start_timer(pages[3], progress_timer_id, progress_interval_ms, false);
    norvik::ui::connect(&pages[3], event_kind::timer, this, &InstallerUI::on_progress_tick);
    target_list targets;
    std::size_t first_target = release_count;
    for (std::size_t i = 0; i < release_count; ++i) {
        if (selected[i]) {
            targets[i] = paths[i];
            first_target = std::min(first_target, paths[i].empty() ? release_count : i);
        }
    }
    run_targets_ = targets;
    if (options_.log != nullptr) {
        options_.log->targets(targets, started_ ? std::vector<std::size_t>{} : options_.missing);
    }
    started_ = true;
    // A previous worker is joined first: once it has ended it can no longer
    // set done. Then done is cleared here, on the UI thread, before the new
    // worker exists, so that a tick that comes before the new worker has
    // begun does not see the last run's done.
    if (worker.joinable()) {
        worker.join();
    }
    job.done.store(false, std::memory_order_release);
    worker = std::thread(&InstallerUI::run_job, this, std::move(targets), first_target);
}

void InstallerUI::run_job(target_list targets, std::size_t first_target) {
    std::optional<install_lock> lock;
    if (options_.take_install_lock) {
        // Another run of the installer may be writing right now (a deployment
        // tool's, say). Meanwhile the first target shows as being installed,
        // so that the page's dots keep turning while this run waits its turn.
        if (first_target < release_count) {
            job.status[first_target].store(status_installing, std::memory_order_release);
        }
        lock = install_lock::wait();
    }
    job.run(std::move(targets), 1);
}

void InstallerUI::on_progress_tick() {
    const std::string dots(tick_counter, '.');
    const bool done = job.done.load(std::memory_order_acquire);
    std::array<std::int32_t, release_count> status{};
    for (std::size_t i = 0; i < release_count; ++i) {
        status[i] = job.status[i].load(std::memory_order_acquire);
    }

    progress_report report;
    for (std::size_t i = 0; i < release_count; ++i) {
        const std::int32_t s = status[i];
        if (s == status_untouched) {
            continue;
        }
        if (s == status_installing) {
            report.text += str("Installing ") + product_full_name + " " + display_name(i) + dots + "\n";
        } else if (s == status_installed) {
            report.text += str(product_full_name) + " " + display_name(i) + " installed.\n";
            // An installed release is not written again by a retry.
            selected[i] = false;
        } else {
            report.text += str(product_full_name) + " " + display_name(i) + " failed to install!\n";
            report.failure = i;
            report.failure_code = s;
        }
    }
    report.text += "\n";
    progress_text.set_text(report.text, false);

    // The outcome waits while another question of the wizard is open (the
    // Cancel question, say): a second pop-up on top of it would nest loops
    // and leave the user two questions at once. The timer keeps running, so
    // the outcome comes with the first tick after the question closes.
    if (done && !native.has_modal_popup()) {
        norvik::ui::disconnect_all(&pages[3], event_kind::timer);
        native.stop_timer(pages[3], progress_timer_id);
        if (worker.joinable()) {
            worker.join();
        }
        if (options_.log != nullptr) {
            options_.log->outcome(job, run_targets_);
        }
        // A passive run asks nothing: a failure is its outcome, and so is a
        // release it was told to install that this machine does not have.
        const bool missing = options_.passive && !options_.missing.empty();
        if (report.failure == release_count && !missing) {
            outcome_ = run_outcome::succeeded;
            finish(str(product_full_name) + " was successfully installed.");
        } else if (!options_.passive && ask_retry(report.failure, report.failure_code)) {
            start_install();
        } else {
            outcome_ = run_outcome::failed;
            finish(str("Some components of ") + product_full_name + " were not correctly installed.");
        }
        if (finished) {
            progress_text.set_text(report.text + "\n\nClick Finish to close the installer.", false);
            if (options_.passive) {
                close_after_outcome();
            }
        }
    }
    tick_counter = tick_counter + 1 > 3 ? 0 : tick_counter + 1;
}

void InstallerUI::close_after_outcome() {
    native.start_timer(root, close_timer_id, close_delay_ms, true);
    norvik::ui::connect(&root, event_kind::timer, norvik::ui::event_handler([this](const event_info& info) {
        if (info.value == static_cast<std::uint64_t>(close_timer_id)) {
            end_modal(1);
        }
    }));
}

std::int32_t InstallerUI::passive_exit_code() const {
    switch (outcome_) {
    case run_outcome::succeeded:
        return exit_success;
    case run_outcome::failed:
        return exit_failed;
    case run_outcome::pending:
    case run_outcome::cancelled:
        break;
    }
    // Closed before the outcome: the close box, or Cancel confirmed.
    return exit_cancelled;
}

void InstallerUI::finish(const std::string& header) {
    progress_header.set_text(header, false);
    norvik::ui::automation_events::announce(progress_header, header);
    cancel.set_label("Finish");
    finished = true;
}

bool InstallerUI::ask_retry(std::size_t failed, std::int32_t code) {
    const std::string message = str("The installation of ") + product_full_name + " " + display_name(failed) +
                                " failed!\nError code: " + std::to_string(code) +
                                " Please contact support.\n\nDo you want to retry?";
    norvik::ui::MessagePopup popup;
    popup.setup(this, "Failed to install", message, norvik::ui::MessagePopup::kind_yes_no);
    return popup.show_modal() == 1;
}

} // namespace installer
