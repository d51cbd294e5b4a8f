#pragma once

// Files as the install job leaves them: a file's bytes, and the plug-in
// module the job writes (the test program's own resource 400, which it
// carries like the installer).

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <windows.h>

namespace installer::test {

inline std::vector<char> read_file(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The plug-in module as the job writes it: this program's resource 400.
inline const std::vector<char>& module_bytes() {
    static const std::vector<char> bytes = [] {
        HMODULE self = GetModuleHandleW(nullptr);
        HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(400), RT_RCDATA);
        const char* data = static_cast<const char*>(LockResource(LoadResource(self, found)));
        return std::vector<char>(data, data + SizeofResource(self, found));
    }();
    return bytes;
}

} // namespace installer::test
