#pragma once

// The like-for-like limit of installing the module: CopyFileW of the same
// bytes into each plug-in folder's FOLDER\Falkmoor\Quendal.aex, the vendor
// folder made first, each copy flushed, since the install job flushes too.
// Shared by the in-process install benchmark and the quiet install's floor.

#include <windows.h>

#include <string>
#include <vector>

namespace norvik::bench {

inline constexpr wchar_t module_subpath[] = L"\\Falkmoor\\Quendal.aex";

inline void remove_modules(const std::vector<std::wstring>& folders) {
    for (const std::wstring& folder : folders) {
        DeleteFileW((folder + module_subpath).c_str());
    }
}

// False as soon as a copy or its flush fails.
inline bool copy_module(const std::wstring& source, const std::vector<std::wstring>& folders) {
    for (const std::wstring& folder : folders) {
        CreateDirectoryW((folder + L"\\Falkmoor").c_str(), nullptr);
        const std::wstring file = folder + module_subpath;
        if (!CopyFileW(source.c_str(), file.c_str(), FALSE)) {
            return false;
        }
        HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            return false;
        }
        const bool flushed = FlushFileBuffers(h) != FALSE;
        CloseHandle(h);
        if (!flushed) {
            return false;
        }
    }
    return true;
}

} // namespace norvik::bench
