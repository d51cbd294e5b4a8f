#include "installer/system.h"

#include "installer/file_trust.h"
#include "installer/held_files.h"
#include "installer/missing_folders.h"
#include "installer/shared_data_folder.h"
#include "installer/staging_file.h"
#include "installer/win32_handles.h"

#include <string>

namespace installer {

namespace {

constexpr wchar_t vendor_folder[] = L"\\Falkmoor";
constexpr wchar_t module_file[] = L"\\Quendal.aex";

// The folder `file` is in (the vendor folder), without the backslash.
norvik::filesystem::file_path folder_of(const norvik::filesystem::file_path& file) {
    const std::wstring& text = file.wstring();
    const std::size_t cut = text.find_last_of(L"\\/");
    return cut == std::wstring::npos ? std::wstring() : text.substr(0, cut);
}

// The module goes out in pieces of this size. Under Wine a single write of
// the whole 15 MB module is one write on the host, which the host's
// dirty-page throttling then often holds for 30 to 50 ms, most of all in a
// run that follows an idle moment, as a deployment tool's run does; the same
// bytes in 1 MB pieces take 3 to 5 ms, and the extra calls cost nothing
// measurable.
constexpr DWORD write_piece = 1024 * 1024;

// The whole module, piece by piece. A short count is a failure as well: a
// full disk may accept part of the data before it refuses the rest. Flushing
// makes a late "disk full" surface here instead of after the file has been
// renamed.
bool write_all(HANDLE file, const void* bytes, DWORD size) noexcept {
    const auto* next = static_cast<const unsigned char*>(bytes);
    for (DWORD left = size; left > 0;) {
        const DWORD piece = left < write_piece ? left : write_piece;
        DWORD written = 0;
        if (!WriteFile(file, next, piece, &written, nullptr) || written != piece) {
            return false;
        }
        next += piece;
        left -= piece;
    }
    return FlushFileBuffers(file) != FALSE;
}

WORD resource_for(std::size_t index, bool custom, std::int32_t custom_uses_main_module) noexcept {
    if (custom) {
        return custom_uses_main_module ? module_resource_id : absent_resource_id;
    }
    return index < 2 ? absent_resource_id : module_resource_id;
}

} // namespace

int write_payload(const norvik::filesystem::file_path& file, HRSRC resource) noexcept {
    const HMODULE self = GetModuleHandleW(nullptr);
    HGLOBAL loaded = LoadResource(self, resource);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) {
        return step_resource_unloadable;
    }
    return write_file_bytes(file, bytes, SizeofResource(self, resource));
}

