#pragma once
// The installer's window: a fixed-size wizard with the logo on the left, a
// title, one page at a time in the middle (welcome, releases, summary,
// progress and outcome; or the uninstall's page) and a footer with Back,
// Next and Cancel/Finish.
//
// This is the frame the pages share: the window and its theme, the logo and
// the title, the footer and the navigation between pages, the keys, the
// Cancel question, the install job with its worker thread, the machine-wide
// lock, and the releases with their ticks and folders. Each page is a unit of
// its own that builds its controls and handles their events. Everything is a
// member, created in the constructor in declaration order and destroyed in
// reverse.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "installer/install_lock.h"
#include "installer/installer_button.h"
#include "installer/progress_page.h"
#include "installer/release_catalogue.h"
#include "installer/release_page.h"
#include "installer/summary_page.h"
#include "installer/system.h"
#include "installer/uninstall_page.h"
#include "installer/welcome_page.h"
#include "render/image.h"
#include "ui/controls/generic_panel.h"
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

// The wizard's pages, in the order Next goes through them.
enum class wizard_page : std::int32_t { welcome, releases, summary, progress };

class InstallerUI : public norvik::ui::window {
public:
    // Builds the window (hidden), detects the host releases and shows the
    // welcome page (the progress page, installing, when passive).
    InstallerUI();
    explicit InstallerUI(wizard_options options);
    // Destroys the system window, waits for a running install job, then
    // destroys the controls.
    ~InstallerUI() override;

    void set_page(wizard_page shown);
    // Back, Next and Cancel/Finish (mouse_up of any button).
    void on_navigation(const norvik::ui::event_info& info);
    void paint_background();
    // Escape presses the third button; Enter presses Next (Finish once the
    // outcome is final) unless a button has the focus. Repeats of a key held
    // down do nothing.
    void on_key(const norvik::ui::event_info& info);

    // What the pages ask of the frame: the releases found (their folders
    // are `paths`), the named releases this machine does not have, the
    // run's log (null without one), whether it is passive or replaces newer
    // modules, the machine-wide lock (false while another run holds it; the
    // first refusal is logged) and whether the run waits for it, an outcome
    // in a page's header with "Finish" on the third button, and the page's
    // last lines with how the window closes.
    [[nodiscard]] const release_catalogue& releases() const { return releases_; }
    [[nodiscard]] const std::vector<std::string>& missing() const { return missing_; }
    [[nodiscard]] install_log* log() const { return options_.log; }
    [[nodiscard]] bool passive() const { return options_.passive; }
    [[nodiscard]] bool replaces_newer() const { return options_.replace_newer; }
    [[nodiscard]] bool take_install_lock();
    [[nodiscard]] bool waiting_for_lock() const { return waiting_for_lock_; }
    void show_outcome(norvik::ui::TextLabel& header, const std::string& text);
    void show_closing(norvik::ui::TextLabel& label, const std::string& outcome);

    // Destroys the system window, waits for a running job (a passive run
    // closed before its outcome stops before its next target) and logs and
    // records what became of it. The destructor does this too.
    void finish_run();
    // The exit code of the run, once finish_run has returned (see
    // ProgressPage::exit_code and UninstallPage::exit_code).
    [[nodiscard]] std::int32_t exit_code() const;

    // The wizard's state and controls, in construction order. Public like
    // the toolkit's own fields, so that a caller can inspect them.
    System job;
    std::thread worker;
    norvik::ui::Image logo;
    norvik::ui::TextLabel title;
    wizard_page page = wizard_page::welcome;
    // One per entry of the release catalogue (the table's ten, then any
    // current releases, Custom last), made once the releases are detected.
    // A deque, so that the boxes bound to the flags never see them move.
    std::deque<bool> selected;
    target_list paths;
    WelcomePage welcome_page;
    ReleasePage release_page{*this};
    SummaryPage summary_page{*this};
    ProgressPage progress_page{*this};
    // Made only for an uninstall.
    UninstallPage uninstall_page{*this};
    InstallerButton back;
    InstallerButton next;
    InstallerButton cancel;
    bool finished = false;

private:
    // The logo's width E, and where every page goes: (E+10, 50) sized
    // W-E-20 by H-110.
    [[nodiscard]] norvik::ui::rect page_area() const;
    norvik::ui::GenericPanel& panel_of(wizard_page shown);
    void load_logo();
    void build_title();
    // The releases and the ticks and custom folder the command line asked
    // for.
    void detect_releases();
    void build_footer();
    void open_uninstall();
    // The focus for a page just shown: its first tab stop, or Next (or the
    // tab stop after it) where it has none.
    void focus_page();
    void ask_cancel();
    // Writes the user's confirmed Cancel, with its page, to the log.
    void log_cancel();
    // A passive run closes itself a few seconds after its outcome, counting
    // them down below the outcome's lines.
    void close_after_outcome(norvik::ui::TextLabel& label, const std::string& outcome);

    wizard_options options_;
    release_catalogue releases_;
    // Releases the command line named that this machine does not have: the
    // releases page names them, a passive run fails for them.
    std::vector<std::string> missing_;
    // Taken when the first run starts, held until the window goes.
    std::optional<install_lock> lock_;
    bool waiting_for_lock_ = false;
    unsigned close_countdown_ = 0;
};

} // namespace installer
