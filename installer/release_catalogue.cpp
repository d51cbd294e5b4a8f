#include "installer/release_catalogue.h"

#include <algorithm>

namespace installer {

release_catalogue::release_catalogue() : release_catalogue(release_paths{}, {}) {}

release_catalogue::release_catalogue(const release_paths& table, const std::vector<current_release>& current) {
    entries_.reserve(release_count + current.size());
    for (std::size_t i = 0; i < custom_release; ++i) {
        const wchar_t* key = host_release_table[i].registry_key;
        entries_.push_back({host_release_table[i].display_name, key != nullptr ? key : L"", table[i]});
    }
    for (const current_release& release : current) {
        entries_.push_back({current_release_name(release.major), release.key, release.folder});
    }
    entries_.push_back({host_release_table[custom_release].display_name, L"", table[custom_release]});
}

release_catalogue release_catalogue::detect() {
    return release_catalogue(detect_host_releases(), detect_current_releases());
}

std::size_t release_catalogue::find(std::string_view name) const {
    for (std::size_t i = 0; i < custom(); ++i) {
        if (entries_[i].name == name) {
            return i;
        }
    }
    return size();
}

target_list release_catalogue::folders() const {
    target_list folders;
    folders.reserve(entries_.size());
    for (const release_entry& entry : entries_) {
        folders.push_back(entry.folder);
    }
    return folders;
}

std::string release_catalogue::release_name(std::wstring_view name) {
    for (std::size_t i = 0; i < custom_release; ++i) {
        if (is_release_name(name, host_release_table[i].display_name)) {
            return host_release_table[i].display_name;
        }
    }
    const std::optional<unsigned> major = current_release_named(name);
    return major ? current_release_name(*major) : std::string();
}

std::size_t release_catalogue::order_of(std::string_view release_name) {
    for (std::size_t i = 0; i < custom_release; ++i) {
        if (release_name == host_release_table[i].display_name) {
            return i;
        }
    }
    const std::wstring wide(release_name.begin(), release_name.end());
    return custom_release + current_release_named(wide).value_or(0);
}

} // namespace installer
