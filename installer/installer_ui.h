#pragma once
// The installer's window: a fixed-size wizard with the logo on the left, a
// title, four pages (welcome, choice of releases, summary, progress and
// outcome) and a footer with Back, Next and Cancel/Finish.
//
// Everything is a member, created in the constructor in declaration order
// and destroyed in reverse; the install job runs on `worker` and is polled
// from the UI thread by a timer on page 3.

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "installer/install_lock.h"
#include "installer/installer_button.h"
#include "installer/release_catalogue.h"
#include "installer/system.h"
#include "installer/uninstall_page.h"
#include "render/image.h"
#include "ui/controls/check_box.h"
#include "ui/controls/generic_panel.h"
#include "ui/controls/scroll_bar.h"
#include "ui/controls/text_label.h"
#include "ui/core/events/event_info.h"
#include "ui/core/window.h"

namespace installer {

class install_log;

// How the command line asked for the wizard. Without switches every field
// keeps its default, and the wizard is exactly the one a user starts.
struct wizard_options {
    // Ticked releases: these (when detected), else every detected one.
    std::optional<std::vector<std::string>> releases;
    // The custom folder, ticked when given.
    norvik::filesystem::file_path dir;
    // Straight to the install, no question, closing itself after the outcome.
    bool passive = false;
    // /force: a newer module already installed is replaced too.
    bool replace_newer = false;
    // Where the run is logged (targets and outcomes); not owned.
    install_log* log = nullptr;
    // Whether the worker takes the machine-wide install lock itself; false
    // when the caller holds it already for the whole run.
    bool take_install_lock = true;
    // Whether the program's exit code tells the outcome (deployment tools
    // that start the wizard with switches read it); without switches a
    // wizard ends with 0, however the install went.
    bool tells_outcome = false;
    // The window removes what the installer recorded instead (see
    // uninstall_page.h).
    bool uninstall = false;
};

class InstallerUI : public norvik::ui::window {
public:
    // Builds the window (hidden), detects the host releases and shows page 0
    // (page 3, installing, when passive).
    InstallerUI();
    explicit InstallerUI(wizard_options options);
    // Destroys the system window, waits for a running install job, then
    // destroys the controls.
    ~InstallerUI() override;

    void set_page(std::int32_t index);
    // Back, Next and Cancel/Finish (mouse_up of any button).
    void on_navigation(const norvik::ui::event_info& info);
    // Browse (mouse_up) and the check boxes (toggled): only Browse and the
    // Custom box act.
    void on_custom_folder(const norvik::ui::event_info& info);
    void paint_background();
    // Escape presses the third button; Enter presses Next (Finish once the
    // outcome is final) unless a button has the focus. Repeats of a key held
    // down do nothing.
    void on_key(const norvik::ui::event_info& info);

    // What the pages ask of the frame: the run's log (null without one),
    // whether it is passive, the machine-wide lock (false while another run
    // holds it; the first refusal is logged), an outcome in a page's header
    // with "Finish" on the third button, and the page's last lines with how
    // the window closes.
    [[nodiscard]] install_log* log() const { return options_.log; }
    [[nodiscard]] bool passive() const { return options_.passive; }
    [[nodiscard]] bool take_install_lock();
    void show_outcome(norvik::ui::TextLabel& header, const std::string& text);
    void show_closing(norvik::ui::TextLabel& label, const std::string& outcome);

    // Starts the job for the selected releases and the timer that polls it.
    void start_install();
    // One poll of the job: progress lines, then the outcome once it is done.
    void on_progress_tick();

    // The wizard's state and controls, in construction order. Public like
    // the toolkit's own fields, so that a caller can inspect them.
    System job;
    std::thread worker;
    norvik::ui::Image logo;
    std::array<norvik::ui::GenericPanel, 4> pages;
    norvik::ui::TextLabel title;
    norvik::ui::TextLabel welcome;
    norvik::ui::TextLabel summary_header;
    norvik::ui::TextLabel summary_text;
    norvik::ui::TextLabel progress_header;
    std::int32_t page = 0;
    InstallerButton back;
    InstallerButton next;
    InstallerButton cancel;
    // One per entry of the release catalogue (the table's ten, then any
    // current releases, Custom last), made once the releases are detected.
    // A deque, so that the boxes bound to the flags never see them move.
    std::deque<bool> selected;
    target_list paths;
    // Made only when page 1's rows do not fit it: the rows, Browse and the
    // path label then scroll in release_list, inside release_view.
    norvik::ui::GenericPanel release_view;
    norvik::ui::ScrollBar release_scroll;
    norvik::ui::GenericPanel release_list;
    std::deque<norvik::ui::CheckBox> boxes;
    InstallerButton browse;
    norvik::ui::TextLabel custom_path;
    norvik::ui::TextLabel selection_header;
    // Page 1's line naming the releases /releases= asked for that this
    // machine does not have; made only when there are any.
    norvik::ui::TextLabel missing_note;
    norvik::ui::GenericPanel summary_panel;
    norvik::ui::ScrollBar summary_scroll;
    norvik::ui::TextLabel progress_text;
    // Made only for an uninstall.
    UninstallPage uninstall_page{*this};
    bool finished = false;

