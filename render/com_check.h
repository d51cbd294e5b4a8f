#pragma once

#include <windows.h>

#include <comdef.h>
#include <wrl/client.h>

namespace norvik::ui {

// Raises the COM error E_POINTER: an interface that the renderer or an image
// needs is unexpectedly missing.
[[noreturn]] inline void throw_null_interface() {
    throw _com_error(E_POINTER);
}

// The interface held by `p`, or the COM error E_POINTER when it holds none.
template <typename T>
T& require(const Microsoft::WRL::ComPtr<T>& p) {
    if (!p) {
        throw_null_interface();
    }
    return *p.Get();
}

} // namespace norvik::ui
