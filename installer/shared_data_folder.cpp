#include "installer/shared_data_folder.h"

#include <shlobj.h>

namespace installer {

namespace {

constexpr std::size_t path_room = 500;
constexpr wchar_t vendor_folder[] = L"\\Falkmoor\\";

struct sid_freer {
    void operator()(PSID sid) const noexcept { FreeSid(sid); }
};
using unique_sid = std::unique_ptr<void, sid_freer>;

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
        if (!CreateDirectoryW(folder.c_str(), nullptr)) {
            return GetLastError() == ERROR_ALREADY_EXISTS ? outcome::already_present : outcome::unavailable;
        }
        grant_users_full_access(folder);
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

    EXPLICIT_ACCESS_W entry = {};
    entry.grfAccessPermissions = GENERIC_ALL;
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

void shared_data_folder::grant_users_full_access(const std::wstring& folder) noexcept {
    unique_handle handle = adopt_file(CreateFileW(folder.c_str(), READ_CONTROL | WRITE_DAC, 0, nullptr, OPEN_EXISTING,
                                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) {
        return;
    }
    PACL current = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(handle.get(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &current, nullptr,
                        &descriptor) != ERROR_SUCCESS) {
        return;
    }
    // The current list lives inside the descriptor and goes with it.
    local_ptr<void> descriptor_owner(descriptor);
    if (local_ptr<ACL> merged = list_with_users_grant(current)) {
        SetSecurityInfo(handle.get(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, merged.get(),
                        nullptr);
    }
}

} // namespace installer
