#include "installer/uninstaller_program.h"

#include <sddl.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "installer/elevation.h"
#include "installer/file_trust.h"
#include "installer/held_files.h"
#include "installer/random_name.h"
#include "installer/system.h"
#include "installer/win32_handles.h"

namespace installer {

namespace {

constexpr wchar_t vendor_folder[] = L"\\Falkmoor";
constexpr wchar_t program_folder[] = L"\\Quendal";
constexpr wchar_t program_file[] = L"\\QuendalInstaller.exe";
// Usable by Administrators and SYSTEM alone, and so is whatever is made in it.
constexpr wchar_t private_folder_security[] = L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";
// The temporary copy waits this long at most for the uninstall to end.
constexpr DWORD parent_wait_ms = 10 * 60 * 1000;

// Windows records where Program Files is in the registry, where only
// administrators may write; a process's environment is whatever its caller
// made it.
std::wstring program_files() {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0,
                      KEY_QUERY_VALUE | KEY_WOW64_64KEY, &opened) != ERROR_SUCCESS) {
        return {};
    }
    const unique_key key(opened);
    wchar_t folder[MAX_PATH + 1] = {};
    DWORD bytes = sizeof folder;
    if (RegGetValueW(key.get(), nullptr, L"ProgramFilesDir", RRF_RT_REG_SZ, nullptr, folder, &bytes) != ERROR_SUCCESS) {
        return {};
    }
    return folder;
}

std::wstring folder_of(const std::wstring& file) {
    const std::size_t cut = file.find_last_of(L'\\');
    return cut == std::wstring::npos ? std::wstring() : file.substr(0, cut);
}

// A file's bytes, mapped for reading; empty when it cannot be read.
class file_view {
public:
    explicit file_view(const std::wstring& path) noexcept {
        const unique_handle file =
            adopt_file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        LARGE_INTEGER size{};
        if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart == 0 || size.QuadPart > 0x7FFFFFFF) {
            return;
        }
        const unique_handle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
        data_ = mapping ? MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0) : nullptr;
        size_ = data_ != nullptr ? static_cast<DWORD>(size.QuadPart) : 0;
    }
    ~file_view() {
        if (data_ != nullptr) {
            UnmapViewOfFile(data_);
        }
    }
    file_view(const file_view&) = delete;
    file_view& operator=(const file_view&) = delete;

    [[nodiscard]] const void* data() const noexcept { return data_; }
    [[nodiscard]] DWORD size() const noexcept { return size_; }
    [[nodiscard]] bool same_as(const file_view& other) const noexcept {
        return size_ != 0 && size_ == other.size_ && std::memcmp(data_, other.data_, size_) == 0;
    }

private:
    void* data_ = nullptr;
    DWORD size_ = 0;
};

// A folder that is there as a plain folder, made if missing. Program Files
// is the administrators' own, but a link in it is refused all the same.
DWORD plain_folder(const std::wstring& folder) {
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        return GetLastError();
    }
    return file_trust::hold_plain_folder(folder.c_str()) ? 0 : GetLastError();
}

bool same_file(const std::wstring& a, const std::wstring& b) noexcept {
    const auto identity = [](const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
        const unique_handle file = adopt_file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                          nullptr, OPEN_EXISTING, 0, nullptr));
        return file && GetFileInformationByHandle(file.get(), &info);
    };
    BY_HANDLE_FILE_INFORMATION first{};
    BY_HANDLE_FILE_INFORMATION second{};
    return identity(a, first) && identity(b, second) && first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

// A new folder in the temporary folder, named at random and usable by
// Administrators and SYSTEM alone: no name a user could have taken first.
std::wstring private_temporary_folder() {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) {
        return {};
    }
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(private_folder_security, SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
        return {};
    }
    const local_ptr<void> owned(descriptor);
    SECURITY_ATTRIBUTES security{sizeof security, descriptor, FALSE};
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::wstring folder = std::wstring(temp) + L"Quendal-" + random_name(16);
        if (CreateDirectoryW(folder.c_str(), &security)) {
            return folder;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            return {};
        }
    }
    return {};
}

DWORD write_new_file(const std::wstring& file, const file_view& bytes) {
    const unique_handle out =
        adopt_file(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!out || bytes.size() == 0 || !WriteFile(out.get(), bytes.data(), bytes.size(), &written, nullptr) ||
        written != bytes.size()) {
        return GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
    }
    return 0;
}

