#include "tests/child_process.h"

namespace norvik::test {

std::wstring this_program() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
    return path;
}

child_process::child_process(const std::wstring& exe, const std::wstring& arguments, bool quiet) {
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nowhere =
        quiet ? CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr) : nullptr;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (quiet) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = nowhere;
        startup.hStdError = nowhere;
    }
    PROCESS_INFORMATION process{};
    if (CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, quiet, 0, nullptr, nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        process_ = process.hProcess;
    }
    if (quiet) {
        CloseHandle(nowhere);
    }
}

child_process::~child_process() {
    if (process_ != nullptr) {
        CloseHandle(process_);
    }
}

DWORD child_process::wait(DWORD limit_ms) const {
    DWORD code = static_cast<DWORD>(-1);
    if (process_ != nullptr && WaitForSingleObject(process_, limit_ms) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process_, &code);
    }
    return code;
}

} // namespace norvik::test
