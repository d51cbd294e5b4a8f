#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace norvik::ui {

// Non-owning name of a theme key. Tables keep the view, never a copy, so a
// key must outlive every table it is stored in: in practice a string literal.
// Keys made from literals are also NUL-terminated, which style_changed
// handlers rely on (the event carries the address of the characters).
class StyleKey {
public:
    template <std::size_t N>
    constexpr StyleKey(const char (&literal)[N]) // NOLINT: implicit on purpose
        : data_(literal), size_(N - 1) {}
    constexpr StyleKey(const char* data, std::uint64_t size) : data_(data), size_(size) {}

    constexpr const char* data() const { return data_; }
    constexpr std::uint64_t size() const { return size_; }
    constexpr std::string_view view() const { return {data_, static_cast<std::size_t>(size_)}; }

    // djb2 over the key's bytes, each taken as a signed char (so bytes above
    // 0x7F add a negative amount), in unsigned 32-bit arithmetic.
    constexpr std::uint32_t djb2() const {
        std::uint32_t h = 5381;
        for (std::uint64_t i = 0; i < size_; ++i) {
            h = h * 33u + static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(data_[i])));
        }
        return h;
    }

    friend constexpr bool operator==(const StyleKey& x, const StyleKey& y) { return x.view() == y.view(); }

    struct Hash {
        std::size_t operator()(const StyleKey& key) const { return key.djb2(); }
    };

private:
    const char* data_;
    std::uint64_t size_;
};

} // namespace norvik::ui
