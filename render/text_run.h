#pragma once

#include <string>

#include <dwrite.h>

namespace norvik::ui {

// One formatting run of a RichText: a tag applied to a range of its text.
struct TextRun {
    // Start and length in UTF-16 code units of the text.
    DWRITE_TEXT_RANGE range{0, 0};
    // "b" bold, "u" underline, "font" per attribute; any other tag (the
    // comparison is case-sensitive) has no effect.
    std::wstring tag;
    // The attributes as written, name="value" each, which a "font" run
    // searches for face, size and color.
    std::wstring attributes;
};

} // namespace norvik::ui
