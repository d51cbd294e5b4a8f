// The Windows GUI entry point of QuendalInstaller.exe.

#include <windows.h>

#include "installer/installer_entry.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR command_tail, int) {
    return installer::installer_entry(command_tail);
}
