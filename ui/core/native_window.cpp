#include "ui/core/native_window.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <utility>

#include <ole2.h>

#include "render/renderer.h"
#include "ui/core/automation_core.h"
#include "ui/core/automation_element.h"
#include "ui/core/events/event_info.h"
#include "ui/core/events/event_registry.h"
#include "ui/core/mouse_capture.h"
#include "ui/core/window.h"

namespace norvik::ui {

namespace {

constexpr wchar_t base_class_name[] = L"NORVIK_WINDOW_CLASS";
constexpr std::size_t class_name_capacity = 256; // UTF-16 units, terminator included
constexpr UINT_PTR tooltip_timer_id = 0xFFFFFFFF;
constexpr UINT class_style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;

struct window_class {
    std::wstring name = base_class_name;
    bool registered = false;
};

window_class& the_class() {
    static window_class c;
    return c;
}

std::exception_ptr& kept_exception() {
    static std::exception_ptr e;
    return e;
}

HINSTANCE module_instance() {
    return GetModuleHandleW(nullptr);
}

// Registers the window class on the first create of the process.
void register_class_once(WNDPROC procedure) {
    window_class& c = the_class();
    if (c.registered) {
        return;
    }
    // Another copy of the toolkit in the process (a plug-in, say) may have
    // taken the name: add zeros until it is free.
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    while (GetClassInfoExW(module_instance(), c.name.c_str(), &existing) && c.name.size() + 1 < class_name_capacity) {
        c.name += L'0';
    }
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = class_style;
    wc.lpfnWndProc = procedure;
    wc.hInstance = module_instance();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = c.name.c_str();
    RegisterClassExW(&wc);
    c.registered = true;
}

// Floor and ceiling of v * num / den for den > 0, in 64 bits: rectangles
// crossing between logical units and pixels are widened to whole pixels so
// that no strip at a fractional edge is left out.
int32_t scale_down(int32_t v, int32_t num, int32_t den) {
    const int64_t p = static_cast<int64_t>(v) * num;
    int64_t q = p / den;
    if (p % den != 0 && p < 0) {
        --q;
    }
    return static_cast<int32_t>(q);
}

int32_t scale_up(int32_t v, int32_t num, int32_t den) {
    const int64_t p = static_cast<int64_t>(v) * num;
    int64_t q = p / den;
    if (p % den != 0 && p > 0) {
        ++q;
    }
    return static_cast<int32_t>(q);
}

int32_t button_of(UINT message) {
    switch (message) {
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
        return 1;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
        return 2;
    default:
        return 0;
    }
}

bool is_real_owner(HWND owner) {
    return owner != nullptr && owner != GetDesktopWindow();
}

// Calls handed to a window's thread travel in this message: wParam 0 for a
// sent call (lParam points at its record's reference, below), 1 for posted
// calls waiting in the window's queue. Registered, so that no other
// program's window ever reads the pointer, should a stale handle have been
// reused.
UINT call_message() {
    static const UINT message = RegisterWindowMessageW(L"NORVIK_WINDOW_CALL");
    return message;
}

// A key going down, or repeating while it is held: bit 30 of lParam is the
// key's previous state, which the high word carries as KF_REPEAT.
uint64_t key_down_value(WPARAM key, LPARAM flags) {
    return event_info::pack_key(static_cast<uint32_t>(key), (HIWORD(flags) & KF_REPEAT) != 0);
}

// A call handed to a window's thread. The caller stops waiting after
// call_timeout_ms, while its message may still sit in the window's queue,
// so the message and the caller share this record, and the states below
// decide who goes on: the window's thread runs the call only if it takes it
// before the caller has given up, and a caller that gives up while the call
// runs waits for its end (the call reads the caller's stack).
//   waiting  --window's thread takes it-->  running --> done
//   waiting  --caller gives up-->           abandoned (never run)
struct sent_call {
    enum state : int { waiting, running, done, abandoned };

    explicit sent_call(const std::function<void()>& f) : call(&f) {}

