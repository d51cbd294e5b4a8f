#pragma once
// The program's front door. The copy started by the user only relaunches
// itself with administrator rights, marked by "/UAC" on its command line;
// the marked copy runs the wizard.

#include <cstdint>

namespace installer {

// `tail` is the command line after the program's own path, as the GUI
// start-up hands it over. Returns the process exit code: 0, or 1 when the
// elevated relaunch could not be started (declined, for example) or an
// error ended the wizard.
std::int32_t installer_entry(const wchar_t* tail);

// One complete run of the wizard on the calling thread; returns once the
// window has been closed and destroyed (and any install job has finished).
// Returns the exit code: 0, or 1 when an error ended the run, after a
// message saying so (whether the wizard could not be built, or what stopped
// it once it was shown).
std::int32_t run_installer();

} // namespace installer
