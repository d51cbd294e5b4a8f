#pragma once
// Files another process holds for a moment. A virus scanner or an indexer
// often opens a file the moment it is written and holds it briefly, and a
// rename or delete then fails with a sharing or access error. Such a step is
// tried again after each of these pauses, about a second in all, before the
// file counts as held for good; a module held by a running host is reported
// that much later.

#include <windows.h>

namespace installer {

inline constexpr DWORD held_file_pauses_ms[] = {100, 200, 300, 400};

// Whether `error` says another process holds the file.
[[nodiscard]] inline bool is_held_elsewhere(DWORD error) noexcept {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
}

// Runs `attempt` until it succeeds, fails for a reason other than another
// process holding the file, or the pauses are used up; GetLastError then
// gives the last attempt's error.
template <typename Attempt>
[[nodiscard]] bool retry_while_held(Attempt attempt) noexcept {
    if (attempt()) {
        return true;
    }
    for (const DWORD pause : held_file_pauses_ms) {
        if (!is_held_elsewhere(GetLastError())) {
            return false;
        }
        Sleep(pause);
        if (attempt()) {
            return true;
        }
    }
    return false;
}

} // namespace installer
