#pragma once
// The names and version the installer shows. The version is the project's
// (CMakeLists.txt), handed down by the build as INSTALLER_VERSION_*, the same
// numbers the program's version resource carries.

namespace installer {

inline constexpr char product_name[] = "Quendal";
inline constexpr char product_full_name[] = "Quendal for After Effects";
inline constexpr char vendor_name[] = "Falkmoor";
inline constexpr int version_major = INSTALLER_VERSION_MAJOR;
inline constexpr int version_minor = INSTALLER_VERSION_MINOR;
inline constexpr int version_patch = INSTALLER_VERSION_PATCH;

} // namespace installer
