#include "installer/file_trust.h"

#include <aclapi.h>

#include <iterator>
#include <string>

namespace installer {

namespace {

// ERROR_STOPPED_ON_SYMLINK, which mingw-w64's headers lack: what Windows
// itself reports when an open refuses to go through a link.
constexpr DWORD error_stopped_on_link = 681;

struct verdict_text {
    file_trust::verdict verdict;
    const char* sentence;
    DWORD error; // 0: GetLastError as the failed call left it
};

constexpr verdict_text verdict_texts[] = {
    {file_trust::verdict::trusted, "is trusted", ERROR_SUCCESS},
    {file_trust::verdict::unreadable, "could not be examined", 0},
    {file_trust::verdict::link, "is a link (a reparse point)", error_stopped_on_link},
    {file_trust::verdict::not_a_folder, "is a file, not a folder", ERROR_DIRECTORY},
    {file_trust::verdict::other_names, "has other names (hard links)", ERROR_CANT_ACCESS_FILE},
    {file_trust::verdict::foreign_owner, "belongs to neither Administrators, SYSTEM nor the user running the installer",
     ERROR_INVALID_OWNER},
};

constexpr bool in_verdict_order() {
    for (std::size_t i = 0; i < std::size(verdict_texts); ++i) {
        if (static_cast<std::size_t>(verdict_texts[i].verdict) != i) {
            return false;
        }
    }
    return std::size(verdict_texts) == static_cast<std::size_t>(file_trust::verdict::foreign_owner) + 1;
}
static_assert(in_verdict_order(), "one text per verdict, in the order of the verdicts");

const verdict_text& text_of(file_trust::verdict v) noexcept {
    return verdict_texts[static_cast<std::size_t>(v)];
}

file_trust::verdict refuse(file_trust::verdict v) noexcept {
    if (text_of(v).error != 0) {
        SetLastError(text_of(v).error);
    }
    return v;
}

// Whether `sid` is the user this process runs as. Under Wine every file the
// program creates belongs to that user (S-1-5-21-0-0-0-1000), while Windows
// makes an elevated administrator's files belong to Administrators and
// SYSTEM's to SYSTEM or Administrators; counting the user as trusted as well
// keeps the installer's own log and folders trusted everywhere, and the user
// who runs an elevated installer is the administrator it runs for.
bool is_running_user(PSID sid) noexcept {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return false;
    }
    const unique_handle token_owner(token);
    // A TOKEN_USER with room for the longest SID.
    alignas(TOKEN_USER) unsigned char buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    if (!GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)) {
        return false;
    }
    return EqualSid(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, sid) != FALSE;
}

// The path Windows resolves `handle` to ("\\\\?\\C:\\..."), without a
// trailing backslash; empty when it cannot say (some network redirectors).
std::wstring final_path(HANDLE handle) {
    std::wstring path(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length = GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            while (!path.empty() && path.back() == L'\\') {
                path.pop_back();
            }
            return path;
        }
        path.resize(length);
    }
    return {};
}

// The folder `path` lies in, as a folder that can be opened ("C:\\" for
// "C:\\x"; trailing backslashes of `path` passed over); empty for a bare name.
std::wstring folder_of(std::wstring path) {
    while (path.size() > 1 && (path.back() == L'\\' || path.back() == L'/')) {
        path.pop_back();
    }
    const std::size_t cut = path.find_last_of(L"\\/");
    if (cut == std::wstring::npos || cut == 0) {
        return {};
    }
    return path.substr(0, path[cut - 1] == L':' ? cut + 1 : cut);
}

} // namespace

// FILE_FLAG_OPEN_REPARSE_POINT opens a link itself. (Wine 8 shows a symbolic
// link made on the host without the reparse attribute and follows it even
// so; see rules::opened_as.)
unique_handle file_trust::open_file_unfollowed(const wchar_t* path, DWORD access, DWORD share,
                                               DWORD disposition) noexcept {
    return adopt_file(CreateFileW(path, access, share, nullptr, disposition,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// FILE_FLAG_BACKUP_SEMANTICS is what lets a folder open at all.
unique_handle file_trust::open_folder_unfollowed(const wchar_t* path, DWORD access, DWORD share) noexcept {
    return adopt_file(CreateFileW(path, access, share, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

file_trust::verdict file_trust::judge(HANDLE handle, rules required) noexcept {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info)) {
        return verdict::unreadable;
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        (required.opened_as != nullptr && lies_elsewhere(handle, required.opened_as))) {
        return refuse(verdict::link);
    }
    if (required.folder && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return refuse(verdict::not_a_folder);
    }
    if (required.single_name && info.nNumberOfLinks > 1) {
        return refuse(verdict::other_names);
    }
    if (required.owner) {
        bool readable = true;
        if (!owner_is_trusted(handle, readable)) {
            return readable ? refuse(verdict::foreign_owner) : verdict::unreadable;
        }
    }
    return verdict::trusted;
}

const char* file_trust::describe(verdict v) noexcept {
    return text_of(v).sentence;
}

bool file_trust::lies_elsewhere(HANDLE handle, const wchar_t* opened_as) noexcept {
    try {
        const std::wstring folder = folder_of(opened_as);
        if (folder.empty()) {
            return false;
        }
        // The folder with its own links followed, as they may be.
        const unique_handle outer = adopt_file(
            CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        const std::wstring outer_path = outer ? final_path(outer.get()) : std::wstring();
        const std::wstring inner_path = final_path(handle);
        if (outer_path.empty() || inner_path.empty()) {
            return false;
        }
        // Only the folder part is compared: the name itself may have been
        // given in its short form, which the final path spells out.
        const std::size_t cut = inner_path.find_last_of(L'\\');
        return cut != outer_path.size() ||
               CompareStringOrdinal(inner_path.data(), static_cast<int>(cut), outer_path.data(), static_cast<int>(cut),
                                    TRUE) != CSTR_EQUAL;
    } catch (...) {
        return false;
    }
}

bool file_trust::owner_is_trusted(HANDLE handle, bool& readable) noexcept {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD result = GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                                         nullptr, &descriptor);
    if (result != ERROR_SUCCESS) {
        SetLastError(result);
        readable = false;
        return false;
    }
    // The owner lives inside the descriptor and goes with it.
    const local_ptr<void> descriptor_owner(descriptor);
    if (owner == nullptr) {
        return false;
    }
    return IsWellKnownSid(owner, WinBuiltinAdministratorsSid) || IsWellKnownSid(owner, WinLocalSystemSid) ||
           is_running_user(owner);
}

unique_handle file_trust::hold_plain_folder(const wchar_t* path) noexcept {
    unique_handle held =
        open_folder_unfollowed(path, FILE_LIST_DIRECTORY | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (held && judge(held.get(), {.opened_as = path, .folder = true}) != verdict::trusted) {
        const DWORD error = GetLastError();
        held.reset();
        SetLastError(error);
    }
    return held;
}

bool file_trust::is_file_link(const wchar_t* path) noexcept {
    const unique_handle file = open_file_unfollowed(
        path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    return file && judge(file.get(), {.opened_as = path}) == verdict::link;
}

} // namespace installer
