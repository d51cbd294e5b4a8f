#include "ui/core/text/text_conversion.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace norvik::text {

namespace {

constexpr char32_t replacement_character = 0xFFFD;
// No code point: what decode_utf8 returns for a byte that begins no valid
// sequence.
constexpr char32_t invalid = 0x110000;

struct decoded {
    char32_t code;
    std::size_t length;
};

// The code point that starts at s[i]. Overlong forms, surrogates, values
// past U+10FFFF and truncated sequences are `invalid`, for their first byte
// alone, so that a lenient caller resumes at the next byte. The ranges of
// the second byte are the ones that rule all of those out.
decoded decode_utf8(std::string_view s, std::size_t i) {
    constexpr decoded bad{invalid, 1};
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        return {lead, 1};
    }
    std::size_t length = 0;
    char32_t code = 0;
    unsigned char low = 0x80; // the range of the second byte
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return bad;
    }
    if (s.size() - i < length) {
        return bad;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char b = byte(i + k);
        if (b < (k == 1 ? low : 0x80) || b > (k == 1 ? high : 0xBF)) {
            return bad;
        }
        code = code << 6 | (b & 0x3Fu);
    }
    return {code, length};
}

void append_utf16(std::wstring& out, char32_t code) {
    if (code < 0x10000) {
        out += static_cast<wchar_t>(code);
    } else {
        code -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (code >> 10));
        out += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
    }
}

void append_utf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

bool is_high_surrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool is_low_surrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// One UTF-16 unit as a number, whatever the width of wchar_t.
char32_t unit_at(std::wstring_view s, std::size_t i) {
    return static_cast<char32_t>(static_cast<std::uint16_t>(s[i]));
}

} // namespace

std::wstring utf8_to_utf16(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const decoded d = decode_utf8(utf8, i);
        if (d.code == invalid) {
            throw std::range_error("bad conversion");
        }
        append_utf16(out, d.code);
        i += d.length;
    }
    return out;
}

std::wstring utf8_to_utf16_lenient(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const decoded d = decode_utf8(utf8, i);
        append_utf16(out, d.code == invalid ? replacement_character : d.code);
        i += d.length;
    }
    return out;
}

std::string utf16_to_utf8(std::wstring_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        const char32_t unit = unit_at(utf16, i);
        if (is_high_surrogate(unit) && i + 1 < utf16.size() && is_low_surrogate(unit_at(utf16, i + 1))) {
            append_utf8(out, 0x10000 + ((unit - 0xD800) << 10) + (unit_at(utf16, i + 1) - 0xDC00));
            ++i;
        } else if (is_high_surrogate(unit) || is_low_surrogate(unit)) {
            append_utf8(out, replacement_character);
        } else {
            append_utf8(out, unit);
        }
    }
    return out;
}

} // namespace norvik::text
