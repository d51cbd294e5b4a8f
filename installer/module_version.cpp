#include "installer/module_version.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

#include "installer/win32_handles.h"

namespace installer {

namespace {

// The layout of a module file (PE), as far as the version resource needs it.
// Offsets are in bytes from the start of each structure.
constexpr std::uint16_t dos_signature = 0x5A4D;    // "MZ"
constexpr std::uint32_t pe_signature = 0x00004550; // "PE\0\0"
constexpr std::uint32_t new_header_at = 0x3C;
constexpr std::size_t file_header_size = 24; // the signature and IMAGE_FILE_HEADER
constexpr std::uint16_t optional_magic_32 = 0x10B;
constexpr std::uint16_t optional_magic_64 = 0x20B;
constexpr std::size_t directories_at_32 = 96;
constexpr std::size_t directories_at_64 = 112;
constexpr std::uint32_t resource_directory = 2;
constexpr std::size_t section_header_size = 40;
// More sections than the Windows loader accepts is no module.
constexpr std::uint16_t most_sections = 96;
constexpr std::size_t resource_directory_size = 16;
constexpr std::size_t resource_entry_size = 8;
constexpr std::uint32_t high_bit = 0x80000000u;
constexpr std::uint32_t version_type = 16; // RT_VERSION
// VS_VERSIONINFO: three 16-bit fields, the key L"VS_VERSION_INFO" with its
// terminator, padding to 32 bits, then VS_FIXEDFILEINFO.
constexpr wchar_t version_key[] = L"VS_VERSION_INFO";
constexpr std::size_t version_key_at = 6;
constexpr std::size_t fixed_info_at = 40;
constexpr std::size_t fixed_info_size = 52;
constexpr std::uint32_t fixed_info_signature = 0xFEEF04BD;

std::uint16_t u16(const unsigned char* p) noexcept {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t u32(const unsigned char* p) noexcept {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

struct section {
    std::uint32_t address;
    std::uint32_t raw_size;
    std::uint32_t raw_at;
};

// Walks one module image through `read(offset, count, out)`, which copies
// `count` bytes at file offset `offset` to `out`, or says it cannot. Nothing
// is read that was not asked for in full, so every field below lies within
// the image.
template <typename Read>
class image_walk {
public:
    explicit image_walk(const Read& read) : read_(read) {}

    std::optional<module_version> version() {
        if (!read_headers()) {
            return std::nullopt;
        }
        const std::optional<std::uint64_t> data = version_data_entry();
        unsigned char entry[8];
        if (!data || !read_address(*data, sizeof entry, entry)) {
            return std::nullopt;
        }
        if (u32(entry + 4) < fixed_info_at + fixed_info_size) {
            return std::nullopt;
        }
        unsigned char info[fixed_info_at + fixed_info_size];
        if (!read_address(u32(entry), sizeof info, info) || u16(info + 2) < fixed_info_size) {
            return std::nullopt;
        }
        for (std::size_t i = 0; i < std::size(version_key); ++i) {
            if (u16(info + version_key_at + 2 * i) != static_cast<std::uint16_t>(version_key[i])) {
                return std::nullopt;
            }
        }
        const unsigned char* fixed = info + fixed_info_at;
        if (u32(fixed) != fixed_info_signature) {
            return std::nullopt;
        }
        const std::uint32_t high = u32(fixed + 8);
        const std::uint32_t low = u32(fixed + 12);
        return module_version(static_cast<std::uint16_t>(high >> 16), static_cast<std::uint16_t>(high),
                              static_cast<std::uint16_t>(low >> 16), static_cast<std::uint16_t>(low));
    }

private:
    // The headers: where the resources are, and the sections that place
    // them in the file.
    bool read_headers() {
        unsigned char dos[new_header_at + 4];
        unsigned char header[file_header_size];
        if (!read_(0, sizeof dos, dos) || u16(dos) != dos_signature) {
            return false;
        }
        const std::uint64_t at = u32(dos + new_header_at);
        if (!read_(at, sizeof header, header) || u32(header) != pe_signature) {
            return false;
        }
        const std::uint16_t count = u16(header + 6);
        const std::uint16_t optional_size = u16(header + 20);
        std::vector<unsigned char> optional(optional_size);
        if (count == 0 || count > most_sections || optional.size() < 2 ||
            !read_(at + sizeof header, optional.size(), optional.data())) {
            return false;
        }
        const std::uint16_t magic = u16(optional.data());
        const std::size_t directories = magic == optional_magic_32   ? directories_at_32
                                        : magic == optional_magic_64 ? directories_at_64
                                                                     : 0;
        const std::size_t entry_at = directories + resource_directory * 8;
        if (directories == 0 || optional.size() < entry_at + 8 ||
            u32(optional.data() + directories - 4) <= resource_directory) {
            return false;
        }
        resources_ = u32(optional.data() + entry_at);
        std::vector<unsigned char> table(count * section_header_size);
        if (resources_ == 0 || !read_(at + sizeof header + optional.size(), table.size(), table.data())) {
            return false;
        }
        std::uint64_t end = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const unsigned char* s = table.data() + i * section_header_size;
            sections_.push_back({u32(s + 12), u32(s + 16), u32(s + 20)});
            end = std::max(end, std::uint64_t{sections_.back().raw_at} + sections_.back().raw_size);
        }
        // A module cut short (a copy that ran out of room, say) is no module
        // to keep, whatever version it still shows: the file must hold every
        // section it lists.
        unsigned char last = 0;
        return end == 0 || read_(end - 1, 1, &last);
    }

    // Reads `count` bytes at the relative virtual address `address`: only
    // what a section carries in the file counts.
    bool read_address(std::uint64_t address, std::size_t count, unsigned char* out) {
        for (const section& s : sections_) {
            if (address >= s.address && address - s.address + count <= s.raw_size) {
                return read_(s.raw_at + (address - s.address), count, out);
            }
        }
        return false;
    }

    // The entries of the resource directory at `offset` from the start of
    // the resources: (name or id, target) pairs.
    std::vector<unsigned char> entries_at(std::uint32_t offset) {
        unsigned char head[resource_directory_size];
        if (!read_address(std::uint64_t{resources_} + offset, sizeof head, head)) {
            return {};
        }
        std::vector<unsigned char> entries((std::size_t{u16(head + 12)} + u16(head + 14)) * resource_entry_size);
        if (entries.empty() ||
            !read_address(std::uint64_t{resources_} + offset + sizeof head, entries.size(), entries.data())) {
            return {};
        }
        return entries;
    }

    // The first entry of the directory at `offset` that `wanted` accepts:
    // its target, or none.
    template <typename Wanted>
    std::optional<std::uint32_t> find_entry(std::uint32_t offset, Wanted wanted) {
        const std::vector<unsigned char> entries = entries_at(offset);
        for (std::size_t i = 0; i < entries.size(); i += resource_entry_size) {
            const std::uint32_t name = u32(entries.data() + i);
            const std::uint32_t target = u32(entries.data() + i + 4);
            if (wanted(name, target)) {
                return target;
            }
        }
        return std::nullopt;
    }

    // The three levels: type RT_VERSION, then its first name, then its first
    // language, whose data entry is the version resource. Only three steps
    // are taken, so a directory that points back at itself ends the walk.
    std::optional<std::uint64_t> version_data_entry() {
        const auto is_directory = [](std::uint32_t, std::uint32_t target) { return (target & high_bit) != 0; };
        const std::optional<std::uint32_t> type = find_entry(0, [](std::uint32_t name, std::uint32_t target) {
            return name == version_type && (target & high_bit) != 0;
        });
        const std::optional<std::uint32_t> named = type ? find_entry(*type & ~high_bit, is_directory) : std::nullopt;
        const std::optional<std::uint32_t> language =
            named ? find_entry(*named & ~high_bit,
                               [](std::uint32_t, std::uint32_t target) { return (target & high_bit) == 0; })
                  : std::nullopt;
        if (!language) {
            return std::nullopt;
        }
        return std::uint64_t{resources_} + *language;
    }

    const Read& read_;
    std::uint32_t resources_ = 0;
    std::vector<section> sections_;
};

template <typename Read>
std::optional<module_version> walk(const Read& read) noexcept {
    try {
        return image_walk<Read>(read).version();
    } catch (...) {
        // Only memory exhaustion gets here: no version, no comparison.
        return std::nullopt;
    }
}

} // namespace

std::optional<module_version> module_version::of_image(const void* bytes, std::size_t size) noexcept {
    const auto* image = static_cast<const unsigned char*>(bytes);
    return walk([image, size](std::uint64_t offset, std::size_t count, unsigned char* out) {
        if (image == nullptr || offset > size || count > size - offset) {
            return false;
        }
        std::memcpy(out, image + offset, count);
        return true;
    });
}

std::optional<module_version> module_version::of_file(const norvik::filesystem::file_path& file) noexcept {
    // Read with plain reads rather than through a mapping: a file on a
    // network share that goes away, or one another process cuts short, then
    // fails a read instead of raising an exception in the middle of the
    // walk. Every kind of sharing is granted, so a host or a scanner that has
    // the module open is not disturbed.
    const unique_handle handle =
        adopt_file(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!handle || !GetFileInformationByHandle(handle.get(), &information) ||
        (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
        return std::nullopt;
    }
    return walk([&handle](std::uint64_t offset, std::size_t count, unsigned char* out) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD got = 0;
        return count <= MAXDWORD && ReadFile(handle.get(), out, static_cast<DWORD>(count), &got, &at) && got == count;
    });
}

std::optional<module_version> module_version::of_resource(WORD id) noexcept {
    const HMODULE self = GetModuleHandleW(nullptr);
    const HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(id), RT_RCDATA);
    const HGLOBAL loaded = found != nullptr ? LoadResource(self, found) : nullptr;
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    return bytes != nullptr ? of_image(bytes, SizeofResource(self, found)) : std::nullopt;
}

std::uint64_t module_version::packed() const noexcept {
    return std::uint64_t{parts_[0]} << 48 | std::uint64_t{parts_[1]} << 32 | std::uint64_t{parts_[2]} << 16 | parts_[3];
}

module_version module_version::unpacked(std::uint64_t packed) noexcept {
    return {static_cast<std::uint16_t>(packed >> 48), static_cast<std::uint16_t>(packed >> 32),
            static_cast<std::uint16_t>(packed >> 16), static_cast<std::uint16_t>(packed)};
}

std::string module_version::text() const {
    const std::size_t shown = parts_[3] != 0 ? 4 : 3;
    std::string text;
    for (std::size_t i = 0; i < shown; ++i) {
        text.append(i == 0 ? "" : ".").append(std::to_string(parts_[i]));
    }
    return text;
}

} // namespace installer
