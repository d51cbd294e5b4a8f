#include "render/graphics_factories.h"

#include <cstring>
#include <stdexcept>
#include <string>

namespace norvik::ui {

namespace {

using create_direct2d_function = HRESULT(WINAPI*)(D2D1_FACTORY_TYPE, REFIID, const D2D1_FACTORY_OPTIONS*, void**);
using create_directwrite_function = HRESULT(WINAPI*)(DWRITE_FACTORY_TYPE, REFIID, IUnknown**);

std::string windows_error(DWORD code) {
    return " (Windows error " + std::to_string(code) + ")";
}

// The system's own copy of the DLL, by its full path: a DLL of that name
// beside the installer (in a downloads folder, say) is never loaded instead.
// It stays loaded for the rest of the process, as an imported DLL would:
// factories and what was made from them may be released as late as the
// process's exit.
HMODULE load_system_dll(const char* name) {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        throw std::runtime_error("unable to find the system folder" + windows_error(GetLastError()));
    }
    // The names are ASCII.
    const std::wstring path = std::wstring(folder, length) + L"\\" + std::wstring(name, name + std::strlen(name));
    const HMODULE module = LoadLibraryW(path.c_str());
    if (module == nullptr) {
        const DWORD error = GetLastError();
        throw std::runtime_error("unable to load " + std::string(name) + windows_error(error));
    }
    return module;
}

template <typename Function>
Function entry_point(const char* dll, const char* name) {
    const FARPROC found = GetProcAddress(load_system_dll(dll), name);
    if (found == nullptr) {
        const DWORD error = GetLastError();
        throw std::runtime_error("unable to find " + std::string(name) + " in " + std::string(dll) +
                                 windows_error(error));
    }
    // Through the generic function pointer type, which converts to any other
    // without a warning about mismatched signatures.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

} // namespace

HRESULT graphics_factories::create_direct2d(D2D1_FACTORY_TYPE type, REFIID iid, const D2D1_FACTORY_OPTIONS* options,
                                            void** factory) {
    // Resolved once; a failed resolution throws and is tried again next call.
    static const auto create = entry_point<create_direct2d_function>("d2d1.dll", "D2D1CreateFactory");
    return create(type, iid, options, factory);
}

HRESULT graphics_factories::create_directwrite(DWRITE_FACTORY_TYPE type, REFIID iid, IUnknown** factory) {
    static const auto create = entry_point<create_directwrite_function>("DWrite.dll", "DWriteCreateFactory");
    return create(type, iid, factory);
}

} // namespace norvik::ui
