#pragma once
// The uninstall as a person sees it, in the wizard's window: one question
// naming the releases the modules are removed from, then a page with the
// removal's progress and outcome, and the same retry question as the install
// for a module that could not be removed. A passive uninstall asks nothing
// and closes itself after the outcome.

#include <cstdint>
#include <optional>
#include <string>
#include <thread>

#include "installer/uninstall_job.h"
#include "ui/controls/generic_panel.h"
#include "ui/controls/text_label.h"
#include "ui/core/events/rect.h"

namespace installer {

class InstallerUI;

class UninstallPage {
public:
    explicit UninstallPage(InstallerUI& frame);
    UninstallPage(const UninstallPage&) = delete;
    UninstallPage& operator=(const UninstallPage&) = delete;
    // Waits for a running removal.
    ~UninstallPage();

    // Places the page, hidden, in the frame's root over `area`.
    void build(const norvik::ui::rect& area);
    // Shows the page; once the window is up, asks and removes.
    void open();
    // Waits for a running removal and logs what became of it.
    void finish_run();
    // 0 when everything recorded is gone, 1603 when a module stayed, 1605
    // when nothing was recorded, 1602 when the question was answered No.
    [[nodiscard]] std::int32_t exit_code() const;
    // Whether the uninstaller must be removed once this process has ended.
    [[nodiscard]] bool removes_uninstaller_at_exit() const;

    norvik::ui::GenericPanel panel;
    norvik::ui::TextLabel header;
    norvik::ui::TextLabel progress;

private:
    enum class state { opening, waiting, running, succeeded, failed, nothing_recorded, declined };

    // Asks once, naming the releases; then starts.
    void ask();
    void start();
    void on_tick();
    // The status lines of the removal, and the last module that failed.
    std::string progress_lines(std::optional<std::size_t>& failed) const;
    bool ask_retry(std::size_t failed);
    // The line naming the programs that hold the module of `failed`, when
    // it was held; empty otherwise.
    std::string holders_request(std::size_t failed) const;
    void show_outcome(const std::string& lines);
    void log_outcome();

    InstallerUI& frame_;
    std::optional<uninstall_job> job_;
    std::thread worker_;
    state state_ = state::opening;
    bool outcome_logged_ = true;
    std::uint32_t dots_ = 0;
};

} // namespace installer
