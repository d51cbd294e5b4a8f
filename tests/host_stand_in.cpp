// A stand-in for the host's program, or for any other process holding a file
// (see held_elsewhere.h): it holds the file named by its first argument open
// without sharing, as a running host holds its plug-in modules, until the
// event named by its second argument is set (two minutes at most). Copied
// into a release's folder as AfterFX.exe, it is that release's host.

#include <windows.h>

int main(int argc, char** argv) {
    if (argc < 3) {
        return 2;
    }
    HANDLE file = CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE stop = OpenEventA(SYNCHRONIZE, FALSE, argv[2]);
    if (file == INVALID_HANDLE_VALUE || stop == nullptr) {
        return 3;
    }
    WaitForSingleObject(stop, 120000);
    CloseHandle(stop);
    CloseHandle(file);
    return 0;
}
