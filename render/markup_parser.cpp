#include "render/markup_parser.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <optional>
#include <utility>

#include "ui/core/text/text_conversion.h"

namespace norvik::ui {

namespace {

bool is_letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

struct tag {
    bool closing = false;
    std::string_view name;
    std::vector<std::pair<std::string_view, std::string_view>> attributes;
    std::size_t end = 0; // just past the '>'
};

// The tag whose '<' is at s[at]: "<name attr="value" ...>" or "</name>",
// with optional white space before the '>'. Nothing when the text there is
// not a complete tag.
std::optional<tag> read_tag(std::string_view s, std::size_t at) {
    tag t;
    std::size_t j = at + 1;
    if (j < s.size() && s[j] == '/') {
        t.closing = true;
        ++j;
    }
    const auto read_name = [&] {
        const std::size_t start = j;
        while (j < s.size() && is_letter(s[j])) {
            ++j;
        }
        return s.substr(start, j - start);
    };
    t.name = read_name();
    if (t.name.empty()) {
        return std::nullopt;
    }
    for (;;) {
        const std::size_t before = j;
        while (j < s.size() && is_space(s[j])) {
            ++j;
        }
        if (j == s.size()) {
            return std::nullopt;
        }
        if (s[j] == '>') {
            t.end = j + 1;
            return t;
        }
        if (t.closing || j == before) {
            return std::nullopt;
        }
        const std::string_view name = read_name();
        if (name.empty() || s.size() - j < 2 || s[j] != '=' || s[j + 1] != '"') {
            return std::nullopt;
        }
        const std::size_t value = j + 2;
        const std::size_t quote = s.find('"', value);
        if (quote == std::string_view::npos) {
            return std::nullopt;
        }
        t.attributes.emplace_back(name, s.substr(value, quote - value));
        j = quote + 1;
    }
}

// A "font" tag's face, size and color, first occurrence each, in the order
// written: the form RichText searches.
std::wstring font_attributes(const tag& t) {
    std::wstring out;
    std::vector<std::string_view> seen;
    for (const auto& [name, value] : t.attributes) {
        const bool known = name == "face" || name == "size" || name == "color";
        if (!known || std::find(seen.begin(), seen.end(), name) != seen.end()) {
            continue;
        }
        seen.push_back(name);
        if (!out.empty()) {
            out += L' ';
        }
        out += std::wstring(name.begin(), name.end()) + L"=\"" + text::utf8_to_utf16_lenient(value) + L'"';
    }
    return out;
}

} // namespace

parsed_markup parse_markup(std::string_view markup) {
    parsed_markup result;
    // Runs are added when their tag opens, so they keep opening order; a
    // run's length is set when its tag closes.
    struct open_tag {
        std::string_view name;
        std::size_t run;
    };
    std::vector<open_tag> open;
    std::vector<bool> closed;
    const auto position = [&] { return static_cast<UINT32>(result.text.size()); };

    for (std::size_t i = 0; i < markup.size();) {
        if (markup[i] == '<') {
            if (i + 1 < markup.size() && markup[i + 1] == '<') {
                result.text += L'<';
                i += 2;
                continue;
            }
            if (const std::optional<tag> t = read_tag(markup, i)) {
                i = t->end;
                if (t->name != "b" && t->name != "u" && t->name != "font") {
                    continue;
                }
                if (!t->closing) {
                    open.push_back({t->name, result.runs.size()});
                    result.runs.push_back({{position(), 0},
                                           std::wstring(t->name.begin(), t->name.end()),
                                           t->name == "font" ? font_attributes(*t) : std::wstring()});
                    closed.push_back(false);
                    continue;
                }
                const auto innermost =
                    std::find_if(open.rbegin(), open.rend(), [&](const open_tag& o) { return o.name == t->name; });
                if (innermost != open.rend()) {
                    TextRun& run = result.runs[innermost->run];
                    run.range.length = position() - run.range.startPosition;
                    closed[innermost->run] = true;
                    open.erase(std::next(innermost).base());
                }
                continue;
            }
        }
        // Text up to the next '<' (this one too, when it began no tag). A
        // '<' never continues a UTF-8 sequence, so converting the text in
        // such pieces decodes it as a whole would: markup never throws, and
        // its invalid UTF-8 becomes U+FFFD.
        const std::size_t next = markup.find('<', i + 1);
        const std::size_t end = next == std::string_view::npos ? markup.size() : next;
        result.text += text::utf8_to_utf16_lenient(markup.substr(i, end - i));
        i = end;
    }

    std::vector<TextRun> kept;
    for (std::size_t r = 0; r < result.runs.size(); ++r) {
        if (closed[r] && result.runs[r].range.length > 0) {
            kept.push_back(std::move(result.runs[r]));
        }
    }
    result.runs = std::move(kept);
    return result;
}

void load_markup(RichText& document, std::string_view markup) {
    parsed_markup parsed = parse_markup(markup);
    document.text = std::move(parsed.text);
    document.runs = std::move(parsed.runs);
    document.enabled = true;
    document.layout_valid = false;
}

} // namespace norvik::ui
