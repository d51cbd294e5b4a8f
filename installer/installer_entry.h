#pragma once
// The program's front door. The copy started by the user only relaunches
// itself with administrator rights, marked by "/UAC" on its command line;
// the marked copy runs the wizard. With /quiet or /passive (see
// command_line.h) an elevated process installs at once and the exit code
// tells how it went; an unelevated one waits for its elevated copy.

#include <cstdint>

namespace installer {

struct wizard_options;

// `tail` is the command line after the program's own path, as the GUI
// start-up hands it over. Returns the process exit code: for the wizard 0,
// or 1 when the elevated relaunch could not be started (declined, for
// example) or an error ended it; for /quiet and /passive the codes of
// install_plan.h.
std::int32_t installer_entry(const wchar_t* tail);

// One complete run of the wizard on the calling thread; returns once the
// window has been closed and destroyed (and any install job has finished).
// Returns the exit code: 0, or 1 when an error ended the run, after a
// message saying so (whether the wizard could not be built, or what stopped
// it once it was shown).
std::int32_t run_installer();
// The same with the wizard's ticks, custom folder, log or passive mode set;
// where the options ask for it, the exit code tells the install's outcome
// (0, 1602 or 1603, see InstallerUI::exit_code).
std::int32_t run_installer(const wizard_options& options);

} // namespace installer
