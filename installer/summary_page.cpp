#include "installer/summary_page.h"

#include <optional>

#include "installer/installer_ui.h"
#include "installer/module_version.h"
#include "installer/product.h"
#include "installer/wizard_layout.h"

namespace installer {

SummaryPage::SummaryPage(InstallerUI& frame) : frame_(frame) {}

void SummaryPage::build(const norvik::ui::rect& area) {
    using namespace wizard_layout;
    place_page(panel, frame_.root, area, {0.0f, 0.0f, 1.0f, 0.0f});
    place_label(header, panel, {0, 15, area.width, 40}, transparent_white);
    header.style.alias_style("label_text_valign", "label_intro_text_valign");
    header.set_text("Click Next to continue with the installation, or click Back if you want to review or "
                    "change any settings.\n",
                    false);
    text_panel.create(panel, {0, 60, area.width, area.height - 60});
    text_panel.style.set_style("default_back_color", summary_back);
    scroll.create(text_panel, {area.width - 15, 0, 15, area.height - 60});
    scroll.style.set_style("default_back_color", scroll_back);
    place_label(text, text_panel, {10, 10, area.width - 35, 800}, summary_back);
    text.style.alias_style("label_font_size", "label_path_font_size");
    text.style.alias_style("label_text_valign", "label_path_text_valign");
    scroll.set_target(&text);
    text.automation.automation_id = "Summary";
    scroll.automation.automation_id = "SummaryScroll";
    // A tab stop, so that the summary scrolls with the keys.
    scroll.focusable = true;
}

void SummaryPage::refresh() {
    text.set_text(summary(), true);
    text.invalidate();
}

std::string SummaryPage::summary() const {
    std::string result = std::string("Installing ") + product_name + " on:\n\n";
    std::string newer;
    for (std::size_t i = 0; i < frame_.paths.size(); ++i) {
        if (!frame_.selected[i]) {
            continue;
        }
        const std::string& name = frame_.releases()[i].name;
        result += name + ":\n" + frame_.paths[i].to_display_string() + "\n\n";
        if (const std::optional<module_version> found = System::newer_module_in(frame_.paths[i])) {
            newer += name + ": a newer " + product_name + " (" + found->text() + ") is installed and is " +
                     (frame_.replaces_newer() ? "replaced, as /force asks\n" : "kept\n");
        }
    }
    return result + newer;
}

} // namespace installer
