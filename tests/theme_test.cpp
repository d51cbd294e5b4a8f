// Theme registry: key resolution through aliases, own, application and
// default tables; style_changed; value encodings; table copies; the default
// theme's 200 keys; enumerations; allocation-free lookups.
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "render/application_styles.h"
#include "render/color.h"
#include "render/default_style_table.h"
#include "render/image_ref.h"
#include "render/style_enums.h"
#include "render/style_key.h"
#include "render/style_set.h"
#include "render/style_table.h"
#include "render/style_value.h"
#include "resources/embedded_images.h"
#include "ui/core/events/event_object.h"
#include "ui/core/events/event_registry.h"

// Counting allocator for the "lookups allocate nothing" check. Only counts
// while `counting` is set, on this (single) test thread.
#if defined(__GNUC__) && !defined(__clang__)
// Once the replacement delete is inlined, GCC sees free() on memory from
// operator new and warns, although this pair is consistent.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
} // namespace

void* operator new(std::size_t size) {
    if (counting) {
        ++allocations;
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace ui = norvik::ui;
using ui::Color;
using ui::event_info;
using ui::event_kind;
using ui::StyleKey;
using ui::StyleTable;
using ui::StyleValue;

namespace {

// Stands in for a widget: an event object with an embedded StyleSet whose
// owner it is, recording the keys of its style_changed events.
struct widget_stub : ui::event_object {
    widget_stub() { ui::connect(this, event_kind::style_changed, this, &widget_stub::on_style_changed); }
    void on_style_changed(const event_info& info) {
        changed.push_back(info.as_pointer<const char>());
        changed_names.emplace_back(info.as_pointer<const char>());
    }

    ui::StyleSet style{this};
    std::vector<const char*> changed;
    std::vector<std::string> changed_names;
};

class Theme : public ::testing::Test {
protected:
    void SetUp() override { ui::set_application_styles(StyleTable()); }
    void TearDown() override { ui::set_application_styles(StyleTable()); }
};

constexpr Color magenta{1.0f, 0.0f, 1.0f, 1.0f};
constexpr Color transparent{0.0f, 0.0f, 0.0f, 0.0f};

TEST_F(Theme, UnstyledWidgetsReadTheDefaultsAndUnknownKeysAreEmpty) {
    widget_stub w;
    EXPECT_EQ(w.style.style_color("default_back_color"), magenta);
    EXPECT_EQ(w.style.style_string("label_font_name"), "tahoma");
    EXPECT_EQ(w.style.style_float("label_font_size"), 11.0f);
    EXPECT_EQ(w.style.style_int("button_font_weight"), 2);

    const ui::ImageRef box = w.style.style_image("checkbox_image");
    EXPECT_NE(box.data, nullptr);
    EXPECT_EQ(box.data, norvik::resources::checkbox_sprite_png);
    EXPECT_EQ(box.length, norvik::resources::checkbox_sprite_png_size);
    EXPECT_EQ(box.frame_count, 2);
    EXPECT_EQ(box.scale, 1.0f);
    EXPECT_EQ(w.style.style_image("button_back_image").length, 0u);

    const StyleValue unknown = w.style.get_style("no_such_key");
    EXPECT_TRUE(unknown.payload.empty());
    EXPECT_EQ(unknown.color, transparent);
    EXPECT_EQ(w.style.style_int("no_such_key"), 0);
    EXPECT_EQ(w.style.style_float("no_such_key"), 0.0f);
    EXPECT_EQ(w.style.style_image("no_such_key").length, 0u);
    EXPECT_TRUE(w.changed.empty());
}

TEST_F(Theme, OwnTableThenApplicationTableThenDefaults) {
    StyleTable app;
    app.set("label_font_color", StyleValue::from_color({0.784f, 0.784f, 0.784f, 1.0f}));
    app.set("label_font_name", StyleValue::from_string("verdana"));
    app.set("checkbox_font_name", StyleValue()); // an empty entry still wins
    ui::set_application_styles(app);

    widget_stub styled;
    widget_stub plain;
    styled.style.set_style("label_font_color", Color{1.0f, 0.0f, 0.0f, 1.0f});
    styled.style.set_style("default_back_color", transparent);

    EXPECT_EQ(styled.style.style_color("label_font_color"), (Color{1.0f, 0.0f, 0.0f, 1.0f}));
    EXPECT_EQ(plain.style.style_color("label_font_color"), (Color{0.784f, 0.784f, 0.784f, 1.0f}));
    EXPECT_EQ(plain.style.style_string("label_font_name"), "verdana");
    EXPECT_EQ(plain.style.style_float("label_font_size"), 11.0f);

    // A transparent background in the own table hides the magenta default.
    EXPECT_EQ(styled.style.style_color("default_back_color"), transparent);
    EXPECT_EQ(plain.style.style_color("default_back_color"), magenta);
    EXPECT_EQ(plain.style.style_string("checkbox_font_name"), "");

    // Replacing an own value, and the own table holding only what was set.
    styled.style.set_style("label_font_color", Color{0.0f, 1.0f, 0.0f, 1.0f});
    EXPECT_EQ(styled.style.style_color("label_font_color"), (Color{0.0f, 1.0f, 0.0f, 1.0f}));
    EXPECT_EQ(styled.style.own_styles().size(), 2u);

    // The application table is replaced wholesale, not merged.
    StyleTable other;
    other.set("label_font_size", StyleValue::from_float(9.0f));
    ui::set_application_styles(other);
    EXPECT_EQ(plain.style.style_string("label_font_name"), "tahoma");
    EXPECT_EQ(plain.style.style_float("label_font_size"), 9.0f);
}

TEST_F(Theme, AliasesRenameOnceOnOneWidget) {
    StyleTable app;
    app.set("title_font_size", StyleValue::from_float(15.0f));
    app.set("label_intro_text_valign", StyleValue::from_int(1));
    app.set("label_path_text_valign", StyleValue::from_int(2));
    app.set("label_path_font_size", StyleValue::from_float(10.0f));
    ui::set_application_styles(app);

    widget_stub title;
    widget_stub body;
    title.style.alias_style("label_font_size", "title_font_size");
    EXPECT_EQ(title.style.style_float("label_font_size"), 15.0f);
    EXPECT_EQ(body.style.style_float("label_font_size"), 11.0f);

    // The aliased key goes through all four steps, own table first.
    title.style.set_style("title_font_size", StyleValue::from_float(20.0f));
    EXPECT_EQ(title.style.style_float("label_font_size"), 20.0f);

    // A later alias for the same key replaces the earlier one.
    body.style.alias_style("label_font_size", "label_path_font_size");
    EXPECT_EQ(body.style.style_float("label_font_size"), 10.0f);

    // Aliases do not chain: valign -> intro, and intro -> path is ignored.
    body.style.alias_style("label_text_valign", "label_intro_text_valign");
    body.style.alias_style("label_intro_text_valign", "label_path_text_valign");
    EXPECT_EQ(body.style.style_int("label_text_valign"), 1);
    EXPECT_EQ(body.style.style_int("label_intro_text_valign"), 2);

    // An alias to a key that no table holds hides the default of the key asked.
    body.style.alias_style("label_font_color", "label_nowhere_color");
    EXPECT_EQ(body.style.style_color("label_font_color"), transparent);
    EXPECT_EQ(title.style.style_color("label_font_color"), (Color{1.0f, 1.0f, 1.0f, 1.0f}));

    // Even two aliases pointing at each other resolve in one step.
    widget_stub loop;
    loop.style.alias_style("label_font_name", "checkbox_font_name");
    loop.style.alias_style("checkbox_font_name", "label_font_name");
    EXPECT_EQ(loop.style.style_string("label_font_name"), "tahoma");
}

TEST_F(Theme, ChangesRaiseStyleChangedWithTheKeysCharacters) {
    widget_stub w;
    static const char image_key[] = "checkbox_image";
    std::vector<float> sizes_seen;
    ui::connect(&w, event_kind::style_changed,
                [&](const event_info&) { sizes_seen.push_back(w.style.style_float("label_font_size")); });

    w.style.set_style(image_key, StyleValue::from_image({}));
    w.style.set_style("label_font_size", StyleValue::from_float(14.0f));
    w.style.alias_style("label_font_weight", "title_font_weight");
    ASSERT_EQ(w.changed.size(), 3u);
    EXPECT_EQ(w.changed[0], image_key); // the address of the characters
    EXPECT_EQ(w.changed_names, (std::vector<std::string>{"checkbox_image", "label_font_size", "label_font_weight"}));
    // The value is stored before the event is raised.
    EXPECT_EQ(sizes_seen.back(), 14.0f);

    // Handlers compare the name as text, not by address, and all of it.
    event_info info{&w, event_kind::style_changed, event_info::pack_pointer(image_key)};
    const std::string same_text = "checkbox_image";
    EXPECT_TRUE(ui::StyleSet::names_key(info, StyleKey(same_text.c_str(), same_text.size())));
    EXPECT_TRUE(ui::StyleSet::names_key(info, "checkbox_image"));
    EXPECT_FALSE(ui::StyleSet::names_key(info, "checkbox"));
    EXPECT_FALSE(ui::StyleSet::names_key(info, "checkbox_image_2"));
    info.kind = event_kind::paint;
    EXPECT_FALSE(ui::StyleSet::names_key(info, "checkbox_image"));

    // Installing application styles notifies nobody.
    ui::set_application_styles(StyleTable());
    EXPECT_EQ(w.changed.size(), 3u);
}

// Keys must outlive the tables, so generated names live to the end of the run.
const std::array<std::string, 100>& many_keys() {
    static const std::array<std::string, 100> keys = [] {
        std::array<std::string, 100> k;
        for (std::size_t i = 0; i < k.size(); ++i) {
            k[i] = "generated_key_number_" + std::to_string(i) + "_color";
        }
        return k;
    }();
    return keys;
}

StyleKey generated(std::size_t i) {
    return StyleKey(many_keys()[i].data(), many_keys()[i].size());
}

TEST(StyleTable, CopiesAreDeepAndKeepTheirShape) {
    const StyleTable fresh;
    // 8 requested; libstdc++ rounds bucket counts up to a prime.
    EXPECT_GE(fresh.bucket_count(), 8u);
    EXPECT_EQ(fresh.max_load_factor(), 1.0f);

    auto original = std::make_unique<StyleTable>();
    original->max_load_factor(0.5f);
    for (std::size_t i = 0; i < many_keys().size(); ++i) {
        original->set(generated(i), StyleValue::from_string(std::string(40, static_cast<char>('a' + i % 26))));
    }
    StyleTable copy = *original;
    EXPECT_EQ(copy.bucket_count(), original->bucket_count());
    EXPECT_EQ(copy.max_load_factor(), 0.5f);

    copy.set(generated(3), StyleValue::from_int(3));
    EXPECT_EQ(original->find(generated(3))->payload, std::string(40, 'd'));
    original.reset();
    ASSERT_EQ(copy.size(), 100u);
    EXPECT_EQ(copy.find(generated(99))->payload, std::string(40, 'a' + 99 % 26));
    EXPECT_EQ(copy.find(generated(3))->as_int(), 3);
}

TEST_F(Theme, ApplicationStylesAreACopy) {
    StyleTable source;
    source.max_load_factor(0.25f);
    source.rehash(64);
    source.set("label_font_name", StyleValue::from_string("a family name longer than any inline buffer"));
    ui::set_application_styles(source);
    EXPECT_EQ(ui::application_styles().bucket_count(), source.bucket_count());
    EXPECT_EQ(ui::application_styles().max_load_factor(), 0.25f);

    source.set("label_font_name", StyleValue::from_string("changed afterwards"));
    widget_stub w;
    EXPECT_EQ(w.style.style_string("label_font_name"), "a family name longer than any inline buffer");

    // Installing the current table again must not read from a cleared one.
    ui::set_application_styles(ui::application_styles());
    EXPECT_EQ(w.style.style_string("label_font_name"), "a family name longer than any inline buffer");
}

TEST(StyleKey, HashIsDjb2OverSignedCharsAndEqualityIsByBytes) {
    EXPECT_EQ(StyleKey("").djb2(), 5381u);
    EXPECT_EQ(StyleKey("a").djb2(), 177670u);
    EXPECT_EQ(StyleKey("checkbox_image").djb2(), 3403633230u);
    EXPECT_EQ(StyleKey("default_back_color").djb2(), 1689766648u);
    // "café" in UTF-8: the bytes 0xC3 0xA9 count as negative numbers.
    EXPECT_EQ(StyleKey("caf\xc3\xa9").djb2(), 255153275u);
    EXPECT_EQ(StyleKey::Hash{}(StyleKey("checkbox_image")), 3403633230u);

    EXPECT_EQ(StyleKey("abc", 2), StyleKey("ab"));
    EXPECT_FALSE(StyleKey("abc") == StyleKey("abd"));
    EXPECT_FALSE(StyleKey("ab") == StyleKey("abc"));
}

TEST(StyleValue, EncodingsAreFixedAndShortPayloadsReadAsNothing) {
    EXPECT_EQ(StyleValue::from_int(-2).payload, std::string("\xfe\xff\xff\xff", 4));
    EXPECT_EQ(StyleValue::from_int(0x01020304).payload, std::string("\x04\x03\x02\x01", 4));
    EXPECT_EQ(StyleValue::from_float(11.0f).payload, std::string("\x00\x00\x30\x41", 4));
    EXPECT_EQ(StyleValue::from_flag(true).payload, std::string(1, '\1'));
    EXPECT_EQ(StyleValue::from_string("tahoma").payload, "tahoma");
    EXPECT_EQ(StyleValue::from_color({0.5f, 0.25f, 0.0f, 1.0f}).payload, "");
    EXPECT_EQ(StyleValue::from_int(5).color, transparent);
    EXPECT_EQ(StyleValue::from_int(-7).as_int(), -7);
    EXPECT_EQ(StyleValue::from_float(-0.125f).as_float(), -0.125f);

    static const unsigned char bytes[3] = {1, 2, 3};
    const StyleValue image = StyleValue::from_image({bytes, 3, 4, 2.0f});
    ASSERT_EQ(image.payload.size(), 24u);
    const ui::ImageRef back = image.as_image();
    EXPECT_EQ(back.data, bytes);
    EXPECT_EQ(back.length, 3u);
    EXPECT_EQ(back.frame_count, 4);
    EXPECT_EQ(back.scale, 2.0f);

    const StyleValue short_value = StyleValue::from_string("abc");
    EXPECT_EQ(short_value.as_int(), 0);
    EXPECT_EQ(short_value.as_float(), 0.0f);
    EXPECT_EQ(short_value.as_image().length, 0u);
    EXPECT_EQ(short_value.as_image().data, nullptr);
}

// The default theme's keys, family by family, in table order.
// Packed by family, one family to a few lines.
// clang-format off
const std::vector<std::string_view> expected_default_keys = {
    "default_back_color",
    "focus_outline_color",
    "checkbox_back_color", "checkbox_border_color_normal", "checkbox_border_color_hover",
    "checkbox_border_color_focus", "checkbox_border_width", "checkbox_font_name", "checkbox_font_style",
    "checkbox_font_weight", "checkbox_font_color", "checkbox_font_size", "checkbox_image",
    "colorcontrol_gradient_1", "colorcontrol_gradient_2", "colorcontrol_border_color_normal",
    "colorcontrol_border_color_hover", "colorcontrol_border_color_focus", "colorcontrol_back_color_disabled",
    "dropdown_text_part_color", "dropdown_text_part_color_hover", "dropdown_gradient_text",
    "dropdown_gradient_text_1", "dropdown_gradient_text_2", "dropdown_button_part_color",
    "dropdown_button_part_color_hover", "dropdown_gradient_button", "dropdown_gradient_button_1",
    "dropdown_gradient_button_2", "dropdown_button_image", "dropdown_border_color_normal",
    "dropdown_border_color_hover", "dropdown_border_color_focus", "dropdown_font_name", "dropdown_font_style",
    "dropdown_font_weight", "dropdown_font_color", "dropdown_font_size", "dropdown_text_align",
    "button_color_normal", "button_color_hover", "button_color_toggle", "button_border_color_normal",
    "button_border_color_hover", "button_border_color_focus", "button_font_name", "button_font_style",
    "button_font_weight", "button_font_color", "button_font_color_hover", "button_font_color_pressed",
    "button_font_size", "button_back_image",
    "menubar_back_color_selected", "menubar_back_color_highlight", "menubar_font_name", "menubar_font_style",
    "menubar_font_weight", "menubar_font_color", "menubar_font_color_selected", "menubar_font_color_highlight",
    "menubar_font_size",
    "splitpanel_back_color", "splitpanel_border_color", "splitpanel_mark_color", "splitpanel_split_thickness",
    "tooltip_back_color", "tooltip_border_color", "tooltip_border_color_1", "tooltip_font_name",
    "tooltip_title_font_name", "tooltip_font_style", "tooltip_font_weight", "tooltip_title_font_style",
    "tooltip_title_font_weight", "tooltip_font_color", "tooltip_title_font_color", "tooltip_font_size",
    "tooltip_title_font_size",
    "multicolumn_header_color", "multicolumn_header_divider_color", "multicolumn_header_font_name",
    "multicolumn_header_font_style", "multicolumn_header_font_weight", "multicolumn_header_font_color",
    "multicolumn_header_font_size", "multicolumn_font_name", "multicolumn_font_style",
    "multicolumn_font_weight", "multicolumn_font_size", "multicolumn_font_color",
    "multicolumn_font_color_selected", "multicolumn_font_color_disabled", "multicolumn_back_color_selected",
    "multicolumn_font_color_highlighted", "multicolumn_divider_color", "multicolumn_line_color",
    "tabcontainer_line_color",
    "tabbutton_gradient_1", "tabbutton_gradient_2", "tabbutton_gradient_1_selected",
    "tabbutton_gradient_2_selected", "tabbutton_gradient_1_hover", "tabbutton_font_name", "tabbutton_font_style",
    "tabbutton_font_weight", "tabbutton_font_size", "tabbutton_font_color", "tabbutton_font_color_selected",
    "float_font_name", "float_font_style", "float_font_weight", "float_font_size", "float_font_color",
    "float_font_color_disabled", "float_input_back_color", "float_input_font_color",
    "float_input_font_default_text_color",
    "multifloat_font_name", "multifloat_font_size", "multifloat_font_weight", "multifloat_font_style",
    "multifloat_font_color",
    "input_border_color", "input_selection_color", "input_ime_cursor_color", "input_ime_block_color",
    "input_font_name", "input_font_style", "input_font_weight", "input_font_size", "input_font_color",
    "input_font_default_text_color",
    "scroll_button_back_color", "scroll_button_line_color", "scroll_bar_back_color", "scroll_bar_line_color",
    "scroll_back_color",
    "label_font_name", "label_font_style", "label_font_weight", "label_font_size", "label_font_color",
    "label_text_align", "label_text_valign",
    "browser_back_color", "browser_back_color_hover", "browser_back_color_selected", "browser_font_color",
    "browser_font_color_hover", "browser_font_color_selected", "browser_font_name", "browser_font_style",
    "browser_font_weight", "browser_font_weight_selected", "browser_font_size", "browser_folder_image",
    "browser_pack_image", "browser_stared_image", "browser_alien_image", "browser_virtual_image",
    "editparam_height", "editparam_back_color", "editparam_back_color_hover", "editparam_font_color",
    "editparam_font_color_disabled", "editparam_font_name", "editparam_font_style", "editparam_font_weight",
    "editparam_font_size", "editparam_title_height", "editparam_title_back_color", "editparam_title_font_weight",
    "editparam_title_font_color", "editparam_icon_image",
    "multiwindow_back_color", "multiwindow_border_color", "multiwindow_title_back_color", "multiwindow_tab_color",
    "multiwindow_tab_color_selected", "multiwindow_tab_gradient", "multiwindow_tab_gradient_1",
    "multiwindow_tab_gradient_2", "multiwindow_tab_gradient_1_selected", "multiwindow_tab_gradient_2_selected",
    "multiwindow_tab_line_color", "multiwindow_tab_line_color_selected", "multiwindow_tab_split_line_color",
    "multiwindow_tab_font_name", "multiwindow_tab_font_style", "multiwindow_tab_font_weight",
    "multiwindow_tab_font_size", "multiwindow_tab_font_color", "multiwindow_button_color",
    "multiwindow_button_gradient", "multiwindow_button_gradient_1", "multiwindow_button_gradient_2",
    "multiwindow_button_line_color", "multiwindow_button_image", "multiwindow_button_border_color_hover",
};
// clang-format on

bool ends_with(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

enum class kind { integer, real, text, flag, image, colour };

// The kind of a key follows from its name alone.
kind kind_of(std::string_view key) {
    for (std::string_view s :
         {"_weight", "_weight_selected", "_font_style", "_text_align", "_text_valign", "_height", "_thickness"}) {
        if (ends_with(key, s)) {
            return kind::integer;
        }
    }
    if (ends_with(key, "_font_size") || key == "checkbox_border_width") {
        return kind::real;
    }
    if (ends_with(key, "_font_name")) {
        return kind::text;
    }
    if (key == "dropdown_gradient_text" || key == "dropdown_gradient_button" || key == "multiwindow_tab_gradient" ||
        key == "multiwindow_button_gradient") {
        return kind::flag;
    }
    return ends_with(key, "_image") ? kind::image : kind::colour;
}

TEST(DefaultStyleTable, Holds200KeysInOrderEachEncodedForItsKind) {
    ASSERT_EQ(expected_default_keys.size(), 200u);
    const auto entries = ui::default_style_entries();
    ASSERT_EQ(entries.size(), 200u);
    const StyleTable& table = ui::default_style_table();
    EXPECT_EQ(table.size(), 200u);
    EXPECT_EQ(table.max_load_factor(), 1.0f);

    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string_view key = entries[i].first.view();
        const StyleValue& v = entries[i].second;
        SCOPED_TRACE(std::string(key));
        EXPECT_EQ(key, expected_default_keys[i]);
        ASSERT_NE(table.find(entries[i].first), nullptr);
        EXPECT_EQ(*table.find(entries[i].first), v);
        // Keys end in a terminator: style_changed handlers read them as C strings.
        EXPECT_EQ(entries[i].first.data()[key.size()], '\0');

        const kind k = kind_of(key);
        if (k != kind::colour) {
            EXPECT_EQ(v.color, transparent);
        }
        switch (k) {
        case kind::integer:
            ASSERT_EQ(v.payload.size(), 4u);
            if (ends_with(key, "_font_style") || ends_with(key, "_text_align") || ends_with(key, "_text_valign")) {
                EXPECT_EQ(v.as_int(), 0);
            }
            break;
        case kind::real:
            ASSERT_EQ(v.payload.size(), 4u);
            break;
        case kind::text:
            EXPECT_FALSE(v.payload.empty());
            EXPECT_EQ(v.payload.find('\0'), std::string::npos);
            break;
        case kind::flag:
            EXPECT_EQ(v.payload, std::string(1, '\1'));
            break;
        case kind::image:
            ASSERT_EQ(v.payload.size(), 24u);
            EXPECT_EQ(v.as_image().scale, 1.0f);
            break;
        case kind::colour:
            EXPECT_TRUE(v.payload.empty());
            if (key != "checkbox_back_color" && key != "button_border_color_normal" &&
                key != "editparam_font_color_disabled") {
                EXPECT_EQ(v.color.a, 1.0f);
            }
            break;
        }
    }
}

TEST(DefaultStyleTable, FontsFollowTheirFamilyRules) {
    for (const auto& [k, v] : ui::default_style_entries()) {
        const std::string_view key = k.view();
        SCOPED_TRACE(std::string(key));
        if (ends_with(key, "_font_name")) {
            const char* expected = key.starts_with("multicolumn_")      ? "verdana"
                                   : key == "multiwindow_tab_font_name" ? "Verdana"
                                                                        : "tahoma";
            EXPECT_EQ(v.as_string(), expected);
        } else if (ends_with(key, "_font_size")) {
            const float expected = key == "float_font_size" || key == "multifloat_font_size" ? 10.0f
                                   : key == "input_font_size"                                ? 12.0f
                                                                                             : 11.0f;
            EXPECT_EQ(v.as_float(), expected);
        } else if (ends_with(key, "_weight") || ends_with(key, "_weight_selected")) {
            const bool bold = key == "button_font_weight" || key == "tooltip_title_font_weight" ||
                              key == "browser_font_weight_selected" || key == "editparam_title_font_weight" ||
                              key == "multiwindow_tab_font_weight";
            EXPECT_EQ(v.as_int(), bold ? 2 : 0);
        }
    }
}

TEST(DefaultStyleTable, GivenValuesAndImages) {
    const StyleTable& t = ui::default_style_table();
    const auto color = [&](StyleKey k) { return t.find(k)->color; };
    EXPECT_EQ(color("default_back_color"), magenta);
    EXPECT_EQ(color("checkbox_back_color"), transparent);
    EXPECT_EQ(color("button_border_color_normal"), transparent);
    EXPECT_EQ(color("multicolumn_back_color_selected"), (Color{0.145f, 0.29f, 0.522f, 1.0f}));
    EXPECT_EQ(color("browser_back_color_selected"), (Color{0.145f, 0.29f, 0.522f, 1.0f}));
    for (StyleKey k :
         {StyleKey("tabcontainer_line_color"), StyleKey("float_font_color"), StyleKey("multifloat_font_color")}) {
        EXPECT_EQ(color(k), (Color{0.455f, 0.784f, 0.953f, 1.0f})) << k.view();
    }
    EXPECT_EQ(color("input_selection_color"), (Color{0.2f, 0.6f, 1.0f, 1.0f}));
    EXPECT_EQ(color("splitpanel_back_color"), (Color{0.0f, 0.0f, 0.0f, 1.0f}));
    EXPECT_EQ(color("editparam_font_color_disabled"), (Color{0.69f, 0.694f, 0.694f, 0.5f}));
    EXPECT_EQ(t.find("splitpanel_split_thickness")->as_int(), 10);
    EXPECT_EQ(t.find("editparam_height")->as_int(), 22);
    EXPECT_EQ(t.find("editparam_title_height")->as_int(), 28);

    const auto image = [&](StyleKey k) { return t.find(k)->as_image(); };
    struct expected_image {
        StyleKey key;
        std::uint64_t length;
        std::int32_t frames;
    };
    namespace res = norvik::resources;
    for (const expected_image& e :
         {expected_image{"checkbox_image", res::checkbox_sprite_png_size, 2},
          expected_image{"dropdown_button_image", res::triangle_down_png_size, 1},
          expected_image{"browser_folder_image", res::folder_grey_png_size, 1},
          expected_image{"browser_pack_image", res::folder_blue_png_size, 1},
          expected_image{"browser_virtual_image", res::folder_virtual_png_size, 1},
          expected_image{"multiwindow_button_image", res::triangle_right_png_size, 1},
          expected_image{"button_back_image", 0, 1}, expected_image{"editparam_icon_image", 0, 1}}) {
        SCOPED_TRACE(std::string(e.key.view()));
        EXPECT_EQ(image(e.key).length, e.length);
        EXPECT_EQ(image(e.key).frame_count, e.frames);
        EXPECT_EQ(image(e.key).data == nullptr, e.length == 0);
    }
    // Three keys share one picture.
    EXPECT_EQ(image("browser_stared_image").data, image("browser_pack_image").data);
    EXPECT_EQ(image("browser_alien_image").data, image("browser_pack_image").data);
    EXPECT_NE(image("browser_folder_image").data, image("browser_pack_image").data);
}

TEST(StyleEnums, KnownValuesMapAndOthersFallBack) {
    EXPECT_EQ(ui::font_weight_from_style(0), 400);
    EXPECT_EQ(ui::font_weight_from_style(1), 300);
    EXPECT_EQ(ui::font_weight_from_style(2), 700);
    EXPECT_EQ(ui::font_weight_from_style(3), 400);
    EXPECT_EQ(ui::font_weight_from_style(-1), 400);

    EXPECT_EQ(ui::font_style_from_style(0), ui::FontStyle::normal);
    EXPECT_EQ(ui::font_style_from_style(1), ui::FontStyle::italic);
    EXPECT_EQ(ui::font_style_from_style(2), ui::FontStyle::normal); // not oblique

    EXPECT_EQ(ui::text_align_from_style(0), ui::TextAlign::leading);
    EXPECT_EQ(ui::text_align_from_style(1), ui::TextAlign::centre);
    EXPECT_EQ(ui::text_align_from_style(2), ui::TextAlign::trailing);
    EXPECT_EQ(ui::text_align_from_style(7), ui::TextAlign::centre);

    EXPECT_EQ(ui::text_valign_from_style(0), ui::TextVAlign::middle);
    EXPECT_EQ(ui::text_valign_from_style(1), ui::TextVAlign::top);
    EXPECT_EQ(ui::text_valign_from_style(2), ui::TextVAlign::bottom);
    EXPECT_EQ(ui::text_valign_from_style(7), ui::TextVAlign::middle);
}

TEST_F(Theme, LookupsAllocateNothing) {
    StyleTable app;
    app.set("title_font_size", StyleValue::from_float(15.0f));
    ui::set_application_styles(app);
    widget_stub w;
    w.style.set_style("default_back_color", transparent);
    w.style.alias_style("label_font_size", "title_font_size");
    ui::default_style_table(); // built before counting starts

    allocations = 0;
    counting = true;
    const Color back = w.style.style_color("default_back_color");
    const float size = w.style.style_float("label_font_size");
    const std::int32_t weight = w.style.style_int("button_font_weight");
    const ui::ImageRef box = w.style.style_image("checkbox_image");
    const Color border = w.style.get_style("checkbox_border_color_hover").color; // empty payload
    counting = false;

    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(back, transparent);
    EXPECT_EQ(size, 15.0f);
    EXPECT_EQ(weight, 2);
    EXPECT_EQ(box.data, norvik::resources::checkbox_sprite_png);
    EXPECT_EQ(box.length, norvik::resources::checkbox_sprite_png_size);
    EXPECT_EQ(border, (Color{1.0f, 1.0f, 1.0f, 1.0f}));
}

} // namespace
