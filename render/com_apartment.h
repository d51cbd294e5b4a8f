#pragma once

#include <windows.h>

#include <objbase.h>

namespace norvik::ui {

// Joins the calling thread to COM's multithreaded apartment for the lifetime
// of the object and leaves it again only if the join succeeded. A thread that
// is already in a single-threaded apartment (the UI thread, which initialised
// OLE for drag and drop) gets RPC_E_CHANGED_MODE and stays as it is.
class com_apartment {
public:
    com_apartment() : result_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~com_apartment() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }

    com_apartment(const com_apartment&) = delete;
    com_apartment& operator=(const com_apartment&) = delete;

    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

} // namespace norvik::ui
