#pragma once
// What the elevated installer asks of a file or folder before it writes to
// it, appends to it or opens it to every user: whether it is a link (a
// reparse point: a symbolic link, a junction), whether the file has other
// names (hard links) through which someone else reads or writes it, and
// whether its owner is one a standard user cannot be. Every answer is read
// from a handle the caller opened without following a final link, never from
// a name, so that it is about the very object the caller then uses.

#include <windows.h>

#include "installer/win32_handles.h"

namespace installer {

class file_trust {
public:
    // What stands against trusting an opened file or folder.
    enum class verdict {
        trusted,
        unreadable,   // its attributes or owner could not be read (GetLastError says why)
        link,         // a reparse point, or found elsewhere than in its folder
        not_a_folder, // a file where a folder was expected
        other_names,  // a file with more than one hard link
        foreign_owner // owned by neither Administrators, SYSTEM nor the user running the installer
    };

    // What the caller requires besides "not a link".
    struct rules {
        // The path the object was opened by: it must really lie in that
        // path's folder (links above the folder are allowed). Windows marks
        // a link with the reparse attribute; Wine 8 shows a symbolic link
        // made on the host without it and follows it, and only the final
        // path of what was opened gives it away. Not checked for a bare name
        // or where no final path can be had.
        const wchar_t* opened_as = nullptr;
        bool folder = false;      // must be a folder
        bool single_name = false; // must have no other hard link
        bool owner = false;       // must have a trusted owner (the handle needs READ_CONTROL)
    };

    // Opens the file `path` itself: a final symbolic link is opened as what
    // it is, not followed (folders above it are followed); a folder does not
    // open. A null handle on failure, with GetLastError set.
    [[nodiscard]] static unique_handle open_file_unfollowed(const wchar_t* path, DWORD access, DWORD share,
                                                            DWORD disposition) noexcept;
    // The same for an existing folder (a junction is opened as itself); a
    // file of that name opens too, for `judge` to refuse.
    [[nodiscard]] static unique_handle open_folder_unfollowed(const wchar_t* path, DWORD access, DWORD share) noexcept;

    // The folder `path`, opened as itself and held without delete sharing,
    // so that it can neither be renamed away nor have a junction put in its
    // place while the caller works in it. Null, with GetLastError set, when
    // it is missing, a link or no folder at all.
    [[nodiscard]] static unique_handle hold_plain_folder(const wchar_t* path) noexcept;
    // Whether the file `path` is a link, read through a handle that asks
    // for its attributes only, which a program holding the file without
    // sharing still allows; a file that cannot be opened is not one.
    [[nodiscard]] static bool is_file_link(const wchar_t* path) noexcept;

    // Checks `handle` against `required`, in the order of the verdicts.
    // After any verdict but `trusted`, GetLastError gives a Windows error for
    // it, for callers that report failures by their code: the real one when
    // unreadable, otherwise one that stands for the verdict (681, "stopped
    // after reaching a symbolic link", for a link; 267, "the directory name
    // is invalid", for a file where a folder should be).
    [[nodiscard]] static verdict judge(HANDLE handle, rules required) noexcept;

    // The verdict as the end of a sentence about the object: "is a link (a
    // reparse point)", for the log.
    [[nodiscard]] static const char* describe(verdict v) noexcept;

private:
    [[nodiscard]] static bool lies_elsewhere(HANDLE handle, const wchar_t* opened_as) noexcept;
    [[nodiscard]] static bool owner_is_trusted(HANDLE handle, bool& readable) noexcept;
};

} // namespace installer
