#include "tests/child_process.h"

namespace norvik::test {

std::wstring this_program() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
    return path;
}

namespace {

HANDLE inheritable_output(const wchar_t* path, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE file =
        CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition, 0, nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

} // namespace

child_process::child_process(const std::wstring& exe, const std::wstring& arguments, bool quiet) {
    const HANDLE nowhere = quiet ? inheritable_output(L"NUL", OPEN_EXISTING) : nullptr;
    start(exe, arguments, nowhere);
    if (nowhere != nullptr) {
        CloseHandle(nowhere);
    }
}

child_process::child_process(const std::wstring& exe, const std::wstring& arguments, const output_file& output) {
    const HANDLE file = inheritable_output(output.path.c_str(), CREATE_ALWAYS);
    if (file != nullptr) {
        start(exe, arguments, file);
        CloseHandle(file);
    }
}

void child_process::start(const std::wstring& exe, const std::wstring& arguments, HANDLE output) {
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (output != nullptr) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output;
        startup.hStdError = output;
    }
    // Started suspended, so that it is in the job before it can start
    // anything of its own.
    PROCESS_INFORMATION process{};
    if (CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, output != nullptr, CREATE_SUSPENDED, nullptr,
                       nullptr, &startup, &process)) {
        job_ = CreateJobObjectW(nullptr, nullptr);
        if (job_ != nullptr && !AssignProcessToJobObject(job_, process.hProcess)) {
            CloseHandle(job_);
            job_ = nullptr;
        }
        ResumeThread(process.hThread);
        CloseHandle(process.hThread);
        process_ = process.hProcess;
    }
}

child_process::~child_process() {
    if (running()) {
        end();
    }
    if (process_ != nullptr) {
        CloseHandle(process_);
    }
    if (job_ != nullptr) {
        CloseHandle(job_);
    }
}

DWORD child_process::wait(DWORD limit_ms) const {
    DWORD code = static_cast<DWORD>(-1);
    if (process_ == nullptr) {
        return code;
    }
    if (WaitForSingleObject(process_, limit_ms) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process_, &code);
    } else {
        end();
    }
    return code;
}

void child_process::end() const {
    // Without a job (none could be made) only the program itself is ended.
    if (job_ == nullptr || !TerminateJobObject(job_, static_cast<UINT>(-1))) {
        TerminateProcess(process_, static_cast<UINT>(-1));
    }
    WaitForSingleObject(process_, 10000);
}

} // namespace norvik::test
