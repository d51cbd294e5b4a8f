#pragma once

#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <windows.h>

#include "ui/core/events/event_kind.h"
#include "ui/core/events/rect.h"
#include "ui/core/native_drop_target.h"

namespace norvik::ui {

class event_object;
class window;

// The system window behind a norvik::ui::window: the window class, styles,
// dots per inch, timers, the modal message loop and the OLE drop target.
// Turns system messages into toolkit events for its window.
//
// Units: positions handed in and out are device pixels on the screen; sizes
// are logical units (1/96 inch) of the client area. MulDiv(v, dpi, 96)
// converts to pixels and MulDiv(v, 96, dpi) back, with dpi_x horizontally
// and dpi_y vertically.
class native_window {
public:
    struct timer_record {
        int32_t user_id = 0;
        event_object* target = nullptr;
        bool one_shot = false;
    };

    // How a call handed to a window's thread went (run_on_window_thread).
    enum class call_outcome { ran, gone, timed_out };

    // How long run_on_window_thread waits for the window's thread. Its work
    // between messages is short (a frame, a layout); a thread that does not
    // look at its queue this long is stuck or waiting for something else.
    static constexpr UINT call_timeout_ms = 2000;

    // Initialises OLE for the thread (a single-threaded apartment) and locks
    // the drop target.
    native_window();
    // destroy(), then unlocks the drop target and uninitialises OLE.
    ~native_window();
    native_window(const native_window&) = delete;
    native_window& operator=(const native_window&) = delete;

    // Creates the hidden system window for `w`, owned by `owner`'s system
    // window when given: r.x and r.y are the outer position in pixels, r.width
    // and r.height the client size in logical units at the screen's density.
    void create(native_window* owner, ui::window& w, const ui::rect& r);
    // Revokes the drop target and destroys the system window now, before
    // the toolkit window goes; nothing reaches the toolkit window from it
    // any more. A window that must still wait for something while it is
    // destroyed (a worker thread) calls this first, so that clients of UI
    // Automation learn at once that its elements are gone instead of waiting
    // on a thread that does not answer. Does nothing the second time.
    void destroy();

    // Shows the window and dispatches messages until end_native_modal. The
    // owner window stays disabled meanwhile, and as long as any other modal
    // window it owns is open. An exception thrown by a handler during
    // dispatch ends the loop and leaves here.
    void run_modal();
    // Ends the loop and hides the window. The owner is enabled and focused
    // again once its last modal window has closed, and only if it was
    // enabled when the first one opened; until then the focus goes to the
    // modal window opened before this one.
    void end_native_modal();
    // Whether a modal window owned by this one is running its loop.
    bool has_modal_popup() const { return !modal_popups_.empty(); }

    // Raises timer on `target`, value `user_id`, every `interval_ms`
    // milliseconds (once for a one-shot timer, which is stopped before its
    // handlers run). Returns the timer's identifier: 1 for the first timer
    // of the window, never reused.
    uint32_t start_timer(event_object& target, int32_t user_id, uint32_t interval_ms, bool one_shot);
    // Stops the first timer started with this target and user identifier.
    void stop_timer(event_object& target, int32_t user_id);
    // Stops every timer of `target` (a widget being destroyed), so that none
    // reaches it, or another object built at its address, later.
    void stop_timers(const event_object& target);

    // Outer position (pixels) and client size (logical units).
    void set_window_rect(const ui::rect& r);
    // Client origin on the screen (pixels) and client size (logical units).
    ui::rect get_window_rect() const;
    // Centres the window on its owner (or the screen), inside the work area.
    void center_window();

    // The client pixels a rectangle in logical window coordinates touches:
    // its edges rounded outwards.
    RECT device_rect(const ui::rect& logical) const;
    // Asks for a repaint of a rectangle given in logical window coordinates.
    void invalidate(const ui::rect& logical) const;

