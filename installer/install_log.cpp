#include "installer/install_log.h"

#include <cstdio>

#include "installer/command_line.h"
#include "installer/file_trust.h"
#include "installer/missing_folders.h"
#include "installer/product.h"
#include "ui/core/text/text_conversion.h"

namespace installer {

namespace {

std::string local_time() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond, t.wMilliseconds);
    return text;
}

// The system's own sentence for a Windows error code, without its line break.
std::string windows_message(std::uint32_t code) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const local_ptr<wchar_t> owner(buffer);
    std::wstring text(buffer != nullptr ? buffer : L"", length);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    return text.empty() ? "no description" : install_log::utf8(text);
}

std::string describe_status(std::int32_t status, std::uint32_t code) {
    switch (status) {
    case status_installed:
        return "installed";
    case status_resource_missing:
        return "failed with status 20, the module is not in the program (" + install_log::windows_error(code) + ")";
    case status_resource_unloadable:
        return "failed with status 30, the module could not be loaded (" + install_log::windows_error(code) + ")";
    case status_target_unwritable:
        return "failed with status 40, the module file could not be created or replaced (" +
               install_log::windows_error(code) + ")";
    case status_write_failed:
        return "failed with status 50, writing the module failed (" + install_log::windows_error(code) + ")";
    default:
        return "ended with status " + std::to_string(status);
    }
}

} // namespace

std::string install_log::utf8(std::wstring_view text) {
    return norvik::text::utf16_to_utf8(text);
}

std::string install_log::windows_error(std::uint32_t code) {
    return "Windows error " + std::to_string(code) + ": " + windows_message(code);
}

install_log::install_log(const std::wstring& path) {
    if (path.empty()) {
        return;
    }
    const std::string named = "The log " + utf8(path);
    if (!missing_folders::create_for_file(path)) {
        refusal_ = named + " could not be created (" + windows_error(GetLastError()) + "); this run was not logged";
        return;
    }
    // Appends, so that a log shared by the runs of a deployment keeps them
    // all; readers and other writers may keep it open meanwhile. Opened as
    // itself, then checked on the handle: a user who may write the folder
    // could have left a link there, or a hard link to a file of the system,
    // or a file of their own to make the installer's lines look like theirs.
    // Nothing is written to a refused file.
    unique_handle file = file_trust::open_file_unfollowed(path.c_str(), FILE_APPEND_DATA | READ_CONTROL,
                                                          FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS);
    if (!file) {
        refusal_ = named + " could not be opened (" + windows_error(GetLastError()) + "); this run was not logged";
        return;
    }
    const file_trust::verdict verdict =
        file_trust::judge(file.get(), {.opened_as = path.c_str(), .single_name = true, .owner = true});
    if (verdict != file_trust::verdict::trusted) {
        refusal_ = named + " was refused: it " + file_trust::describe(verdict) + "; this run was not logged";
        return;
    }
    file_ = std::move(file);
}

