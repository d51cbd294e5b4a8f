#include "installer/uninstall_job.h"

#include <windows.h>

#include "installer/file_trust.h"
#include "installer/held_files.h"
#include "installer/uninstaller_program.h"

namespace installer {

namespace {

std::wstring folder_of(const std::wstring& file) {
    const std::size_t cut = file.find_last_of(L"\\/");
    return cut == std::wstring::npos ? std::wstring() : file.substr(0, cut);
}

bool exists(const std::wstring& path) noexcept {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

uninstall_job::uninstall_job(std::vector<recorded_module> recorded)
    : modules(std::move(recorded)), status(modules.size()), error(modules.size()) {}

std::int32_t uninstall_job::remove_one(const recorded_module& module, std::uint32_t& error_code) const noexcept {
    try {
        const std::wstring vendor = folder_of(module.path);
        if (!exists(module.path)) {
            // Removed by hand already; an empty vendor folder left behind
            // goes all the same.
            RemoveDirectoryW(vendor.c_str());
            return removal_already_gone;
        }
        // The vendor folder is the installer's own, a plain folder: one that
        // is a link now was put there by someone else, and nothing is
        // removed through it. It is held without delete sharing meanwhile,
        // so that it cannot be swapped for one.
        const unique_handle folder = file_trust::hold_plain_folder(vendor.c_str());
        if (!folder || file_trust::is_file_link(module.path.c_str())) {
            error_code = GetLastError();
            return removal_failed;
        }
        // Only the module's own name is deleted; a link would be deleted as
        // itself on Windows, and it was refused above.
        const bool removed = retry_while_held(
            [&] { return DeleteFileW(module.path.c_str()) != FALSE || GetLastError() == ERROR_FILE_NOT_FOUND; });
        if (!removed) {
            error_code = GetLastError();
            return removal_failed;
        }
    } catch (...) {
        error_code = ERROR_NOT_ENOUGH_MEMORY;
        return removal_failed;
    }
    // Gone with the module when nothing else is in it; a folder that holds
    // anything else (a user's preset, another vendor file) stays.
    RemoveDirectoryW(folder_of(module.path).c_str());
    return removal_done;
}

void uninstall_job::run() {
    done.store(false, std::memory_order_release);
    for (std::size_t i = 0; i < modules.size(); ++i) {
        const std::int32_t before = status[i].load(std::memory_order_acquire);
        if (before == removal_done || before == removal_already_gone) {
            continue;
        }
        status[i].store(removal_running, std::memory_order_release);
        std::uint32_t code = 0;
        const std::int32_t result = remove_one(modules[i], code);
        error[i].store(code, std::memory_order_release);
        status[i].store(result, std::memory_order_release);
    }
    update_record();
    done.store(true, std::memory_order_release);
}

bool uninstall_job::complete() const noexcept {
    for (const auto& s : status) {
        const std::int32_t value = s.load(std::memory_order_acquire);
        if (value != removal_done && value != removal_already_gone) {
            return false;
        }
    }
    return true;
}

void uninstall_job::update_record() noexcept {
    try {
        if (!complete()) {
            // The entry keeps what is left, so that a later uninstall (or
            // the list of installed apps) still knows of it.
            std::vector<recorded_module> left;
            for (std::size_t i = 0; i < modules.size(); ++i) {
                const std::int32_t value = status[i].load(std::memory_order_acquire);
                if (value != removal_done && value != removal_already_gone) {
                    left.push_back(modules[i]);
                }
            }
            entry_error.store(installed_apps_entry::keep_only(left), std::memory_order_release);
            return;
        }
        entry_error.store(installed_apps_entry::remove(), std::memory_order_release);
        if (uninstaller_program::is_this_program()) {
            remove_uninstaller_at_exit.store(true, std::memory_order_release);
        } else {
            uninstaller_program::remove();
        }
    } catch (...) {
        entry_error.store(ERROR_NOT_ENOUGH_MEMORY, std::memory_order_release);
    }
}

} // namespace installer
