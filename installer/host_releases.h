#pragma once
// The After Effects releases this installer knows, and their detection from
// the host's own registry entries. Everything in the installer that is per
// release (paths, check boxes, targets, statuses) is an array indexed like
// this table; the last entry is the user's custom folder, not a release.

#include <array>
#include <cstddef>

#include "filesystem/file_path.h"

namespace installer {

inline constexpr std::size_t release_count = 10;
inline constexpr std::size_t custom_release = 9;

struct host_release {
    const char* display_name;
    // Name of the release's subkey under "SOFTWARE\Adobe\After Effects", or
    // null for entries that are never detected.
    const wchar_t* registry_key;
};

inline constexpr std::array<host_release, release_count> host_release_table{{
    {"CS3", nullptr},
    {"CS4", nullptr},
    {"CS5", L"10.0"},
    {"CS55", L"10.5"},
    {"CS6", L"11"},
    {"CC", L"12"},
    {"CC2014", L"13"},
    {"CC2015", L"13.5"},
    {"CC2015.3", L"13.8"},
    {"Custom", nullptr},
}};

// One folder per entry of the table. Paths stay in this form from detection
// (or the command line, or the folder dialog for Custom) to the install job.
using release_paths = std::array<norvik::filesystem::file_path, release_count>;

// One plug-in folder per release, empty where the release was not found.
// Never fails: any registry error leaves the entries concerned empty.
[[nodiscard]] release_paths detect_host_releases() noexcept;

} // namespace installer
