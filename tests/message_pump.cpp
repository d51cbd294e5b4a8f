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

// Counts the key messages this thread takes from its queue while it lives,
// whichever message loop takes them.
class key_messages_taken {
public:
    key_messages_taken() : hook_(SetWindowsHookExW(WH_GETMESSAGE, &seen, nullptr, GetCurrentThreadId())) {
        count() = 0;
    }
    ~key_messages_taken() {
        if (hook_ != nullptr) {
            UnhookWindowsHookEx(hook_);
        }
    }
    key_messages_taken(const key_messages_taken&) = delete;
    key_messages_taken& operator=(const key_messages_taken&) = delete;

    [[nodiscard]] bool hooked() const { return hook_ != nullptr; }
    [[nodiscard]] static std::size_t taken() { return count(); }

private:
    static std::size_t& count() {
        thread_local std::size_t keys = 0;
        return keys;
    }

    static LRESULT CALLBACK seen(int code, WPARAM removed, LPARAM message) {
        const UINT kind = reinterpret_cast<const MSG*>(message)->message;
        if (code == HC_ACTION && removed == PM_REMOVE &&
            (kind == WM_KEYDOWN || kind == WM_KEYUP || kind == WM_SYSKEYDOWN || kind == WM_SYSKEYUP)) {
            ++count();
        }
        return CallNextHookEx(nullptr, code, removed, message);
    }

    HHOOK hook_;
};

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

bool send_keys_and_pump(const std::vector<INPUT>& inputs, DWORD limit_ms) {
    const key_messages_taken keys;
    SendInput(static_cast<UINT>(inputs.size()), const_cast<INPUT*>(inputs.data()), sizeof(INPUT));
    if (!keys.hooked()) {
        pump();
        return false;
    }
    const bool arrived = pump_until([&] { return key_messages_taken::taken() >= inputs.size(); }, limit_ms);
    pump(0);
    return arrived;
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
