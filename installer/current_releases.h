#pragma once
// The After Effects releases from CC 2017 on, and those still to come. The
// host registers each under "SOFTWARE\Adobe\After Effects\<major>.0", a name
// that stays the same across a release's minor updates, so no table is
// needed: any such key with a major of 14 or more is a release, named after
// its year ("CC2017", "CC2018", "CC2019", "2020", "2021", then "2022" and so
// on; versions 19 to 21 were never released).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "filesystem/file_path.h"

namespace installer {

struct current_release {
    unsigned major;
    // The subkey it was found under ("25.0").
    std::wstring key;
    norvik::filesystem::file_path folder;
};

// The major version a subkey name stands for: "<major>.0" with a major of 14
// or more, digits only, no leading zero, at most three digits, and not one of
// the versions never released. None for every other name.
[[nodiscard]] std::optional<unsigned> current_release_major(std::wstring_view key) noexcept;

// The display name of a release by its major version ("2025" for 25).
[[nodiscard]] std::string current_release_name(unsigned major);

// The major version of a display name, compared without regard to case
// ("cc2017" is 14), whether or not that release is installed here.
[[nodiscard]] std::optional<unsigned> current_release_named(std::wstring_view name);

// Whether `typed` is the release name `name` in any case ("cc2015" is
// "CC2015"), as names are compared wherever a user types them.
[[nodiscard]] bool is_release_name(std::wstring_view typed, std::string_view name) noexcept;

// Every current release registered on this machine, in version order, with
// its plug-in folder: "PluginInstallPath" (a REG_EXPAND_SZ expanded), else
// the "Plug-ins" folder inside "InstallPath" when that folder exists.
// Releases without either are not installed. Never fails: registry errors
// leave the releases concerned out.
[[nodiscard]] std::vector<current_release> detect_current_releases() noexcept;

} // namespace installer
