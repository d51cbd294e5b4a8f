#include "filesystem/file_path.h"

#include "ui/core/text/text_conversion.h"

namespace norvik::filesystem {

std::string file_path::to_display_string() const {
    std::string out = to_utf8();
    for (char& c : out) {
        if (c == '\\') {
            c = '/';
        }
    }
    return out;
}

std::string file_path::to_utf8() const {
    return text::utf16_to_utf8(text_);
}

} // namespace norvik::filesystem
