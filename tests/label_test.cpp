// The text label and the rich text it can show: background, disabled alpha
// and fitting of a plain label, the runs of a DirectWrite layout, run colours
// on screen, the layout cache, and the markup parser fed malformed input.

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "render/markup_parser.h"
#include "render/renderer.h"
#include "render/rich_text.h"
#include "tests/widget_test_support.h"
#include "ui/controls/generic_panel.h"
#include "ui/controls/text_label.h"
#include "ui/core/window.h"

namespace {

using Microsoft::WRL::ComPtr;
using norvik::ui::Color;
using norvik::ui::rect;
using norvik::ui::RichText;
using norvik::ui::StyleValue;
using norvik::ui::TextLabel;
using norvik::ui::TextRun;
using pixel = x11_capture::pixel;

constexpr char two_blocks[] = "\xE2\x96\x88\xE2\x96\x88"; // U+2588 twice: solid glyphs

// The formatting of one position of a layout: "weight underline family size",
// then the colour of its brush if it has one.
std::string formatting_at(IDWriteTextLayout& layout, UINT32 at) {
    DWRITE_FONT_WEIGHT weight{};
    BOOL underline = FALSE;
    wchar_t family[32]{};
    float size = 0;
    ComPtr<IUnknown> effect;
    layout.GetFontWeight(at, &weight);
    layout.GetUnderline(at, &underline);
    layout.GetFontFamilyName(at, family, 32);
    layout.GetFontSize(at, &size);
    layout.GetDrawingEffect(at, effect.GetAddressOf());
    std::ostringstream out;
    out << weight << (underline ? " u " : " - ") << std::string(family, family + wcslen(family)) << ' ' << size;
    ComPtr<ID2D1SolidColorBrush> brush;
    if (effect && SUCCEEDED(effect.As(&brush))) {
        const D2D1_COLOR_F c = brush->GetColor();
        out << " rgb " << c.r << ',' << c.g << ',' << c.b;
    }
    return out.str();
}

constexpr pixel red{255, 0, 0};
constexpr pixel green{0, 255, 0};

// The leftmost and rightmost x of the pixels close to `colour` in the lower
// half of the window.
std::pair<int, int> span(const x11_capture& s, pixel colour) {
    std::pair<int, int> found{400, -1};
    for (int y = 150; y < 300; ++y) {
        for (int x = 0; x < 400; ++x) {
            const pixel p = s.at(x, y);
            if (std::abs(p.r - colour.r) < 60 && std::abs(p.g - colour.g) < 60 && std::abs(p.b - colour.b) < 60) {
                found = {std::min(found.first, x), std::max(found.second, x)};
            }
        }
    }
    return found;
}

class Label : public ::testing::Test {
protected:
    void SetUp() override {
        SetCursorPos(0, 0);
        w.create("label test", {100, 100, 400, 300});
    }

    IDWriteTextLayout* build(RichText& doc, float width, float height) {
        norvik::ui::Renderer& r = *w.renderer;
        return doc.build_layout(r.write_factory(), r.text_format(), r.render_target(), {width, height});
    }

