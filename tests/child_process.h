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

// A program started from the test; its handle is closed when it goes,
// without waiting for it.
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

    // Waits for it to end, for `limit_ms` at most: its full exit code, or -1
    // when it did not start or did not end in time.
    DWORD wait(DWORD limit_ms = 60000) const;

private:
    // `output` (inheritable) receives both streams; null: the test's own.
    void start(const std::wstring& exe, const std::wstring& arguments, HANDLE output);

    HANDLE process_ = nullptr;
};

} // namespace norvik::test
