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
#include "installer/install_record.h"
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
// A passive run shows its outcome this many seconds before it closes itself.
constexpr std::int32_t close_timer_id = 2;
constexpr unsigned close_delay_s = 3;

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
// release that failed, if any.
struct progress_report {
    std::string text;
    std::optional<std::size_t> failure;
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
    if (options_.uninstall) {
        open_uninstall();
    } else {
        set_page(options_.passive ? 3 : 0);
    }
}

void InstallerUI::open_uninstall() {
    // The frame's title, logo and third button; the uninstall's one page in
    // place of the wizard's four.
    const page_geometry g = geometry();
    uninstall_page.build({g.logo_width + 10, 50, g.width, g.height});
    back.set_visible(false);
    next.set_visible(false);
    uninstall_page.open();
    focus_from(cancel, 0);
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
    releases_ = release_catalogue::detect();
    paths = releases_.folders();
    job.set_target_count(paths.size());
    const install_plan preset(options_.releases, options_.dir, releases_);
    missing_ = preset.missing;
    paths[custom()] = options_.dir;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        selected.push_back(!preset.targets[i].empty());
        boxes.emplace_back();
    }
    place_release_rows();
    if (selected[custom()]) {
        custom_path.set_text(paths[custom()].to_display_string(), false);
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
    try {
        finish_run();
    } catch (...) {
        // Only the log's lines can throw (memory); the job has been joined.
    }
}

void InstallerUI::place_label(norvik::ui::TextLabel& label, norvik::ui::widget& parent, const rect& r,
                              const Color& colour) {
    label.create(parent, r);
    label.style.set_style("default_back_color", colour);
}

void InstallerUI::place_release_rows() {
    // Releases the command line named that this machine does not have are
    // named in a line of their own above the rows.
    std::int32_t rows = missing_.empty() ? 0 : 1;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        rows += !paths[i].empty() || i == custom() ? 1 : 0;
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
    if (!missing_.empty()) {
        place_label(missing_note, parent, {20, y, width - 30, row_height}, transparent_white);
        missing_note.style.alias_style("label_font_size", "label_path_font_size");
        missing_note.style.alias_style("label_text_valign", "label_path_text_valign");
        std::string names;
        for (const std::string& name : missing_) {
            names += (names.empty() ? "" : ", ") + name;
        }
        missing_note.set_text("Not installed on this computer: " + names, false);
        y += row_height;
    }
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (paths[i].empty() && i != custom()) {
            continue;
        }
        norvik::ui::CheckBox& box = boxes[i];
        box.create(parent, {20, y, width - 30, row_height});
        box.style.set_style("default_back_color", transparent);
        box.layout(0, 5);
        box.set_text(releases_[i].name);
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
    if (selected[custom()] && paths[custom()].empty()) {
        return false;
    }
    for (std::size_t i = 0; i < paths.size(); ++i) {
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
    std::string newer;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (selected[i]) {
            text += releases_[i].name + ":\n" + paths[i].to_display_string() + "\n\n";
            if (const std::optional<module_version> found = System::newer_module_in(paths[i])) {
                newer += releases_[i].name + ": a newer " + product_name + " (" + found->text() +
                         ") is installed and is " + (options_.replace_newer ? "replaced, as /force asks\n" : "kept\n");
            }
        }
    }
    return text + newer;
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
            log_cancel();
            outcome_ = run_outcome::cancelled;
            end_modal(answer);
        }
    }
}

void InstallerUI::on_custom_folder(const event_info& info) {
    if (info.sender == &browse) {
        choose_custom_folder();
    } else if (info.sender == &boxes[custom()]) {
        browse.set_visible(selected[custom()]);
        custom_path.set_visible(selected[custom()]);
        // Where the rows scroll, what ticking Custom brings is shown too.
        if (selected[custom()]) {
            reveal(custom_path);
        }
    }
    next.set_enabled(has_targets());
}

void InstallerUI::choose_custom_folder() {
    norvik::filesystem::file_path chosen;
    try {
        chosen = norvik::filesystem::select_folder(this, "Custom Folder", paths[custom()]);
    } catch (...) {
        // A shell dialog that cannot be shown is no reason to end the
        // installer: it counts as a cancelled choice, the path stays.
        return;
    }
    if (chosen.empty()) {
        return;
    }
    paths[custom()] = chosen;
    custom_path.set_text(chosen.to_display_string(), false);
}

