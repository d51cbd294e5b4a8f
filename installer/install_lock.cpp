#include "installer/install_lock.h"

namespace installer {

namespace {

// "Global\": one name for every session of the machine, so that a run under
// SYSTEM (a deployment tool) and a user's wizard see each other.
constexpr wchar_t mutex_name[] = L"Global\\Falkmoor.Quendal.Installer";

} // namespace

install_lock install_lock::try_take() noexcept {
    return take(0);
}

install_lock install_lock::wait() noexcept {
    return take(INFINITE);
}

install_lock install_lock::take(DWORD wait_ms) noexcept {
    install_lock lock;
    lock.mutex_.reset(CreateMutexW(nullptr, FALSE, mutex_name));
    if (!lock.mutex_) {
        // A mutex made by a run under another account may refuse to open:
        // that run exists, so this one counts as busy. Any other failure
        // leaves no lock to be had, and the install goes ahead without one
        // rather than never.
        lock.held_ = GetLastError() != ERROR_ACCESS_DENIED;
        return lock;
    }
    const DWORD waited = WaitForSingleObject(lock.mutex_.get(), wait_ms);
    // Abandoned: the previous holder ended without giving it back (it
    // crashed or was killed); the lock is ours now all the same.
    lock.held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    return lock;
}

install_lock::~install_lock() {
    if (held_ && mutex_) {
        ReleaseMutex(mutex_.get());
    }
}

} // namespace installer
