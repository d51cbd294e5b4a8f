// A DLL that someone plants beside the installer under the name of a DLL the
// installer loads (tests/unattended_test.cpp copies it there under several
// names). Loading it leaves a mark: a file named after it with ".loaded"
// appended. It imports nothing but kernel32.

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t mark[MAX_PATH + 8] = {};
        const DWORD length = GetModuleFileNameW(self, mark, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            lstrcpyW(mark + length, L".loaded");
            CloseHandle(CreateFileW(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        }
    }
    return TRUE;
}
