#pragma once

// A file held open without sharing by another process, as a running host
// holds its plug-in modules or a scanner the file it reads: the stand-in
// host_stand_in.exe, built beside the test programs (a test program that
// uses this depends on it), run from where it was built or from a copy
// (the host's AfterFX.exe in a release's folder, say).

#include <optional>
#include <string>

#include <windows.h>

#include "tests/child_process.h"

namespace norvik::test {

class held_elsewhere {
public:
    // Starts the stand-in on `file` and waits until the file is held;
    // `program`, when given, is where the stand-in is copied to and run from.
    explicit held_elsewhere(const std::wstring& file, const std::wstring& program = {});
    // Lets go, as release() does.
    ~held_elsewhere();
    held_elsewhere(const held_elsewhere&) = delete;
    held_elsewhere& operator=(const held_elsewhere&) = delete;

    // Lets go of the file and returns once the stand-in has ended and the
    // file opens without sharing again (a process's handles may outlive it
    // for a moment); the stand-in's exit code, 0 when it held and let go as
    // asked, or -1 when it had already been let go or did not end.
    DWORD release();

    // Whether the file is held by the stand-in (false when it did not start
    // or could not open the file).
    bool holding = false;

private:
    const std::wstring file_;
    HANDLE stop_ = nullptr;
    std::optional<child_process> process_;
};

} // namespace norvik::test
