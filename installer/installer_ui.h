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
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "installer/host_releases.h"
#include "installer/installer_button.h"
#include "installer/system.h"
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
    // Ticked releases: these indexes (when detected), else every detected one.
    std::optional<std::vector<std::size_t>> releases;
    // The custom folder, ticked when given.
    norvik::filesystem::file_path dir;
    // Straight to the install, no question, closing itself after the outcome.
    bool passive = false;
    // Named releases this machine does not have: a passive run fails for them.
    std::vector<std::size_t> missing;
    // Where the run is logged (targets and outcomes); not owned.
    install_log* log = nullptr;
    // Whether the worker takes the machine-wide install lock itself; false
    // when the caller holds it already for the whole run.
    bool take_install_lock = true;
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
    std::array<bool, release_count> selected{};
    release_paths paths;
    // Made only when page 1's rows do not fit it: the rows, Browse and the
    // path label then scroll in release_list, inside release_view.
    norvik::ui::GenericPanel release_view;
    norvik::ui::ScrollBar release_scroll;
    norvik::ui::GenericPanel release_list;
    std::array<norvik::ui::CheckBox, release_count> boxes;
    InstallerButton browse;
    norvik::ui::TextLabel custom_path;
    norvik::ui::TextLabel selection_header;
    norvik::ui::GenericPanel summary_panel;
    norvik::ui::ScrollBar summary_scroll;
    norvik::ui::TextLabel progress_text;
    bool finished = false;

    // The exit code of a passive run: 0 when everything was installed,
    // 1603 when something failed, 1602 when the user cancelled.
    [[nodiscard]] std::int32_t passive_exit_code() const;

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
    // Asks whether to retry after release `failed` ended in `code`.
    bool ask_retry(std::size_t failed, std::int32_t code);
    // The worker's body: waits for any other run of the installer to end,
    // then runs the job.
    void run_job(target_list targets, std::size_t first_target);
    // A passive run closes itself a few seconds after its outcome.
    void close_after_outcome();

    wizard_options options_;
    run_outcome outcome_ = run_outcome::pending;
    // The targets of the run in progress, for the log.
    target_list run_targets_;
    bool started_ = false;
};

} // namespace installer
