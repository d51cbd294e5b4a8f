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
#include <string>
#include <thread>

#include "installer/host_releases.h"
#include "installer/installer_button.h"
#include "installer/system.h"
#include "render/image.h"
#include "ui/controls/check_box.h"
#include "ui/controls/generic_panel.h"
#include "ui/controls/scroll_bar.h"
#include "ui/controls/text_label.h"
#include "ui/core/event_info.h"
#include "ui/core/window.h"

namespace installer {

class InstallerUI : public norvik::ui::window {
public:
    // Builds the window (hidden), detects the host releases and shows page 0.
    InstallerUI();
    // Waits for a running install job, then destroys the controls.
    ~InstallerUI() override;

    void set_page(std::int32_t index);
    // Back, Next and Cancel/Finish (mouse_up of any button).
    void on_navigation(const norvik::ui::event_info& info);
    // Browse (mouse_up) and the check boxes (toggled): only Browse and the
    // Custom box act.
    void on_custom_folder(const norvik::ui::event_info& info);
    void paint_background();
    // Escape presses the third button; Enter presses Next (Finish once the
    // outcome is final) unless a button has the focus.
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
    std::array<norvik::ui::CheckBox, release_count> boxes;
    InstallerButton browse;
    norvik::ui::TextLabel custom_path;
    norvik::ui::TextLabel selection_header;
    norvik::ui::GenericPanel summary_panel;
    norvik::ui::ScrollBar summary_scroll;
    norvik::ui::TextLabel progress_text;
    bool finished = false;

private:
    void place_label(norvik::ui::TextLabel& label, norvik::ui::widget& parent, const norvik::ui::rect& r,
                     const norvik::ui::Color& colour);
    void place_release_rows();
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
};

} // namespace installer