int write_file_bytes(const norvik::filesystem::file_path& file, const void* bytes, DWORD size) noexcept {
    // The bytes go to a staging file first and replace the installed file
    // only when complete: a failed write must neither destroy the user's
    // working plug-in nor leave a truncated module for the host to load.
    try {
        const norvik::filesystem::file_path folder = folder_of(file);
        // A vendor folder that is a link was planted, since this installer
        // makes it as a plain folder. (The folders above it may be links: a
        // studio may point a plug-in folder, or its /dir=, to a share.)
        const unique_handle vendor = file_trust::hold_plain_folder(folder.c_str());
        if (!vendor) {
            return step_target_unwritable;
        }
        // An installed module that is a link was put there by someone else; it
        // is refused rather than replaced, and the log says so.
        if (file_trust::is_file_link(file.c_str())) {
            return step_target_unwritable;
        }
        staging_file staging(folder);
        if (!staging.created()) {
            return step_target_unwritable;
        }
        if (!write_all(staging.handle(), bytes, size)) {
            // Removed through its handle as it goes; the error stays.
            return step_write_failed;
        }
        staging.close();
        // Still fails after the retries while the host holds the installed
        // module open; the staging file is removed and the old module stays.
        const bool replaced = retry_while_held([&] {
            return MoveFileExW(staging.path().c_str(), file.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
        });
        if (!replaced) {
            // A scanner holding the staging file makes its removal wait
            // like the replace.
            const DWORD error = GetLastError();
            static_cast<void>(retry_while_held([&] { return staging.remove(); }));
            SetLastError(error);
            return step_target_unwritable;
        }
        staging.keep();
        return step_ok;
    } catch (...) {
        // Only memory exhaustion while forming the paths can get here.
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return step_target_unwritable;
    }
}

norvik::filesystem::file_path module_file_in(const norvik::filesystem::file_path& plugin_folder) {
    return plugin_folder.appended(vendor_folder).appended(module_file);
}

System::System(std::size_t target_count) : status(target_count), error(target_count), kept_version(target_count) {}

void System::set_target_count(std::size_t target_count) {
    // Atomics cannot be moved, so the lists are made anew.
    status = std::vector<std::atomic<std::int32_t>>(target_count);
    error = std::vector<std::atomic<std::uint32_t>>(target_count);
    kept_version = std::vector<std::atomic<std::uint64_t>>(target_count);
}

std::optional<module_version> System::newer_module_in(const norvik::filesystem::file_path& plugin_folder) noexcept {
    try {
        const std::optional<module_version> installed = module_version::of_file(module_file_in(plugin_folder));
        const std::optional<module_version> carried =
            installed ? module_version::of_resource(module_resource_id) : std::nullopt;
        if (installed && carried && *installed > *carried) {
            return installed;
        }
    } catch (...) {
        // Only memory exhaustion forming the path: no comparison.
    }
    return std::nullopt;
}

std::optional<module_version> System::kept_module(std::size_t index, bool custom,
                                                  const norvik::filesystem::file_path& target,
                                                  std::int32_t custom_uses_main_module) const noexcept {
    if (replace_newer || resource_for(index, custom, custom_uses_main_module) != module_resource_id) {
        return std::nullopt;
    }
    return newer_module_in(target);
}

void System::record_holders(const norvik::filesystem::file_path& target, DWORD error_code) noexcept {
    try {
        holders = is_held_elsewhere(error_code) ? module_holders::find(module_file_in(target)) : module_holders{};
    } catch (...) {
        holders = {};
    }
}

int System::install_one(std::size_t index, bool custom, const norvik::filesystem::file_path& target,
                        std::int32_t custom_uses_main_module) const noexcept {
    try {
        // The custom folder (the wizard's, or /dir=) is made when missing, as
        // installers make the folder they are told to install into. A
        // release's plug-in folder is not: when it is missing, the release is
        // not really installed, and the target fails.
        if (custom && !missing_folders::create(target.wstring())) {
            return step_target_unwritable;
        }
        const norvik::filesystem::file_path folder = target.appended(vendor_folder);
        // An existing folder is normal; any other problem shows up when the
        // vendor folder is opened.
        CreateDirectoryW(folder.c_str(), nullptr);
        const norvik::filesystem::file_path file = folder.appended(module_file);
        const WORD id = resource_for(index, custom, custom_uses_main_module);
        HRSRC resource = FindResourceW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), RT_RCDATA);
        if (!resource) {
            return step_resource_missing;
        }
        return write_payload(file, resource);
    } catch (...) {
        // Only memory exhaustion while forming the paths can get here.
        return step_target_unwritable;
    }
}

void System::run(target_list targets, std::int32_t custom_uses_main_module) {
    done.store(false, std::memory_order_release);
    reached_shared_folder.store(false, std::memory_order_release);
    stopped.store(false, std::memory_order_release);
    holders = {};
    const std::size_t count = targets.size() < status.size() ? targets.size() : status.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (targets[i].empty()) {
            continue;
        }
        if (stop_requested.load(std::memory_order_acquire)) {
            stopped.store(true, std::memory_order_release);
            done.store(true, std::memory_order_release);
            return;
        }
        status[i].store(status_installing, std::memory_order_release);
        const bool custom = i + 1 == targets.size();
        if (const auto newer = kept_module(i, custom, targets[i], custom_uses_main_module)) {
            kept_version[i].store(newer->packed(), std::memory_order_relaxed);
            error[i].store(0, std::memory_order_release);
            status[i].store(status_kept, std::memory_order_release);
            continue;
        }
        const int step = install_one(i, custom, targets[i], custom_uses_main_module);
        if (step != step_ok) {
            const DWORD code = GetLastError();
            error[i].store(code, std::memory_order_release);
            if (step == step_target_unwritable) {
                record_holders(targets[i], code);
            }
            status[i].store(step * 10, std::memory_order_release);
            done.store(true, std::memory_order_release);
            return;
        }
        error[i].store(0, std::memory_order_release);
        status[i].store(status_installed, std::memory_order_release);
    }
    const shared_data_folder::outcome folder = shared_data_folder::create();
    shared_folder_error.store(folder == shared_data_folder::outcome::unavailable ? GetLastError() : 0,
                              std::memory_order_release);
    shared_folder.store(folder, std::memory_order_release);
    reached_shared_folder.store(true, std::memory_order_release);
    done.store(true, std::memory_order_release);
}

} // namespace installer
