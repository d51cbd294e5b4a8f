#include "ui/core/text_input.h"

#include <vector>

#include <imm.h>

#include "ui/core/events/event_kind.h"
#include "ui/core/window.h"

namespace norvik::ui {

namespace {

constexpr uint16_t korean_primary_language = 0x12;
constexpr BYTE attribute_target_converted = 1; // ATTR_TARGET_CONVERTED

// The window's input context for the length of a scope; empty when the
// window has none (the usual case: the window detaches it).
class input_context {
public:
    explicit input_context(HWND hwnd) : hwnd_(hwnd), context_(ImmGetContext(hwnd)) {}
    ~input_context() {
        if (context_ != nullptr) {
            ImmReleaseContext(hwnd_, context_);
        }
    }
    input_context(const input_context&) = delete;
    input_context& operator=(const input_context&) = delete;

    HIMC get() const { return context_; }
    explicit operator bool() const { return context_ != nullptr; }

private:
    HWND hwnd_;
    HIMC context_;
};

} // namespace

text_input::text_input(HWND window_handle) : hwnd(window_handle) {
    ImmAssociateContext(hwnd, nullptr);
}

bool text_input::korean() const {
    return (language & 0x3FF) == korean_primary_language;
}

void text_input::input_language_changed() {
    HKL layout = GetKeyboardLayout(0);
    language = LOWORD(reinterpret_cast<UINT_PTR>(layout));
    ime_active = ImmIsIME(layout) == 1;
    if (composing) {
        input_context context(hwnd);
        if (context) {
            ImmNotifyIME(context.get(), NI_COMPOSITIONSTR, CPS_COMPLETE, 0);
        }
    }
}

void text_input::start_composition(window& w) {
    if (composing) {
        return;
    }
    CreateCaret(hwnd, nullptr, 1, 1);
    place_candidate_window();
    composing = true;
    w.route_event(event_kind::ime_composition, 0);
}

void text_input::place_candidate_window() {
    input_context context(hwnd);
    if (!context) {
        return;
    }
    CANDIDATEFORM form{};
    form.dwIndex = 0;
    form.dwStyle = CFS_EXCLUDE;
    form.ptCurrentPos = {caret.x, caret.y};
    form.rcArea = {caret.x, caret.y, caret.x + caret.width, caret.y + caret.height};
    ImmSetCandidateWindow(context.get(), &form);
}

void text_input::read_string(DWORD index) {
    input_context context(hwnd);
    if (!context) {
        return;
    }
    const LONG bytes = ImmGetCompositionStringW(context.get(), index, nullptr, 0);
    if (bytes <= 0) {
        composition.clear();
        return;
    }
    std::vector<wchar_t> buffer(static_cast<std::size_t>(bytes) + 1, L'\0');
    ImmGetCompositionStringW(context.get(), index, buffer.data(), static_cast<DWORD>(bytes));
    composition.assign(buffer.data());
}

void text_input::move_cursor_by_key() {
    const auto length = static_cast<int32_t>(composition.size());
    switch (last_virtual_key) {
    case VK_END:
        cursor = length;
        break;
    case VK_HOME:
        cursor = 0;
        break;
    case VK_LEFT:
        if (cursor > 0) {
            --cursor;
        }
        break;
    case VK_RIGHT:
        if (cursor < length) {
            ++cursor;
        }
        break;
    default:
        break;
    }
}

void text_input::composition_changed(window& w, LPARAM flags) {
    // A character key typed at the end of a converted composition finishes
    // it and starts the next one.
    if (converted && cursor == static_cast<int32_t>(composition.size()) && last_key_char != 0 &&
        last_virtual_key != VK_BACK && last_virtual_key != VK_RETURN && last_virtual_key != VK_SPACE) {
        w.route_event(event_kind::ime_composition, 2);
        w.route_event(event_kind::ime_composition, 0);
    }
    converted = false;
    if (korean() && (flags & GCS_RESULTSTR) != 0 && last_key_char != 0) {
        w.route_event(event_kind::ime_composition, 0);
    }

    bool changed = false;
    {
        input_context context(hwnd);
        if (!context) {
            return;
        }
        if ((flags & GCS_COMPSTR) != 0) {
            read_string(GCS_COMPSTR);
            converted = false;
            if ((flags & GCS_COMPATTR) != 0) {
                const LONG size = ImmGetCompositionStringW(context.get(), GCS_COMPATTR, nullptr, 0);
                if (size > 0) {
                    std::vector<BYTE> attributes(static_cast<std::size_t>(size), 0);
                    ImmGetCompositionStringW(context.get(), GCS_COMPATTR, attributes.data(), static_cast<DWORD>(size));
                    for (BYTE a : attributes) {
                        converted = converted || a == attribute_target_converted;
                    }
                }
            }
            if (korean()) {
                cursor = static_cast<int32_t>(composition.size());
            } else if (converted) {
                move_cursor_by_key();
            } else {
                cursor = ImmGetCompositionStringW(context.get(), GCS_CURSORPOS, nullptr, 0);
            }
            changed = true;
        }
    }
    if (changed) {
        w.route_event(event_kind::ime_composition, 1);
    }
}

void text_input::end_composition(window& w) {
    if (!composing) {
        return;
    }
    // The composition is over even when a handler of its result throws:
    // a caret and a composing flag left behind would outlive it.
    struct finish {
        bool& composing;
        ~finish() {
            DestroyCaret();
            composing = false;
        }
    } finish_on_exit{composing};
    bool result_ready = false;
    {
        input_context context(hwnd);
        if (context) {
            read_string(GCS_RESULTSTR);
            converted = false;
            cursor = static_cast<int32_t>(composition.size());
            result_ready = true;
        }
    }
    if (result_ready) {
        w.route_event(event_kind::ime_composition, 2);
    }
}

void text_input::note_key_down() {
    last_virtual_key = ImmGetVirtualKey(hwnd);
    last_key_char = static_cast<int8_t>(MapVirtualKeyW(static_cast<UINT>(last_virtual_key), MAPVK_VK_TO_CHAR));
}

} // namespace norvik::ui
