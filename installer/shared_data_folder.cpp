#include "installer/shared_data_folder.h"

#include <shlobj.h>

#include "installer/file_trust.h"

namespace installer {

namespace {

constexpr std::size_t path_room = 500;
constexpr wchar_t vendor_folder[] = L"\\Falkmoor\\";

unique_sid users_group_sid() noexcept {
    SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    if (!AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0,
                                  0, &sid)) {
        return nullptr;
    }
    return unique_sid(sid);
}

bool is_absolute(const wchar_t* path) noexcept {
    const bool drive = path[0] != L'\0' && path[1] == L':' && path[2] == L'\\';
    return drive || (path[0] == L'\\' && path[1] == L'\\');
}

// The common application-data folder. Windows puts its path into every
// process's environment as %ProgramData%; reading it there spares a quiet
// install the shell's DLLs, which bring the user interface's with them. When
// the variable is missing (a caller that stripped the environment), does not
// fit or is no absolute path, the shell is asked.
bool common_application_data(wchar_t (&buffer)[path_room]) noexcept {
    const DWORD length = GetEnvironmentVariableW(L"ProgramData", buffer, path_room);
    if (length > 0 && length < path_room && is_absolute(buffer)) {
        return true;
    }
    buffer[0] = L'\0';
    return SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer));
}

} // namespace

std::wstring shared_data_folder::path() {
    wchar_t buffer[path_room] = {};
    if (!common_application_data(buffer)) {
        return {};
    }
    std::wstring folder(buffer);
    // Bounded like the buffer it has always been formed in: a path that would
    // not fit is cut rather than overrun.
    folder.append(vendor_folder);
    if (folder.size() > path_room - 1) {
        folder.resize(path_room - 1);
    }
    return folder;
}

shared_data_folder::outcome shared_data_folder::create() noexcept {
    try {
        const std::wstring folder = path();
        if (folder.empty()) {
            return outcome::unavailable;
        }
        const bool made = CreateDirectoryW(folder.c_str(), nullptr) != FALSE;
        if (!made && GetLastError() != ERROR_ALREADY_EXISTS) {
            return outcome::unavailable;
        }
        // Users may create folders in the common application-data folder, so
        // one that is already there may be a junction to a folder of the
        // system, or a folder whose owner may change its permissions at will;
        // granting Users access to either would hand them more than this
        // folder. Checked on a handle opened without following a link, which
        // then also receives the grant.
        const unique_handle handle =
            file_trust::open_folder_unfollowed(folder.c_str(), READ_CONTROL | (made ? WRITE_DAC : 0),
                                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
        if (!handle) {
            return outcome::unavailable;
        }
        switch (file_trust::judge(handle.get(), {.opened_as = folder.c_str(), .folder = true, .owner = true})) {
        case file_trust::verdict::trusted:
            break;
        case file_trust::verdict::link:
            return outcome::refused_link;
        case file_trust::verdict::foreign_owner:
            return outcome::refused_foreign_owner;
        default:
            // A file of that name, or a folder that could not be examined.
            return outcome::unavailable;
        }
        if (!made) {
            return outcome::already_present;
        }
        grant_users_modify(handle.get());
        return outcome::created;
    } catch (...) {
        return outcome::unavailable;
    }
}

local_ptr<ACL> shared_data_folder::list_with_users_grant(PACL existing) noexcept {
    unique_sid users = users_group_sid();
    if (!users) {
        return nullptr;
    }

    // Modify: users keep, change and remove what is in the folder, but
    // neither its permissions (WRITE_DAC) nor its owner (WRITE_OWNER), which
    // full control would let any of them change for everyone.
    EXPLICIT_ACCESS_W entry = {};
    entry.grfAccessPermissions = FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE;
    entry.grfAccessMode = GRANT_ACCESS;
    entry.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    entry.Trustee.pMultipleTrustee = nullptr;
    entry.Trustee.MultipleTrusteeOperation = NO_MULTIPLE_TRUSTEE;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entry.Trustee.TrusteeType = TRUSTEE_IS_GROUP;
    entry.Trustee.ptstrName = static_cast<LPWSTR>(users.get());

    PACL merged = nullptr;
    if (SetEntriesInAclW(1, &entry, existing, &merged) != ERROR_SUCCESS) {
        return nullptr;
    }
    return local_ptr<ACL>(merged);
}

void shared_data_folder::grant_users_modify(HANDLE folder) noexcept {
    PACL current = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(folder, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &current, nullptr,
                        &descriptor) != ERROR_SUCCESS) {
        return;
    }
    // The current list lives inside the descriptor and goes with it.
    local_ptr<void> descriptor_owner(descriptor);
    if (local_ptr<ACL> merged = list_with_users_grant(current)) {
        SetSecurityInfo(folder, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, merged.get(), nullptr);
    }
}

} // namespace installer