    const std::function<void()>* call;
    std::atomic<int> progress{waiting};
};

// What a call message carries: one reference to the record, handed over with
// the message and released by whichever window procedure receives it.
using sent_call_reference = std::shared_ptr<sent_call>;

// The window procedure's side of a call. `runs` is false once the toolkit
// window is going: the call is then taken and dropped.
void answer_call(LPARAM lparam, bool runs) {
    const std::unique_ptr<sent_call_reference> taken(reinterpret_cast<sent_call_reference*>(lparam));
    sent_call& record = **taken;
    int expected = sent_call::waiting;
    if (!record.progress.compare_exchange_strong(expected, runs ? sent_call::running : sent_call::abandoned)) {
        return; // the caller has given up on it
    }
    if (!runs) {
        return;
    }
    struct mark_done {
        std::atomic<int>& progress;
        ~mark_done() { progress.store(sent_call::done); }
    } done{record.progress};
    (*record.call)();
}

} // namespace

void native_window::keep_exception(std::exception_ptr e) {
    // The first one is the cause; later ones are usually its consequences.
    if (!kept_exception()) {
        kept_exception() = std::move(e);
    }
}

void native_window::rethrow_kept_exception() {
    if (kept_exception()) {
        std::rethrow_exception(std::exchange(kept_exception(), nullptr));
    }
}

const std::wstring& native_window::class_name() {
    return the_class().name;
}

native_window::native_window() {
    drop_target.ole_init_result = OleInitialize(nullptr);
    CoLockObjectExternal(&drop_target, TRUE, FALSE);
}

native_window::~native_window() {
    destroy();
    CoLockObjectExternal(&drop_target, FALSE, FALSE);
    // Only a successful OleInitialize (S_OK or S_FALSE) is balanced.
    if (SUCCEEDED(drop_target.ole_init_result)) {
        OleUninitialize();
    }
}

void native_window::destroy() {
    // A window destroyed while its loop or its pop-ups' loops still run must
    // not leave its owner, or its pop-ups, pointing at it.
    if (owner_native_ != nullptr) {
        restore_owner();
        owner_native_ = nullptr;
    }
    for (native_window* popup : modal_popups_) {
        popup->owner_native_ = nullptr;
    }
    modal_popups_.clear();
    if (drop_target.registered_hwnd != nullptr) {
        RevokeDragDrop(drop_target.registered_hwnd);
        drop_target.registered_hwnd = nullptr;
    }
    if (hwnd == nullptr) {
        return;
    }
    // The toolkit window is going: the messages DestroyWindow sends must not
    // reach it.
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    // Calls that clients sent and that wait in this thread's queue are
    // answered now, as gone; only sent messages are taken here.
    MSG pending{};
    PeekMessageW(&pending, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    // Lets UI Automation drop what it holds for this window (Microsoft's
    // advice for a window going away); only when a client ever asked.
    if (automation_core::instance().loaded()) {
        automation_core::instance().entries().return_raw_element_provider(hwnd, 0, 0, nullptr);
    }
    DestroyWindow(hwnd);
    hwnd = nullptr;
}

void native_window::create(native_window* owner, ui::window& w, const ui::rect& r) {
    window = &w;
    owner_native_ = owner;
    register_class_once(&native_window::window_procedure);

    style = 0x02C80000;
    ex_style = 0;
    HDC screen = GetDC(nullptr);
    dpi_x = GetDeviceCaps(screen, LOGPIXELSX);
    dpi_y = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);

    const SIZE outer = outer_size(r.width, r.height);
    hwnd = CreateWindowExW(ex_style, class_name().c_str(), L"", style, r.x, r.y, outer.cx, outer.cy,
                           owner != nullptr ? owner->hwnd : nullptr, nullptr, module_instance(), nullptr);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    if (drop_target.registered_hwnd == nullptr) {
        drop_target.owner = this;
        drop_target.registered_hwnd = hwnd;
        RegisterDragDrop(hwnd, &drop_target);
    }
}

void native_window::run_modal() {
    disable_owner();
    try {
        // Running before the window shows: a handler reached while showing
        // (focus, paint) may already end the loop, and that must stick.
        modal_running = true;
        if (!IsWindowVisible(hwnd)) {
            ShowWindow(hwnd, SW_SHOW);
            UpdateWindow(hwnd);
        }
        rethrow_kept_exception();
        for (;;) {
            if (!modal_running) {
                return;
            }
            // Drain before waiting: WaitMessage does not wake for messages
            // that were already in the queue when it is called.
            MSG message{};
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                // Ended by the previous message: the rest of what ended it
                // (the key-up of the Enter that closed a pop-up) is dropped.
                // A message for another window is still delivered: a close
                // of the owner queued behind the pop-up's own must not be
                // lost.
                if (!modal_running) {
                    deliver_if_foreign(message);
                    return;
                }
                if (message.message == WM_KEYDOWN && window != nullptr && window->text_input != nullptr &&
                    window->text_input->composing) {
                    window->text_input->note_key_down();
                }
                TranslateMessage(&message);
                DispatchMessageW(&message);
                rethrow_kept_exception();
            }
            if (!modal_running) {
                return;
            }
            WaitMessage();
        }
    } catch (...) {
        // The loop is gone: leave the window and its owner as an ended loop
        // would, then let the exception reach whoever ran the loop. Handlers
        // reached while leaving (the owner taking the focus back) may fail
        // too; those failures are consequences and are dropped, so that none
        // is left behind for the next loop of some other window.
        leave_modal();
        kept_exception() = nullptr;
        throw;
    }
}

