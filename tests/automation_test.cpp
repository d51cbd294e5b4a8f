// The wizard as a screen reader sees it: its UI Automation tree on every
// page and in a pop-up, read in this process through Wine's UI Automation
// core from a client thread (as screen readers call, never on the window's
// own thread), with Next invoked and a release toggled through the patterns;
// and the events the toolkit raises while a user drives the wizard with real
// key presses, seen through the test seam, since Wine 8 cannot deliver UI
// Automation events.

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "installer/installer_ui.h"
#include "tests/host_shell.h"
#include "tests/wizard_test_support.h"
#include "ui/controls/focus_outline.h"
#include "ui/core/automation_core.h"
#include "ui/core/automation_element.h"

namespace {

using installer::InstallerUI;
using installer::test::installed;
using installer::test::press;
using installer::test::show;
using Microsoft::WRL::ComPtr;
using norvik::test::pump_until;
using norvik::ui::automation_core;
using norvik::ui::automation_element;

std::string utf8(const wchar_t* text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    return out;
}

// UI Automation's client functions, taken from the system's library as a
// screen reader's process would.
struct uia_client {
    uia_client() {
        HMODULE core = LoadLibraryW(L"uiautomationcore.dll");
        const auto resolve = [core](const char* name, auto& f) {
            f = reinterpret_cast<std::remove_reference_t<decltype(f)>>(
                reinterpret_cast<void*>(GetProcAddress(core, name)));
        };
        resolve("UiaNodeFromHandle", node_from_handle);
        resolve("UiaNodeRelease", release);
        resolve("UiaGetPropertyValue", property);
        resolve("UiaNavigate", navigate_raw);
        resolve("UiaHUiaNodeFromVariant", node_from_variant);
    }

    HUIANODE navigate(HUIANODE from, NavigateDirection direction) const {
        UiaCondition all{ConditionType_True};
        UiaCacheRequest request{&all, TreeScope_Element, nullptr, 0, nullptr, 0, AutomationElementMode_Full};
        SAFEARRAY* data = nullptr;
        BSTR tree = nullptr;
        HUIANODE found = nullptr;
        if (SUCCEEDED(navigate_raw(from, direction, &all, &request, &data, &tree)) && data != nullptr) {
            LONG at[2] = {0, 0};
            VARIANT v;
            VariantInit(&v);
            SafeArrayGetElement(data, at, &v);
            node_from_variant(&v, &found);
            VariantClear(&v);
            SafeArrayDestroy(data);
        }
        SysFreeString(tree);
        return found;
    }

    // A property as text: a string as it is, a number or flag in digits.
    std::string read(HUIANODE node, PROPERTYID id) const {
        VARIANT v;
        VariantInit(&v);
        property(node, id, &v);
        const std::string s = v.vt == VT_BSTR   ? utf8(v.bstrVal)
                              : v.vt == VT_I4   ? std::to_string(v.lVal)
                              : v.vt == VT_BOOL ? std::to_string(v.boolVal ? 1 : 0)
                                                : "";
        VariantClear(&v);
        return s;
    }

    // One line per element: role, name, automation id and states, indented
    // by depth, so that a page reads like an outline.
    void outline(HUIANODE node, int depth, std::vector<std::string>& lines) const {
        static const std::map<std::string, std::string> roles = {
            {std::to_string(UIA_WindowControlTypeId), "Window"},
            {std::to_string(UIA_TextControlTypeId), "Text"},
            {std::to_string(UIA_ButtonControlTypeId), "Button"},
            {std::to_string(UIA_CheckBoxControlTypeId), "CheckBox"},
            {std::to_string(UIA_ScrollBarControlTypeId), "ScrollBar"}};
        const auto flag = [&](PROPERTYID id, const char* word) { return read(node, id) == "1" ? word : ""; };
        const std::string id = read(node, UIA_AutomationIdPropertyId);
        lines.push_back(
            std::string(static_cast<std::size_t>(depth) * 2, ' ') + roles.at(read(node, UIA_ControlTypePropertyId)) +
            " '" + read(node, UIA_NamePropertyId) + "'" + (id.empty() ? "" : " #" + id) +
            (read(node, UIA_IsEnabledPropertyId) == "1" ? "" : " disabled") +
            flag(UIA_IsKeyboardFocusablePropertyId, " tab") + flag(UIA_HasKeyboardFocusPropertyId, " focused") +
            flag(automation_core::is_dialog_property, " dialog") +
            flag(automation_core::live_setting_property, " polite"));
        for (HUIANODE child = navigate(node, NavigateDirection_FirstChild); child != nullptr;) {
            outline(child, depth + 1, lines);
            HUIANODE next = navigate(child, NavigateDirection_NextSibling);
            release(child);
            child = next;
        }
    }

