#pragma once
// The uninstall: removes every module the installer recorded that is still
// there, each vendor folder that is then empty, and, once nothing recorded is
// left, the entry in the list of installed apps and the uninstaller program.
// What it could not remove stays recorded. The shared data folder is never
// touched: it holds the users' data. Like the install job, `run` is the body
// of a worker thread that the UI thread polls through `done` and `status`.

#include <atomic>
#include <cstdint>
#include <vector>

#include "installer/installed_apps_entry.h"

namespace installer {

// Per-module status of the uninstall.
enum removal_status : std::int32_t {
    removal_pending = 0,
    removal_running = 1,
    removal_done = 2,
    // Not there any more (removed by hand, or its folder is gone).
    removal_already_gone = 3,
    // Still there: held by a running program, not writable, or a planted link.
    removal_failed = 40,
};

class uninstall_job {
public:
    explicit uninstall_job(std::vector<recorded_module> recorded);
    uninstall_job(const uninstall_job&) = delete;
    uninstall_job& operator=(const uninstall_job&) = delete;

    // Thread body: every module not yet removed (all on the first run, the
    // failed ones on a retry), then the record. A module held by another
    // program is tried again for about a second, as the install does.
    void run();

    // Whether every recorded module is gone.
    [[nodiscard]] bool complete() const noexcept;

    const std::vector<recorded_module> modules;
    // Written only by the worker: every status before done (release).
    std::atomic<bool> done{false};
    std::vector<std::atomic<std::int32_t>> status;
    // The Windows error behind each failed module, and the one of updating
    // the entry (0 when it went well), written before done.
    std::vector<std::atomic<std::uint32_t>> error;
    std::atomic<std::uint32_t> entry_error{0};
    // Whether the uninstaller program is to be removed once this process has
    // ended (it is the program running now); written before done.
    std::atomic<bool> remove_uninstaller_at_exit{false};

private:
    [[nodiscard]] std::int32_t remove_one(const recorded_module& module, std::uint32_t& error_code) const noexcept;
    void update_record() noexcept;
};

} // namespace installer
