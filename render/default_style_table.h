#pragma once

#include <utility>
#include <vector>

#include "render/style_key.h"
#include "render/style_table.h"
#include "render/style_value.h"

namespace norvik::ui {

// The built-in theme: every key a toolkit control reads, with the value a
// control that nobody styled uses. Built once, on first use, from
// default_style_entries() and never changed afterwards.
const StyleTable& default_style_table();

// The default entries in table order (200 of them, no key repeated), freshly
// built. The table is filled from them one by one.
std::vector<std::pair<StyleKey, StyleValue>> default_style_entries();

} // namespace norvik::ui
