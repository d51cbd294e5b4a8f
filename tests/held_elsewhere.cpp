#include "tests/held_elsewhere.h"

#include <cstdint>
#include <filesystem>
#include <functional>

namespace norvik::test {

namespace {

// Whether another process holds `file` without sharing.
bool held(const std::wstring& file) {
    const HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return false;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION;
}

// Waits, without looking at the message queue, until `done` holds; whether
// it did within `limit_ms`.
bool wait_until(const std::function<bool()>& done, DWORD limit_ms) {
    for (const ULONGLONG give_up = GetTickCount64() + limit_ms; !done(); Sleep(10)) {
        if (GetTickCount64() > give_up) {
            return false;
        }
    }
    return true;
}

} // namespace

held_elsewhere::held_elsewhere(const std::wstring& file, const std::wstring& program) : file_(file) {
    // A name of this holder's own, so that holders never share an event.
    const std::wstring stop_name = L"Local\\norvik-held-elsewhere-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                   std::to_wstring(reinterpret_cast<std::uintptr_t>(this));
    stop_ = CreateEventW(nullptr, TRUE, FALSE, stop_name.c_str());
    const std::wstring stand_in =
        (std::filesystem::path(this_program()).parent_path() / L"host_stand_in.exe").wstring();
    if (!program.empty()) {
        std::filesystem::create_directories(std::filesystem::path(program).parent_path());
        CopyFileW(stand_in.c_str(), program.c_str(), FALSE);
    }
    process_.emplace(program.empty() ? stand_in : program, L"\"" + file + L"\" " + stop_name, true);
    // The stand-in ends at once when it cannot open the file.
    holding =
        process_->started() && wait_until([&] { return held(file_) || !process_->running(); }, 20000) && held(file_);
}

held_elsewhere::~held_elsewhere() {
    release();
    if (stop_ != nullptr) {
        CloseHandle(stop_);
    }
}

DWORD held_elsewhere::release() {
    if (!process_) {
        return static_cast<DWORD>(-1);
    }
    SetEvent(stop_);
    const DWORD code = process_->wait(20000);
    process_.reset();
    wait_until([&] { return !held(file_); }, 10000);
    return code;
}

} // namespace norvik::test
