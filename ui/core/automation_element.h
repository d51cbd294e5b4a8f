#pragma once

#include <atomic>
#include <memory>

#include <wrl/client.h>

#include "ui/core/automation_api.h"
#include "ui/core/automation_properties.h"

namespace norvik::ui {

class widget;
class window;

// The UI Automation provider of one widget, or, for a window's root widget,
// of the window: the element a screen reader reads and acts on. It reports
// what the widget's automation_properties describe, and walks the widget
// tree for its neighbours: widgets without a role or without a name are
// passed through, hidden widgets are left out.
//
// Clients call providers on threads of their own (Wine always does), while
// the toolkit is single-threaded: every call that reads or acts on the tree
// is handed to the window's thread with a sent message and waits there, for
// native_window::call_timeout_ms at most (then UIA_E_TIMEOUT). A call for a
// widget that is gone answers UIA_E_ELEMENTNOTAVAILABLE; acting on a widget
// that cannot take input, its window disabled by a pop-up included, answers
// UIA_E_ELEMENTNOTENABLED.
class automation_element final : public IRawElementProviderSimple,
                                 public IRawElementProviderFragment,
                                 public IRawElementProviderFragmentRoot,
                                 public IInvokeProvider,
                                 public IToggleProvider,
                                 public IRangeValueProvider {
public:
    // UI thread. The element of `w`, which belongs to a created window.
    static Microsoft::WRL::ComPtr<automation_element> of(widget& w);
    // UI thread. Whether `w` is an element of its window's tree when it is
    // shown: it has a role and a name (a window's own element always is).
    static bool is_element(const widget& w);
    // UI thread. Hands the root element of `w` to a client that sent
    // WM_GETOBJECT for the UI Automation root.
    static LRESULT answer_root_request(window& w, WPARAM wparam, LPARAM lparam);

    automation_element(std::shared_ptr<automation_properties::anchor> anchor, HWND hwnd, bool root,
                       const automation_properties& properties);
    // Reached through Release only.
    ~automation_element() = default;
    automation_element(const automation_element&) = delete;
    automation_element& operator=(const automation_element&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IRawElementProviderSimple
    HRESULT STDMETHODCALLTYPE get_ProviderOptions(enum ProviderOptions* options) override;
    HRESULT STDMETHODCALLTYPE GetPatternProvider(PATTERNID pattern, IUnknown** provider) override;
    HRESULT STDMETHODCALLTYPE GetPropertyValue(PROPERTYID property, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE get_HostRawElementProvider(IRawElementProviderSimple** host) override;

    // IRawElementProviderFragment
    HRESULT STDMETHODCALLTYPE Navigate(enum NavigateDirection direction, IRawElementProviderFragment** found) override;
    HRESULT STDMETHODCALLTYPE GetRuntimeId(SAFEARRAY** id) override;
    HRESULT STDMETHODCALLTYPE get_BoundingRectangle(struct UiaRect* bounds) override;
    HRESULT STDMETHODCALLTYPE GetEmbeddedFragmentRoots(SAFEARRAY** roots) override;
    HRESULT STDMETHODCALLTYPE SetFocus() override;
    HRESULT STDMETHODCALLTYPE get_FragmentRoot(IRawElementProviderFragmentRoot** root) override;

    // IRawElementProviderFragmentRoot (the window's element only)
    HRESULT STDMETHODCALLTYPE ElementProviderFromPoint(double x, double y,
                                                       IRawElementProviderFragment** found) override;
    HRESULT STDMETHODCALLTYPE GetFocus(IRawElementProviderFragment** focused) override;

    // IInvokeProvider
    HRESULT STDMETHODCALLTYPE Invoke() override;

    // IToggleProvider
    HRESULT STDMETHODCALLTYPE Toggle() override;
    HRESULT STDMETHODCALLTYPE get_ToggleState(enum ToggleState* state) override;

    // IRangeValueProvider
    HRESULT STDMETHODCALLTYPE SetValue(double value) override;
    HRESULT STDMETHODCALLTYPE get_Value(double* value) override;
    HRESULT STDMETHODCALLTYPE get_IsReadOnly(BOOL* read_only) override;
    HRESULT STDMETHODCALLTYPE get_Maximum(double* value) override;
    HRESULT STDMETHODCALLTYPE get_Minimum(double* value) override;
    HRESULT STDMETHODCALLTYPE get_LargeChange(double* value) override;
    HRESULT STDMETHODCALLTYPE get_SmallChange(double* value) override;

private:
    // Runs `body` with the widget on the window's thread and returns its
    // result, UIA_E_ELEMENTNOTAVAILABLE when the widget or its window is
    // gone, or UIA_E_TIMEOUT when the window's thread does not answer.
    template <class F>
    HRESULT on_ui_thread(F&& body) const;
    // A range value read on the window's thread.
    HRESULT read_range(double* out, std::function<double()> automation_properties::range::*reading) const;

    std::atomic<ULONG> references_{1};
    const std::shared_ptr<automation_properties::anchor> anchor_;
    const HWND hwnd_;
    const bool root_;
    // The patterns the widget offers; fixed for a widget's life.
    const bool invokes_;
    const bool toggles_;
    const bool ranges_;
};

} // namespace norvik::ui