    norvik::ui::window w;
};

// One window, read back as pixels: a plain label in a themed panel beside a
// transparent panel, and a markup label below them.
TEST_F(Label, PaintsBackgroundHalfAlphaWhenDisabledAndEachRunInItsOwnColour) {
    norvik::ui::connect(&w.root, norvik::ui::event_kind::paint, norvik::ui::event_handler([this](const auto&) {
        w.renderer->set_fill_color({1, 0, 0, 1});
        w.renderer->fill_rect({0, 0, 400, 300});
    }));
    norvik::ui::GenericPanel page;
    norvik::ui::GenericPanel clear;
    TextLabel plain;
    TextLabel rich;
    RichText doc;
    page.create(w.root, {0, 0, 200, 150});
    clear.create(w.root, {200, 0, 200, 150});
    clear.style.set_style("default_back_color", Color{0, 0, 0, 0});
    plain.create(page, {10, 10, 180, 100});
    plain.style.set_style("default_back_color", Color{0, 0, 0, 1});
    plain.style.set_style("label_font_color", Color{1, 1, 1, 1});
    plain.style.set_style("label_font_size", StyleValue::from_float(40.0f));
    plain.set_text(two_blocks, false);
    rich.create(w.root, {0, 150, 400, 150});
    rich.style.set_style("default_back_color", Color{1, 1, 1, 1});
    rich.set_markup(doc);
    ASSERT_TRUE(norvik::test::show_and_activate(w));

    // The brightest green channel of the plain label: white text on black
    // shows its alpha.
    const auto brightest = [](const x11_capture& s) {
        int most = 0;
        for (int y = 10; y < 110; ++y) {
            for (int x = 10; x < 190; ++x) {
                most = std::max<int>(most, s.at(x, y).g);
            }
        }
        return most;
    };
    // Enabled, disabled through the parent panel, disabled itself, enabled.
    const struct {
        bool page_enabled, label_enabled;
        int low, high;
    } cases[] = {{true, true, 255, 255}, {false, true, 120, 136}, {true, false, 120, 136}, {true, true, 255, 255}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "page " << c.page_enabled << ", label " << c.label_enabled);
        page.set_enabled(c.page_enabled);
        plain.set_enabled(c.label_enabled);
        const auto in_range = [&](const x11_capture& s) { return brightest(s) >= c.low && brightest(s) <= c.high; };
        const x11_capture shot = norvik::test::settled_capture(w, in_range, 5000);
        EXPECT_TRUE(in_range(shot)) << brightest(shot);
        EXPECT_EQ(shot.at(185, 105), (pixel{0, 0, 0})) << "the label's background";
        EXPECT_EQ(shot.at(5, 5), (pixel{255, 0, 255})) << "the theme's panel colour";
        EXPECT_EQ(shot.at(300, 75), red) << "a transparent panel shows its parent";
        EXPECT_EQ(span(shot, red).second, -1) << "a document not enabled shows only the background";
    }

    const std::string blocks = std::string("\">") + two_blocks + "</font>";
    norvik::ui::load_markup(doc, "<font size=\"60\" color=\"#FF0000" + blocks + "<font size=\"60\" color=\"#00FF00" +
                                     blocks);
    const auto both = [&](const x11_capture& s) { return span(s, red).second >= 0 && span(s, green).second >= 0; };
    const x11_capture shot = norvik::test::settled_capture(w, both, 5000);
    ASSERT_TRUE(both(shot));
    EXPECT_LT(span(shot, red).second, span(shot, green).first) << "red runs first, then green";
}

TEST_F(Label, FitsItsTextAgainOnEveryStyleChange) {
    TextLabel label;
    TextLabel fixed;
    label.create(w.root, {10, 10, 150, 20});
    fixed.create(w.root, {10, 50, 150, 20});
    fixed.set_text("Some words", false);

    label.set_text("Some words", false);
    label.fit_width = true;
    label.fit_to_text();
    EXPECT_GT(label.rect.width, 0);
    EXPECT_NE(label.rect.width, 150);
    EXPECT_EQ(label.rect.height, 20) << "only the width is fitted";

    label.set_text("Some words", true);
    EXPECT_FALSE(label.fit_width);
    const rect small = label.rect;
    EXPECT_GT(small.height, 0);
    label.style.set_style("label_font_size", StyleValue::from_float(30.0f));
    fixed.style.set_style("label_font_size", StyleValue::from_float(30.0f));
    EXPECT_GT(label.rect.height, small.height);
    EXPECT_EQ(label.rect.width, small.width);
    EXPECT_EQ(fixed.rect, (rect{10, 50, 150, 20})) << "a label without fit flags keeps its size";

    label.set_text("", true);
    EXPECT_EQ(label.rect, (rect{10, 10, small.width, 0}));
}