    decltype(&UiaNodeFromHandle) node_from_handle = nullptr;
    decltype(&UiaNodeRelease) release = nullptr;
    decltype(&UiaGetPropertyValue) property = nullptr;
    decltype(&UiaNavigate) navigate_raw = nullptr;
    decltype(&UiaHUiaNodeFromVariant) node_from_variant = nullptr;
};

// Runs `work` on a client thread in the multithreaded apartment while this,
// the window's thread, keeps dispatching its messages.
void as_client(const std::function<void()>& work) {
    std::atomic<bool> done{false};
    std::thread client([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        work();
        CoUninitialize();
        done = true;
    });
    EXPECT_TRUE(pump_until([&] { return done.load(); }, 30000));
    client.join();
}

using lines = std::vector<std::string>;

// The outline of a window's tree, read on the calling (client) thread.
lines client_outline(HWND hwnd) {
    const uia_client uia;
    lines found;
    HUIANODE root = nullptr;
    if (SUCCEEDED(uia.node_from_handle(hwnd, &root)) && root != nullptr) {
        uia.outline(root, 0, found);
        uia.release(root);
    }
    return found;
}

lines outline_of(HWND hwnd) {
    lines found;
    as_client([&] { found = client_outline(hwnd); });
    return found;
}

// Where Browse and the Custom row lie in the client area at each density
// the test runs at, in pixels {left, top, width, height}: logical units
// scaled, the edges rounded outwards (Browse, at 190, 185 and 80 x 15 units,
// starts at 277.5 pixels down at 144 dpi, so at 277, and ends at 300).
struct page_one_bounds {
    int dpi;
    std::vector<double> browse;
    std::vector<double> custom;
};
const page_one_bounds bounds_at[] = {
    {96, {190, 185, 80, 15}, {190, 155, 290, 25}},
    {144, {285, 277, 120, 23}, {285, 232, 435, 38}},
};

// `r` moved from the window's client area to the screen.
std::vector<double> on_screen(const norvik::ui::window& w, std::vector<double> r) {
    POINT origin{0, 0};
    ClientToScreen(w.native.hwnd, &origin);
    r[0] += origin.x;
    r[1] += origin.y;
    return r;
}

template <class Pattern>
ComPtr<Pattern> pattern_of(norvik::ui::widget& w) {
    ComPtr<Pattern> pattern;
    EXPECT_HRESULT_SUCCEEDED(automation_element::of(w).As(&pattern));
    return pattern;
}

class Automation : public installer::test::host_fixture {
protected:
    Automation() : host_fixture(L"C:\\automation-test") {}

