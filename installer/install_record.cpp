#include "installer/install_record.h"

#include "installer/install_log.h"
#include "installer/installed_apps_entry.h"
#include "installer/uninstaller_program.h"

namespace installer {

void install_record::after_run(const release_catalogue& releases, const target_list& targets, const System& job,
                               install_log* log) noexcept {
    try {
        std::vector<recorded_module> installed;
        for (std::size_t i = 0; i < targets.size() && i < releases.size() && i < job.status.size(); ++i) {
            if (!targets[i].empty() && job.status[i].load(std::memory_order_acquire) == status_installed) {
                installed.push_back({releases[i].name, module_file_in(targets[i]).wstring()});
            }
        }
        if (installed.empty()) {
            return;
        }
        const std::wstring uninstaller = uninstaller_program::path();
        const DWORD placed = uninstaller_program::place();
        const DWORD recorded = placed == 0 ? installed_apps_entry::record(installed, uninstaller) : placed;
        if (log == nullptr) {
            return;
        }
        if (recorded != 0) {
            log->write(std::string("Installed apps: the entry could not be written (") +
                       install_log::windows_error(recorded) + "); the modules are in place all the same");
        } else {
            log->write("Installed apps: recorded " + std::to_string(installed.size()) + " module(s); uninstaller " +
                       install_log::utf8(uninstaller));
        }
    } catch (...) {
        // The modules are in place; only the list of installed apps misses them.
    }
}

} // namespace installer
