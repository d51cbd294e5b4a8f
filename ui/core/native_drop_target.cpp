#include "ui/core/native_drop_target.h"

#include <exception>
#include <string>
#include <vector>

#include <shellapi.h>

#include "ui/core/events/event_registry.h"
#include "ui/core/native_window.h"
#include "ui/core/window.h"

namespace norvik::ui {

namespace {

// The dropped items that are files, in the order the drop lists them.
// Folders, and items whose attributes cannot be read, are left out.
std::vector<std::wstring> dropped_files(HDROP drop) {
    std::vector<std::wstring> files;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        DragQueryFileW(drop, i, path.data(), length + 1);
        path.resize(path.find(L'\0'));
        if ((GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            continue;
        }
        files.push_back(std::move(path));
    }
    return files;
}

} // namespace

HRESULT STDMETHODCALLTYPE native_drop_target::QueryInterface(REFIID iid, void** out) {
    if (out != nullptr && (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget))) {
        AddRef();
        *out = static_cast<IDropTarget*>(this);
        return S_OK;
    }
    // COM callers may release whatever the out pointer holds after a
    // failure: it must not be left with their garbage.
    if (out != nullptr) {
        *out = nullptr;
    }
    return E_FAIL;
}

ULONG STDMETHODCALLTYPE native_drop_target::AddRef() {
    return static_cast<ULONG>(++reference_count);
}

ULONG STDMETHODCALLTYPE native_drop_target::Release() {
    // Never frees: the object is part of its native_window.
    return static_cast<ULONG>(--reference_count);
}

HRESULT STDMETHODCALLTYPE native_drop_target::DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) {
    if (effect == nullptr) {
        return E_INVALIDARG;
    }
    *effect = answer(*effect);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE native_drop_target::DragOver(DWORD, POINTL, DWORD* effect) {
    if (effect == nullptr) {
        return E_INVALIDARG;
    }
    *effect = answer(*effect);
    return S_OK;
}

DWORD native_drop_target::answer(DWORD allowed) const {
    if (owner == nullptr || owner->window == nullptr) {
        return DROPEFFECT_NONE;
    }
    // The cursor, not OLE's point: the drop goes where route_event will send
    // it, which reads the cursor too.
    ui::window& w = *owner->window;
    const widget* target = w.hit_test(w.root.cursor_position());
    if (target == nullptr || !target->is_usable() || !has_handlers(target, event_kind::files_dropped)) {
        return DROPEFFECT_NONE;
    }
    // Only ever copy: a widget reads the files where they lie, and a source
    // told they were moved may delete the originals. A source that will not
    // let them be copied gets no drop.
    return (allowed & DROPEFFECT_COPY) != 0 ? DROPEFFECT_COPY : DROPEFFECT_NONE;
}

HRESULT STDMETHODCALLTYPE native_drop_target::DragLeave() {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE native_drop_target::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    if (effect == nullptr) {
        return E_INVALIDARG;
    }
    const DWORD allowed = *effect;
    *effect = DROPEFFECT_NONE;
    if (data == nullptr) {
        return E_FAIL;
    }
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (FAILED(data->GetData(&format, &medium))) {
        return E_FAIL;
    }
    std::vector<std::wstring> files;
    try {
        files = dropped_files(static_cast<HDROP>(medium.hGlobal));
    } catch (...) {
        ReleaseStgMedium(&medium);
        return E_OUTOFMEMORY;
    }
    ReleaseStgMedium(&medium);
    // Where no widget takes files the drop is refused and raises nothing.
    *effect = answer(allowed);
    if (*effect != DROPEFFECT_NONE) {
        // OLE calls this from inside the modal loop's dispatch: an exception
        // from a handler must not cross into OLE, so it is kept for the loop.
        try {
            owner->window->route_event(event_kind::files_dropped, event_info::pack_pointer(&files));
        } catch (...) {
            native_window::keep_exception(std::current_exception());
        }
    }
    return S_OK;
}

} // namespace norvik::ui
