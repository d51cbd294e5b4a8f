#include "tests/module_files.h"

#include <filesystem>
#include <fstream>

#include <windows.h>

#include "tests/test_files.h"

namespace installer::test {

const std::vector<char>& module_bytes() {
    static const std::vector<char> bytes = [] {
        HMODULE self = GetModuleHandleW(nullptr);
        HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(400), RT_RCDATA);
        const char* data = static_cast<const char*>(LockResource(LoadResource(self, found)));
        return std::vector<char>(data, data + SizeofResource(self, found));
    }();
    return bytes;
}

std::wstring module_in(const std::wstring& folder) {
    return folder + L"\\Falkmoor\\Quendal.aex";
}

bool installed(const std::wstring& folder) {
    return norvik::test::read_file(module_in(folder)) == module_bytes();
}

std::wstring previous_module(const std::wstring& folder) {
    std::filesystem::create_directories(std::filesystem::path(folder + L"\\Falkmoor"));
    std::ofstream(std::filesystem::path(module_in(folder))) << "previous module";
    return module_in(folder);
}

} // namespace installer::test
