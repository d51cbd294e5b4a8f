#include "installer/install_lock.h"

#include <aclapi.h>
#include <sddl.h>

#include <utility>

namespace installer {

namespace {

constexpr wchar_t boundary_name[] = L"Falkmoor.Quendal";
constexpr wchar_t namespace_alias[] = L"Falkmoor.Quendal";
constexpr wchar_t private_mutex_name[] = L"Falkmoor.Quendal\\Installer";
// "Global\": one name for every session of the machine, so that a run under
// SYSTEM (a deployment tool) and a user's wizard see each other.
constexpr wchar_t global_mutex_name[] = L"Global\\Falkmoor.Quendal.Installer";
// Usable by Administrators and SYSTEM alone, with no entries inherited; the
// first form also makes Administrators the owner, which a later run checks.
constexpr wchar_t owned_lock_security[] = L"O:BAD:P(A;;GA;;;BA)(A;;GA;;;SY)";
constexpr wchar_t lock_security[] = L"D:P(A;;GA;;;BA)(A;;GA;;;SY)";

// The private namespace calls are looked up at run time: Wine lacks some of
// them, and a program importing a missing one would not start at all.
template <typename Call>
Call kernel_call(const char* name) noexcept {
    return reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}

// A security descriptor from its text form, for CreateMutexW and
// CreatePrivateNamespaceW; get() is null when it could not be made.
class security_attributes {
public:
    explicit security_attributes(const wchar_t* text) noexcept {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, &descriptor, nullptr)) {
            descriptor_.reset(descriptor);
        }
        attributes_ = {sizeof attributes_, descriptor_.get(), FALSE};
    }
    SECURITY_ATTRIBUTES* get() noexcept { return descriptor_ ? &attributes_ : nullptr; }

private:
    local_ptr<void> descriptor_;
    SECURITY_ATTRIBUTES attributes_{};
};

bool is_well_known(PSID sid, WELL_KNOWN_SID_TYPE type) noexcept {
    BYTE known[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof known;
    return CreateWellKnownSid(type, nullptr, known, &size) && EqualSid(sid, known);
}

std::string sid_text(PSID sid) {
    char* text = nullptr;
    if (!ConvertSidToStringSidA(sid, &text)) {
        return "an unreadable account";
    }
    const local_ptr<char> owner(text);
    return text;
}

// Who owns an existing lock, when that is neither Administrators nor SYSTEM
// (the only owners a run of this installer gives it); empty when trusted.
std::string foreign_owner(HANDLE mutex) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(mutex, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS) {
        return "an owner that cannot be read";
    }
    const local_ptr<void> held(descriptor);
    if (owner == nullptr) {
        return "no owner";
    }
    if (is_well_known(owner, WinBuiltinAdministratorsSid) || is_well_known(owner, WinLocalSystemSid)) {
        return {};
    }
    return sid_text(owner);
}

std::string windows_error(DWORD code) {
    return "Windows error " + std::to_string(code);
}

} // namespace

void install_lock::namespace_closer::operator()(HANDLE handle) const noexcept {
    if (const auto close = kernel_call<decltype(&ClosePrivateNamespace)>("ClosePrivateNamespace")) {
        close(handle, 0);
    }
}

install_lock install_lock::try_take() noexcept {
    install_lock lock;
    try {
        if (!lock.open_in_private_namespace()) {
            lock.open_global();
        }
        if (lock.mutex_) {
            const DWORD waited = WaitForSingleObject(lock.mutex_.get(), 0);
            // Abandoned: the previous holder ended without giving it back (it
            // crashed or was killed); the lock is ours now all the same.
            lock.held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
            if (!lock.held_) {
                lock.reason_ = "another run of this installer is installing right now";
            }
        }
    } catch (...) {
        // Only memory exhaustion gets here; without the lock nothing is
        // written.
        lock.held_ = false;
    }
    return lock;
}