void native_window::deliver_if_foreign(const MSG& message) {
    if (message.hwnd == nullptr || message.hwnd == hwnd || IsChild(hwnd, message.hwnd)) {
        return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
    rethrow_kept_exception();
}

void native_window::end_native_modal() {
    leave_modal();
    rethrow_kept_exception();
}

void native_window::leave_modal() {
    modal_running = false;
    restore_owner();
    if (IsWindowVisible(hwnd)) {
        ShowWindow(hwnd, SW_HIDE);
    }
}

// Pop-ups nest: a timer of the owner may open a second question while the
// first is still up. The owner remembers the state it had before its first
// pop-up, and only the last one to close gives it back; re-enabling it
// earlier would let the user reach the window beneath an open question.
void native_window::disable_owner() {
    const HWND owner = GetWindow(hwnd, GW_OWNER);
    if (!is_real_owner(owner)) {
        return;
    }
    if (owner_native_ == nullptr) {
        foreign_owner_was_enabled_ = IsWindowEnabled(owner) != FALSE;
    } else if (std::find(owner_native_->modal_popups_.begin(), owner_native_->modal_popups_.end(), this) ==
               owner_native_->modal_popups_.end()) {
        if (owner_native_->modal_popups_.empty()) {
            owner_native_->enabled_before_popups_ = IsWindowEnabled(owner) != FALSE;
        }
        owner_native_->modal_popups_.push_back(this);
    }
    EnableWindow(owner, FALSE);
}

void native_window::restore_owner() {
    const HWND owner = GetWindow(hwnd, GW_OWNER);
    if (owner_native_ == nullptr) {
        if (is_real_owner(owner) && foreign_owner_was_enabled_) {
            EnableWindow(owner, TRUE);
            SetFocus(owner);
        }
        return;
    }
    std::vector<native_window*>& open = owner_native_->modal_popups_;
    const auto mine = std::find(open.begin(), open.end(), this);
    // Left already (an ended loop is left once more when it unwinds).
    if (mine == open.end()) {
        return;
    }
    open.erase(mine);
    if (!open.empty()) {
        SetFocus(open.back()->hwnd);
    } else if (owner_native_->enabled_before_popups_ && is_real_owner(owner)) {
        EnableWindow(owner, TRUE);
        SetFocus(owner);
    }
}

uint32_t native_window::start_timer(event_object& target, int32_t user_id, uint32_t interval_ms, bool one_shot) {
    ++timer_counter;
    const auto id = static_cast<uint32_t>(timer_counter);
    timers[id] = timer_record{user_id, &target, one_shot};
    SetTimer(hwnd, id, interval_ms, nullptr);
    return id;
}

void native_window::stop_timer(event_object& target, int32_t user_id) {
    for (auto it = timers.begin(); it != timers.end(); ++it) {
        if (it->second.user_id == user_id && it->second.target == &target) {
            KillTimer(hwnd, it->first);
            timers.erase(it);
            return;
        }
    }
}

void native_window::stop_timers(const event_object& target) {
    for (auto it = timers.begin(); it != timers.end();) {
        if (it->second.target == &target) {
            KillTimer(hwnd, it->first);
            it = timers.erase(it);
        } else {
            ++it;
        }
    }
}

void native_window::on_timer(uint32_t id) {
    if (id == tooltip_timer_id) {
        return;
    }
    const auto found = timers.find(id);
    if (found == timers.end()) {
        return;
    }
    const timer_record record = found->second;
    // A one-shot timer is killed before its handlers run: one that opens a
    // modal pop-up would otherwise be entered again from the nested loop,
    // where the system timer keeps firing. A handler may start the same
    // (target, user id) pair again; that is a new timer.
    if (record.one_shot) {
        KillTimer(hwnd, id);
        timers.erase(found);
    }
    emit(record.target, event_kind::timer, static_cast<uint64_t>(static_cast<uint32_t>(record.user_id)));
}

SIZE native_window::frame_size(uint32_t frame_style, uint32_t frame_ex_style) const {
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, frame_style, FALSE, frame_ex_style);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

SIZE native_window::outer_size(int32_t logical_width, int32_t logical_height) const {
    RECT outer{0, 0, MulDiv(logical_width, dpi_x, 96), MulDiv(logical_height, dpi_y, 96)};
    AdjustWindowRectEx(&outer, style, FALSE, ex_style);
    return {outer.right - outer.left, outer.bottom - outer.top};
}

void native_window::set_window_rect(const ui::rect& r) {
    const SIZE outer = outer_size(r.width, r.height);
    SetWindowPos(hwnd, nullptr, r.x, r.y, outer.cx, outer.cy, SWP_NOACTIVATE | SWP_NOZORDER);
    // WM_SIZE came back synchronously: a failing resized handler fails here.
    rethrow_kept_exception();
}

ui::rect native_window::get_window_rect() const {
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, style, FALSE, ex_style);
    RECT outer{};
    GetWindowRect(hwnd, &outer);
    const LONG client_width = (outer.right - outer.left) - (frame.right - frame.left);
    const LONG client_height = (outer.bottom - outer.top) - (frame.bottom - frame.top);
    return {outer.left - frame.left, outer.top - frame.top, MulDiv(client_width, 96, dpi_x),
            MulDiv(client_height, 96, dpi_y)};
}

