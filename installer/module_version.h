#pragma once
// The version of a plug-in module, as its own version resource gives it: the
// four 16-bit parts of the file version in VS_FIXEDFILEINFO. The install job
// compares the version of the module it carries with that of the module
// already in a plug-in folder, so that it never replaces a newer one.
//
// Both are read from the module's bytes as a file holds them, never by
// loading it: the embedded module from this program's resource in memory, an
// installed one by reading the file. Every offset is checked against what is
// there, so a truncated or hostile module only has no version.

#include <windows.h>

#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "filesystem/file_path.h"

namespace installer {

class module_version {
public:
    constexpr module_version(std::uint16_t major, std::uint16_t minor, std::uint16_t patch, std::uint16_t build)
        : parts_{major, minor, patch, build} {}

    // The version of the module image `bytes`; none when it has no version
    // resource or is not a well-formed module.
    [[nodiscard]] static std::optional<module_version> of_image(const void* bytes, std::size_t size) noexcept;
    // The version of the module in `file`; none as above, or when it cannot
    // be read. A link there is not followed.
    [[nodiscard]] static std::optional<module_version> of_file(const norvik::filesystem::file_path& file) noexcept;
    // The version of the module this program carries as RT_RCDATA `id`.
    [[nodiscard]] static std::optional<module_version> of_resource(WORD id) noexcept;

    // The four parts in one number (major highest), and back, for atomics.
    [[nodiscard]] std::uint64_t packed() const noexcept;
    [[nodiscard]] static module_version unpacked(std::uint64_t packed) noexcept;

    // "1.2.0", with the fourth part only when it is not 0 ("1.2.0.7").
    [[nodiscard]] std::string text() const;

    // Part by part, major first.
    friend auto operator<=>(const module_version&, const module_version&) = default;

private:
    std::uint16_t parts_[4];
};

} // namespace installer
