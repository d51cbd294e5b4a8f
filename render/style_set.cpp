#include "render/style_set.h"

#include <cstring>

#include "render/application_styles.h"
#include "render/default_style_table.h"
#include "ui/core/events/event_registry.h"

namespace norvik::ui {

StyleSet::StyleSet(event_object* owner) : consulted_(&own_), aliases_(8), owner_(owner) {
    aliases_.max_load_factor(1.0f);
}

void StyleSet::set_style(StyleKey key, StyleValue value) {
    own_.set(key, std::move(value));
    emit(owner_, event_kind::style_changed, event_info::pack_pointer(key.data()));
}

void StyleSet::alias_style(StyleKey from, StyleKey to) {
    aliases_.insert_or_assign(from, to);
    emit(owner_, event_kind::style_changed, event_info::pack_pointer(from.data()));
}

const StyleValue* StyleSet::resolve(StyleKey key) const {
    // One alias step only: the aliased key is not looked up in the alias
    // table again, so aliases cannot loop.
    const auto alias = aliases_.find(key);
    const StyleKey k = alias == aliases_.end() ? key : alias->second;
    if (const StyleValue* v = consulted_->find(k)) {
        return v;
    }
    if (const StyleValue* v = application_styles().find(k)) {
        return v;
    }
    return default_style_table().find(k);
}

StyleValue StyleSet::get_style(StyleKey key) const {
    const StyleValue* v = resolve(key);
    return v == nullptr ? StyleValue{} : *v;
}

Color StyleSet::style_color(StyleKey key) const {
    const StyleValue* v = resolve(key);
    return v == nullptr ? Color{} : v->as_color();
}

std::int32_t StyleSet::style_int(StyleKey key) const {
    const StyleValue* v = resolve(key);
    return v == nullptr ? 0 : v->as_int();
}

float StyleSet::style_float(StyleKey key) const {
    const StyleValue* v = resolve(key);
    return v == nullptr ? 0.0f : v->as_float();
}

std::string StyleSet::style_string(StyleKey key) const {
    const StyleValue* v = resolve(key);
    return v == nullptr ? std::string() : v->as_string();
}

ImageRef StyleSet::style_image(StyleKey key) const {
    const StyleValue* v = resolve(key);
    return v == nullptr ? ImageRef{} : v->as_image();
}

bool StyleSet::style_flag(StyleKey key) const {
    const StyleValue* v = resolve(key);
    return v != nullptr && v->as_flag();
}

bool StyleSet::names_key(const event_info& info, StyleKey key) {
    if (info.kind != event_kind::style_changed || info.value == 0) {
        return false;
    }
    const char* changed = info.as_pointer<const char>();
    // Compare the key's bytes, then require the changed name to end there.
    return std::strncmp(changed, key.data(), static_cast<std::size_t>(key.size())) == 0 && changed[key.size()] == '\0';
}

} // namespace norvik::ui
