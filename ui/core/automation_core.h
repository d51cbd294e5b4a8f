#pragma once
// The functions of UIAutomationCore.dll that the toolkit calls, resolved at
// run time. The library is loaded the first time a client (a screen reader)
// asks a window for its tree, so a program nobody reads pays nothing for it
// at start-up, and a function the system lacks (Wine 8 does not export
// UiaRaiseNotificationEvent) only switches that feature off instead of
// keeping the program from loading.
//
// UI thread only.

#include "ui/core/automation_api.h"

namespace norvik::ui {

class automation_core {
public:
    // Ids newer than Windows 7, spelled out because the SDK hides their names
    // below its NTDDI_VERSION.
    static constexpr PROPERTYID live_setting_property = 30135;
    static constexpr PROPERTYID is_dialog_property = 30174;
    static constexpr EVENTID live_region_changed_event = 20024;
    // NotificationKind_ActionCompleted and NotificationProcessing_ImportantMostRecent.
    static constexpr int notification_action_completed = 2;
    static constexpr int notification_important_most_recent = 1;

    struct entry_points {
        LRESULT(WINAPI* return_raw_element_provider)(HWND, WPARAM, LPARAM, IRawElementProviderSimple*) = nullptr;
        HRESULT(WINAPI* host_provider_from_hwnd)(HWND, IRawElementProviderSimple**) = nullptr;
        BOOL(WINAPI* clients_are_listening)() = nullptr;
        HRESULT(WINAPI* raise_automation_event)(IRawElementProviderSimple*, EVENTID) = nullptr;
        HRESULT(WINAPI* raise_property_changed)(IRawElementProviderSimple*, PROPERTYID, VARIANT, VARIANT) = nullptr;
        HRESULT(WINAPI* raise_structure_changed)(IRawElementProviderSimple*, StructureChangeType, int*, int) = nullptr;
        // Windows 10 1709 and later only; null elsewhere. The enumerations
        // are passed as the integers they are.
        HRESULT(WINAPI* raise_notification)
        (IRawElementProviderSimple*, int kind, int processing, BSTR text, BSTR activity) = nullptr;
    };

    static automation_core& instance();

    // Loads the library from the system folder and resolves the entry points,
    // once; false when the library or a required entry point is missing.
    bool load();
    bool loaded() const { return entries_.return_raw_element_provider != nullptr; }
    // Whether events are worth raising. Microsoft asks providers to raise
    // nothing unless UiaClientsAreListening says so, and Wine 8, which says
    // no, aborts in some of the raising functions. Never loads the library:
    // until some client asked for a tree, none is waiting for our events.
    bool listening() const;
    const entry_points& entries() const { return entries_; }

    // For tests: puts `replacement` in place of the library's functions and
    // returns what was there, so that a test can see which events the toolkit
    // raises where the system cannot show them.
    entry_points replace_for_testing(const entry_points& replacement);

private:
    automation_core() = default;

    // Never freed: elements that clients still hold may call into it until
    // the process ends.
    HMODULE library_ = nullptr;
    entry_points entries_;
    bool tried_ = false;
};

} // namespace norvik::ui