    // Runs `call` on the thread that owns `hwnd`, a toolkit window of this
    // process, and waits for it: from another thread through a sent message,
    // which that thread takes whenever it looks at its queue, modal loops and
    // pop-ups included. Nothing is run when the window is gone or is no
    // longer a toolkit window (gone), or when its thread has not taken the
    // call within call_timeout_ms (timed_out): a call taken later is dropped
    // there, so `call` never runs after this has returned.
    static call_outcome run_on_window_thread(HWND hwnd, const std::function<void()>& call);
    // Runs `call` once the messages already queued have been handled (UI
    // thread only). Calls posted while the loop is ending, or once the
    // system window is destroyed, are dropped with the window.
    void post_call(std::function<void()> call);

    // Exceptions thrown by event handlers while the system was calling the
    // window procedure (or an OLE callback) are kept here and rethrown from
    // the code that made the system call, so none crosses into the system:
    // every operation here that makes the system send messages at once
    // (placing, showing, hiding, focusing) rethrows when it returns, and the
    // modal loop after each dispatched message.
    static void keep_exception(std::exception_ptr e);
    static void rethrow_kept_exception();

    // The window class name, "NORVIK_WINDOW_CLASS" with as many trailing "0"
    // as it took to find a name not yet registered in the process.
    static const std::wstring& class_name();

    HWND hwnd = nullptr;
    ui::window* window = nullptr;
    bool modal_running = false;
    int32_t timer_counter = 0;
    std::map<uint32_t, timer_record> timers;
    uint32_t style = 0x02C80000; // WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU
    uint32_t ex_style = 0;
    int32_t dpi_x = 0;
    int32_t dpi_y = 0;
    int32_t min_client_width = 0;
    int32_t min_client_height = 0;
    int32_t max_client_width = 100000;
    int32_t max_client_height = 100000;
    native_drop_target drop_target;

private:
    // The toolkit window that owns this one, when the owner is one.
    native_window* owner_native_ = nullptr;
    // The modal windows owned by this one whose loops run, in the order they
    // opened, and whether this window was enabled before the first of them.
    std::vector<native_window*> modal_popups_;
    bool enabled_before_popups_ = true;
    // For an owner outside the toolkit: whether it was enabled before this
    // window's loop began.
    bool foreign_owner_was_enabled_ = true;
    std::deque<std::function<void()>> posted_calls_;

    static LRESULT CALLBACK window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT handle_message(UINT message, WPARAM wparam, LPARAM lparam);
    // Dispatches a message taken off the queue after the loop ended, unless
    // it is meant for this window (or a thread message).
    void deliver_if_foreign(const MSG& message);

    // end_native_modal without rethrowing what its messages' handlers threw.
    void leave_modal();
    // The owner's side of a modal loop: disabled while the first of its
    // modal windows opens, given back when the last one closes.
    void disable_owner();
    void restore_owner();

    void run_posted_calls();

    // The typed handlers of handle_message, one per message (or family).
    void on_posted_calls();
    void on_size(int32_t width, int32_t height);
    void on_focus(event_kind kind);
    void on_paint();
    LRESULT on_set_cursor(WPARAM wparam, LPARAM lparam);
    void on_get_min_max_info(MINMAXINFO& info) const;
    void on_input_language_changed();
    void on_key(event_kind kind, uint64_t key);
    LRESULT on_ime_set_context(WPARAM wparam, LPARAM lparam);
    void on_composition_started();
    void on_composition_ended();
    void on_composition_changed(LPARAM flags);
    LRESULT on_get_object(WPARAM wparam, LPARAM lparam);
    LRESULT on_mouse_move();
    void on_mouse_button(event_kind kind, int32_t button);
    void on_double_click(int32_t button);
    void on_wheel(int16_t delta);
    void on_mouse_leave();
    void on_capture_changed(HWND new_owner);
    void on_timer(uint32_t id);
    SIZE frame_size(uint32_t frame_style, uint32_t frame_ex_style) const;
    SIZE outer_size(int32_t logical_width, int32_t logical_height) const;
};

} // namespace norvik::ui
