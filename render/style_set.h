#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "render/color.h"
#include "render/image_ref.h"
#include "render/style_key.h"
#include "render/style_table.h"
#include "render/style_value.h"
#include "ui/core/events/event_info.h"
#include "ui/core/events/non_copyable_non_moveable.h"

namespace norvik::ui {

class event_object;

// The theme settings of one widget. A key is resolved through four places:
// this set's alias table (which may rename the key, once: aliases do not
// chain), the widget's own table, the application style table and the
// default style table. The first table holding the key wins, even with an
// empty value, so an empty entry hides the default.
//
// Embedded in its widget and never copied: it keeps a pointer to its own
// table, and its owner receives style_changed.
class StyleSet : public non_copyable_non_moveable {
public:
    explicit StyleSet(event_object* owner);

    // Stores `value` under `key` in the own table, then raises style_changed
    // on the owner with the address of the key's characters. Does not
    // invalidate anything: the caller does.
    void set_style(StyleKey key, StyleValue value);
    void set_style(StyleKey key, const Color& color) { set_style(key, StyleValue::from_color(color)); }

    // From now on, lookups of `from` on this set resolve `to` instead. Raises
    // style_changed on the owner with `from`.
    void alias_style(StyleKey from, StyleKey to);

    // A copy of the resolved value; the empty value for an unknown key.
    StyleValue get_style(StyleKey key) const;

    // Typed readers; they read the resolved value in place and allocate
    // nothing (except style_string's result).
    Color style_color(StyleKey key) const;
    std::int32_t style_int(StyleKey key) const;
    float style_float(StyleKey key) const;
    std::string style_string(StyleKey key) const;
    ImageRef style_image(StyleKey key) const;
    bool style_flag(StyleKey key) const;

    const StyleTable& own_styles() const { return own_; }
    event_object* owner() const { return owner_; }

    // For style_changed handlers: whether the event names `key`. The payload
    // is the address of a NUL-terminated key, so this compares the text, not
    // the address (the same literal may live at several addresses).
    static bool names_key(const event_info& info, StyleKey key);

private:
    // The value that get_style would copy, or nullptr.
    const StyleValue* resolve(StyleKey key) const;

    StyleTable own_;
    const StyleTable* consulted_; // the table looked at after the aliases: own_
    std::unordered_map<StyleKey, StyleKey, StyleKey::Hash> aliases_;
    event_object* owner_;
};

} // namespace norvik::ui
