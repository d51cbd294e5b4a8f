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
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
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
    if (!process) {
        // A copy that cannot be waited for cannot vouch for its success.
        result.exit_code = ERROR_INSTALL_FAILURE;
        return result;
    }
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    result.exit_code = code;
    return result;
}

} // namespace installer
