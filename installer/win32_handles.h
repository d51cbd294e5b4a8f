#pragma once
// Ownership of what the install engine gets from Windows and must give back:
// kernel objects, registry keys, loaded libraries, SIDs from
// AllocateAndInitializeSid and LocalAlloc'd memory. One family, so that
// every such object is released on every path the same way.

#include <windows.h>

#include <memory>
#include <type_traits>

namespace installer {

struct handle_closer {
    void operator()(HANDLE handle) const noexcept {
        if (handle && handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
};
using unique_handle = std::unique_ptr<void, handle_closer>;

// CreateFileW reports failure as INVALID_HANDLE_VALUE, not null.
inline unique_handle adopt_file(HANDLE handle) noexcept {
    return unique_handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

struct key_closer {
    void operator()(HKEY key) const noexcept { RegCloseKey(key); }
};
using unique_key = std::unique_ptr<std::remove_pointer_t<HKEY>, key_closer>;

struct library_freer {
    void operator()(HMODULE library) const noexcept { FreeLibrary(library); }
};
using unique_library = std::unique_ptr<std::remove_pointer_t<HMODULE>, library_freer>;

struct sid_freer {
    void operator()(PSID sid) const noexcept { FreeSid(sid); }
};
using unique_sid = std::unique_ptr<void, sid_freer>;

struct local_free_deleter {
    void operator()(void* memory) const noexcept { LocalFree(memory); }
};
template <typename T>
using local_ptr = std::unique_ptr<T, local_free_deleter>;

} // namespace installer
