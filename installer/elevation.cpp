#include "installer/elevation.h"

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include "installer/win32_handles.h"

namespace installer {

namespace {

// The shell may hand the verb to extensions that need COM on this thread.
class com_for_shell {
public:
    com_for_shell()
        : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~com_for_shell() {
        if (initialised_) {
            CoUninitialize();
        }
    }
    com_for_shell(const com_for_shell&) = delete;
    com_for_shell& operator=(const com_for_shell&) = delete;

private:
    bool initialised_;
};

std::wstring current_folder() {
    const DWORD length = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(length, L'\0');
    const DWORD written = GetCurrentDirectoryW(length, folder.data());
    folder.resize(written < length ? written : 0);
    return folder;
}

} // namespace

bool process_is_elevated() noexcept {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return false;
    }
    const unique_handle owner(token);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated != 0;
}

// A program kept in a deep folder of a long-path-aware system must still find
// itself, so the buffer grows until the path fits.
std::wstring own_path() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

bool relaunch_elevated(const std::wstring& program, const std::wstring& parameters) {
    if (program.empty()) {
        return false;
    }
    com_for_shell com;
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.lpVerb = L"runas";
    info.lpFile = program.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = SW_SHOWDEFAULT;
    return ShellExecuteExW(&info) != FALSE;
}

relaunch_result relaunch_elevated_and_wait(const std::wstring& program, const std::wstring& parameters) {
    relaunch_result result;
    if (program.empty()) {
        return result;
    }
    com_for_shell com;
    const std::wstring folder = current_folder();
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    // NOASYNC: the call returns only once the shell is done with it, as a
    // program without a message loop of its own needs.
    // FLAG_NO_UI: a failure is reported to the caller, never in a box that
    // would wait for a click on a machine where nobody is looking.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"runas";
    info.lpFile = program.c_str();
    info.lpParameters = parameters.c_str();
    info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    info.nShow = SW_SHOWDEFAULT;
    if (!ShellExecuteExW(&info)) {
        result.declined = GetLastError() == ERROR_CANCELLED;
        return result;
    }
    result.started = true;
    const unique_handle process(info.hProcess);
    DWORD code = 0;
    result.ended = process && WaitForSingleObject(process.get(), INFINITE) == WAIT_OBJECT_0 &&
                   GetExitCodeProcess(process.get(), &code);
    result.raw_exit_code = code;
    return result;
}

bool relaunch_result::ended_abnormally() const noexcept {
    // STILL_ACTIVE from a process that ended, or an NTSTATUS of the error
    // or warning kind (0xC0000005, 0x80000003, ...): no exit code of ours.
    return !ended || raw_exit_code == STILL_ACTIVE || (raw_exit_code & 0x80000000u) != 0;
}

std::int32_t relaunch_result::exit_code() const noexcept {
    return ended_abnormally() ? ERROR_INSTALL_FAILURE : static_cast<std::int32_t>(raw_exit_code);
}

} // namespace installer
