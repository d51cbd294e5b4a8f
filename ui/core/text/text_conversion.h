#pragma once
// Toolkit text is UTF-8; Windows, DirectWrite and file paths are UTF-16. The
// conversion happens only where text crosses between them (titles, drawing,
// measuring, paths in labels and logs), and always here, so that every layer
// decodes the same way. It has a namespace of its own: the install engine,
// which knows nothing of the user interface, converts with it too.
//
// UTF-16 travels in std::wstring, one code unit per element as on Windows;
// where wchar_t is wider (a native build on another system), each element
// still holds one UTF-16 unit.

#include <string>
#include <string_view>

namespace norvik::text {

// Strict: invalid UTF-8 (a stray or truncated sequence, an overlong form, an
// encoded surrogate, a value past U+10FFFF) is refused with
// std::range_error("bad conversion") rather than replaced, so a caller never
// shows text it did not mean.
[[nodiscard]] std::wstring utf8_to_utf16(std::string_view utf8);

// Lenient: the same decoding, but each byte that begins no valid sequence
// becomes U+FFFD and decoding resumes at the next byte. For text that must
// never throw (markup).
[[nodiscard]] std::wstring utf8_to_utf16_lenient(std::string_view utf8);

// Back to UTF-8. Never throws on bad UTF-16: NTFS accepts names with
// unpaired surrogates, and each such unit becomes U+FFFD rather than losing
// the whole text.
[[nodiscard]] std::string utf16_to_utf8(std::wstring_view utf16);

} // namespace norvik::text