void native_window::center_window() {
    const ui::rect client = get_window_rect();
    const int32_t pw = MulDiv(client.width, dpi_x, 96);
    const int32_t ph = MulDiv(client.height, dpi_y, 96);

    HWND owner = GetWindow(hwnd, GW_OWNER);
    if (!is_real_owner(owner)) {
        owner = nullptr;
    }
    RECT reference{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (owner != nullptr) {
        GetWindowRect(owner, &reference);
    }
    MONITORINFOEXW monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT work = monitor.rcWork;

    RECT outer{0, 0, pw, ph};
    AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)));
    const LONG outer_width = outer.right - outer.left;
    const LONG outer_height = outer.bottom - outer.top;

    LONG x = reference.left + (reference.right - pw - reference.left) / 2;
    LONG y = reference.top + (reference.bottom - ph - reference.top) / 2;
    if (x + outer_width > work.right) {
        x = work.right - outer_width;
    }
    if (x < work.left) {
        x = work.left + 1;
    }
    if (y + outer_height > work.bottom) {
        y = work.bottom - outer_height;
    }
    if (y < work.top) {
        y = work.top + 1;
    }
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    rethrow_kept_exception();
}

native_window::call_outcome native_window::run_on_window_thread(HWND hwnd, const std::function<void()>& call) {
    DWORD process = 0;
    if (GetWindowThreadProcessId(hwnd, &process) == 0 || process != GetCurrentProcessId()) {
        return call_outcome::gone;
    }
    const auto record = std::make_shared<sent_call>(call);
    auto message_reference = std::make_unique<sent_call_reference>(record);
    // With a timeout: a client of UI Automation must never hang because the
    // window's thread is busy or waits for something else.
    DWORD_PTR ignored = 0;
    SetLastError(ERROR_SUCCESS);
    const LRESULT delivered =
        SendMessageTimeoutW(hwnd, call_message(), 0, reinterpret_cast<LPARAM>(message_reference.get()),
                            SMTO_NORMAL | SMTO_ERRORONEXIT, call_timeout_ms, &ignored);
    const bool never_queued = delivered == 0 && GetLastError() == ERROR_INVALID_WINDOW_HANDLE;
    // Otherwise the window procedure has released the reference, or will
    // when the message reaches it.
    if (!never_queued) {
        static_cast<void>(message_reference.release());
    }
    int expected = sent_call::waiting;
    if (record->progress.compare_exchange_strong(expected, sent_call::abandoned)) {
        return delivered == 0 && !never_queued ? call_outcome::timed_out : call_outcome::gone;
    }
    // Taken just as the wait ended: it reads this thread's stack, so it is
    // waited for. Calls are short.
    while (record->progress.load() == sent_call::running) {
        Sleep(1);
    }
    return expected == sent_call::abandoned ? call_outcome::gone : call_outcome::ran;
}

