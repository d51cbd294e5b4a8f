// The code of the test modules that carry a version resource: an entry point
// that does nothing. The modules are never loaded; the installer reads only
// their version resource.

#include <windows.h>

extern "C" BOOL WINAPI module_entry(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
