#pragma once

// The Wine test environment as the host sees it (scripts/wine-env.sh): its
// state folder, and shell commands run on the host with the environment's
// variables (NORVIK_WINEPREFIX and the rest), for the faults only the host
// can make: mounts, immutable folders, drive letters.

#include <filesystem>
#include <string>

namespace norvik::test {

// The state folder on the host (set by scripts/wine-run.sh); empty outside
// the environment.
std::string state_dir();

// A file of the state folder, as this program reaches it (through Z:).
std::filesystem::path state_file(const std::string& name);

// A Windows path as the host shell names it, in single quotes (see
// quoted_unix_path); empty outside Wine.
std::string host_path(const std::wstring& windows);

// Runs `commands` in a host shell with the environment's state sourced,
// their output appended to host-commands.log in the state folder; returns
// their exit code, or -1 when they did not report within 20 s.
int run_in_environment(const std::string& commands);

} // namespace norvik::test
