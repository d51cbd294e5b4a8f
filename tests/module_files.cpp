#include "tests/module_files.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <utility>

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

held_module::held_module(const std::wstring& folder) : path(previous_module(folder)) {
    HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    handle_ = held == INVALID_HANDLE_VALUE ? nullptr : held;
}

held_module::~held_module() {
    if (releaser_.joinable()) {
        releaser_.join();
    }
    if (handle_ != nullptr) {
        CloseHandle(handle_);
    }
}

void held_module::release_after(unsigned delay_ms) {
    releaser_ = std::thread([this, delay_ms] {
        std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
        CloseHandle(std::exchange(handle_, nullptr));
    });
}

} // namespace installer::test
