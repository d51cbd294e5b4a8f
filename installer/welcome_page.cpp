#include "installer/welcome_page.h"

#include <cstdio>
#include <string>

#include "installer/product.h"
#include "installer/wizard_layout.h"

namespace installer {

namespace {

std::string version_text() {
    char text[40];
    std::snprintf(text, sizeof text, "%d.%d.%d", version_major, version_minor, version_patch);
    return text;
}

} // namespace

void WelcomePage::build(norvik::ui::widget& root, const norvik::ui::rect& area) {
    using namespace wizard_layout;
    place_page(panel, root, area, transparent);
    place_label(text, panel, {10, 20, area.width, 200}, transparent);
    text.style.alias_style("label_text_valign", "label_intro_text_valign");
    text.set_text(std::string("This will install ") + product_name + " " + version_text() +
                      " plugin on your computer.\n\nIt is recommended that you close all other applications before "
                      "continuing.\n\nClick Next to continue, or Cancel to exit the installer.",
                  false);
}

} // namespace installer
