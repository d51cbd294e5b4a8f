#pragma once
// Toolkit text is UTF-8; Windows and DirectWrite take UTF-16. The conversion
// happens only where text crosses to them (titles, drawing, measuring).

#include <string>
#include <string_view>

namespace norvik::ui {

// Invalid UTF-8 is refused with std::range_error("bad conversion") rather
// than replaced, so a caller never shows text it did not mean.
[[nodiscard]] std::wstring utf8_to_utf16(std::string_view utf8);

} // namespace norvik::ui
