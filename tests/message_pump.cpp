#include "tests/message_pump.h"

#include <map>
#include <utility>

namespace norvik::test {

namespace {

// Thread timers carry no context, so each finds its owner by its identifier.
std::map<UINT_PTR, loop_timer*>& live_timers() {
    static std::map<UINT_PTR, loop_timer*> timers;
    return timers;
}

} // namespace

bool dispatch_queued(HWND hwnd, UINT message) {
    bool seen = false;
    MSG m{};
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        seen = seen || (m.hwnd == hwnd && m.message == message);
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return seen;
}

void pump(DWORD grace_ms) {
    do {
        dispatch_queued();
    } while (MsgWaitForMultipleObjects(0, nullptr, FALSE, grace_ms, QS_ALLINPUT) != WAIT_TIMEOUT);
}

bool pump_until(const std::function<bool()>& done, DWORD limit_ms) {
    const ULONGLONG give_up = GetTickCount64() + limit_ms;
    while (!done()) {
        if (GetTickCount64() > give_up) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        dispatch_queued();
    }
    return true;
}

bool pump_for_message(HWND hwnd, UINT message, DWORD limit_ms) {
    const ULONGLONG give_up = GetTickCount64() + limit_ms;
    bool seen = false;
    while (!seen) {
        if (GetTickCount64() > give_up) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        seen = dispatch_queued(hwnd, message);
    }
    pump(0);
    return true;
}

loop_timer::loop_timer(std::function<void()> body) : body_(std::move(body)) {
    id_ = SetTimer(nullptr, 0, 50, &loop_timer::tick);
    live_timers()[id_] = this;
}

loop_timer::~loop_timer() {
    KillTimer(nullptr, id_);
    live_timers().erase(id_);
}

void CALLBACK loop_timer::tick(HWND, UINT, UINT_PTR id, DWORD) {
    if (const auto found = live_timers().find(id); found != live_timers().end()) {
        found->second->body_();
    }
}

} // namespace norvik::test
