#include "render/style_table.h"

namespace norvik::ui {

StyleTable::StyleTable() : map_(8) {
    map_.max_load_factor(1.0f);
}

void StyleTable::set(StyleKey key, StyleValue value) {
    map_.insert_or_assign(key, std::move(value));
}

const StyleValue* StyleTable::find(StyleKey key) const {
    const auto it = map_.find(key);
    return it == map_.end() ? nullptr : &it->second;
}

} // namespace norvik::ui
