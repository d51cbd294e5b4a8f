// UTF-8 to UTF-16 and back: the strict form that refuses invalid UTF-8, the
// lenient one that replaces it, and UTF-16 with unpaired surrogates.
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "ui/core/text/text_conversion.h"

using norvik::text::utf16_to_utf8;
using norvik::text::utf8_to_utf16;
using norvik::text::utf8_to_utf16_lenient;

namespace {

// UTF-16 units spelled out: wide literals outside the basic plane would be
// one element where wchar_t has 32 bits.
const std::wstring grinning{wchar_t(0xD83D), wchar_t(0xDE00)};
const std::wstring replacement(1, wchar_t(0xFFFD));

// One of each way UTF-8 goes wrong, with what the lenient form makes of it:
// one U+FFFD per byte that begins no valid sequence.
struct bad_utf8 {
    const char* text;
    std::wstring lenient;
};
const bad_utf8 bad_inputs[] = {
    {"a\x80"
     "b",
     L"a" + replacement + L"b"},                                                 // stray continuation
    {"a\xE2\x82", L"a" + replacement + replacement},                             // truncated
    {"\xC0\xAF!", replacement + replacement + L"!"},                             // overlong '/'
    {"\xE0\x80\xAF", replacement + replacement + replacement},                   // overlong, 3 bytes
    {"\xED\xA0\x80x", replacement + replacement + replacement + L"x"},           // surrogate D800
    {"\xF4\x90\x80\x80", replacement + replacement + replacement + replacement}, // past U+10FFFF
    {"\xFF\xF5", replacement + replacement},                                     // never a lead byte
    {"\xF0\x9F\x98<", replacement + replacement + replacement + L"<"},           // cut short by ASCII
};

} // namespace

TEST(TextConversion, StrictConvertsValidTextBothWaysAndRefusesEveryInvalidForm) {
    const std::string utf8 = "a\xC3\xBC\xE6\x97\xA5\xF0\x9F\x98\x80\xEF\xBF\xBD" + std::string(1, '\0') + "z";
    const std::wstring utf16 = L"a\u00FC\u65E5" + grinning + replacement + std::wstring(1, L'\0') + L"z";
    EXPECT_EQ(utf8_to_utf16(utf8), utf16) << "one to four bytes, a real U+FFFD and a NUL are text";
    EXPECT_EQ(utf16_to_utf8(utf16), utf8);
    EXPECT_EQ(utf8_to_utf16(""), L"");
    EXPECT_EQ(utf8_to_utf16("\xF4\x8F\xBF\xBF"), (std::wstring{wchar_t(0xDBFF), wchar_t(0xDFFF)})) << "U+10FFFF";

    for (const bad_utf8& bad : bad_inputs) {
        try {
            (void)utf8_to_utf16(bad.text);
            ADD_FAILURE() << "accepted " << testing::PrintToString(std::string(bad.text));
        } catch (const std::range_error& e) {
            EXPECT_STREQ(e.what(), "bad conversion");
        }
    }
}

TEST(TextConversion, LenientReplacesBadUnitsAndGoesOn) {
    for (const bad_utf8& bad : bad_inputs) {
        EXPECT_EQ(utf8_to_utf16_lenient(bad.text), bad.lenient) << testing::PrintToString(std::string(bad.text));
    }

    // UTF-16 back to UTF-8 is always lenient: an unpaired surrogate, high or
    // low, becomes U+FFFD and the text around it stays.
    const std::string fffd = "\xEF\xBF\xBD";
    EXPECT_EQ(utf16_to_utf8(std::wstring{L'C', wchar_t(0xD800), L'x'}), "C" + fffd + "x");
    EXPECT_EQ(utf16_to_utf8(std::wstring{wchar_t(0xDC00), wchar_t(0xD83D)}), fffd + fffd);
}
