#pragma once

// Host programs started from a Windows test under Wine. Wine runs Unix
// executables through CreateProcess, so a test can hand work to /bin/sh:
// xdotool typing into a dialog while the test blocks in its modal loop,
// for example. The Wine test environment's state file (see
// scripts/wine-env.sh) names the display.

#include <string>

#include <windows.h>

namespace norvik::test {

// The variable's value, or empty when it is not set.
inline std::wstring environment(const wchar_t* name) {
    const DWORD length = GetEnvironmentVariableW(name, nullptr, 0);
    if (length == 0) {
        return {};
    }
    std::wstring value(length, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), length));
    return value;
}

// Starts `/bin/sh -c script` without waiting for it; whether it started.
inline bool start_host_shell(std::wstring script) {
    std::wstring command = L"/bin/sh -c \"" + script + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(L"/bin/sh", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

// Starts a host shell that waits, for 12 s at most, for a window titled
// `title` to be mapped, focuses it and then runs `input` (xdotool commands,
// without double quotes). False outside the Wine test environment. The
// search is repeated when it fails: xdotool gives up with BadWindow when
// some window vanishes while it walks the window tree. Wine's dialogs drop
// keys that arrive in their first moments on screen, hence the pause before
// focusing once more.
inline bool type_into_window(const std::wstring& title, const std::wstring& input) {
    const std::wstring state_dir = environment(L"NORVIK_WINE_STATE_DIR");
    if (state_dir.empty()) {
        return false;
    }
    return start_host_shell(L". '" + state_dir +
                            L"/state' && export DISPLAY=$NORVIK_DISPLAY && end=$(($(date +%s) + 12)) && "
                            L"until timeout 10 xdotool search --sync --onlyvisible --name '^" +
                            title +
                            L"$' windowfocus --sync sleep 1 windowfocus --sync; do "
                            L"[ $(date +%s) -lt $end ] || exit 1; sleep 0.2; done && " +
                            input);
}

} // namespace norvik::test
