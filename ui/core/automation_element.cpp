#include "ui/core/automation_element.h"

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ui/core/automation_core.h"
#include "ui/core/native_window.h"
#include "ui/core/text/text_conversion.h"
#include "ui/core/window.h"

namespace norvik::ui {

namespace {

using Microsoft::WRL::ComPtr;

bool is_root(const widget& w) {
    return w.owner_window != nullptr && &w.owner_window->root == &w;
}

std::string name_of(const widget& w) {
    return w.automation.name ? w.automation.name() : std::string();
}

bool is_element(const widget& w) {
    return automation_element::is_element(w);
}

// Whether a client may act on `w` now. A modal pop-up disables the window
// beneath it (EnableWindow), which the widgets' own flags do not show: a
// reader must not press a button beneath an open question.
bool takes_input(const widget& w) {
    return w.is_usable() && IsWindowEnabled(w.owner_window->native.hwnd) != FALSE;
}

// The nearest ancestor that is an element; the root always is.
widget* element_parent(const widget& w) {
    for (widget* a = w.parent; a != nullptr; a = a->parent) {
        if (is_element(*a)) {
            return a;
        }
    }
    return nullptr;
}

// The visible elements under `w`, in paint order, looking through widgets
// that are none.
void collect_elements(const widget& w, std::vector<widget*>& found) {
    for (widget* c : w.children) {
        if (!c->is_visible()) {
            continue;
        }
        if (is_element(*c)) {
            found.push_back(c);
        } else {
            collect_elements(*c, found);
        }
    }
}

std::vector<widget*> elements_under(const widget& w) {
    std::vector<widget*> found;
    collect_elements(w, found);
    return found;
}

// The widget's rectangle in window logical units, cut to what its ancestors
// show of it (a row scrolled out of its panel has none left).
ui::rect shown_rect(const widget& w) {
    int32_t left = w.rect.x;
    int32_t top = w.rect.y;
    int32_t right = left + w.rect.width;
    int32_t bottom = top + w.rect.height;
    for (const widget* a = w.parent; a != nullptr; a = a->parent) {
        left = std::max(left, 0);
        top = std::max(top, 0);
        right = std::min(right, a->rect.width);
        bottom = std::min(bottom, a->rect.height);
        left += a->rect.x;
        right += a->rect.x;
        top += a->rect.y;
        bottom += a->rect.y;
    }
    return {left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

// Screen pixels, as clients expect them whatever the density; empty for a
// widget its ancestors do not show.
UiaRect screen_bounds(const widget& w) {
    const native_window& native = w.owner_window->native;
    if (is_root(w)) {
        RECT outer{};
        GetWindowRect(native.hwnd, &outer);
        return {static_cast<double>(outer.left), static_cast<double>(outer.top),
                static_cast<double>(outer.right - outer.left), static_cast<double>(outer.bottom - outer.top)};
    }
    const ui::rect shown = shown_rect(w);
    if (shown.width == 0 || shown.height == 0) {
        return {};
    }
    // Every pixel the widget paints, at any density.
    const RECT r = native.device_rect(shown);
    POINT origin{0, 0};
    ClientToScreen(native.hwnd, &origin);
    return {static_cast<double>(origin.x + r.left), static_cast<double>(origin.y + r.top),
            static_cast<double>(r.right - r.left), static_cast<double>(r.bottom - r.top)};
}

bool has_keyboard_focus(const widget& w) {
    const window& owner = *w.owner_window;
    if (::GetFocus() != owner.native.hwnd) {
        return false;
    }
    if (is_root(w)) {
        return owner.focused_widget == nullptr || owner.focused_widget == &owner.root;
    }
    return owner.focused_widget == &w;
}

void set_bool(VARIANT* v, bool b) {
    v->vt = VT_BOOL;
    v->boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
}

void set_int(VARIANT* v, int32_t i) {
    v->vt = VT_I4;
    v->lVal = i;
}

HRESULT set_string(VARIANT* v, const std::string& utf8) {
    std::wstring text;
    try {
        text = text::utf8_to_utf16(utf8);
    } catch (const std::range_error&) {
        // A name that is not UTF-8 reads as empty rather than failing the
        // whole query.
    }
    v->bstrVal = SysAllocString(text.c_str());
    if (v->bstrVal == nullptr) {
        return E_OUTOFMEMORY;
    }
    v->vt = VT_BSTR;
    return S_OK;
}

template <class Interface>
HRESULT hand_out(widget* w, Interface** out) {
    if (w == nullptr) {
        return S_OK;
    }
    *out = automation_element::of(*w).Detach();
    return S_OK;
}

} // namespace

bool automation_element::is_element(const widget& w) {
    if (w.automation.role == automation_role::none) {
        return false;
    }
    // A reader announces a nameless element as a blank (an empty label):
    // such a widget is left out, its children standing in its place.
    return is_root(w) || !name_of(w).empty();
}

ComPtr<automation_element> automation_element::of(widget& w) {
    auto element = std::make_unique<automation_element>(w.automation.anchor_of(w), w.owner_window->native.hwnd,
                                                        is_root(w), w.automation);
    ComPtr<automation_element> result;
    result.Attach(element.release());
    return result;
}

LRESULT automation_element::answer_root_request(window& w, WPARAM wparam, LPARAM lparam) {
    const ComPtr<automation_element> root = of(w.root);
    // Nothing may be locked here: UI Automation calls the root back on other
    // threads, whose calls come to this thread as sent messages while it
    // waits.
    return automation_core::instance().entries().return_raw_element_provider(
        w.native.hwnd, wparam, lparam, static_cast<IRawElementProviderSimple*>(root.Get()));
}

automation_element::automation_element(std::shared_ptr<automation_properties::anchor> anchor, HWND hwnd, bool root,
                                       const automation_properties& properties)
    : anchor_(std::move(anchor)), hwnd_(hwnd), root_(root), invokes_(static_cast<bool>(properties.invoke)),
      toggles_(properties.toggle && properties.toggle_state),
      ranges_(properties.range_value.value && properties.range_value.maximum && properties.range_value.set_value) {}

template <class F>
HRESULT automation_element::on_ui_thread(F&& body) const {
    HRESULT result = static_cast<HRESULT>(UIA_E_ELEMENTNOTAVAILABLE);
    const std::function<void()> call = [&] {
        widget* w = anchor_->target;
        if (w == nullptr || w->owner_window == nullptr) {
            return;
        }
        try {
            result = body(*w);
        } catch (...) {
            // Nothing a client asked for may unwind into the system.
            result = E_FAIL;
        }
    };
    switch (native_window::run_on_window_thread(hwnd_, call)) {
    case native_window::call_outcome::ran:
        return result;
    case native_window::call_outcome::timed_out:
        return static_cast<HRESULT>(UIA_E_TIMEOUT);
    case native_window::call_outcome::gone:
        break;
    }
    return static_cast<HRESULT>(UIA_E_ELEMENTNOTAVAILABLE);
}

HRESULT automation_element::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (riid == __uuidof(IUnknown) || riid == __uuidof(IRawElementProviderSimple)) {
        *object = static_cast<IRawElementProviderSimple*>(this);
    } else if (riid == __uuidof(IRawElementProviderFragment)) {
        *object = static_cast<IRawElementProviderFragment*>(this);
    } else if (riid == __uuidof(IRawElementProviderFragmentRoot) && root_) {
        *object = static_cast<IRawElementProviderFragmentRoot*>(this);
    } else if (riid == __uuidof(IInvokeProvider) && invokes_) {
        *object = static_cast<IInvokeProvider*>(this);
    } else if (riid == __uuidof(IToggleProvider) && toggles_) {
        *object = static_cast<IToggleProvider*>(this);
    } else if (riid == __uuidof(IRangeValueProvider) && ranges_) {
        *object = static_cast<IRangeValueProvider*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG automation_element::AddRef() {
    return ++references_;
}

ULONG automation_element::Release() {
    const ULONG left = --references_;
    if (left == 0) {
        // Made by `of` and owned by its references from then on.
        const std::unique_ptr<automation_element> last(this);
    }
    return left;
}

HRESULT automation_element::get_ProviderOptions(enum ProviderOptions* options) {
    if (options == nullptr) {
        return E_POINTER;
    }
    // Not UseComThreading: under Wine that hung the first walk. Calls are
    // handed to the window's thread here instead.
    *options = ProviderOptions_ServerSideProvider;
    return S_OK;
}

HRESULT automation_element::GetPatternProvider(PATTERNID pattern, IUnknown** provider) {
    if (provider == nullptr) {
        return E_POINTER;
    }
    *provider = nullptr;
    IUnknown* offered = nullptr;
    if (pattern == UIA_InvokePatternId && invokes_) {
        offered = static_cast<IInvokeProvider*>(this);
    } else if (pattern == UIA_TogglePatternId && toggles_) {
        offered = static_cast<IToggleProvider*>(this);
    } else if (pattern == UIA_RangeValuePatternId && ranges_) {
        offered = static_cast<IRangeValueProvider*>(this);
    }
    if (offered != nullptr) {
        offered->AddRef();
        *provider = offered;
    }
    return S_OK;
}

HRESULT automation_element::GetPropertyValue(PROPERTYID property, VARIANT* value) {
    if (value == nullptr) {
        return E_POINTER;
    }
    VariantInit(value);
    return on_ui_thread([&](widget& w) -> HRESULT {
        const automation_properties& a = w.automation;
        switch (property) {
        case UIA_ControlTypePropertyId:
            set_int(value, static_cast<int32_t>(a.role));
            return S_OK;
        case UIA_NamePropertyId:
            return set_string(value, name_of(w));
        case UIA_AutomationIdPropertyId:
            return a.automation_id.empty() ? S_OK : set_string(value, a.automation_id);
        case UIA_IsEnabledPropertyId:
            set_bool(value, takes_input(w));
            return S_OK;
        case UIA_IsKeyboardFocusablePropertyId:
            set_bool(value, w.focusable && takes_input(w) && w.is_visible());
            return S_OK;
        case UIA_HasKeyboardFocusPropertyId:
            set_bool(value, has_keyboard_focus(w));
            return S_OK;
        case UIA_IsOffscreenPropertyId: {
            const UiaRect r = screen_bounds(w);
            set_bool(value, r.width <= 0 || r.height <= 0);
            return S_OK;
        }
        case automation_core::live_setting_property:
            if (a.live_setting != 0) {
                set_int(value, a.live_setting);
            }
            return S_OK;
        case automation_core::is_dialog_property:
            if (root_) {
                set_bool(value, a.dialog);
            }
            return S_OK;
        default:
            // Anything else is left to UI Automation's defaults.
            return S_OK;
        }
    });
}

HRESULT automation_element::get_HostRawElementProvider(IRawElementProviderSimple** host) {
    if (host == nullptr) {
        return E_POINTER;
    }
    *host = nullptr;
    if (!root_) {
        return S_OK;
    }
    // The system's provider of the window (frame, process, handle). Wine 8
    // has none worth the name, which is why the root names and types the
    // window itself.
    return on_ui_thread([&](widget&) -> HRESULT {
        const automation_core& core = automation_core::instance();
        return core.loaded() ? core.entries().host_provider_from_hwnd(hwnd_, host) : S_OK;
    });
}

HRESULT automation_element::Navigate(enum NavigateDirection direction, IRawElementProviderFragment** found) {
    if (found == nullptr) {
        return E_POINTER;
    }
    *found = nullptr;
    return on_ui_thread([&](widget& w) -> HRESULT {
        switch (direction) {
        case NavigateDirection_Parent:
            // The window's element has the desktop above it, which UI
            // Automation supplies.
            return root_ ? S_OK : hand_out(element_parent(w), found);
        case NavigateDirection_FirstChild:
        case NavigateDirection_LastChild: {
            const std::vector<widget*> kids = elements_under(w);
            if (kids.empty()) {
                return S_OK;
            }
            return hand_out(direction == NavigateDirection_FirstChild ? kids.front() : kids.back(), found);
        }
        case NavigateDirection_NextSibling:
        case NavigateDirection_PreviousSibling: {
            widget* parent = root_ ? nullptr : element_parent(w);
            if (parent == nullptr) {
                return S_OK;
            }
            const std::vector<widget*> siblings = elements_under(*parent);
            const auto at = std::find(siblings.begin(), siblings.end(), &w);
            if (at == siblings.end()) {
                return S_OK; // hidden meanwhile: no longer in the tree
            }
            if (direction == NavigateDirection_NextSibling) {
                return at + 1 == siblings.end() ? S_OK : hand_out(*(at + 1), found);
            }
            return at == siblings.begin() ? S_OK : hand_out(*(at - 1), found);
        }
        default:
            return E_INVALIDARG;
        }
    });
}

HRESULT automation_element::GetRuntimeId(SAFEARRAY** id) {
    if (id == nullptr) {
        return E_POINTER;
    }
    *id = nullptr;
    return on_ui_thread([&](widget&) -> HRESULT {
        // The window's element takes the id UI Automation gives its handle.
        if (root_) {
            return S_OK;
        }
        SAFEARRAY* ids = SafeArrayCreateVector(VT_I4, 0, 2);
        if (ids == nullptr) {
            return E_OUTOFMEMORY;
        }
        LONG parts[2] = {UiaAppendRuntimeId, anchor_->runtime_id};
        for (LONG i = 0; i < 2; ++i) {
            SafeArrayPutElement(ids, &i, &parts[i]);
        }
        *id = ids;
        return S_OK;
    });
}

HRESULT automation_element::get_BoundingRectangle(struct UiaRect* bounds) {
    if (bounds == nullptr) {
        return E_POINTER;
    }
    *bounds = UiaRect{};
    return on_ui_thread([&](widget& w) -> HRESULT {
        *bounds = screen_bounds(w);
        return S_OK;
    });
}

HRESULT automation_element::GetEmbeddedFragmentRoots(SAFEARRAY** roots) {
    if (roots == nullptr) {
        return E_POINTER;
    }
    *roots = nullptr;
    return S_OK;
}

HRESULT automation_element::SetFocus() {
    return on_ui_thread([&](widget& w) -> HRESULT {
        if (root_) {
            ::SetFocus(hwnd_);
            return S_OK;
        }
        if (!w.focusable || !takes_input(w) || !w.is_visible()) {
            return static_cast<HRESULT>(UIA_E_ELEMENTNOTENABLED);
        }
        if (::GetFocus() != hwnd_) {
            ::SetFocus(hwnd_);
        }
        w.owner_window->set_focus(&w, 0);
        return S_OK;
    });
}

HRESULT automation_element::get_FragmentRoot(IRawElementProviderFragmentRoot** root) {
    if (root == nullptr) {
        return E_POINTER;
    }
    *root = nullptr;
    return on_ui_thread([&](widget& w) -> HRESULT { return hand_out(&w.owner_window->root, root); });
}

HRESULT automation_element::ElementProviderFromPoint(double x, double y, IRawElementProviderFragment** found) {
    if (found == nullptr) {
        return E_POINTER;
    }
    *found = nullptr;
    return on_ui_thread([&](widget& w) -> HRESULT {
        window& owner = *w.owner_window;
        POINT p{static_cast<LONG>(x), static_cast<LONG>(y)};
        ScreenToClient(hwnd_, &p);
        widget* hit = owner.hit_test({MulDiv(p.x, 96, owner.native.dpi_x), MulDiv(p.y, 96, owner.native.dpi_y)});
        while (hit != nullptr && !is_element(*hit)) {
            hit = hit->parent;
        }
        return hand_out(hit, found);
    });
}

HRESULT automation_element::GetFocus(IRawElementProviderFragment** focused) {
    if (focused == nullptr) {
        return E_POINTER;
    }
    *focused = nullptr;
    return on_ui_thread([&](widget& w) -> HRESULT {
        widget* f = w.owner_window->focused_widget;
        // The window itself has the focus when no element inside does.
        if (f == nullptr || is_root(*f) || !is_element(*f) || !f->is_visible()) {
            return S_OK;
        }
        return hand_out(f, focused);
    });
}

HRESULT automation_element::Invoke() {
    return on_ui_thread([&](widget& w) -> HRESULT {
        if (!takes_input(w) || !w.is_visible()) {
            return static_cast<HRESULT>(UIA_E_ELEMENTNOTENABLED);
        }
        // After the client's call has returned: a button may open a modal
        // pop-up, whose loop must not run inside a call a screen reader is
        // waiting for.
        const std::shared_ptr<automation_properties::anchor> anchor = anchor_;
        w.owner_window->native.post_call([anchor] {
            widget* target = anchor->target;
            if (target != nullptr && takes_input(*target) && target->is_visible() && target->automation.invoke) {
                target->automation.invoke();
            }
        });
        return S_OK;
    });
}

HRESULT automation_element::Toggle() {
    return on_ui_thread([&](widget& w) -> HRESULT {
        if (!takes_input(w) || !w.is_visible()) {
            return static_cast<HRESULT>(UIA_E_ELEMENTNOTENABLED);
        }
        w.automation.toggle();
        return S_OK;
    });
}

HRESULT automation_element::get_ToggleState(enum ToggleState* state) {
    if (state == nullptr) {
        return E_POINTER;
    }
    *state = ToggleState_Off;
    return on_ui_thread([&](widget& w) -> HRESULT {
        *state = w.automation.toggle_state() ? ToggleState_On : ToggleState_Off;
        return S_OK;
    });
}

HRESULT automation_element::SetValue(double value) {
    return on_ui_thread([&](widget& w) -> HRESULT {
        const automation_properties::range& range = w.automation.range_value;
        if (!takes_input(w)) {
            return static_cast<HRESULT>(UIA_E_ELEMENTNOTENABLED);
        }
        if (!(value >= 0.0 && value <= range.maximum())) {
            return E_INVALIDARG;
        }
        range.set_value(value);
        return S_OK;
    });
}

HRESULT automation_element::read_range(double* out,
                                       std::function<double()> automation_properties::range::*reading) const {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = 0.0;
    return on_ui_thread([&](widget& w) -> HRESULT {
        const std::function<double()>& read = w.automation.range_value.*reading;
        *out = read ? read() : 0.0;
        return S_OK;
    });
}

HRESULT automation_element::get_Value(double* value) {
    return read_range(value, &automation_properties::range::value);
}

HRESULT automation_element::get_IsReadOnly(BOOL* read_only) {
    if (read_only == nullptr) {
        return E_POINTER;
    }
    *read_only = FALSE;
    return S_OK;
}

HRESULT automation_element::get_Maximum(double* value) {
    return read_range(value, &automation_properties::range::maximum);
}

HRESULT automation_element::get_Minimum(double* value) {
    if (value == nullptr) {
        return E_POINTER;
    }
    *value = 0.0;
    return S_OK;
}

HRESULT automation_element::get_LargeChange(double* value) {
    return read_range(value, &automation_properties::range::large_change);
}

HRESULT automation_element::get_SmallChange(double* value) {
    return read_range(value, &automation_properties::range::small_change);
}

} // namespace norvik::ui
