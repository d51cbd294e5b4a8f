#pragma once
// The vendor folder in the machine's common application-data folder, created
// after a fully successful install and opened to every user of the machine.
// A folder that already exists is left exactly as it is.

#include <windows.h>
#include <aclapi.h>

#include "installer/win32_handles.h"

#include <string>

namespace installer {

class shared_data_folder {
public:
    enum class outcome { created, already_present, unavailable };

    // Creates "<common application data>\Falkmoor\" and, only if this call
    // created it, adds the Users grant. Failures are silent by design: they
    // never affect the install's statuses.
    static outcome create() noexcept;

    // The path the folder lives at (with its trailing backslash), or empty
    // when the common application-data folder is unknown.
    [[nodiscard]] static std::wstring path();

    // `existing` with one more entry merged in: full control for the built-in
    // Users group (S-1-5-32-545), inherited by sub-folders and files.
    [[nodiscard]] static local_ptr<ACL> list_with_users_grant(PACL existing) noexcept;

private:
    static void grant_users_full_access(const std::wstring& folder) noexcept;
};

} // namespace installer