void native_window::post_call(std::function<void()> call) {
    if (hwnd == nullptr) {
        return;
    }
    posted_calls_.push_back(std::move(call));
    PostMessageW(hwnd, call_message(), 1, 0);
}

void native_window::run_posted_calls() {
    // A call may run a nested loop (a pop-up) that drains the rest: each is
    // taken off the queue before it runs.
    while (!posted_calls_.empty()) {
        const std::function<void()> call = std::move(posted_calls_.front());
        posted_calls_.pop_front();
        call();
    }
}

RECT native_window::device_rect(const ui::rect& logical) const {
    return {scale_down(logical.x, dpi_x, 96), scale_down(logical.y, dpi_y, 96),
            scale_up(logical.x + logical.width, dpi_x, 96), scale_up(logical.y + logical.height, dpi_y, 96)};
}

void native_window::invalidate(const ui::rect& logical) const {
    // Without a system window InvalidateRect would repaint every window.
    if (hwnd == nullptr) {
        return;
    }
    const RECT device = device_rect(logical);
    InvalidateRect(hwnd, &device, FALSE);
}

LRESULT CALLBACK native_window::window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<native_window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    const bool attached = self != nullptr && self->window != nullptr;
    // Nothing thrown by a handler may unwind through the system's frames:
    // keep it for the modal loop, which rethrows it after DispatchMessageW.
    try {
        // A sent call owns a reference that only this procedure releases, so
        // it is taken even when the toolkit window is going.
        if (message == call_message() && wparam == 0) {
            answer_call(lparam, attached);
            return 0;
        }
        if (!attached) {
            if (message == WM_SIZE || message == WM_GETMINMAXINFO) {
                return 0;
            }
            return DefWindowProcW(hwnd, message, wparam, lparam);
        }
        return self->handle_message(message, wparam, lparam);
    } catch (...) {
        keep_exception(std::current_exception());
        return 0;
    }
}

