#include "render/placeholder_images.h"

namespace norvik::resources {

const unsigned char folder_blue_png[867] = {};
const std::size_t folder_blue_png_size = sizeof(folder_blue_png);
const unsigned char checkbox_sprite_png[673] = {};
const std::size_t checkbox_sprite_png_size = sizeof(checkbox_sprite_png);
const unsigned char triangle_right_png[258] = {};
const std::size_t triangle_right_png_size = sizeof(triangle_right_png);
const unsigned char folder_grey_png[703] = {};
const std::size_t folder_grey_png_size = sizeof(folder_grey_png);
const unsigned char triangle_down_png[2826] = {};
const std::size_t triangle_down_png_size = sizeof(triangle_down_png);
const unsigned char folder_virtual_png[907] = {};
const std::size_t folder_virtual_png_size = sizeof(folder_virtual_png);

} // namespace norvik::resources
