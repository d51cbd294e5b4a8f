#include "tests/module_files.h"

#include <filesystem>
#include <fstream>
#include <system_error>

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
        releaser_.request_stop();
        releaser_.join();
    }
    release();
}

void held_module::release() {
    if (void* held = handle_.exchange(nullptr); held != nullptr) {
        CloseHandle(held);
    }
}

void held_module::release_once_staged(unsigned delay_ms) {
    releaser_ = std::jthread([this, delay_ms](std::stop_token stop) {
        // The limit only keeps a job that never writes from holding the test.
        const ULONGLONG give_up = GetTickCount64() + 60000;
        while (!stop.stop_requested() && !staged() && GetTickCount64() < give_up) {
            Sleep(2);
        }
        Sleep(delay_ms);
        release();
    });
}

bool held_module::staged() const {
    const std::filesystem::path vendor = std::filesystem::path(path).parent_path();
    std::error_code gone;
    for (const auto& entry : std::filesystem::directory_iterator(vendor, gone)) {
        if (entry.path().filename() != L"Quendal.aex" && entry.file_size(gone) == module_bytes().size()) {
            return true;
        }
    }
    return false;
}

} // namespace installer::test