// Each message is unpacked here once, into the typed handler that deals
// with it.
LRESULT native_window::handle_message(UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == call_message()) {
        on_posted_calls();
        return 0;
    }
    // clang-format off
    switch (message) {
    case WM_SIZE:                on_size(LOWORD(lparam), HIWORD(lparam)); return 0;
    case WM_SETFOCUS:            on_focus(event_kind::focus_gained); return 0;
    case WM_KILLFOCUS:           on_focus(event_kind::focus_lost); return 0;
    case WM_PAINT:               on_paint(); return 0;
    case WM_CLOSE:               end_native_modal(); return 1;
    case WM_SETCURSOR:           return on_set_cursor(wparam, lparam);
    case WM_GETMINMAXINFO:       on_get_min_max_info(*reinterpret_cast<MINMAXINFO*>(lparam)); return 0;
    case WM_INPUTLANGCHANGE:     on_input_language_changed(); return 0;
    case WM_KEYDOWN:             on_key(event_kind::key_down, key_down_value(wparam, lparam)); return 0;
    case WM_KEYUP:               on_key(event_kind::key_up, wparam); return 0;
    case WM_CHAR:                on_key(event_kind::char_input, wparam); return 0;
    case WM_IME_SETCONTEXT:      return on_ime_set_context(wparam, lparam);
    case WM_IME_STARTCOMPOSITION: on_composition_started(); return 0;
    case WM_IME_ENDCOMPOSITION:  on_composition_ended(); return 0;
    case WM_IME_COMPOSITION:     on_composition_changed(lparam); return 0;
    case WM_COMMAND:             return 0;
    case WM_GETOBJECT:           return on_get_object(wparam, lparam);
    case WM_TIMER:               on_timer(static_cast<uint32_t>(wparam)); return 0;
    case WM_MOUSEMOVE:           return on_mouse_move();
    case WM_LBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_RBUTTONDOWN:         on_mouse_button(event_kind::mouse_down, button_of(message)); return 0;
    case WM_LBUTTONUP:
    case WM_MBUTTONUP:
    case WM_RBUTTONUP:           on_mouse_button(event_kind::mouse_up, button_of(message)); return 0;
    case WM_LBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:       on_double_click(button_of(message)); return 0;
    case WM_MOUSEWHEEL:          on_wheel(static_cast<int16_t>(HIWORD(wparam))); return 0;
    case WM_MOUSELEAVE:          on_mouse_leave(); return 0;
    case WM_CAPTURECHANGED:      on_capture_changed(reinterpret_cast<HWND>(lparam)); return 0;
    default:                     return DefWindowProcW(hwnd, message, wparam, lparam);
    }
    // clang-format on
}

void native_window::on_posted_calls() {
    run_posted_calls();
}

void native_window::on_focus(event_kind kind) {
    window->route_event(kind, 0);
}

LRESULT native_window::on_set_cursor(WPARAM wparam, LPARAM lparam) {
    // While the mouse is tracked in the client area the cursor is the one a
    // widget chose with set_cursor; elsewhere the system's.
    if (!window->mouse_tracking) {
        DefWindowProcW(hwnd, WM_SETCURSOR, wparam, lparam);
    }
    return 0;
}

void native_window::on_input_language_changed() {
    if (window->text_input != nullptr) {
        window->text_input->input_language_changed();
    }
}

void native_window::on_key(event_kind kind, uint64_t key) {
    window->route_event(kind, key);
}

LRESULT native_window::on_ime_set_context(WPARAM wparam, LPARAM lparam) {
    // The system must not draw its own composition window.
    return DefWindowProcW(hwnd, WM_IME_SETCONTEXT, wparam, lparam & ~static_cast<LPARAM>(ISC_SHOWUICOMPOSITIONWINDOW));
}

void native_window::on_composition_started() {
    if (window->text_input != nullptr) {
        window->text_input->start_composition(*window);
    }
}

void native_window::on_composition_ended() {
    if (window->text_input != nullptr) {
        window->text_input->end_composition(*window);
    }
}

void native_window::on_composition_changed(LPARAM flags) {
    if (window->text_input != nullptr) {
        window->text_input->composition_changed(*window, flags);
    }
}

