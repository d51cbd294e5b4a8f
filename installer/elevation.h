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
    // The elevated copy's exit code, when it was waited for.
    std::uint32_t exit_code = 0;
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
// means what the caller meant), and waits for the copy to end.
[[nodiscard]] relaunch_result relaunch_elevated_and_wait(const std::wstring& program, const std::wstring& parameters);

} // namespace installer
