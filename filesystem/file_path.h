#pragma once
// A path as a plain UTF-16 value: target folders travel in it from their
// detection (or the command line, or the folder dialog) through the wizard to
// the install job, and back into labels and the log. It neither normalises
// nor checks anything; an empty path means "no path".

#include <string>
#include <string_view>

namespace norvik::filesystem {

class file_path {
public:
    file_path() = default;
    file_path(std::wstring text) : text_(std::move(text)) {}
    file_path(const wchar_t* text) : text_(text ? text : L"") {}

    [[nodiscard]] bool empty() const noexcept { return text_.empty(); }

    // NUL-terminated text for Windows calls.
    [[nodiscard]] const wchar_t* c_str() const noexcept { return text_.c_str(); }
    [[nodiscard]] const std::wstring& wstring() const noexcept { return text_; }

    // The same text, unit for unit: like everything else here, no case
    // folding and no separator normalising.
    friend bool operator==(const file_path&, const file_path&) = default;

    // Plain concatenation: no separator is added or removed, so appending
    // "\\name" to "C:\\dir\\" gives a doubled backslash, which Windows accepts.
    file_path& append(std::wstring_view text) {
        text_.append(text);
        return *this;
    }

    [[nodiscard]] file_path appended(std::wstring_view text) const {
        file_path copy(*this);
        copy.append(text);
        return copy;
    }

    // UTF-8 with forward slashes, for labels. Never throws on bad UTF-16: NTFS
    // accepts names with unpaired surrogates, and each such unit is shown as
    // U+FFFD rather than losing the whole label.
    [[nodiscard]] std::string to_display_string() const;
    // UTF-8 as it is, backslashes kept (for logs), with the same U+FFFD for
    // unpaired surrogates.
    [[nodiscard]] std::string to_utf8() const;

private:
    std::wstring text_;
};

} // namespace norvik::filesystem
