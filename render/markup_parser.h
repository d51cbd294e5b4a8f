#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "render/rich_text.h"
#include "render/text_run.h"

namespace norvik::ui {

// The markup of a RichText: UTF-8 text with three kinds of tag, written and
// compared exactly (lower case):
//
//   <b>bold</b>   <u>underlined</u>
//   <font face="Tahoma" size="14" color="#FF0000">...</font>
//
// - Attributes are name="value", separated from the tag name and from each
//   other by white space; a value runs to the next double quote. Only face,
//   size and color are kept on a "font" run (the first occurrence of each);
//   any other attribute, and any attribute of "b" and "u", is dropped.
// - Tags may nest. A closing tag closes the innermost open tag of its name,
//   and the runs are listed in the order their tags were opened, so an inner
//   "font" run overrides an outer one.
// - "<<" is a literal '<'. A '<' that does not begin a complete tag of this
//   form (a bare '<', a missing '>', an unquoted value) is a literal '<' too,
//   and the text after it is read as plain text.
// - Malformed input never throws. A tag of another name ("i", "B") and a
//   closing tag with nothing open to close are left out of the text and do
//   nothing; a tag still open at the end, or enclosing no text, yields no
//   run; invalid UTF-8 becomes U+FFFD, one per bad byte.
struct parsed_markup {
    std::wstring text;
    std::vector<TextRun> runs;
};

[[nodiscard]] parsed_markup parse_markup(std::string_view markup);

// Replaces the document's text and runs with those of `markup`, enables it
// and clears its layout-valid flag, so the next build_layout lays it out
// afresh.
void load_markup(RichText& document, std::string_view markup);

} // namespace norvik::ui
