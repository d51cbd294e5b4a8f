// The floor of a quiet install, as a program of its own: it starts, copies
// the module's bytes into each plug-in folder as the installer would place
// them, flushes each copy and exits, with nothing else loaded or done. A
// quiet run of the installer is timed against it from process start to exit.
//
//   quiet_floor.exe MODULE FOLDER...
//
// A GUI program like the installer, so that both start the same way and
// neither gets a console. Exits 0 when every copy was flushed, 1 when one
// failed, 2 on a bad command line.

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bench/module_copy.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // The runtime's own split of the command line, rather than
    // CommandLineToArgvW, which would load the shell's DLLs.
    if (__argc < 3 || __wargv == nullptr) {
        return 2;
    }
    const std::vector<std::wstring> folders(__wargv + 2, __wargv + __argc);
    return norvik::bench::copy_module(__wargv[1], folders) ? 0 : 1;
}
