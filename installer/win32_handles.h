#pragma once
// Ownership of the kernel and LocalAlloc'd objects the install engine uses.

#include <windows.h>

#include <memory>

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

struct local_free_deleter {
    void operator()(void* memory) const noexcept { LocalFree(memory); }
};
template <typename T>
using local_ptr = std::unique_ptr<T, local_free_deleter>;

} // namespace installer
