#pragma once

// Host programs started from a Windows test under Wine. Wine runs Unix
// executables through CreateProcess, so a test can hand work to /bin/sh:
// xdotool typing into a dialog while the test blocks in its modal loop,
// for example. The Wine test environment's state file (see
// scripts/wine-env.sh) names the display.

#include <filesystem>
#include <fstream>
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

// The Unix path Wine maps a Windows path to (it need not exist yet), in
// single quotes for the host shell; empty outside Wine. Test paths are ASCII.
inline std::wstring quoted_unix_path(const std::wstring& windows) {
    using convert = char*(CDECL*)(const wchar_t*);
    const auto to_unix = reinterpret_cast<convert>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* raw = to_unix != nullptr ? to_unix(windows.c_str()) : nullptr;
    if (raw == nullptr) {
        return {};
    }
    const std::string path(raw);
    HeapFree(GetProcessHeap(), 0, raw);
    return L"'" + std::wstring(path.begin(), path.end()) + L"'";
}

// Runs `/bin/sh -c script` (no double quotes in it) to its end, 10 s at
// most: its exit code, or -1. Wine hands back no usable process handle for a
// host program, so the script leaves its exit code in a file.
inline int run_host_shell(const std::wstring& script) {
    wchar_t folder[MAX_PATH] = {};
    if (GetTempPathW(MAX_PATH, folder) == 0) {
        return -1;
    }
    const std::wstring done = std::wstring(folder) + L"host-shell-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetTickCount64()) + L".rc";
    const std::wstring unix_done = quoted_unix_path(done);
    if (unix_done.empty() || !start_host_shell(L"(" + script + L"); echo $? >" + unix_done + L".new && mv " +
                                               unix_done + L".new " + unix_done)) {
        return -1;
    }
    int code = -1;
    for (const ULONGLONG give_up = GetTickCount64() + 10000; GetTickCount64() < give_up; Sleep(10)) {
        std::ifstream rc{std::filesystem::path(done)};
        if (rc >> code) {
            break;
        }
    }
    DeleteFileW(done.c_str());
    return code;
}

// Plants at `link` a symbolic link made on the host to `target`, as a user
// who may write a folder of the prefix's drive would; whether it is there.
// Wine 8 shows such a link without the reparse attribute and follows it.
inline bool plant_host_link(const std::wstring& link, const std::wstring& target) {
    return run_host_shell(L"ln -s " + quoted_unix_path(target) + L" " + quoted_unix_path(link)) == 0;
}

// Gives `path` to another host user, which Wine then reports as owned by
// S-1-5-7 (Anonymous Logon), someone other than the program's user; false
// where the host does not allow it (only root may).
inline bool give_to_another_user(const std::wstring& path) {
    return run_host_shell(L"chown 65534 " + quoted_unix_path(path)) == 0;
}

// Removes a link planted with plant_host_link (Windows calls would remove
// what it points to, under Wine).
inline bool remove_host_link(const std::wstring& link) {
    return run_host_shell(L"rm " + quoted_unix_path(link)) == 0;
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
