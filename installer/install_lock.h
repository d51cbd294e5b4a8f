#pragma once
// One run of the installer writing at a time, machine-wide: a mutex held by
// whichever run (wizard or unattended) writes modules. Two runs replacing the
// same module at once would each see the other's file in the way; a
// deployment tool that starts a second run must learn at once that one is
// already busy.
//
// The installer runs as SYSTEM and elevated, so the lock's name must not be
// one a standard user can take first: a mutex made before ours, or given an
// ACL nobody else may use, would turn every later run away for good. Where
// Windows offers private namespaces the mutex lives in one whose boundary
// requires the Administrators group, which no standard user can create.
// Elsewhere (Wine has none) it is a "Global\" mutex made with an owner and an
// ACL of Administrators and SYSTEM, and a mutex of that name owned by anyone
// else counts as squatted: busy, and the log says so.

#include <memory>
#include <string>

#include "installer/win32_handles.h"

namespace installer {

class install_lock {
public:
    // Takes the lock if no other run holds it; held() says whether this run
    // may write. Never waits.
    static install_lock try_take() noexcept;

    install_lock(install_lock&&) noexcept = default;
    install_lock& operator=(install_lock&&) noexcept;
    // Gives the lock back (on the thread that took it, as a mutex requires).
    ~install_lock();

    [[nodiscard]] bool held() const noexcept { return held_; }
    // Why this run may not write, for the log: another run installing, or a
    // lock squatted or not to be opened. Empty when held.
    [[nodiscard]] const std::string& reason() const noexcept { return reason_; }

private:
    // A private namespace is closed, not destroyed: the system removes it
    // when its last handle goes. The call is looked up at run time.
    struct namespace_closer {
        void operator()(HANDLE handle) const noexcept;
    };
    using unique_namespace = std::unique_ptr<void, namespace_closer>;

    install_lock() = default;
    void release() noexcept;
    // Opens or creates the private namespace and the mutex inside it; false
    // where this system has no private namespaces.
    bool open_in_private_namespace() noexcept;
    void open_global() noexcept;

    unique_namespace namespace_;
    unique_handle mutex_;
    bool held_ = false;
    std::string reason_;
};

} // namespace installer
