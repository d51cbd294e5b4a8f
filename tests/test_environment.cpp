#include "tests/test_environment.h"

#include <fstream>
#include <system_error>

#include <windows.h>

#include "tests/host_shell.h"

namespace norvik::test {

namespace {

std::string narrow(const std::wstring& ascii) {
    return std::string(ascii.begin(), ascii.end());
}

} // namespace

std::string state_dir() {
    return narrow(environment(L"NORVIK_WINE_STATE_DIR"));
}

std::filesystem::path state_file(const std::string& name) {
    return std::filesystem::path("Z:" + state_dir() + "/" + name);
}

std::string host_path(const std::wstring& windows) {
    return narrow(quoted_unix_path(windows));
}

// Wine starts a host program through CreateProcess without a handle to wait
// on, so the script leaves its exit code in a file, renamed into place once
// complete. The script goes into a file of its own, so that the commands
// may hold any quotes.
int run_in_environment(const std::string& commands) {
    const std::string state = state_dir();
    if (state.empty()) {
        return -1;
    }
    const std::string name = "host-commands-" + std::to_string(GetCurrentProcessId());
    std::error_code ignored;
    std::filesystem::remove(state_file(name + ".rc"), ignored);
    {
        std::ofstream script(state_file(name + ".sh"), std::ios::binary | std::ios::trunc);
        script << "exec >>'" << state << "/host-commands.log' 2>&1\n. '" << state << "/state'\n(\n"
               << commands << "\n)\necho $? >'" << state << "/" << name << ".rc.tmp'\nmv '" << state << "/" << name
               << ".rc.tmp' '" << state << "/" << name << ".rc'\n";
    }
    const std::string script = state + "/" + name + ".sh";
    if (!start_host_shell(L"/bin/sh '" + std::wstring(script.begin(), script.end()) + L"'")) {
        return -1;
    }
    int code = -1;
    for (const ULONGLONG give_up = GetTickCount64() + 20000; GetTickCount64() < give_up; Sleep(20)) {
        std::ifstream rc(state_file(name + ".rc"));
        if (int reported = -1; rc >> reported) {
            code = reported;
            break;
        }
    }
    std::filesystem::remove(state_file(name + ".rc"), ignored);
    std::filesystem::remove(state_file(name + ".sh"), ignored);
    return code;
}

} // namespace norvik::test