// Starts `program` with `arguments`, passing on `inherited` alone.
DWORD start_with(const std::wstring& program, std::wstring arguments, const std::vector<HANDLE>& inherited) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<char> list_room(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list_room.data());
    if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) {
        return GetLastError();
    }
    std::vector<HANDLE> handles = inherited;
    const bool listed = UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles.data(),
                                                  handles.size() * sizeof(HANDLE), nullptr, nullptr);
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.lpAttributeList = listed ? list : nullptr;
    PROCESS_INFORMATION started{};
    const BOOL ok = CreateProcessW(program.c_str(), arguments.data(), nullptr, nullptr, TRUE,
                                   (listed ? EXTENDED_STARTUPINFO_PRESENT : 0) | CREATE_NO_WINDOW, nullptr, nullptr,
                                   &startup.StartupInfo, &started);
    const DWORD error = ok ? 0 : GetLastError();
    DeleteProcThreadAttributeList(list);
    if (ok) {
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    }
    return error;
}

} // namespace

std::wstring uninstaller_program::path() {
    const std::wstring root = program_files();
    return root.empty() ? std::wstring() : root + vendor_folder + program_folder + program_file;
}

DWORD uninstaller_program::place() {
    const std::wstring target = path();
    if (target.empty()) {
        return ERROR_PATH_NOT_FOUND;
    }
    if (is_this_program()) {
        // Run from there: it is already the copy.
        return 0;
    }
    const std::wstring folder = folder_of(target);
    if (const DWORD error = plain_folder(folder_of(folder))) {
        return error;
    }
    if (const DWORD error = plain_folder(folder)) {
        return error;
    }
    const file_view own(own_path());
    if (own.size() == 0) {
        return GetLastError() != 0 ? GetLastError() : ERROR_READ_FAULT;
    }
    // Every install puts it there; a later run of the same program finds it
    // as it would write it, and a comparison costs a fraction of a write.
    if (own.same_as(file_view(target))) {
        return 0;
    }
    if (write_file_bytes(target, own.data(), own.size()) != step_ok) {
        return GetLastError();
    }
    return 0;
}

bool uninstaller_program::is_this_program() {
    const std::wstring installed = path();
    return !installed.empty() && same_file(own_path(), installed);
}

DWORD uninstaller_program::remove() noexcept {
    try {
        const std::wstring program = path();
        if (program.empty()) {
            return ERROR_PATH_NOT_FOUND;
        }
        DWORD error = 0;
        if (!retry_while_held([&] { return DeleteFileW(program.c_str()) != FALSE; }) &&
            GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND) {
            error = GetLastError();
        }
        // Each folder goes only once it is empty.
        const std::wstring folder = folder_of(program);
        RemoveDirectoryW(folder.c_str());
        RemoveDirectoryW(folder_of(folder).c_str());
        return error;
    } catch (...) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

DWORD uninstaller_program::remove_after_exit() noexcept {
    try {
        const std::wstring folder = private_temporary_folder();
        if (folder.empty()) {
            return GetLastError() != 0 ? GetLastError() : ERROR_CANNOT_MAKE;
        }
        const std::wstring copy = folder + program_file;
        if (const DWORD error = write_new_file(copy, file_view(own_path()))) {
            return error;
        }
        // Opened for deletion on its last close, and that handle passed on
        // to the copy: the system removes the copy once it has ended.
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        const unique_handle removal =
            adopt_file(CreateFileW(copy.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, &inheritable,
                                   OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        HANDLE parent = nullptr;
        if (!removal || !DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &parent,
                                         SYNCHRONIZE, TRUE, 0)) {
            return GetLastError();
        }
        const unique_handle parent_owner(parent);
        const std::wstring arguments =
            L"\"" + copy + L"\" " + copy_switch + std::to_wstring(reinterpret_cast<std::uintptr_t>(parent));
        const DWORD error = start_with(copy, arguments, {removal.get(), parent});
        // The empty folder goes at the next start of Windows: nothing can
        // remove it before the copy in it has ended.
        MoveFileExW(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        return error;
    } catch (...) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

void uninstaller_program::remove_once_ended(HANDLE parent) noexcept {
    WaitForSingleObject(parent, parent_wait_ms);
    CloseHandle(parent);
    remove();
}

} // namespace installer
