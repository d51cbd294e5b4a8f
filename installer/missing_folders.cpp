#include "installer/missing_folders.h"

#include <windows.h>

#include <vector>

namespace installer {

namespace {

bool is_separator(wchar_t c) noexcept {
    return c == L'\\' || c == L'/';
}

// Where the folder that holds the first `end` characters of `path` ends,
// doubled separators passed over; 0 when there is no such folder to make:
// above the path's first name, a drive ("C:") or the start of "\\server".
std::size_t parent_end(const std::wstring& path, std::size_t end) noexcept {
    std::size_t cut = path.find_last_of(L"\\/", end - 1);
    while (cut != std::wstring::npos && cut > 0 && is_separator(path[cut - 1])) {
        --cut;
    }
    if (cut == std::wstring::npos || cut == 0 || path[cut - 1] == L':') {
        return 0;
    }
    return cut;
}

// Makes the folder of the first `end` characters; one that is there already
// counts as made (whatever it is: what then goes into it finds out). Asked
// first, since a drive's root or a share cannot be made and says so in
// errors of its own.
bool make(const std::wstring& path, std::size_t end) {
    const std::wstring folder = path.substr(0, end);
    return GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES || CreateDirectoryW(folder.c_str(), nullptr) ||
           GetLastError() == ERROR_ALREADY_EXISTS;
}

} // namespace

bool missing_folders::create(const std::wstring& folder) noexcept {
    try {
        std::size_t end = folder.size();
        while (end > 1 && is_separator(folder[end - 1])) {
            --end;
        }
        if (end == 0) {
            return true;
        }
        // Up from the folder itself to the first that is there or can be
        // made, then down again; a loop rather than a recursion, since a path
        // may have thousands of names.
        std::vector<std::size_t> missing;
        while (!make(folder, end)) {
            if (GetLastError() != ERROR_PATH_NOT_FOUND) {
                return false;
            }
            missing.push_back(end);
            end = parent_end(folder, end);
            if (end == 0) {
                SetLastError(ERROR_PATH_NOT_FOUND);
                return false;
            }
        }
        for (auto inner = missing.rbegin(); inner != missing.rend(); ++inner) {
            if (!make(folder, *inner)) {
                return false;
            }
        }
        return true;
    } catch (...) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
}

bool missing_folders::create_for_file(const std::wstring& file) noexcept {
    const std::size_t cut = file.empty() ? 0 : parent_end(file, file.size());
    if (cut == 0) {
        return true;
    }
    try {
        return create(file.substr(0, cut));
    } catch (...) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
}

} // namespace installer