bool install_lock::open_in_private_namespace() noexcept {
    const auto create_boundary = kernel_call<decltype(&CreateBoundaryDescriptorW)>("CreateBoundaryDescriptorW");
    const auto add_sid = kernel_call<decltype(&AddSIDToBoundaryDescriptor)>("AddSIDToBoundaryDescriptor");
    const auto delete_boundary = kernel_call<decltype(&DeleteBoundaryDescriptor)>("DeleteBoundaryDescriptor");
    const auto create_namespace = kernel_call<decltype(&CreatePrivateNamespaceW)>("CreatePrivateNamespaceW");
    const auto open_namespace = kernel_call<decltype(&OpenPrivateNamespaceW)>("OpenPrivateNamespaceW");
    if (!create_boundary || !add_sid || !delete_boundary || !create_namespace || !open_namespace) {
        return false;
    }
    // Wine 8 makes no boundary descriptor, and its CreatePrivateNamespaceW is
    // a stub that ends the process: without a boundary it is never called.
    HANDLE boundary = create_boundary(boundary_name, 0);
    if (boundary == nullptr) {
        return false;
    }
    // Adding the SID may move the descriptor; the last handle is the one to
    // delete.
    const auto delete_last = [&] { delete_boundary(boundary); };
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) ||
        !add_sid(&boundary, administrators)) {
        reason_ = "the install lock's namespace could not be described (" + windows_error(GetLastError()) + ")";
        delete_last();
        return true;
    }
    security_attributes security(lock_security);
    HANDLE opened = create_namespace(security.get(), boundary, namespace_alias);
    if (opened == nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
        opened = open_namespace(boundary, namespace_alias);
    }
    const DWORD error = GetLastError();
    delete_last();
    if (opened == nullptr) {
        // Without administrator rights the boundary cannot be crossed; such a
        // run could not write the plug-in folders either.
        reason_ = "the install lock's namespace could not be opened (" + windows_error(error) + ")";
        return true;
    }
    namespace_.reset(opened);
    mutex_.reset(CreateMutexW(security.get(), FALSE, private_mutex_name));
    if (!mutex_) {
        reason_ = "the install lock could not be opened (" + windows_error(GetLastError()) + ")";
    }
    return true;
}

void install_lock::open_global() noexcept {
    security_attributes owned(owned_lock_security);
    HANDLE mutex = CreateMutexW(owned.get(), FALSE, global_mutex_name);
    if (mutex == nullptr && GetLastError() == ERROR_INVALID_OWNER) {
        // A process without administrator rights may not name Administrators
        // as the owner; its lock is its own, which later runs will doubt.
        security_attributes plain(lock_security);
        mutex = CreateMutexW(plain.get(), FALSE, global_mutex_name);
    }
    const DWORD error = GetLastError();
    if (mutex == nullptr) {
        // Refused: a run under another account made it and keeps this one
        // out. Any other failure leaves no lock to be had either. Either way
        // this run must not write beside a run the lock exists to exclude.
        reason_ = error == ERROR_ACCESS_DENIED ? "the install lock was made by another account and refuses this run (" +
                                                     windows_error(error) + ")"
                                               : "the install lock could not be opened (" + windows_error(error) + ")";
        return;
    }
    mutex_.reset(mutex);
    if (error != ERROR_ALREADY_EXISTS) {
        return;
    }
    const std::string owner = foreign_owner(mutex);
    if (!owner.empty()) {
        reason_ =
            "the install lock belongs to " + owner + ", not to Administrators or SYSTEM: squatted by another account";
        mutex_.reset();
    }
}

install_lock& install_lock::operator=(install_lock&& other) noexcept {
    if (this != &other) {
        release();
        mutex_ = std::move(other.mutex_);
        namespace_ = std::move(other.namespace_);
        held_ = std::exchange(other.held_, false);
        reason_ = std::move(other.reason_);
    }
    return *this;
}

void install_lock::release() noexcept {
    if (held_ && mutex_) {
        ReleaseMutex(mutex_.get());
    }
    held_ = false;
}

install_lock::~install_lock() {
    release();
}

} // namespace installer
