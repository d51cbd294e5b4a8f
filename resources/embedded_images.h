#pragma once

#include <cstddef>

// The PNG pictures of the user interface, compiled into the program as
// constant byte arrays from resources/images (drawn by
// resources/make_images.py). Every array and size is constant-initialised, so
// static tables may refer to them from any translation unit.
namespace norvik::resources {

// 160 x 310, truecolour with alpha: the side picture of the installer window.
extern const unsigned char side_picture_png[];
extern const std::size_t side_picture_png_size;

// 20 x 20, truecolour with alpha: folder with a blue face.
extern const unsigned char folder_blue_png[];
extern const std::size_t folder_blue_png_size;

// 14 x 28, truecolour: check-box sprite, two 14 x 14 frames (unchecked grey
// face above, checked cyan-blue face below).
extern const unsigned char checkbox_sprite_png[];
extern const std::size_t checkbox_sprite_png_size;

// 5 x 10, truecolour with alpha: small grey right-pointing triangle.
extern const unsigned char triangle_right_png[];
extern const std::size_t triangle_right_png_size;

// 20 x 20, truecolour with alpha: grey folder.
extern const unsigned char folder_grey_png[];
extern const std::size_t folder_grey_png_size;

// 8 x 5, truecolour with alpha: light grey down-pointing triangle.
extern const unsigned char triangle_down_png[];
extern const std::size_t triangle_down_png_size;

// 20 x 20, truecolour with alpha: grey folder with a yellow tab.
extern const unsigned char folder_virtual_png[];
extern const std::size_t folder_virtual_png_size;

// 8 x 8, truecolour with alpha: the scroll bar's arrows, a diamond of opaque
// grey (222, 222, 222) whose halves are the up, down, left and right arrows.
extern const unsigned char scroll_arrow_png[];
extern const std::size_t scroll_arrow_png_size;

} // namespace norvik::resources
