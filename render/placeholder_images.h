#pragma once

#include <cstddef>

// Stand-ins for the embedded PNG images that the default theme refers to.
// They have the real images' byte lengths but hold no picture (all zero
// bytes, which no decoder accepts, so a control simply draws nothing). The
// real arrays replace them under the same names.
namespace norvik::resources {

extern const unsigned char folder_blue_png[];    // 20 x 20 folder, blue face
extern const std::size_t folder_blue_png_size;
extern const unsigned char checkbox_sprite_png[]; // 14 x 28, two frames
extern const std::size_t checkbox_sprite_png_size;
extern const unsigned char triangle_right_png[]; // 5 x 10 grey triangle
extern const std::size_t triangle_right_png_size;
extern const unsigned char folder_grey_png[];    // 20 x 20 folder, grey
extern const std::size_t folder_grey_png_size;
extern const unsigned char triangle_down_png[];  // 8 x 5 light grey triangle
extern const std::size_t triangle_down_png_size;
extern const unsigned char folder_virtual_png[]; // 20 x 20 folder, yellow accent
extern const std::size_t folder_virtual_png_size;

} // namespace norvik::resources