    void SetUp() override {
        host_fixture::SetUp();
        release(L"12", L"CC");
        release(L"13.5", L"CC2015");
    }
};

TEST_F(Automation, EveryPageAndAPopupThroughTheCore) {
    InstallerUI wizard;
    show(wizard);
    const HWND hwnd = wizard.native.hwnd;
    if (const std::wstring dpi = norvik::test::environment(L"NORVIK_EXPECT_DPI"); !dpi.empty()) {
        ASSERT_EQ(wizard.native.dpi_x, std::stoi(dpi));
    }
    const std::string window = "Window 'Quendal for After Effects Installer'";
    const std::string title = "  Text 'Quendal for After Effects Installer'";
    const std::string back = "  Button '< Back' #Back tab";
    const std::string next = "  Button 'Next >' #Next tab";
    const std::string summary =
        "Installing Quendal on:\n\nCC:\nC:/automation-test/CC\n\nCC2015:\nC:/automation-test/CC2015\n\n";

    EXPECT_EQ(
        outline_of(hwnd),
        (lines{window, title,
               "  Text 'This will install Quendal 1.0.6 plugin on your computer.\n\nIt is recommended that you close "
               "all other applications before continuing.\n\nClick Next to continue, or Cancel to exit the installer.'",
               "  Button '< Back' #Back disabled", next + " focused", "  Button 'Cancel' #Cancel tab"}));

    // Patterns reached by QueryInterface on the provider and called from a
    // client thread: Invoke presses Next once the call has returned, Toggle
    // ticks a release at once.
    const ComPtr<IInvokeProvider> press_next = pattern_of<IInvokeProvider>(wizard.next);
    as_client([&] { EXPECT_HRESULT_SUCCEEDED(press_next->Invoke()); });
    ASSERT_TRUE(pump_until([&] { return wizard.page == installer::wizard_page::releases; }));
    const ComPtr<IToggleProvider> custom = pattern_of<IToggleProvider>(wizard.release_page.boxes[9]);
    ToggleState state = ToggleState_Off;
    as_client([&] {
        EXPECT_HRESULT_SUCCEEDED(custom->Toggle());
        EXPECT_HRESULT_SUCCEEDED(custom->get_ToggleState(&state));
    });
    EXPECT_EQ(state, ToggleState_On);
    EXPECT_TRUE(wizard.selected[9]);
    EXPECT_EQ(
        outline_of(hwnd),
        (lines{window, title, "  Text 'Select which versions of Adobe After Effects you want to install Quendal on:'",
               "  CheckBox 'CC' #Release.CC tab focused", "  CheckBox 'CC2015' #Release.CC2015 tab",
               "  CheckBox 'Custom' #Release.Custom tab", "  Button 'Browse' #Browse tab", back,
               "  Button 'Next >' #Next disabled", "  Button 'Cancel' #Cancel tab"}))
        << "the path label, shown but still empty, is left out";

    // Bounds in screen pixels. Wine's core does not pass them on, so the
    // client asks the providers.
    const auto bounds = std::find_if(std::begin(bounds_at), std::end(bounds_at),
                                     [&](const page_one_bounds& b) { return b.dpi == wizard.native.dpi_x; });
    ASSERT_NE(bounds, std::end(bounds_at)) << "no bounds for " << wizard.native.dpi_x << " dpi";
    for (const auto& [w, expected] :
         {std::pair<norvik::ui::widget*, std::vector<double>>{&wizard.release_page.browse, bounds->browse},
          {&wizard.release_page.boxes[9], bounds->custom}}) {
        const ComPtr<automation_element> element = automation_element::of(*w);
        UiaRect r{};
        as_client([&] { EXPECT_HRESULT_SUCCEEDED(element->get_BoundingRectangle(&r)); });
        EXPECT_EQ((std::vector<double>{r.left, r.top, r.width, r.height}), on_screen(wizard, expected));
    }

    // Custom without a folder leaves nothing to go on to: untick it first.
    as_client([&] { EXPECT_HRESULT_SUCCEEDED(custom->Toggle()); });
    as_client([&] { EXPECT_HRESULT_SUCCEEDED(press_next->Invoke()); });
    ASSERT_TRUE(pump_until([&] { return wizard.page == installer::wizard_page::summary; }));
    EXPECT_EQ(outline_of(hwnd),
              (lines{window, title,
                     "  Text 'Click Next to continue with the installation, or click Back if you want to review or "
                     "change any settings.\n'",
                     "  ScrollBar '" + summary + "' #SummaryScroll tab focused", "  Text '" + summary + "' #Summary",
                     back, next, "  Button 'Cancel' #Cancel tab"}));

    // Cancel asks its question; a client reads the pop-up and answers
    // Cancel through its button's element, which, held after the pop-up is
    // gone, says so instead of reaching freed memory.
    const ComPtr<IInvokeProvider> press_cancel = pattern_of<IInvokeProvider>(wizard.cancel);
    const ComPtr<automation_element> next_element = automation_element::of(wizard.next);
    const ComPtr<IRangeValueProvider> summary_range = pattern_of<IRangeValueProvider>(wizard.summary_page.scroll);
    lines question;
    std::vector<std::string> beneath;
    HRESULT after_close = S_OK;
    as_client([&] {
        EXPECT_HRESULT_SUCCEEDED(press_cancel->Invoke());
        HWND popup = nullptr;
        for (int i = 0; i < 200 && (popup == nullptr || !IsWindowVisible(popup)); ++i) {
            Sleep(50);
            popup = FindWindowW(nullptr, L"Exit Installer");
        }
        question = client_outline(popup);
        // The question disables the wizard beneath it: its elements say so,
        // and take nothing a reader does.
        VARIANT enabled;
        VariantInit(&enabled);
        next_element->GetPropertyValue(UIA_IsEnabledPropertyId, &enabled);
        beneath = {enabled.vt == VT_BOOL && enabled.boolVal == VARIANT_FALSE ? "Next disabled" : "Next enabled",
                   press_next->Invoke() == static_cast<HRESULT>(UIA_E_ELEMENTNOTENABLED) ? "Invoke refused"
                                                                                         : "Invoke taken",
                   summary_range->SetValue(0.0) == static_cast<HRESULT>(UIA_E_ELEMENTNOTENABLED) ? "SetValue refused"
                                                                                                 : "SetValue taken"};
        ComPtr<automation_element> answer;
        norvik::ui::native_window::run_on_window_thread(popup, [&] {
            auto* box = norvik::test::toolkit_window<norvik::ui::MessagePopup>(popup);
            answer = automation_element::of(box->second_button);
        });
        ComPtr<IInvokeProvider> press_answer;
        ASSERT_HRESULT_SUCCEEDED(answer.As(&press_answer));
        EXPECT_HRESULT_SUCCEEDED(press_answer->Invoke());
        for (int i = 0; i < 200 && IsWindow(popup); ++i) {
            Sleep(50);
        }
        VARIANT name;
        VariantInit(&name);
        after_close = answer->GetPropertyValue(UIA_NamePropertyId, &name);
        VariantClear(&name);
    });
    EXPECT_EQ(question, (lines{"Window 'Exit Installer' dialog",
                               "  Text 'Are you sure you want to cancel Quendal for After Effects installation?'",
                               "  Button 'OK' tab focused", "  Button 'Cancel' tab"}));
    EXPECT_EQ(beneath, (std::vector<std::string>{"Next disabled", "Invoke refused", "SetValue refused"}));
    EXPECT_EQ(after_close, static_cast<HRESULT>(UIA_E_ELEMENTNOTAVAILABLE));
    pump_until([] { return false; }, 300);
    EXPECT_EQ(wizard.page, installer::wizard_page::summary);

    as_client([&] { EXPECT_HRESULT_SUCCEEDED(press_next->Invoke()); });
    ASSERT_TRUE(pump_until([&] { return wizard.finished; }, 60000));
    EXPECT_EQ(
        outline_of(hwnd),
        (lines{window, title, "  Text 'Quendal for After Effects was successfully installed.'",
               "  Text 'Quendal for After Effects CC installed.\nQuendal for After Effects CC2015 installed.\n\n\n\n"
               "Click Finish to close the installer.' #Progress polite",
               "  Button '< Back' #Back disabled", "  Button 'Next >' #Next disabled",
               "  Button 'Finish' #Cancel tab focused"}));
}

// A client never waits long on the wizard. A call its thread does not take
// in time answers UIA_E_TIMEOUT, and runs nothing when it gets there later.
// Closed while its job still writes, the wizard is gone for clients before
// it waits for the job: the job here waits for a module a client lets go
// only once the wizard has answered that it is gone.
TEST_F(Automation, CallsNeverHangAClient) {
    const std::wstring cc = release(L"12", L"CC");
    installer::test::held_module held(cc);
    ASSERT_TRUE(held.holding());
    std::optional<InstallerUI> wizard(std::in_place);
    show(*wizard);
    const ComPtr<automation_element> next = automation_element::of(wizard->next);
    const auto read_name = [&] {
        VARIANT name;
        VariantInit(&name);
        const HRESULT read = next->GetPropertyValue(UIA_NamePropertyId, &name);
        VariantClear(&name);
        return read;
    };

    // This thread waits for the client without looking at its queue (Sleep
    // takes no sent messages), long enough for any timeout.
    HRESULT stuck = S_OK;
    ULONGLONG waited = 0;
    std::atomic<bool> returned{false};
    std::thread stuck_client([&] {
        const ULONGLONG start = GetTickCount64();
        stuck = read_name();
        waited = GetTickCount64() - start;
        returned = true;
    });
    for (int i = 0; i < 300 && !returned; ++i) {
        Sleep(20);
    }
    EXPECT_TRUE(returned) << "the client still waits on a thread that does not answer";
    pump_until([&] { return returned.load(); });
    stuck_client.join();
    EXPECT_EQ(stuck, static_cast<HRESULT>(UIA_E_TIMEOUT));
    EXPECT_GE(waited + 50, norvik::ui::native_window::call_timeout_ms);
    EXPECT_LT(waited, norvik::ui::native_window::call_timeout_ms + 1000);
    norvik::test::pump();
    HRESULT answered = E_FAIL;
    as_client([&] { answered = read_name(); });
    EXPECT_EQ(answered, S_OK) << "the call given up on ran nothing when it came; the next one is answered";

    press(*wizard, wizard->next, 3);
    ULONGLONG longest = 0;
    HRESULT last = S_OK;
    std::thread client([&] {
        const ULONGLONG give_up = GetTickCount64() + 20000;
        while (last != static_cast<HRESULT>(UIA_E_ELEMENTNOTAVAILABLE) && GetTickCount64() < give_up) {
            const ULONGLONG start = GetTickCount64();
            last = read_name();
            longest = std::max(longest, GetTickCount64() - start);
            Sleep(5);
        }
        held.release();
    });
    wizard.reset();
    client.join();
    EXPECT_EQ(last, static_cast<HRESULT>(UIA_E_ELEMENTNOTAVAILABLE));
    EXPECT_LT(longest, 1000u) << "a call waited on the wizard waiting for its job";
    EXPECT_TRUE(installed(cc)) << "the module was let go while the job still retried it";
}

// WCAG's contrast ratio of two colours.
double contrast(x11_capture::pixel a, x11_capture::pixel b) {
    const auto luminance = [](x11_capture::pixel p) {
        const auto linear = [](double c) {
            c /= 255.0;
            return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(p.r) + 0.7152 * linear(p.g) + 0.0722 * linear(p.b);
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The focus outline whose outer edge is `outer` (window logical units), read
// across every pixel of each side from outside inwards: the thinnest run of
// the outline's colour, and the lowest contrast between that colour and the
// pixels just outside and just inside the run. Thickness 0 where a crossing
// found no outline.
struct outline_reading {
    int thinnest = 1000;
    double lowest_contrast = 1000.0;
};

outline_reading read_outline(const x11_capture& shot, const norvik::ui::window& w, const norvik::ui::rect& outer,
                             x11_capture::pixel colour) {
    const auto px = [](int v, int dpi) { return MulDiv(v, dpi, 96); };
    const int left = px(outer.x, w.native.dpi_x);
    const int top = px(outer.y, w.native.dpi_y);
    const int right = px(outer.x + outer.width, w.native.dpi_x);
    const int bottom = px(outer.y + outer.height, w.native.dpi_y);
    outline_reading reading;
    // From (x, y) one pixel at a time by (dx, dy), starting a few pixels out.
    const auto cross = [&](int x, int y, int dx, int dy) {
        int step = 0;
        while (step < 8 && !(shot.at(x + step * dx, y + step * dy) == colour)) {
            ++step;
        }
        const x11_capture::pixel outside = shot.at(x + (step - 1) * dx, y + (step - 1) * dy);
        int run = 0;
        while (run < 8 && shot.at(x + (step + run) * dx, y + (step + run) * dy) == colour) {
            ++run;
        }
        const x11_capture::pixel inside = shot.at(x + (step + run) * dx, y + (step + run) * dy);
        reading.thinnest = std::min(reading.thinnest, step == 8 ? 0 : run);
        reading.lowest_contrast =
            std::min({reading.lowest_contrast, contrast(colour, outside), contrast(colour, inside)});
    };
    // Corners left aside: there the sides meet.
    for (int x = left + 4; x < right - 4; ++x) {
        cross(x, top - 3, 0, 1);
        cross(x, bottom + 2, 0, -1);
    }
    for (int y = top + 4; y < bottom - 4; ++y) {
        cross(left - 3, y, 1, 0);
        cross(right + 2, y, -1, 0);
    }
    return reading;
}

// The focus mark, read back from the screen at the density of the run (96,
// or 144 dpi through at_144_dpi.sh): none while only the pointer was used,
// then, once a key is pressed, an outline around the whole of Next on the
// footer and around a release's box and name on the page, thick enough
// (2 units: 2 pixels at 96 dpi, 3 at 144) and in a colour with a contrast of
// 3:1 or more against what lies on both sides of it.
TEST_F(Automation, FocusOutlineIsThickAndContrastsAtEveryDensity) {
    InstallerUI wizard;
    show(wizard);
    if (const std::wstring dpi = norvik::test::environment(L"NORVIK_EXPECT_DPI"); !dpi.empty()) {
        ASSERT_EQ(wizard.native.dpi_x, std::stoi(dpi));
    }
    const norvik::ui::Color c = wizard.next.style.style_color("focus_outline_color");
    const x11_capture::pixel colour{static_cast<std::uint8_t>(std::lround(c.r * 255)),
                                    static_cast<std::uint8_t>(std::lround(c.g * 255)),
                                    static_cast<std::uint8_t>(std::lround(c.b * 255))};
    const int thickness = MulDiv(norvik::ui::focus_outline::thickness, wizard.native.dpi_x, 96);
    const auto whole = [](const norvik::ui::widget& w, const norvik::ui::rect& r) {
        const norvik::ui::point at = norvik::test::window_origin(w);
        return norvik::ui::rect{at.x + r.x, at.y + r.y, r.width, r.height};
    };
    const norvik::ui::rect next = whole(wizard.next, {0, 0, wizard.next.rect.width, wizard.next.rect.height});
    const auto settled = [&](const norvik::ui::rect& outer, bool marked) {
        return norvik::test::settled_capture(
            wizard,
            [&](const x11_capture& shot) {
                return (read_outline(shot, wizard, outer, colour).thinnest >= thickness) == marked &&
                       shot.at(2, shot.height() - 2) == x11_capture::pixel{0x46, 0x46, 0x46};
            },
            10000);
    };

    ASSERT_EQ(wizard.focused_widget, &wizard.next);
    EXPECT_EQ(read_outline(settled(next, false), wizard, next, colour).thinnest, 0) << "no key pressed yet";

    norvik::test::press_key(VK_SHIFT);
    const outline_reading on_footer = read_outline(settled(next, true), wizard, next, colour);
    EXPECT_GE(on_footer.thinnest, thickness) << "Next";
    EXPECT_GE(on_footer.lowest_contrast, 3.0) << "Next";

    norvik::test::press_key(VK_RETURN);
    ASSERT_EQ(wizard.focused_widget, &wizard.release_page.boxes[5]);
    const norvik::ui::CheckBox& box = wizard.release_page.boxes[5];
    const norvik::ui::rect ring = box.focus_outline_rect();
    EXPECT_GT(ring.x + ring.width, box.text_rect.x + box.text_rect.width) << "the release's name inside";
    const outline_reading on_page = read_outline(settled(whole(box, ring), true), wizard, whole(box, ring), colour);
    EXPECT_GE(on_page.thinnest, thickness) << "the release's row";
    EXPECT_GE(on_page.lowest_contrast, 3.0) << "the release's row";
}

// The test seam's record of the events raised, one line each: what was
// raised and the automation id (or, without one, the name) of the element.
std::vector<std::string> raised;

std::string label_of(IRawElementProviderSimple* provider) {
    std::string label;
    for (const PROPERTYID id : {UIA_AutomationIdPropertyId, UIA_NamePropertyId}) {
        VARIANT v;
        VariantInit(&v);
        if (label.empty() && SUCCEEDED(provider->GetPropertyValue(id, &v)) && v.vt == VT_BSTR) {
            label = utf8(v.bstrVal);
        }
        VariantClear(&v);
    }
    return label;
}

BOOL WINAPI clients_listening() {
    return TRUE;
}

HRESULT WINAPI record_event(IRawElementProviderSimple* provider, EVENTID id) {
    raised.push_back((id == UIA_AutomationFocusChangedEventId ? "focus " : "live ") + label_of(provider));
    return S_OK;
}

HRESULT WINAPI record_property(IRawElementProviderSimple* provider, PROPERTYID id, VARIANT, VARIANT now) {
    raised.push_back(id == UIA_ToggleToggleStatePropertyId
                         ? "toggle " + label_of(provider) + " " + std::to_string(now.lVal)
                         : "name " + utf8(now.bstrVal));
    return S_OK;
}

HRESULT WINAPI record_structure(IRawElementProviderSimple* provider, StructureChangeType, int*, int) {
    raised.push_back("children of " + label_of(provider));
    return S_OK;
}

HRESULT WINAPI record_notification(IRawElementProviderSimple*, int, int, BSTR text, BSTR) {
    raised.push_back("announce " + utf8(text));
    return S_OK;
}

// Puts the recorders in place of the system's raising functions, and the
// system's back when it goes.
class recorded_events {
public:
    recorded_events() {
        automation_core& core = automation_core::instance();
        core.load();
        automation_core::entry_points fakes = core.entries();
        fakes.clients_are_listening = clients_listening;
        fakes.raise_automation_event = record_event;
        fakes.raise_property_changed = record_property;
        fakes.raise_structure_changed = record_structure;
        fakes.raise_notification = record_notification;
        real_ = core.replace_for_testing(fakes);
    }
    ~recorded_events() { automation_core::instance().replace_for_testing(real_); }

private:
    automation_core::entry_points real_;
};

// One line per run of equal lines, so that a count of repaints or timer
// ticks does not matter.
std::vector<std::string> runs(const std::vector<std::string>& all) {
    std::vector<std::string> out;
    for (const std::string& line : all) {
        if (out.empty() || out.back() != line) {
            out.push_back(line);
        }
    }
    return out;
}

TEST_F(Automation, KeysWalkTheWizardAndRaiseTheEvents) {
    // Enough releases for the summary to need scrolling.
    const std::pair<const wchar_t*, const wchar_t*> more[] = {
        {L"10.0", L"CS5"}, {L"10.5", L"CS55"}, {L"11", L"CS6"}, {L"13", L"CC2014"}, {L"13.8", L"CC2015.3"}};
    for (const auto& [key, name] : more) {
        release(key, name);
    }
    const recorded_events seam;
    InstallerUI wizard;
    show(wizard);
    raised.clear();
    const auto key = norvik::test::press_key;
    const std::string window = "children of Quendal for After Effects Installer";

    key(VK_RETURN); // Next has the focus on the welcome page
    EXPECT_EQ(wizard.page, installer::wizard_page::releases);
    lines expected{window, "focus Release.CS5"};
    for (const char* row : {"CS55", "CS6", "CC", "CC2014", "CC2015", "CC2015.3", "Custom"}) {
        key(VK_TAB);
        expected.push_back(std::string("focus Release.") + row);
    }
    key(VK_SPACE); // Custom: Browse and the path appear
    key(VK_SPACE); // and go again
    EXPECT_FALSE(wizard.selected[9]);
    expected.insert(expected.end(), {"toggle Release.Custom 1", window, "toggle Release.Custom 0", window});
    EXPECT_EQ(runs(raised), expected);
    raised.clear();

    // Enter on a check box presses Next, once however long it is held (the
    // repeats would press Next again from the summary); on the summary the
    // keys scroll.
    norvik::test::send_keys({{VK_RETURN, true}, {VK_RETURN, true}, {VK_RETURN, true}, {VK_RETURN, false}});
    pump_until([] { return false; }, 300);
    EXPECT_EQ(wizard.page, installer::wizard_page::summary);
    key(VK_END);
    EXPECT_GT(wizard.summary_page.scroll.range(), 0);
    EXPECT_EQ(wizard.summary_page.scroll.position(), wizard.summary_page.scroll.range());
    key(VK_TAB);
    key(VK_RETURN); // Back, a button: its own Enter
    EXPECT_EQ(wizard.page, installer::wizard_page::releases);
    EXPECT_EQ(runs(raised), (lines{window, "focus SummaryScroll", "focus Back", window, "focus Release.CS5"}));
    raised.clear();

    key(VK_RETURN);
    key(VK_RETURN); // from the summary's scroll bar: the install
    ASSERT_TRUE(pump_until([&] { return wizard.finished; }, 60000));
    pump_until([] { return false; }, 300);
    const lines outcome = runs(raised);
    ASSERT_GE(outcome.size(), 4u);
    EXPECT_EQ((lines(outcome.begin(), outcome.begin() + 4)),
              (lines{window, "focus SummaryScroll", window, "focus Cancel"}));
    EXPECT_EQ(
        (lines(outcome.end() - 4, outcome.end())),
        (lines{"name Quendal for After Effects was successfully installed.",
               "announce Quendal for After Effects was successfully installed.", "name Finish", "live Progress"}));

    key(VK_ESCAPE); // Finish
    EXPECT_FALSE(IsWindowVisible(wizard.native.hwnd));
}

} // namespace
