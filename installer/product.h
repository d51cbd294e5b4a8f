#pragma once
// The names and version the installer shows. The version matches the
// program's version resource.

namespace installer {

inline constexpr char product_name[] = "Quendal";
inline constexpr char product_full_name[] = "Quendal for After Effects";
inline constexpr int version_major = 1;
inline constexpr int version_minor = 0;
inline constexpr int version_patch = 6;

} // namespace installer
