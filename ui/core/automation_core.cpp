#include "ui/core/automation_core.h"

#include <string>
#include <utility>

namespace norvik::ui {

namespace {

template <class F>
void resolve(HMODULE library, const char* name, F& entry) {
    entry = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

} // namespace

automation_core& automation_core::instance() {
    static automation_core core;
    return core;
}

bool automation_core::load() {
    if (tried_) {
        return loaded();
    }
    tried_ = true;
    // A full path: an elevated installer must not pick up a library of that
    // name from the folder it was started in.
    wchar_t system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return false;
    }
    library_ = LoadLibraryW((std::wstring(system) + L"\\UIAutomationCore.dll").c_str());
    if (library_ == nullptr) {
        return false;
    }
    entry_points found;
    resolve(library_, "UiaReturnRawElementProvider", found.return_raw_element_provider);
    resolve(library_, "UiaHostProviderFromHwnd", found.host_provider_from_hwnd);
    resolve(library_, "UiaClientsAreListening", found.clients_are_listening);
    resolve(library_, "UiaRaiseAutomationEvent", found.raise_automation_event);
    resolve(library_, "UiaRaiseAutomationPropertyChangedEvent", found.raise_property_changed);
    resolve(library_, "UiaRaiseStructureChangedEvent", found.raise_structure_changed);
    resolve(library_, "UiaRaiseNotificationEvent", found.raise_notification);
    const bool complete = found.return_raw_element_provider != nullptr && found.host_provider_from_hwnd != nullptr &&
                          found.clients_are_listening != nullptr && found.raise_automation_event != nullptr &&
                          found.raise_property_changed != nullptr && found.raise_structure_changed != nullptr;
    if (complete) {
        entries_ = found;
    }
    return complete;
}

bool automation_core::listening() const {
    return loaded() && entries_.clients_are_listening() != FALSE;
}

automation_core::entry_points automation_core::replace_for_testing(const entry_points& replacement) {
    tried_ = true;
    return std::exchange(entries_, replacement);
}

} // namespace norvik::ui
