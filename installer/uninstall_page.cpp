#include "installer/uninstall_page.h"

#include <algorithm>

#include <windows.h>

#include "installer/held_files.h"
#include "installer/install_log.h"
#include "installer/install_plan.h"
#include "installer/installed_apps_entry.h"
#include "installer/installer_ui.h"
#include "installer/module_holders.h"
#include "installer/product.h"
#include "installer/release_catalogue.h"
#include "installer/shared_data_folder.h"
#include "installer/wizard_layout.h"
#include "ui/controls/message_popup.h"
#include "ui/core/events/event_registry.h"

namespace installer {

namespace {

using norvik::ui::event_kind;

using wizard_layout::progress_interval_ms;
using wizard_layout::progress_timer_id;
constexpr std::int32_t question_timer_id = 2;
// The question comes once the window is on the screen, to stand over it.
constexpr unsigned question_delay_ms = 50;

std::string full_name() {
    return product_full_name;
}

// "CC2015", "CC2015 and 2025", "CC, CC2015 and 2025": each release once.
std::string release_names(const std::vector<recorded_module>& modules) {
    std::vector<std::string> names;
    for (const recorded_module& module : modules) {
        if (std::find(names.begin(), names.end(), module.release) == names.end()) {
            names.push_back(module.release);
        }
    }
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    }
    return text;
}

} // namespace

UninstallPage::UninstallPage(InstallerUI& frame) : frame_(frame) {}

UninstallPage::~UninstallPage() {
    if (worker_.joinable()) {
        worker_.join();
    }
}

void UninstallPage::build(const norvik::ui::rect& area) {
    using namespace wizard_layout;
    place_page(panel, frame_.root, area, transparent);
    place_label(header, panel, {0, 0, area.width, 25}, transparent_white);
    header.style.alias_style("label_font_weight", "label_install_weight");
    header.set_text("Removing " + full_name() + ", please wait...", false);
    place_label(progress, panel, {0, 50, area.width - 20, area.height - 50}, transparent_white);
    progress.style.alias_style("label_text_valign", "label_path_text_valign");
    progress.automation.live_setting = 1; // polite, as the install's progress
}

void UninstallPage::open() {
    job_.emplace(installed_apps_entry::modules());
    if (install_log* log = frame_.log()) {
        for (const recorded_module& module : job_->modules) {
            log->write("Recorded " + module.release + ": " + install_log::utf8(module.path));
        }
    }
    panel.set_visible(true);
    if (job_->modules.empty()) {
        state_ = state::nothing_recorded;
        if (install_log* log = frame_.log()) {
            log->write("Nothing recorded: this installer has put no module on this computer");
        }
        show_outcome(full_name() + " is not installed on this computer.\n");
        return;
    }
    frame_.native.start_timer(panel, question_timer_id, question_delay_ms, true);
    norvik::ui::connect(&panel, event_kind::timer,
                        norvik::ui::event_handler([this](const norvik::ui::event_info& info) {
                            if (info.value == static_cast<std::uint64_t>(question_timer_id)) {
                                ask();
                            } else {
                                on_tick();
                            }
                        }));
}

void UninstallPage::ask() {
    // The question stands over the window, so it waits for the window.
    if (!IsWindowVisible(frame_.native.hwnd)) {
        frame_.native.start_timer(panel, question_timer_id, question_delay_ms, true);
        return;
    }
    // A passive uninstall asks nothing: its command line is the answer.
    if (!frame_.passive()) {
        norvik::ui::MessagePopup popup;
        popup.setup(&frame_, "Uninstall " + full_name(),
                    full_name() + " will be removed from " + release_names(job_->modules) +
                        ".\n\nDo you want to continue?",
                    norvik::ui::MessagePopup::kind_yes_no);
        if (popup.show_modal() != 1) {
            state_ = state::declined;
            if (install_log* log = frame_.log()) {
                log->write("The user chose not to uninstall; nothing was removed");
            }
            frame_.end_modal(0);
            return;
        }
    }
    frame_.native.start_timer(panel, progress_timer_id, progress_interval_ms, false);
    start();
}

void UninstallPage::start() {
    // The same lock as the install's: no removal beside a run that writes.
    if (!frame_.take_install_lock()) {
        state_ = state::waiting;
        progress.set_text("Another installation of " + std::string(product_name) +
                              " is running. This one will go on when it ends" + std::string(dots_, '.') + "\n",
                          false);
        return;
    }
    if (worker_.joinable()) {
        worker_.join();
    }
    state_ = state::running;
    outcome_logged_ = false;
    job_->done.store(false, std::memory_order_release);
    worker_ = std::thread(&uninstall_job::run, &*job_);
}

