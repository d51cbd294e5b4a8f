#include "installer/staging_file.h"

#include <windows.h>

#include <string>

#include "installer/file_trust.h"
#include "installer/random_name.h"

namespace installer {

namespace {

// Seven letters (35 random bits) and ".new": as long as "Quendal.aex".
constexpr std::size_t random_letters = 7;
constexpr wchar_t staging_extension[] = L".new";
// A name that exists is a reason to pick another, never to open or remove
// it. With 2^35 names, a second collision in a row means someone fills the
// folder on purpose, and the target then counts as unwritable.
constexpr int name_attempts = 8;

// "\\" and a fresh random name, or empty when the system has no random bytes
// to give.
std::wstring staging_name() {
    const std::wstring letters = random_name(random_letters);
    return letters.empty() ? letters : L"\\" + letters + staging_extension;
}

// CREATE_NEW never opens what is there; FILE_FLAG_OPEN_REPARSE_POINT keeps
// Windows from creating a new file at the far end of a dangling link of the
// same name. Not shared: nothing else may read or write half a module.
unique_handle create_new(const norvik::filesystem::file_path& file) noexcept {
    return adopt_file(CreateFileW(file.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

bool name_taken(DWORD error) noexcept {
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

// Marks the file of `file` for deletion; it goes when the handle closes.
bool delete_on_close(HANDLE file) noexcept {
    FILE_DISPOSITION_INFO remove{TRUE};
    return SetFileInformationByHandle(file, FileDispositionInfo, &remove, sizeof remove) != FALSE;
}

} // namespace

staging_file::staging_file(const norvik::filesystem::file_path& folder) noexcept {
    try {
        for (int attempt = 0; attempt < name_attempts && !file_; ++attempt) {
            const std::wstring name = staging_name();
            if (name.empty()) {
                SetLastError(ERROR_INTERNAL_ERROR);
                return;
            }
            path_ = folder.appended(name);
            file_ = create_new(path_);
            if (!file_ && !name_taken(GetLastError())) {
                return;
            }
        }
        if (!file_) {
            return;
        }
        if (!identify(file_.get(), identity_)) {
            const DWORD error = GetLastError();
            delete_on_close(file_.get());
            file_.reset();
            SetLastError(error);
            return;
        }
        made_ = true;
        // Made new by this run, so it should be a plain file with one name;
        // checked on the handle all the same before a byte goes into it.
        if (file_trust::judge(file_.get(), {.single_name = true}) != file_trust::verdict::trusted) {
            const DWORD error = GetLastError();
            static_cast<void>(remove());
            made_ = false;
            SetLastError(error);
        }
    } catch (...) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
}

staging_file::~staging_file() {
    const DWORD error = GetLastError();
    static_cast<void>(remove());
    SetLastError(error);
}

void staging_file::close() noexcept {
    file_.reset();
}

void staging_file::keep() noexcept {
    file_.reset();
    made_ = false;
}

bool staging_file::remove() noexcept {
    if (!made_) {
        return true;
    }
    if (!file_) {
        // Opened again as itself: under Windows a link put in its place is
        // opened, not followed, and under Wine (which follows a link made on
        // the host) the file at the far end is someone else's, which its
        // identity tells.
        file_ = file_trust::open_file_unfollowed(path_.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
        if (!file_) {
            const DWORD error = GetLastError();
            made_ = error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
            return !made_;
        }
        identity found;
        if (!identify(file_.get(), found) || !(found == identity_)) {
            file_.reset();
            made_ = false;
            return true;
        }
    }
    // Through the handle: this run's file, whatever its name points to by
    // now. (Under Wine, DeleteFileW on a link made on the host removes the
    // file it points to.)
    const bool marked = delete_on_close(file_.get());
    file_.reset();
    made_ = !marked;
    return marked;
}

bool staging_file::identify(HANDLE file, identity& found) noexcept {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) {
        return false;
    }
    found = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return true;
}

} // namespace installer