    // Destroys the system window, waits for a running install job (a
    // passive run closed before its outcome stops it before its next target)
    // and logs and records what became of it. The destructor does this too.
    void finish_run();
    // The exit code of the run, once finish_run has returned: 0 when every
    // target was installed, 1603 when one failed (and no retry was wanted),
    // 1602 when cancelled before the install began; a passive run cancelled
    // later is 1602 too, a wizard's goes on and tells its own outcome.
    [[nodiscard]] std::int32_t exit_code() const;

private:
    enum class run_outcome { pending, succeeded, failed, cancelled };
    // The pages' common measures: the logo's width E, and the page's width
    // W-E-20 and height H-110.
    struct page_geometry {
        std::int32_t logo_width;
        std::int32_t width;
        std::int32_t height;
    };

    // The constructor's steps, in the order the controls are made.
    void load_logo();
    void build_title();
    void build_welcome_page();
    void build_release_page();
    void build_summary_page();
    void build_progress_page();
    void build_footer();
    page_geometry geometry() const;
    // A page: placed visible and hidden at once, as every page starts.
    void place_page(norvik::ui::GenericPanel& panel, const norvik::ui::Color& colour);
    void place_label(norvik::ui::TextLabel& label, norvik::ui::widget& parent, const norvik::ui::rect& r,
                     const norvik::ui::Color& colour);
    void place_release_rows();
    // The scrolled list of page 1 for rows that do not fit; returns the list.
    norvik::ui::widget& place_release_view(std::int32_t browse_y);
    // Scrolls page 1's list so that `w`, taking the focus, is in view.
    void reveal_on_focus(norvik::ui::widget& w);
    void reveal(const norvik::ui::widget& w);
    // Whether Next on page 1 leads to an install that writes something.
    bool has_targets() const;
    // Names the controls for screen readers and scripts.
    void set_automation_ids();
    // The focus for a page just shown: its first tab stop, or Next (or the
    // tab stop after it) where it has none.
    void focus_page();
    void choose_custom_folder();
    std::string build_summary() const;
    // Shows a final outcome: its header, and "Finish" on the third button.
    void finish(const std::string& header);
    // The index of the custom folder: the last of every per-release list.
    std::size_t custom() const { return releases_.custom(); }
    // Asks whether to retry after release `failed` ended in `code`.
    bool ask_retry(std::size_t failed, std::int32_t code);
    // Starts the job on `pending_targets_` once this run holds the
    // machine-wide install lock; false while another run holds it (the
    // progress tick then tries again).
    bool start_job_when_free();
    // Writes what became of the run's targets to the log, once per run.
    void log_outcome();
    // Writes the user's confirmed Cancel, with its page, to the log.
    void log_cancel();
    // A passive run closes itself a few seconds after its outcome, counting
    // them down below the outcome's lines.
    void close_after_outcome(norvik::ui::TextLabel& label, const std::string& outcome);
    void open_uninstall();

    wizard_options options_;
    // The releases' names and keys; their folders are `paths`.
    release_catalogue releases_;
    // Releases the command line named that this machine does not have: the
    // wizard names them, a passive run fails for them.
    std::vector<std::string> missing_;
    run_outcome outcome_ = run_outcome::pending;
    // The targets of the run in progress, for the log.
    target_list run_targets_;
    // The targets of a run waiting for the install lock.
    target_list pending_targets_;
    bool started_ = false;
    // Taken when the first run starts, held until the window goes.
    std::optional<install_lock> lock_;
    bool waiting_for_lock_ = false;
    // Whether a job was ever started, and whether the last one is logged.
    bool job_started_ = false;
    bool outcome_logged_ = true;
    // The dot animation of the progress lines: 0, 1, 2, 3, 0, ... full stops,
    // advanced once per tick.
    std::uint32_t tick_counter_ = 0;
    unsigned close_countdown_ = 0;
};

} // namespace installer
