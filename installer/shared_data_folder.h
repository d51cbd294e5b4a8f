#pragma once
// The vendor folder in the machine's common application-data folder, created
// after a fully successful install and opened to every user of the machine
// for reading, writing and deleting (Modify), never for changing its
// permissions or owner. A folder that already exists is left exactly as it
// is; one that is a link, or that belongs to anyone but Administrators,
// SYSTEM or the user running the installer (users may make folders there
// before the installer does), is refused and left alone.

#include <windows.h>
#include <aclapi.h>

#include "installer/win32_handles.h"

#include <string>

namespace installer {

class shared_data_folder {
public:
    enum class outcome {
        created,
        already_present,
        refused_link,          // a reparse point: left alone
        refused_foreign_owner, // owned by neither Administrators, SYSTEM nor the user running the installer
        unavailable,           // GetLastError says why
    };

    // Creates "<common application data>\Falkmoor\" and, only if this call
    // created it, adds the Users grant; the folder is checked, through a
    // handle that does not follow a link, before either. Failures are silent
    // by design: they never affect the install's statuses.
    static outcome create() noexcept;

    // The path the folder lives at (with its trailing backslash), or empty
    // when the common application-data folder is unknown.
    [[nodiscard]] static std::wstring path();

    // `existing` with one more entry merged in: Modify for the built-in
    // Users group (S-1-5-32-545), that is read, write, execute and delete,
    // without WRITE_DAC or WRITE_OWNER, inherited by sub-folders and files.
    [[nodiscard]] static local_ptr<ACL> list_with_users_grant(PACL existing) noexcept;

private:
    static void grant_users_modify(HANDLE folder) noexcept;
};

} // namespace installer
