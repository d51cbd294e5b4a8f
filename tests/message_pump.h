#pragma once

// The message loop of a test's own thread. Wine delivers some input from the
// X server asynchronously, so besides dispatching what is queued a test
// waits, with a limit, for what is still to come; and a thread timer runs
// code from inside whichever modal loop is dispatching at the time.

#include <functional>
#include <vector>

#include <windows.h>

namespace norvik::test {

// Dispatches every message queued now; whether one `message` for `hwnd` was
// among them.
bool dispatch_queued(HWND hwnd = nullptr, UINT message = WM_NULL);

// Dispatches every queued message, then the ones that arrive within a short
// grace period.
void pump(DWORD grace_ms = 30);

// Dispatches messages until `done` holds. The limit only keeps a broken
// build from hanging the run; returns whether `done` became true.
bool pump_until(const std::function<bool()>& done, DWORD limit_ms = 10000);

// Dispatches messages until one `message` for `hwnd` has been dispatched
// (input the system generates arrives asynchronously), then whatever else is
// queued. Returns whether it came.
bool pump_for_message(HWND hwnd, UINT message, DWORD limit_ms = 10000);

// Sends keyboard `inputs` with SendInput and dispatches messages until this
// thread has taken a key message for each of them from its queue (a modal
// loop of a pop-up taking them counts too), then whatever else is queued.
// The keys reach the queue through Wine's server a moment after the call,
// later still on a loaded machine, so no fixed grace period is long enough.
// Returns whether every key arrived within the limit.
bool send_keys_and_pump(const std::vector<INPUT>& inputs, DWORD limit_ms = 10000);

// A thread timer that runs `body` every 50 ms while it lives; timers are
// dispatched by whichever message loop is running, a pop-up's or a dialog's
// own included.
class loop_timer {
public:
    explicit loop_timer(std::function<void()> body);
    ~loop_timer();
    loop_timer(const loop_timer&) = delete;
    loop_timer& operator=(const loop_timer&) = delete;

private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR id, DWORD);

    std::function<void()> body_;
    UINT_PTR id_ = 0;
};

} // namespace norvik::test
