#include "installer/installer_entry.h"

#include <cstdio>
#include <exception>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include <windows.h>

#include <comdef.h>
#include <objbase.h>
#include <shellapi.h>

#include "installer/installer_ui.h"
#include "render/text_conversion.h"
#include "ui/core/event_registry.h"

namespace installer {

namespace {

// The full path of this program, however long (a program kept in a deep
// folder of a long-path-aware system must still find itself).
std::wstring own_path() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// The shell may hand the verb to extensions that need COM on this thread.
class com_for_shell {
public:
    com_for_shell()
        : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~com_for_shell() {
        if (initialised_) {
            CoUninitialize();
        }
    }
    com_for_shell(const com_for_shell&) = delete;
    com_for_shell& operator=(const com_for_shell&) = delete;

private:
    bool initialised_;
};

bool relaunch_elevated() {
    const std::wstring path = own_path();
    if (path.empty()) {
        return false;
    }
    com_for_shell com;
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.lpVerb = L"runas";
    info.lpFile = path.c_str();
    info.lpParameters = L"/UAC";
    info.nShow = SW_SHOWDEFAULT;
    return ShellExecuteExW(&info) != FALSE;
}

// What an error that escaped the wizard says, whatever its type: the
// toolkit's COM checks throw _com_error, which is no std::exception.
std::wstring describe(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        try {
            return norvik::ui::utf8_to_utf16(e.what());
        } catch (...) {
            return L"an error without a readable description";
        }
    } catch (const _com_error& e) {
        wchar_t code[32];
        std::swprintf(code, std::size(code), L"COM error 0x%08lX", static_cast<unsigned long>(e.Error()));
        return code;
    } catch (...) {
        return L"an unknown error";
    }
}

void report(const wchar_t* what_happened, const std::exception_ptr& error) {
    std::wstring text = what_happened;
    try {
        text += describe(error);
    } catch (...) {
    }
    MessageBoxW(nullptr, text.c_str(), L"Quendal for After Effects Installer", MB_OK | MB_ICONERROR);
}

void run_wizard(InstallerUI& wizard) {
    // The registry exists from the first event object on; this keeps the
    // order the toolkit relies on explicit: built before the first event.
    norvik::ui::event_registry::instance();
    norvik::ui::emit(&wizard, norvik::ui::event_kind::shown, 0);
    wizard.native.run_modal();
}

} // namespace

std::int32_t run_installer() {
    std::optional<InstallerUI> wizard;
    // A wizard that cannot even be built (no Direct2D, say) says why instead
    // of vanishing; the install job never ran, so nothing is on disk.
    try {
        wizard.emplace();
    } catch (...) {
        report(L"The installer could not start:\n", std::current_exception());
        return 1;
    }
    std::exception_ptr failure;
    try {
        run_wizard(*wizard);
    } catch (...) {
        failure = std::current_exception();
    }
    // Destroying the wizard waits for a running install job, which then
    // finishes its module or removes its staging file: nothing is left half
    // written by the time the user reads the message.
    wizard.reset();
    if (failure) {
        report(L"The installer stopped after an unexpected error:\n", failure);
        return 1;
    }
    return 0;
}

std::int32_t installer_entry(const wchar_t* tail) {
    const std::wstring_view command = tail != nullptr ? tail : L"";
    if (command.find(L"/UAC") == std::wstring_view::npos) {
        return relaunch_elevated() ? 0 : 1;
    }
    return run_installer();
}

} // namespace installer
