#pragma once
// The wizard's last page: the install job running on the frame's worker
// thread, polled every 200 ms into one line per release with its dots
// turning, then the outcome: success, or the first failure with the
// question whether to retry. While another run of the installer holds the
// machine-wide lock, the page says so and waits for it.

#include <cstdint>
#include <optional>
#include <string>

#include "installer/release_catalogue.h"
#include "ui/controls/generic_panel.h"
#include "ui/controls/text_label.h"
#include "ui/core/events/rect.h"

namespace installer {

class InstallerUI;

class ProgressPage {
public:
    explicit ProgressPage(InstallerUI& frame);
    ProgressPage(const ProgressPage&) = delete;
    ProgressPage& operator=(const ProgressPage&) = delete;

    // Places the page, hidden, over `area`.
    void build(const norvik::ui::rect& area);
    // Starts the job for the frame's ticked releases (once this run holds
    // the install lock) and the timer that polls it.
    void start_install();
    // One poll of the job: progress lines, then the outcome once it is done.
    void on_progress_tick();
    // The user confirmed Cancel: a passive run stops before its next target.
    void cancel() { outcome_ = outcome::cancelled; }
    // Waits for a running job (stopping a passive run closed before its
    // outcome) and logs and records what became of it.
    void finish_run();
    // 0 when every target was installed, 1603 when one failed (and no retry
    // was wanted), 1602 when cancelled before the install began; a passive
    // run cancelled later is 1602 too, a wizard's goes on and tells its own
    // outcome.
    [[nodiscard]] std::int32_t exit_code() const;

    norvik::ui::GenericPanel panel;
    norvik::ui::TextLabel header;
    norvik::ui::TextLabel text;

private:
    enum class outcome { pending, succeeded, failed, cancelled };
    // What one poll of the job found: the text of the status lines and the
    // last release that failed, if any.
    struct report {
        std::string text;
        std::optional<std::size_t> failure;
        std::int32_t failure_code = 0;
    };

    // Starts the job on `pending_targets_` once this run holds the lock;
    // false while another run holds it (the next tick tries again).
    bool start_job_when_free();
    [[nodiscard]] report read_job(const std::string& dots);
    void show_final(const report& found);
    // Asks whether to retry after release `failed` ended in `code`.
    bool ask_retry(std::size_t failed, std::int32_t code);
    // Writes what became of the run's targets to the log and the list of
    // installed apps, once per run.
    void record_outcome();

    InstallerUI& frame_;
    outcome outcome_ = outcome::pending;
    // The targets of the run in progress, and of one waiting for the lock.
    target_list run_targets_;
    target_list pending_targets_;
    bool started_ = false;
    // Whether a job was ever started, and whether the last one is recorded.
    bool job_started_ = false;
    bool outcome_recorded_ = true;
    // The dot animation of the progress lines: 0, 1, 2, 3, 0, ... full
    // stops, advanced once per tick.
    std::uint32_t tick_counter_ = 0;
};

} // namespace installer