void install_log::report_refusal() const {
    const HANDLE error_output = GetStdHandle(STD_ERROR_HANDLE);
    if (refusal_.empty() || error_output == nullptr || error_output == INVALID_HANDLE_VALUE) {
        return;
    }
    const std::string line = refusal_ + "\r\n";
    DWORD written = 0;
    WriteFile(error_output, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void install_log::write(std::string_view line) {
    if (!file_) {
        return;
    }
    const std::string text = local_time() + "  " + std::string(line) + "\r\n";
    DWORD written = 0;
    // A log that fills its disk loses lines, never the install.
    WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void install_log::start(const command_line& options, bool elevated) {
    write(std::string(product_full_name) + " Installer " + std::to_string(version_major) + "." +
          std::to_string(version_minor) + "." + std::to_string(version_patch));
    write("Command line: " + utf8(options.text()));
    write(std::string("Running with administrator rights: ") + (elevated ? "yes" : "no"));
}

void install_log::detected(const release_catalogue& releases) {
    bool any = false;
    for (std::size_t i = 0; i < releases.custom(); ++i) {
        if (releases[i].folder.empty() || releases[i].key.empty()) {
            continue;
        }
        any = true;
        write("Detected " + releases[i].name + " (registry key " + utf8(releases[i].key) +
              "): " + releases[i].folder.to_utf8());
    }
    if (!any) {
        write("No release of After Effects detected");
    }
}

void install_log::targets(const release_catalogue& releases, const target_list& targets,
                          const std::vector<std::string>& missing) {
    for (std::size_t i = 0; i < targets.size() && i < releases.size(); ++i) {
        if (!targets[i].empty()) {
            write("Target " + releases[i].name + ": " + targets[i].to_utf8());
        }
    }
    for (const std::string& name : missing) {
        write("Target " + name + ": failed, this release is not installed on this machine");
    }
}

void install_log::outcome(const System& job, const release_catalogue& releases, const target_list& targets) {
    bool failed = false;
    for (std::size_t i = 0; i < targets.size() && i < releases.size() && i < job.status.size(); ++i) {
        if (targets[i].empty()) {
            continue;
        }
        const std::int32_t status = job.status[i].load(std::memory_order_acquire);
        if (failed) {
            write(releases[i].name + ": not attempted after the failure above");
        } else if (status == status_untouched && job.stopped.load(std::memory_order_acquire)) {
            write(releases[i].name + ": not installed, the run was cancelled before it");
        } else if (status == status_kept) {
            const std::uint64_t kept = job.kept_version[i].load(std::memory_order_relaxed);
            write(releases[i].name + ": kept, a newer module (" + module_version::unpacked(kept).text() +
                  ") is installed");
        } else {
            write(releases[i].name + ": " + describe_status(status, job.error[i].load(std::memory_order_acquire)));
            failed = status != status_installed;
            if (const std::string held = job.holders.log_text(releases, i); failed && !held.empty()) {
                write(releases[i].name + ": " + held);
            }
        }
    }
    if (!job.reached_shared_folder.load(std::memory_order_acquire)) {
        write(job.stopped.load(std::memory_order_acquire) ? "Shared data folder: not touched, the run was cancelled"
                                                          : "Shared data folder: not touched after a failure");
        return;
    }
    const std::string folder = utf8(shared_data_folder::path());
    switch (job.shared_folder.load(std::memory_order_acquire)) {
    case shared_data_folder::outcome::created:
        write("Shared data folder created: " + folder);
        break;
    case shared_data_folder::outcome::already_present:
        write("Shared data folder already there: " + folder);
        break;
    case shared_data_folder::outcome::refused_link:
        write("Shared data folder refused and left as it is: " + folder + " " +
              file_trust::describe(file_trust::verdict::link));
        break;
    case shared_data_folder::outcome::refused_foreign_owner:
        write("Shared data folder refused and left as it is: " + folder + " " +
              file_trust::describe(file_trust::verdict::foreign_owner));
        break;
    case shared_data_folder::outcome::unavailable:
        write("Shared data folder could not be created: " + folder + " (" +
              windows_error(job.shared_folder_error.load(std::memory_order_acquire)) + ")");
        break;
    }
}

void install_log::exit_code(std::int32_t code) {
    write("Exit code: " + std::to_string(code));
}

void install_log::removal(const uninstall_job& job) {
    for (std::size_t i = 0; i < job.modules.size(); ++i) {
        const std::string line = job.modules[i].release + " (" + utf8(job.modules[i].path) + "): ";
        switch (job.status[i].load(std::memory_order_acquire)) {
        case removal_done:
            write(line + "removed");
            break;
        case removal_already_gone:
            write(line + "already gone");
            break;
        case removal_pending:
            write(line + "not attempted");
            break;
        default:
            write(line + "could not be removed (" + windows_error(job.error[i].load(std::memory_order_acquire)) +
                  "); it stays recorded");
            break;
        }
    }
    if (const std::uint32_t error = job.entry_error.load(std::memory_order_acquire)) {
        write("Installed apps: the entry could not be updated (" + windows_error(error) + ")");
    } else {
        write(job.complete() ? "Installed apps: entry removed" : "Installed apps: entry kept for what is left");
    }
    write("Shared data folder left in place, it holds the users' data: " + utf8(shared_data_folder::path()));
}

} // namespace installer
