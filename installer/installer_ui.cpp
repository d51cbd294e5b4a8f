#include "installer/installer_ui.h"

#include <exception>
#include <string>

#include "installer/install_log.h"
#include "installer/install_plan.h"
#include "installer/installer_styles.h"
#include "installer/product.h"
#include "installer/wizard_layout.h"
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

constexpr Color window_back{0.176f, 0.176f, 0.176f, 1.0f};
constexpr Color footer_back{0.275f, 0.275f, 0.275f, 1.0f};
constexpr Color footer_line{0.392f, 0.392f, 0.392f, 1.0f};
// A passive run shows its outcome this many seconds before it closes itself.
constexpr std::int32_t close_timer_id = 2;
constexpr unsigned close_delay_s = 3;

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

const char* name_of(wizard_page shown) {
    switch (shown) {
    case wizard_page::welcome:
        return "welcome";
    case wizard_page::releases:
        return "releases";
    case wizard_page::summary:
        return "summary";
    case wizard_page::progress:
        break;
    }
    return "progress";
}

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
    detect_releases();
    const norvik::ui::rect area = page_area();
    welcome_page.build(root, area);
    release_page.build(area);
    summary_page.build(area);
    progress_page.build(area);
    build_footer();
    norvik::ui::connect(this, event_kind::key_down, this, &InstallerUI::on_key);
    if (options_.uninstall) {
        open_uninstall();
    } else {
        set_page(options_.passive ? wizard_page::progress : wizard_page::welcome);
    }
}

InstallerUI::~InstallerUI() {
    try {
        finish_run();
    } catch (...) {
        // Only the log's lines can throw (memory); the job has been joined.
    }
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

norvik::ui::rect InstallerUI::page_area() const {
    const std::int32_t e = logo.loaded() ? logo.width() : 0;
    return {e + 10, 50, root.rect.width - e - 20, root.rect.height - 110};
}

void InstallerUI::build_title() {
    const norvik::ui::rect area = page_area();
    wizard_layout::place_label(title, root, {area.x, 0, area.width, 50}, wizard_layout::transparent);
    title.style.alias_style("label_font_size", "title_font_size");
    title.style.alias_style("label_font_weight", "title_font_weight");
    title.set_text("Quendal for After Effects Installer", false);
}

void InstallerUI::detect_releases() {
    // Every detected release gets a row; the command line may preset which
    // are ticked, and the custom folder.
    releases_ = release_catalogue::detect();
    paths = releases_.folders();
    job.set_target_count(paths.size());
    const install_plan preset(options_.releases, options_.dir, releases_);
    missing_ = preset.missing;
    paths[releases_.custom()] = options_.dir;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        selected.push_back(!preset.targets[i].empty());
    }
}

void InstallerUI::build_footer() {
    const std::int32_t w = root.rect.width;
    const std::int32_t h = root.rect.height;
    const std::pair<InstallerButton*, const char*> footer[] = {
        {&back, "< Back"}, {&next, "Next >"}, {&cancel, "Cancel"}};
    const std::pair<const char*, std::int32_t> names_and_x[] = {
        {"Back", w - 300}, {"Next", w - 210}, {"Cancel", w - 95}};
    for (std::size_t i = 0; i < 3; ++i) {
        footer[i].first->create(root, {names_and_x[i].second, h - 40, 85, 30});
        footer[i].first->set_label(footer[i].second);
        footer[i].first->automation.automation_id = names_and_x[i].first;
        norvik::ui::connect(footer[i].first, event_kind::mouse_up, this, &InstallerUI::on_navigation);
    }
}

void InstallerUI::open_uninstall() {
    // The frame's title, logo and third button; the uninstall's one page in
    // place of the wizard's four.
    uninstall_page.build(page_area());
    back.set_visible(false);
    next.set_visible(false);
    uninstall_page.open();
    focus_from(cancel, 0);
}

norvik::ui::GenericPanel& InstallerUI::panel_of(wizard_page shown) {
    switch (shown) {
    case wizard_page::welcome:
        return welcome_page.panel;
    case wizard_page::releases:
        return release_page.panel;
    case wizard_page::summary:
        return summary_page.panel;
    case wizard_page::progress:
        break;
    }
    return progress_page.panel;
}

void InstallerUI::set_page(wizard_page shown) {
    // The releases page lets the user on only towards something to install:
    // a run without targets would report a success that wrote nothing.
    next.set_enabled(shown == wizard_page::releases ? release_page.has_targets() : shown != wizard_page::progress);
    back.set_enabled(shown == wizard_page::releases || shown == wizard_page::summary);
    if (shown == wizard_page::summary) {
        summary_page.refresh();
    }
    back.set_label("< Back");
    next.set_label("Next >");
    panel_of(page).set_visible(false);
    panel_of(shown).set_visible(true);
    page = shown;
    focus_page();
    // The job starts once the progress page shows, so that its first tick
    // paints there.
    if (shown == wizard_page::progress) {
        progress_page.start_install();
    }
}

void InstallerUI::on_navigation(const event_info& info) {
    const auto index = static_cast<std::int32_t>(page);
    if (info.sender == &back) {
        set_page(static_cast<wizard_page>(index - 1));
    } else if (info.sender == &next) {
        set_page(static_cast<wizard_page>(index + 1));
    } else if (info.sender == &cancel) {
        if (finished) {
            end_modal(1);
        } else {
            ask_cancel();
        }
    }
}

void InstallerUI::ask_cancel() {
    const std::string question = std::string("Are you sure you want to cancel ") + product_full_name + " installation?";
    norvik::ui::MessagePopup popup;
    popup.setup(this, "Exit Installer", question, norvik::ui::MessagePopup::kind_ok_cancel);
    const std::int32_t answer = popup.show_modal();
    if (answer != 0) {
        log_cancel();
        progress_page.cancel();
        end_modal(answer);
    }
}

void InstallerUI::log_cancel() {
    if (options_.log == nullptr) {
        return;
    }
    std::string line = std::string("Cancelled by the user on the ") + name_of(page) + " page";
    if (waiting_for_lock_) {
        line += ", while waiting for another run of the installer; nothing was installed";
    } else if (page == wizard_page::progress && options_.passive) {
        line += "; the target being written is finished, no further target is written";
    } else if (page == wizard_page::progress) {
        line += "; the install goes on to its end";
    }
    options_.log->write(line);
}

void InstallerUI::focus_page() {
    norvik::ui::widget* first = first_tab_stop_in(panel_of(page));
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

void InstallerUI::show_outcome(norvik::ui::TextLabel& header, const std::string& text) {
    header.set_text(text, false);
    norvik::ui::automation_events::announce(header, text);
    cancel.set_label("Finish");
    finished = true;
}

void InstallerUI::show_closing(norvik::ui::TextLabel& label, const std::string& outcome) {
    // A /log= file that was refused is said here too: the person at the
    // screen may be the one who reads the log later.
    std::string lines = outcome;
    if (options_.log != nullptr && !options_.log->refusal().empty()) {
        lines += options_.log->refusal() + "\n";
    }
    if (options_.passive) {
        close_after_outcome(label, lines);
    } else {
        label.set_text(lines + "\nClick Finish to close the installer.", false);
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
    } else {
        progress_page.finish_run();
    }
}

std::int32_t InstallerUI::exit_code() const {
    return options_.uninstall ? uninstall_page.exit_code() : progress_page.exit_code();
}

} // namespace installer
