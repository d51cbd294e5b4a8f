#pragma once

// Windows programs a test starts and judges by their exit code: the program
// under test, or this test program again to run one scenario in a process of
// its own.

#include <string>

#include <windows.h>

namespace norvik::test {

// This test program's own path.
std::wstring this_program();

// A file a started program's standard output and error go to (made anew).
struct output_file {
    std::wstring path;
};

// A program started from the test, in a job of its own with whatever it
// starts. One that has not ended in the time a test waits for it is ended
// with them, as is one still running when this goes: a program left running
// would hold the install lock, or its windows, for the tests after it. A
// program that did end leaves what it started running (the uninstaller's
// copy that removes it once it has ended, say).
class child_process {
public:
    // Starts `exe` with `arguments` (the quoted program name goes in front).
    // A quiet one writes its output nowhere, so that a helper's report does
    // not mix with the test's own.
    child_process(const std::wstring& exe, const std::wstring& arguments, bool quiet = false);
    // The same, with its output written to `output` for the test to read.
    child_process(const std::wstring& exe, const std::wstring& arguments, const output_file& output);
    ~child_process();
    child_process(const child_process&) = delete;
    child_process& operator=(const child_process&) = delete;

    bool started() const { return process_ != nullptr; }
    // Whether it started and has not ended yet.
    bool running() const { return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

    // Waits for it to end, for `limit_ms` at most: its full exit code, or -1
    // when it did not start or did not end in time (it is then ended).
    DWORD wait(DWORD limit_ms = 60000) const;

private:
    // `output` (inheritable) receives both streams; null: the test's own.
    void start(const std::wstring& exe, const std::wstring& arguments, HANDLE output);
    // Ends the program and what it started, and waits until it has gone.
    void end() const;

    HANDLE process_ = nullptr;
    HANDLE job_ = nullptr;
};

} // namespace norvik::test