TEST_F(Label, RunsSetWeightUnderlineFaceSizeAndOnlyValidColours) {
    // One run per character, on every other character of the text.
    const struct {
        const wchar_t* tag;
        const wchar_t* attributes;
        std::string formatting;
    } cases[] = {
        {L"b", L"", "700 - Verdana 12"},
        {L"B", L"", "400 - Verdana 12"},
        {L"u", L"", "400 u Verdana 12"},
        {L"font", L"size=\"14\" face=\"Tahoma\"", "400 - Tahoma 14"},
        {L"font", L"color=\"#12\"", "400 - Verdana 12"},
        {L"font", L"color=\"#GG0000\"", "400 - Verdana 12"},
        {L"font", L"color=\"#FF0000\"", "400 - Verdana 12 rgb 1,0,0"},
        {L"font", L"color=\"#00ff00 and more\"", "400 - Verdana 12 rgb 0,1,0"},
        {L"font", L"size=\"nan\"", "400 - Verdana 12"}, // a NaN size would stick
    };
    RichText doc;
    for (const auto& c : cases) {
        doc.runs.push_back({{static_cast<UINT32>(doc.text.size()), 1}, c.tag, c.attributes});
        doc.text += L"x ";
    }
    IDWriteTextLayout* layout = build(doc, 300, 100);
    ASSERT_NE(layout, nullptr);
    for (UINT32 i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(formatting_at(*layout, 2 * i), cases[i].formatting) << "run " << i;
    }
}

TEST_F(Label, TheLayoutIsBuiltOncePerSizeAndAgainAfterNewMarkup) {
    RichText doc;
    norvik::ui::load_markup(doc, "<b>x</b>y");
    EXPECT_TRUE(doc.enabled);
    // Held, so that a rebuilt layout cannot reuse the address.
    const ComPtr<IDWriteTextLayout> first = build(doc, 100, 50);
    EXPECT_EQ(build(doc, 100, 50), first.Get());
    const ComPtr<IDWriteTextLayout> wider = build(doc, 120, 50);
    EXPECT_NE(wider.Get(), first.Get());
    EXPECT_EQ(build(doc, 120, 50), wider.Get());
    norvik::ui::load_markup(doc, "z");
    EXPECT_NE(build(doc, 120, 50), wider.Get());
    EXPECT_THROW(doc.build_layout(nullptr, nullptr, nullptr, {1, 1}), std::invalid_argument);
}

// Each run as "tag start+length attributes", joined with "; ".
std::string describe(const std::vector<TextRun>& runs) {
    std::wstring out;
    for (const TextRun& r : runs) {
        out += (out.empty() ? L"" : L"; ") + r.tag + L" " + std::to_wstring(r.range.startPosition) + L"+" +
               std::to_wstring(r.range.length) + (r.attributes.empty() ? L"" : L" ") + r.attributes;
    }
    return std::string(out.begin(), out.end()); // the cases are ASCII
}

TEST_F(Label, MalformedMarkupGivesPlainTextOrNoRunAndLaysOut) {
    const struct {
        const char* markup;
        std::wstring text;
        std::string runs;
    } cases[] = {
        {"<b><u>ab</b>c</u>", L"abc", "b 0+2; u 0+3"},
        {R"(<font size="20">a<font face="Tahoma" size="10">b</font></font>)", L"ab",
         R"(font 0+2 size="20"; font 1+1 face="Tahoma" size="10")"},
        {R"(<font weight="bold" face="A" face="B" color="#FF0000">x</font><b class="c">y</b>)", L"xy",
         R"(font 0+1 face="A" color="#FF0000"; b 1+1)"},
        {"a < b > c<b", L"a < b > c<b", ""},
        {"stray</b><b>unclosed", L"strayunclosed", ""},
        {"<<b>literal<</b>", L"<b>literal</b>", ""},
        {"<i>x</i><B>y</B><b></b>", L"xy", ""},
        {"<>< >< /b></ b><b/>", L"<>< >< /b></ b><b/>", ""},
        {"<font color=red>x</font><font face=\"open>y", L"<font color=red>x<font face=\"open>y", ""},
        {"\xC3\x28<b>\xE2\x82</b>\xED\xA0\x80", L"\uFFFD(\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD", "b 2+2"},
        {"\xC3\xA9<b>\xF0\x9F\x98\x80</b>", L"\u00E9\U0001F600", "b 1+2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.markup);
        RichText doc;
        EXPECT_NO_THROW(norvik::ui::load_markup(doc, c.markup));
        EXPECT_EQ(doc.text, c.text);
        EXPECT_EQ(describe(doc.runs), c.runs);
        EXPECT_NE(build(doc, 200, 50), nullptr);
    }
}

} // namespace
