#include "installer/progress_page.h"

#include <thread>
#include <vector>

#include "installer/install_log.h"
#include "installer/install_plan.h"
#include "installer/install_record.h"
#include "installer/installer_ui.h"
#include "installer/module_version.h"
#include "installer/product.h"
#include "installer/wizard_layout.h"
#include "ui/controls/message_popup.h"
#include "ui/core/events/event_registry.h"

namespace installer {

namespace {

using namespace wizard_layout;

std::string full_name() {
    return product_full_name;
}

} // namespace

ProgressPage::ProgressPage(InstallerUI& frame) : frame_(frame) {}

void ProgressPage::build(const norvik::ui::rect& area) {
    place_page(panel, frame_.root, area, transparent);
    place_label(header, panel, {0, 0, area.width, 25}, transparent_white);
    header.style.alias_style("label_font_weight", "label_install_weight");
    header.set_text("Installing " + full_name() + ", please wait...", false);
    place_label(text, panel, {0, 50, area.width - 20, area.height - 50}, transparent_white);
    text.style.alias_style("label_text_valign", "label_path_text_valign");
    text.automation.automation_id = "Progress";
    text.automation.live_setting = 1; // polite: read out when the reader is idle
}

void ProgressPage::start_install() {
    // One timer and one handler, however often a run is started.
    norvik::ui::disconnect_all(&panel, norvik::ui::event_kind::timer);
    frame_.native.stop_timer(panel, progress_timer_id);
    frame_.native.start_timer(panel, progress_timer_id, progress_interval_ms, false);
    norvik::ui::connect(&panel, norvik::ui::event_kind::timer, this, &ProgressPage::on_progress_tick);
    target_list targets(frame_.paths.size());
    for (std::size_t i = 0; i < frame_.paths.size(); ++i) {
        if (frame_.selected[i]) {
            targets[i] = frame_.paths[i];
        }
    }
    run_targets_ = targets;
    if (install_log* log = frame_.log()) {
        log->targets(frame_.releases(), targets, started_ ? std::vector<std::string>{} : frame_.missing());
    }
    started_ = true;
    // A previous worker is joined first: once it has ended it can no longer
    // set done. Then done is cleared here, on the UI thread, before the new
    // worker exists, so that a tick that comes before the new worker has
    // begun does not see the last run's done.
    if (frame_.worker.joinable()) {
        frame_.worker.join();
    }
    frame_.job.done.store(false, std::memory_order_release);
    pending_targets_ = std::move(targets);
    start_job_when_free();
}

bool ProgressPage::start_job_when_free() {
    if (!frame_.take_install_lock()) {
        return false;
    }
    outcome_recorded_ = false;
    job_started_ = true;
    frame_.job.replace_newer = frame_.replaces_newer();
    frame_.worker = std::thread(&System::run, &frame_.job, std::move(pending_targets_), 1);
    return true;
}

ProgressPage::report ProgressPage::read_job(const std::string& dots) {
    const System& job = frame_.job;
    const release_catalogue& releases = frame_.releases();
    std::vector<std::int32_t> status(job.status.size());
    for (std::size_t i = 0; i < status.size(); ++i) {
        status[i] = job.status[i].load(std::memory_order_acquire);
    }
    report found;
    for (std::size_t i = 0; i < status.size(); ++i) {
        const std::int32_t s = status[i];
        const std::string& name = releases[i].name;
        if (s == status_untouched) {
            continue;
        }
        if (s == status_installing) {
            found.text += "Installing " + full_name() + " " + name + dots + "\n";
        } else if (s == status_installed) {
            found.text += full_name() + " " + name + " installed.\n";
            // An installed release is not written again by a retry.
            frame_.selected[i] = false;
        } else if (s == status_kept) {
            const module_version kept = module_version::unpacked(job.kept_version[i].load(std::memory_order_relaxed));
            found.text +=
                full_name() + " " + name + " kept: a newer " + product_name + " (" + kept.text() + ") is installed.\n";
            frame_.selected[i] = false;
        } else {
            found.text += full_name() + " " + name + " failed to install!\n";
            found.failure = i;
            found.failure_code = s;
        }
    }
    found.text += "\n";
    return found;
}

void ProgressPage::on_progress_tick() {
    const std::string dots(tick_counter_, '.');
    tick_counter_ = tick_counter_ + 1 > 3 ? 0 : tick_counter_ + 1;
    if (frame_.waiting_for_lock() && !start_job_when_free()) {
        text.set_text("Another installation of " + std::string(product_name) +
                          " is running. This installation will go on when it ends" + dots + "\n",
                      false);
        return;
    }
    // Read before the statuses: a tick that sees done sees the whole run.
    const bool done = frame_.job.done.load(std::memory_order_acquire);
    const report found = read_job(dots);
    text.set_text(found.text, false);
    // The outcome waits while another question of the wizard is open (the
    // Cancel question, say): a second pop-up on top of it would nest loops
    // and leave the user two questions at once. The timer keeps running, so
    // the outcome comes with the first tick after the question closes.
    if (done && !frame_.native.has_modal_popup()) {
        show_final(found);
    }
}

void ProgressPage::show_final(const report& found) {
    norvik::ui::disconnect_all(&panel, norvik::ui::event_kind::timer);
    frame_.native.stop_timer(panel, progress_timer_id);
    if (frame_.worker.joinable()) {
        frame_.worker.join();
    }
    record_outcome();
    // A passive run asks nothing: a failure is its outcome, and so is a
    // release it was told to install that this machine does not have.
    const bool missing = frame_.passive() && !frame_.missing().empty();
    if (!found.failure && !missing) {
        outcome_ = outcome::succeeded;
        frame_.show_outcome(header, full_name() + " was successfully installed.");
    } else if (!frame_.passive() && found.failure && ask_retry(*found.failure, found.failure_code)) {
        start_install();
    } else {
        outcome_ = outcome::failed;
        frame_.show_outcome(header, "Some components of " + full_name() + " were not correctly installed.");
    }
    if (frame_.finished) {
        frame_.show_closing(text, found.text + "\n");
    }
}

bool ProgressPage::ask_retry(std::size_t failed, std::int32_t code) {
    const release_catalogue& releases = frame_.releases();
    // Where a running program holds the module, the question names it:
    // closing it is what the user can do before answering Yes.
    const std::string holders =
        code == status_target_unwritable ? frame_.job.holders.close_request(releases, failed) : std::string();
    const std::string message = "The installation of " + full_name() + " " + releases[failed].name +
                                " failed!\nError code: " + std::to_string(code) + " Please contact support.\n\n" +
                                (holders.empty() ? "" : holders + "\n\n") + "Do you want to retry?";
    norvik::ui::MessagePopup popup;
    popup.setup(&frame_, "Failed to install", message, norvik::ui::MessagePopup::kind_yes_no);
    const bool retry = popup.show_modal() == 1;
    if (install_log* log = frame_.log()) {
        log->write("Asked whether to retry " + releases[failed].name + ": " +
                   (retry ? "Yes, retrying" : "No, the install ends here"));
    }
    return retry;
}

void ProgressPage::record_outcome() {
    if (outcome_recorded_) {
        return;
    }
    outcome_recorded_ = true;
    if (install_log* log = frame_.log()) {
        log->outcome(frame_.job, frame_.releases(), run_targets_);
    }
    install_record::after_run(frame_.releases(), run_targets_, frame_.job, frame_.log());
}

void ProgressPage::finish_run() {
    // A passive run closed before its outcome (Cancel confirmed, or the
    // close box) writes no further target; the wizard's own run finishes as
    // it always has.
    if (frame_.passive() && outcome_ != outcome::succeeded && outcome_ != outcome::failed) {
        frame_.job.stop_requested.store(true, std::memory_order_release);
    }
    // The job must finish writing before anything goes: a half-written
    // module is removed by the job itself, but only if it gets to run on.
    if (frame_.worker.joinable()) {
        frame_.worker.join();
    }
    // A run the window was closed on is logged all the same, failures seen
    // while a question was open included.
    record_outcome();
}

std::int32_t ProgressPage::exit_code() const {
    switch (outcome_) {
    case outcome::succeeded:
        return exit_success;
    case outcome::failed:
        return exit_failed;
    case outcome::pending:
    case outcome::cancelled:
        break;
    }
    // Closed before the outcome: the close box, or Cancel confirmed. A
    // passive run stops there; the wizard's install, once it has begun,
    // goes on to its end, and that end is what the code tells.
    if (frame_.passive() || !job_started_) {
        return exit_cancelled;
    }
    for (std::size_t i = 0; i < run_targets_.size(); ++i) {
        if (!run_targets_[i].empty() && !target_succeeded(frame_.job.status[i].load(std::memory_order_acquire))) {
            return exit_failed;
        }
    }
    return exit_success;
}

} // namespace installer
