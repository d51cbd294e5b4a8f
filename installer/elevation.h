#pragma once
// Administrator rights: whether this process has them, and starting this
// program again with them (the shell's "runas" verb, which brings up the
// system's elevation prompt where one is needed).

#include <cstdint>
#include <string>

namespace installer {

struct relaunch_result {
    bool started = false;
    // The user declined the elevation prompt.
    bool declined = false;
    // Whether the copy was seen to end and its exit code read.
    bool ended = false;
    // The copy's exit code as the system reported it, when it ended.
    std::uint32_t raw_exit_code = 0;

    // The code to pass on: the copy's own, or 1603 when the copy cannot vouch
    // for how the install went (it could not be waited for, or it ended with
    // an NTSTATUS such as 0xC0000005 after a crash or being killed).
    [[nodiscard]] std::int32_t exit_code() const noexcept;
    [[nodiscard]] bool ended_abnormally() const noexcept;
};

// Whether the process token is elevated (an administrator's elevated prompt,
// or SYSTEM under a deployment tool).
[[nodiscard]] bool process_is_elevated() noexcept;

// The full path of this program, however long; empty if it cannot be read.
[[nodiscard]] std::wstring own_path();

// Starts `program` elevated with `parameters`, shown with SW_SHOWDEFAULT, with
// no working directory of its own: exactly the relaunch of the wizard.
[[nodiscard]] bool relaunch_elevated(const std::wstring& program, const std::wstring& parameters);

// As above, in the current working directory (where a relative /log= path
// means what the caller meant), and waits for the copy to end. For runs that
// nobody watches: the shell shows no error dialog of its own.
[[nodiscard]] relaunch_result relaunch_elevated_and_wait(const std::wstring& program, const std::wstring& parameters);

} // namespace installer
