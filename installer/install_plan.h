#pragma once
// What a run started with switches installs: the detected releases (all, or
// those named by /releases=) and the folder of /dir=, as the install job's
// target list, plus the named releases this machine does not have. Also the
// exit code the run ends with, in the codes deployment tools know.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "filesystem/file_path.h"
#include "installer/release_catalogue.h"
#include "installer/system.h"

namespace installer {

// The exit codes of /quiet and /passive (Windows' own installer codes).
inline constexpr std::int32_t exit_success = 0;
inline constexpr std::int32_t exit_bad_value = 87;          // ERROR_INVALID_PARAMETER
inline constexpr std::int32_t exit_cancelled = 1602;        // ERROR_INSTALL_USEREXIT
inline constexpr std::int32_t exit_failed = 1603;           // ERROR_INSTALL_FAILURE
inline constexpr std::int32_t exit_nothing_recorded = 1605; // ERROR_UNKNOWN_PRODUCT: nothing to uninstall
inline constexpr std::int32_t exit_already_running = 1618;  // ERROR_INSTALL_ALREADY_RUNNING

class install_plan {
public:
    // `releases`: the releases named, or every detected release when unset;
    // `dir`: the custom folder, or empty; `replace_newer`: /force.
    install_plan(const std::optional<std::vector<std::string>>& releases, const norvik::filesystem::file_path& dir,
                 const release_catalogue& detected, bool replace_newer = false);

    // Nothing to write and nothing named that could have been.
    [[nodiscard]] bool empty() const;
    // exit_success when every target was installed (or kept, holding a
    // newer module) and every named release was there; exit_failed
    // otherwise.
    [[nodiscard]] std::int32_t exit_code(const System& job) const;

    // One per entry of the release list, Custom last.
    target_list targets;
    // Named releases without a plug-in folder on this machine: failed
    // targets, though the others are still installed.
    std::vector<std::string> missing;
    // /force: the job replaces a newer module too.
    bool replace_newer;
};

} // namespace installer
