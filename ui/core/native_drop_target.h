#pragma once

#include <atomic>
#include <cstdint>

#include <windows.h>
#include <ole2.h>

namespace norvik::ui {

class native_window;

// The OLE drop target of one system window. It is embedded in its
// native_window, which holds the one reference for its whole life, so the
// object is never freed through Release. It offers a drop only over a usable
// widget that has files_dropped handlers, always as a copy (never a move), and
// on a drop raises files_dropped on the widget under the cursor with the
// dropped files (folders left out).
class native_drop_target : public IDropTarget {
public:
    native_drop_target() = default;
    // Not virtual: the COM slots are the whole vtable, and the object is
    // only ever destroyed as a member of its native_window.
    ~native_drop_target() = default;
    native_drop_target(const native_drop_target&) = delete;
    native_drop_target& operator=(const native_drop_target&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;

    HRESULT ole_init_result = E_FAIL;
    native_window* owner = nullptr;
    HWND registered_hwnd = nullptr;
    std::atomic<int32_t> reference_count{1};

private:
    // The effect to answer where the cursor is, given the effects the source
    // allows: copy over a widget taking files, none elsewhere.
    DWORD answer(DWORD allowed) const;
};

} // namespace norvik::ui
