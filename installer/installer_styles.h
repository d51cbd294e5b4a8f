#pragma once
// The installer's theme: the few keys in which its look differs from the
// toolkit's defaults (light grey Verdana text, the title's size and weight,
// top-aligned intro and path texts). Installed as the application style
// table, so every control of the wizard and of its pop-ups picks them up.

namespace installer {

void apply_installer_styles();

} // namespace installer
