#include "filesystem/select_folder.h"

#include "ui/core/text/text_conversion.h"
#include "ui/core/window.h"

#include <windows.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace norvik::filesystem {

namespace {

using Microsoft::WRL::ComPtr;

// Text the shell allocated for the caller to free.
struct co_task_mem_free {
    void operator()(wchar_t* text) const noexcept { CoTaskMemFree(text); }
};
using co_task_string = std::unique_ptr<wchar_t, co_task_mem_free>;

[[noreturn]] void fail(const char* message) {
    throw std::runtime_error(message);
}

} // namespace

file_path select_folder(const ui::window* owner, std::string_view title, const file_path& initial) {
    const std::wstring wide_title = text::utf8_to_utf16(title);

    ComPtr<IFileOpenDialog> dialog;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                reinterpret_cast<void**>(dialog.GetAddressOf()))) ||
        !dialog) {
        fail("unable to create the folder \"select\" dialog box");
    }

    // The dialog keeps whatever options it starts with and adds folder
    // picking; FORCEFILESYSTEM hides virtual places (Libraries, Network
    // views) that have no path to install into.
    FILEOPENDIALOGOPTIONS options = 0;
    const HRESULT read = dialog->GetOptions(&options);
    const HRESULT set = dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM);
    const HRESULT titled = dialog->SetTitle(wide_title.c_str());
    if (FAILED(read) || FAILED(set) || FAILED(titled)) {
        fail("unable to setup the folder \"select\" dialog box");
    }

    // A folder that no longer exists (or never did) is no reason to refuse:
    // the dialog then opens at its own default.
    if (!initial.empty()) {
        ComPtr<IShellItem> start;
        if (SUCCEEDED(SHCreateItemFromParsingName(initial.c_str(), nullptr, IID_IShellItem,
                                                  reinterpret_cast<void**>(start.GetAddressOf()))) &&
            start) {
            dialog->SetFolder(start.Get());
        }
    }

    const HRESULT shown = dialog->Show(owner ? owner->native.hwnd : nullptr);
    if (shown == HRESULT_FROM_WIN32(ERROR_CANCELLED)) {
        return {};
    }
    if (FAILED(shown)) {
        fail("unable to display the folder \"select\" dialog box");
    }

    ComPtr<IShellItem> chosen;
    if (FAILED(dialog->GetResult(chosen.GetAddressOf())) || !chosen) {
        fail("unable to retrieve the selection from the folder \"select\" dialog box");
    }

    wchar_t* raw = nullptr;
    const HRESULT named = chosen->GetDisplayName(SIGDN_FILESYSPATH, &raw);
    const co_task_string path(raw);
    if (FAILED(named) || !path) {
        fail("unable to retrieve a result from the folder \"select\" dialog box");
    }
    return file_path(std::wstring(path.get()));
}

} // namespace norvik::filesystem