std::string UninstallPage::progress_lines(std::optional<std::size_t>& failed) const {
    const std::string dots(dots_, '.');
    std::string text;
    for (std::size_t i = 0; i < job_->modules.size(); ++i) {
        const std::string& name = job_->modules[i].release;
        switch (job_->status[i].load(std::memory_order_acquire)) {
        case removal_pending:
            break;
        case removal_running:
            text += "Removing " + full_name() + " " + name + dots + "\n";
            break;
        case removal_done:
            text += full_name() + " " + name + " removed.\n";
            break;
        case removal_already_gone:
            text += full_name() + " " + name + " was already gone.\n";
            break;
        default:
            text += full_name() + " " + name + " could not be removed!\n";
            failed = i;
            break;
        }
    }
    return text + "\n";
}

void UninstallPage::on_tick() {
    dots_ = dots_ + 1 > 3 ? 0 : dots_ + 1;
    if (state_ == state::waiting) {
        start();
        return;
    }
    if (state_ != state::running) {
        return;
    }
    const bool done = job_->done.load(std::memory_order_acquire);
    std::optional<std::size_t> failed;
    const std::string lines = progress_lines(failed);
    progress.set_text(lines, false);
    // As with the install: the outcome waits while another question is open.
    if (!done || frame_.native.has_modal_popup()) {
        return;
    }
    worker_.join();
    log_outcome();
    if (!failed) {
        state_ = state::succeeded;
        show_outcome(lines);
    } else if (!frame_.passive() && ask_retry(*failed)) {
        start();
    } else {
        state_ = state::failed;
        show_outcome(lines);
    }
}

std::string UninstallPage::holders_request(std::size_t failed) const {
    if (!is_held_elsewhere(job_->error[failed].load(std::memory_order_acquire))) {
        return {};
    }
    // Named as the install names them, by the release whose folder the
    // program runs from.
    const release_catalogue releases = release_catalogue::detect();
    const std::size_t index = releases.find(job_->modules[failed].release);
    return module_holders::find(job_->modules[failed].path)
        .close_request(releases, index == releases.size() ? releases.custom() : index);
}

bool UninstallPage::ask_retry(std::size_t failed) {
    const std::string holders = holders_request(failed);
    const std::string message = "The removal of " + full_name() + " " + job_->modules[failed].release +
                                " failed!\nError code: " + std::to_string(removal_failed) +
                                " Please contact support.\n\n" + (holders.empty() ? "" : holders + "\n\n") +
                                "Do you want to retry?";
    norvik::ui::MessagePopup popup;
    popup.setup(&frame_, "Failed to remove", message, norvik::ui::MessagePopup::kind_yes_no);
    const bool retry = popup.show_modal() == 1;
    if (install_log* log = frame_.log()) {
        log->write("Asked whether to retry removing " + job_->modules[failed].release + ": " +
                   (retry ? "Yes, retrying" : "No, the uninstall ends here"));
    }
    return retry;
}

void UninstallPage::show_outcome(const std::string& lines) {
    frame_.native.stop_timer(panel, progress_timer_id);
    switch (state_) {
    case state::succeeded:
        frame_.show_outcome(header, full_name() + " was successfully removed.");
        break;
    case state::failed:
        frame_.show_outcome(header, "Some components of " + full_name() + " could not be removed.");
        break;
    default:
        frame_.show_outcome(header, full_name() + " is not installed on this computer.");
        break;
    }
    std::string text = lines;
    if (state_ != state::nothing_recorded) {
        text += "The folder for your data, " +
                norvik::filesystem::file_path(shared_data_folder::path()).to_display_string() + ", is left in place.\n";
    }
    frame_.show_closing(progress, text);
}

void UninstallPage::log_outcome() {
    install_log* log = frame_.log();
    if (outcome_logged_ || log == nullptr || !job_) {
        outcome_logged_ = true;
        return;
    }
    outcome_logged_ = true;
    log->removal(*job_);
}

void UninstallPage::finish_run() {
    if (worker_.joinable()) {
        worker_.join();
    }
    log_outcome();
}

std::int32_t UninstallPage::exit_code() const {
    switch (state_) {
    case state::nothing_recorded:
        return exit_nothing_recorded;
    case state::declined:
    case state::opening:
    case state::waiting:
        return exit_cancelled;
    default:
        // Closed while it ran: the removal went on to its end.
        return job_ && job_->done.load(std::memory_order_acquire) && job_->complete() ? exit_success : exit_failed;
    }
}

bool UninstallPage::removes_uninstaller_at_exit() const {
    return job_ && job_->remove_uninstaller_at_exit.load(std::memory_order_acquire);
}

} // namespace installer