void InstallerUI::set_automation_ids() {
    back.automation.automation_id = "Back";
    next.automation.automation_id = "Next";
    cancel.automation.automation_id = "Cancel";
    browse.automation.automation_id = "Browse";
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        boxes[i].automation.automation_id = "Release." + releases_[i].name;
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
    target_list targets(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (selected[i]) {
            targets[i] = paths[i];
        }
    }
    run_targets_ = targets;
    if (options_.log != nullptr) {
        options_.log->targets(releases_, targets, started_ ? std::vector<std::string>{} : missing_);
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
    pending_targets_ = std::move(targets);
    start_job_when_free();
}

bool InstallerUI::take_install_lock() {
    // The lock is taken here, on the UI thread, and kept until the window
    // goes: a mutex belongs to the thread that took it, and the user may
    // leave a wait that never ends (the close box, or Cancel), which a worker
    // blocked on the lock could not.
    if (options_.take_install_lock && !(lock_ && lock_->held())) {
        lock_.emplace(install_lock::try_take());
        if (!lock_->held()) {
            if (!waiting_for_lock_ && options_.log != nullptr) {
                options_.log->write("Waiting to start: " + lock_->reason());
            }
            waiting_for_lock_ = true;
            return false;
        }
    }
    waiting_for_lock_ = false;
    return true;
}

bool InstallerUI::start_job_when_free() {
    if (!take_install_lock()) {
        return false;
    }
    outcome_logged_ = false;
    job_started_ = true;
    job.replace_newer = options_.replace_newer;
    worker = std::thread(&System::run, &job, std::move(pending_targets_), 1);
    return true;
}

void InstallerUI::on_progress_tick() {
    const std::string dots(tick_counter_, '.');
    if (waiting_for_lock_ && !start_job_when_free()) {
        progress_text.set_text(str("Another installation of ") + product_name +
                                   " is running. This installation will go on when it ends" + dots + "\n",
                               false);
        tick_counter_ = tick_counter_ + 1 > 3 ? 0 : tick_counter_ + 1;
        return;
    }
    const bool done = job.done.load(std::memory_order_acquire);
    std::vector<std::int32_t> status(job.status.size());
    for (std::size_t i = 0; i < status.size(); ++i) {
        status[i] = job.status[i].load(std::memory_order_acquire);
    }

    progress_report report;
    for (std::size_t i = 0; i < status.size(); ++i) {
        const std::int32_t s = status[i];
        if (s == status_untouched) {
            continue;
        }
        if (s == status_installing) {
            report.text += str("Installing ") + product_full_name + " " + releases_[i].name + dots + "\n";
        } else if (s == status_installed) {
            report.text += str(product_full_name) + " " + releases_[i].name + " installed.\n";
            // An installed release is not written again by a retry.
            selected[i] = false;
        } else if (s == status_kept) {
            const module_version kept = module_version::unpacked(job.kept_version[i].load(std::memory_order_relaxed));
            report.text += str(product_full_name) + " " + releases_[i].name + " kept: a newer " + product_name + " (" +
                           kept.text() + ") is installed.\n";
            selected[i] = false;
        } else {
            report.text += str(product_full_name) + " " + releases_[i].name + " failed to install!\n";
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
        log_outcome();
        // A passive run asks nothing: a failure is its outcome, and so is a
        // release it was told to install that this machine does not have.
        const bool missing = options_.passive && !missing_.empty();
        if (!report.failure && !missing) {
            outcome_ = run_outcome::succeeded;
            finish(str(product_full_name) + " was successfully installed.");
        } else if (!options_.passive && report.failure && ask_retry(*report.failure, report.failure_code)) {
            start_install();
        } else {
            outcome_ = run_outcome::failed;
            finish(str("Some components of ") + product_full_name + " were not correctly installed.");
        }
        if (finished) {
            show_closing(progress_text, report.text + "\n");
        }
    }
    tick_counter_ = tick_counter_ + 1 > 3 ? 0 : tick_counter_ + 1;
}

void InstallerUI::log_cancel() {
    if (options_.log == nullptr) {
        return;
    }
    static constexpr const char* page_names[] = {"welcome", "releases", "summary", "progress"};
    std::string line = str("Cancelled by the user on the ") + page_names[page] + " page";
    if (waiting_for_lock_) {
        line += ", while waiting for another run of the installer; nothing was installed";
    } else if (page == 3 && options_.passive) {
        line += "; the target being written is finished, no further target is written";
    } else if (page == 3) {
        line += "; the install goes on to its end";
    }
    options_.log->write(line);
}

void InstallerUI::log_outcome() {
    if (outcome_logged_) {
        return;
    }
    outcome_logged_ = true;
    if (options_.log != nullptr) {
        options_.log->outcome(job, releases_, run_targets_);
    }
    install_record::after_run(releases_, run_targets_, job, options_.log);
}

void InstallerUI::show_closing(norvik::ui::TextLabel& label, const std::string& outcome) {
    if (options_.passive) {
        close_after_outcome(label, outcome);
    } else {
        label.set_text(outcome + "\nClick Finish to close the installer.", false);
    }
}

void InstallerUI::close_after_outcome(norvik::ui::TextLabel& label, const std::string& outcome) {
    // The seconds count down on the page, so that nobody reaches for a
    // Finish that is about to go.
    const auto show_countdown = [&label, outcome](unsigned seconds) {
        label.set_text(outcome + "\nThis window closes by itself in " + std::to_string(seconds) +
                           (seconds == 1 ? " second." : " seconds."),
                       false);
    };
    close_countdown_ = close_delay_s;
    show_countdown(close_countdown_);
    native.start_timer(root, close_timer_id, 1000, false);
    norvik::ui::connect(&root, event_kind::timer,
                        norvik::ui::event_handler([this, show_countdown](const event_info& info) {
                            if (info.value != static_cast<std::uint64_t>(close_timer_id)) {
                                return;
                            }
                            if (--close_countdown_ == 0) {
                                native.stop_timer(root, close_timer_id);
                                end_modal(1);
                            } else {
                                show_countdown(close_countdown_);
                            }
                        }));
}

void InstallerUI::finish_run() {
    // The window goes first: a screen reader asking meanwhile is told at once
    // that the wizard has gone, rather than waiting on this thread below.
    native.destroy();
    if (options_.uninstall) {
        uninstall_page.finish_run();
        return;
    }
    // A passive run closed before its outcome (Cancel confirmed, or the
    // close box) writes no further target; the wizard's own run finishes as
    // it always has.
    if (options_.passive && outcome_ != run_outcome::succeeded && outcome_ != run_outcome::failed) {
        job.stop_requested.store(true, std::memory_order_release);
    }
    // The job must finish writing before anything goes: a half-written
    // module is removed by the job itself, but only if it gets to run on.
    if (worker.joinable()) {
        worker.join();
    }
    // A run the window was closed on is logged all the same, failures seen
    // while a question was open included.
    log_outcome();
}

std::int32_t InstallerUI::exit_code() const {
    if (options_.uninstall) {
        return uninstall_page.exit_code();
    }
    switch (outcome_) {
    case run_outcome::succeeded:
        return exit_success;
    case run_outcome::failed:
        return exit_failed;
    case run_outcome::pending:
    case run_outcome::cancelled:
        break;
    }
    // Closed before the outcome: the close box, or Cancel confirmed. A
    // passive run stops there; the wizard's install, once it has begun,
    // goes on to its end, and that end is what the code tells.
    if (options_.passive || !job_started_) {
        return exit_cancelled;
    }
    for (std::size_t i = 0; i < run_targets_.size(); ++i) {
        if (!run_targets_[i].empty() && !target_succeeded(job.status[i].load(std::memory_order_acquire))) {
            return exit_failed;
        }
    }
    return exit_success;
}

void InstallerUI::finish(const std::string& header) {
    show_outcome(progress_header, header);
}

void InstallerUI::show_outcome(norvik::ui::TextLabel& header, const std::string& text) {
    header.set_text(text, false);
    norvik::ui::automation_events::announce(header, text);
    cancel.set_label("Finish");
    finished = true;
}

bool InstallerUI::ask_retry(std::size_t failed, std::int32_t code) {
    // Where a running program holds the module, the question names it:
    // closing it is what the user can do before answering Yes.
    const std::string holders =
        code == status_target_unwritable ? job.holders.close_request(releases_, failed) : std::string();
    const std::string message = str("The installation of ") + product_full_name + " " + releases_[failed].name +
                                " failed!\nError code: " + std::to_string(code) + " Please contact support.\n\n" +
                                (holders.empty() ? "" : holders + "\n\n") + "Do you want to retry?";
    norvik::ui::MessagePopup popup;
    popup.setup(this, "Failed to install", message, norvik::ui::MessagePopup::kind_yes_no);
    const bool retry = popup.show_modal() == 1;
    if (options_.log != nullptr) {
        options_.log->write("Asked whether to retry " + releases_[failed].name + ": " +
                            (retry ? "Yes, retrying" : "No, the install ends here"));
    }
    return retry;
}

} // namespace installer
