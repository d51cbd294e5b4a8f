#pragma once

#include <cstddef>
#include <unordered_map>

#include "render/style_key.h"
#include "render/style_value.h"

namespace norvik::ui {

// A hash table of theme values by key (djb2). A new table asks for 8 buckets
// (the standard library may round that up) and a maximum load factor of 1.0; copies keep the source's bucket count and
// load factor. Lookups allocate nothing: keys are views.
class StyleTable {
public:
    using map_type = std::unordered_map<StyleKey, StyleValue, StyleKey::Hash>;
    using const_iterator = map_type::const_iterator;

    StyleTable();

    // Inserts, or replaces the value already stored under the key.
    void set(StyleKey key, StyleValue value);
    // The stored value, or nullptr. The pointer is valid until the next set.
    const StyleValue* find(StyleKey key) const;
    bool contains(StyleKey key) const { return find(key) != nullptr; }

    std::size_t size() const { return map_.size(); }
    bool empty() const { return map_.empty(); }
    std::size_t bucket_count() const { return map_.bucket_count(); }
    float max_load_factor() const { return map_.max_load_factor(); }
    void max_load_factor(float f) { map_.max_load_factor(f); }
    void rehash(std::size_t buckets) { map_.rehash(buckets); }

    const_iterator begin() const { return map_.begin(); }
    const_iterator end() const { return map_.end(); }

private:
    map_type map_;
};

} // namespace norvik::ui