LRESULT native_window::on_get_object(WPARAM wparam, LPARAM lparam) {
    // Compared as 32 bits, as Microsoft's samples do: the id may arrive
    // sign-extended or not.
    if (static_cast<LONG>(lparam) == static_cast<LONG>(UiaRootObjectId) && automation_core::instance().load()) {
        return automation_element::answer_root_request(*window, wparam, lparam);
    }
    return DefWindowProcW(hwnd, WM_GETOBJECT, wparam, lparam);
}

void native_window::on_mouse_button(event_kind kind, int32_t button) {
    window->route_event(kind, static_cast<uint64_t>(button));
}

void native_window::on_wheel(int16_t delta) {
    // A notch (120) scrolls by half of it.
    window->route_event(event_kind::mouse_wheel, event_info::pack_double(delta * 0.5));
}

void native_window::on_mouse_leave() {
    window->mouse_tracking = false;
    window->route_event(event_kind::mouse_leave, 0);
}

void native_window::on_size(int32_t width, int32_t height) {
    ui::window& w = *window;
    if (w.renderer != nullptr) {
        w.renderer->resize(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    }
    w.route_event(event_kind::resized, event_info::pack_pair(MulDiv(width, 96, dpi_x), MulDiv(height, 96, dpi_y)));
}

void native_window::on_paint() {
    RECT device{};
    if (!GetUpdateRect(hwnd, &device, FALSE) || IsRectEmpty(&device)) {
        return;
    }
    // Validated whatever happens while painting: a region left invalid by a
    // throwing paint handler would bring WM_PAINT back forever.
    struct validate_on_exit {
        HWND hwnd;
        RECT r;
        ~validate_on_exit() { ValidateRect(hwnd, &r); }
    } validate{hwnd, device};

    const RECT logical{scale_down(device.left, 96, dpi_x), scale_down(device.top, 96, dpi_y),
                       scale_up(device.right, 96, dpi_x), scale_up(device.bottom, 96, dpi_y)};
    window->paint_widget(window->root, logical);
}

void native_window::on_get_min_max_info(MINMAXINFO& info) const {
    const SIZE frame = frame_size(style, ex_style);
    const auto round_trip = [](int32_t v, int32_t dpi) { return MulDiv(MulDiv(v, 96, dpi), dpi, 96); };
    info.ptMinTrackSize.x = round_trip(min_client_width, dpi_x) + frame.cx;
    info.ptMinTrackSize.y = round_trip(min_client_height, dpi_y) + frame.cy;
    info.ptMaxTrackSize.x = round_trip(max_client_width, dpi_x) + frame.cx;
    info.ptMaxTrackSize.y = round_trip(max_client_height, dpi_y) + frame.cy;
}

LRESULT native_window::on_mouse_move() {
    ui::window& w = *window;
    if (!w.mouse_tracking) {
        // The first move into the client area only starts the tracking that
        // reports the mouse leaving again; it is not routed.
        w.mouse_tracking = true;
        TRACKMOUSEEVENT tracking{};
        tracking.cbSize = sizeof(tracking);
        tracking.dwFlags = TME_LEAVE;
        tracking.hwndTrack = hwnd;
        tracking.dwHoverTime = HOVER_DEFAULT;
        TrackMouseEvent(&tracking);
        return 1;
    }
    w.route_event(event_kind::mouse_move, 0);
    return 0;
}

void native_window::on_capture_changed(HWND new_owner) {
    // Another window took the mouse (Alt+Tab, a pop-up, a window that calls
    // SetCapture): a drag or press here would otherwise go on with the
    // button up, swallowing the next release anywhere in the window.
    const widget* holder = mouse_capture();
    if (holder != nullptr && holder->owner_window == window && new_owner != hwnd) {
        cancel_mouse_capture();
    }
}

void native_window::on_double_click(int32_t button) {
    ui::window& w = *window;
    const widget* target = w.hit_test(w.root.cursor_position());
    const bool wants_double_click =
        target != nullptr && target->is_usable() && has_handlers(target, event_kind::mouse_double_click);
    w.route_event(wants_double_click ? event_kind::mouse_double_click : event_kind::mouse_down,
                  static_cast<uint64_t>(button));
}

} // namespace norvik::ui
