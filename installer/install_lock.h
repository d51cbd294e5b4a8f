#pragma once
// One run of the installer writing at a time, machine-wide: a named mutex in
// the global namespace, held by whichever run (wizard or unattended) writes
// modules. Two runs replacing the same module at once would each see the
// other's file in the way; a deployment tool that starts a second run must
// learn at once that one is already busy.

#include "installer/win32_handles.h"

namespace installer {

class install_lock {
public:
    // Takes the lock if no other run holds it; held() says whether this run
    // may write.
    static install_lock try_take() noexcept;
    // Waits for the lock as long as another run holds it.
    static install_lock wait() noexcept;

    install_lock(install_lock&&) noexcept = default;
    install_lock& operator=(install_lock&&) noexcept = default;
    // Gives the lock back (on the thread that took it, as a mutex requires).
    ~install_lock();

    [[nodiscard]] bool held() const noexcept { return held_; }

private:
    install_lock() = default;
    static install_lock take(DWORD wait_ms) noexcept;

    unique_handle mutex_;
    bool held_ = false;
};

} // namespace installer
