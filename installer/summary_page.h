#pragma once
// The wizard's summary: where the plug-in will go, release by release, and
// which newer modules are kept, in a panel that scrolls when the list is
// long. Its text is made each time the page is shown.

#include "ui/controls/generic_panel.h"
#include "ui/controls/scroll_bar.h"
#include "ui/controls/text_label.h"
#include "ui/core/events/rect.h"

#include <string>

namespace installer {

class InstallerUI;

class SummaryPage {
public:
    explicit SummaryPage(InstallerUI& frame);
    SummaryPage(const SummaryPage&) = delete;
    SummaryPage& operator=(const SummaryPage&) = delete;

    // Places the page, hidden, over `area`.
    void build(const norvik::ui::rect& area);
    // The summary of the frame's current ticks and folders, fitted to its
    // text so that the scroll bar can scroll it.
    void refresh();

    norvik::ui::GenericPanel panel;
    norvik::ui::TextLabel header;
    norvik::ui::GenericPanel text_panel;
    norvik::ui::ScrollBar scroll;
    norvik::ui::TextLabel text;

private:
    [[nodiscard]] std::string summary() const;

    InstallerUI& frame_;
};

} // namespace installer
