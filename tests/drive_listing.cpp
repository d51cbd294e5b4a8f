#include "tests/drive_listing.h"

#include <algorithm>
#include <fstream>

#include <windows.h>
#include <gtest/gtest.h>

#include "tests/test_environment.h"

namespace norvik::test {

drive_listing::drive_listing(const std::wstring& root) : root_(root) {
    const std::string name = "drive-listing-" + std::to_string(GetCurrentProcessId());
    const std::string where = std::string(root.begin(), root.end());
    if (run_in_environment("find -H " + host_path(root) + " -mindepth 1 -printf '%y %s %T@ %P\\n' >'" + state_dir() +
                           "/" + name + "'") != 0) {
        ADD_FAILURE() << "the listing of " << where << " failed";
        return;
    }
    {
        std::ifstream in(state_file(name));
        std::string type, size, time, path;
        while (in >> type >> size >> time && std::getline(in, path)) {
            path.erase(0, 1);
            entries_[path] = type == "d" ? "folder" : size + " " + time;
        }
    }
    DeleteFileW(state_file(name).wstring().c_str());
    if (entries_.empty()) {
        ADD_FAILURE() << "the listing of " << where << " is empty";
    }
}

std::vector<std::string> drive_listing::changed_outside(const drive_listing& after,
                                                        const std::vector<std::wstring>& allowed) const {
    std::vector<std::string> within;
    for (const std::wstring& folder : allowed) {
        if (std::string rel = relative(folder); !rel.empty()) {
            within.push_back(std::move(rel));
        }
    }
    const auto permitted = [&](const std::string& path) {
        return std::any_of(within.begin(), within.end(),
                           [&](const std::string& a) { return path == a || path.rfind(a + "/", 0) == 0; });
    };
    std::vector<std::string> changed;
    for (const auto& [path, state] : entries_) {
        const auto now = after.entries_.find(path);
        if ((now == after.entries_.end() || now->second != state) && !permitted(path)) {
            changed.push_back(path);
        }
    }
    for (const auto& [path, state] : after.entries_) {
        if (entries_.count(path) == 0 && !permitted(path)) {
            changed.push_back(path);
        }
    }
    return changed;
}

std::string drive_listing::relative(const std::wstring& folder) const {
    if (folder.size() <= root_.size() || _wcsnicmp(folder.c_str(), root_.c_str(), root_.size()) != 0) {
        return {};
    }
    std::string rel(folder.begin() + static_cast<std::ptrdiff_t>(root_.size()), folder.end());
    std::replace(rel.begin(), rel.end(), '\\', '/');
    while (!rel.empty() && rel.back() == '/') {
        rel.pop_back();
    }
    return rel;
}

std::string joined(const std::vector<std::string>& paths) {
    std::string text;
    for (const std::string& path : paths) {
        text += (text.empty() ? "" : ", ") + path;
    }
    return text;
}

} // namespace norvik::test
