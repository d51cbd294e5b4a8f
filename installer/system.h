#pragma once
// The install job: writes the plug-in module into the vendor folder of every
// chosen release, records one status per release, and, after a fully
// successful run, creates the shared data folder that all users may write to.
// `run` is the body of the wizard's worker thread; the UI thread only polls
// `done` and copies `status`.

#include "filesystem/file_path.h"
#include "installer/host_releases.h"
#include "installer/module_holders.h"
#include "installer/module_version.h"
#include "installer/release_catalogue.h"
#include "installer/shared_data_folder.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

namespace installer {

// Per-release target status. A failure is ten times the step code of the
// write (2 to 5); the failure message shows this number. A kept target
// already had a newer module, which the job left in place: a success too.
enum target_status : std::int32_t {
    status_untouched = 0,
    status_installing = 1,
    status_installed = 2,
    status_kept = 3,
    status_resource_missing = 20,
    status_resource_unloadable = 30,
    status_target_unwritable = 40,
    status_write_failed = 50,
};

// Step codes of the write, returned by write_payload.
enum write_step : int {
    step_ok = 0,
    step_resource_missing = 2,
    step_resource_unloadable = 3,
    step_target_unwritable = 4,
    step_write_failed = 5,
};

inline constexpr WORD module_resource_id = 400;
inline constexpr WORD absent_resource_id = 300;

// Whether a target ended as it should: installed, or kept.
[[nodiscard]] constexpr bool target_succeeded(std::int32_t status) noexcept {
    return status == status_installed || status == status_kept;
}

class System {
public:
    // Room for `target_count` targets: the table's ten unless more releases
    // are on the machine.
    explicit System(std::size_t target_count = release_count);
    System(const System&) = delete;
    System& operator=(const System&) = delete;

    // Makes room for `target_count` targets, every status 0. Only while no
    // run is in progress: the statuses are shared with the worker.
    void set_target_count(std::size_t target_count);

    // Thread body. Targets are the worker's own copies, one per entry of the
    // release list (at most as many as there is room for); an empty path
    // skips that release. custom_uses_main_module chooses the module for the
    // custom folder (the last target): nonzero for the real module, zero for
    // the absent one.
    void run(target_list targets, std::int32_t custom_uses_main_module);

    // Written only by the worker: every status before done (release),
    // so a reader that sees done (acquire) sees the whole run.
    std::atomic<bool> done{false};
    std::vector<std::atomic<std::int32_t>> status;
    // The Windows error code behind each failed target (written before its
    // status), and what the last run did with the shared data folder, with
    // the error code when it could not be made (written before done). For
    // the install log; the wizard shows only the status.
    std::vector<std::atomic<std::uint32_t>> error;
    std::atomic<shared_data_folder::outcome> shared_folder{shared_data_folder::outcome::unavailable};
    std::atomic<std::uint32_t> shared_folder_error{0};
    // Whether the last run reached the shared data folder (every target
    // written).
    std::atomic<bool> reached_shared_folder{false};
    // Set by the UI thread to end a run before its next target (a passive
    // run the user cancelled): the target being written is finished whole,
    // nothing more is written. A run does not clear it.
    std::atomic<bool> stop_requested{false};
    // Whether the last run ended at such a request with targets left over
    // (written before done).
    std::atomic<bool> stopped{false};
    // Set before a run starts (/force): a newer module is replaced too.
    bool replace_newer = false;
    // The version of the module each kept target has (module_version's
    // packed form), written before its status.
    std::vector<std::atomic<std::uint64_t>> kept_version;
    // What holds the module of the target that failed because its module
    // could not be replaced, written before its status; empty otherwise.
    module_holders holders;

    // The version of the module in `plugin_folder` when it is newer than the
    // one this program carries; none when it is not, or when either has no
    // version resource (no comparison is made then).
    [[nodiscard]] static std::optional<module_version>
    newer_module_in(const norvik::filesystem::file_path& plugin_folder) noexcept;

private:
    // The version of the newer module the run keeps in `target`, if any.
    [[nodiscard]] std::optional<module_version> kept_module(std::size_t index, bool custom,
                                                            const norvik::filesystem::file_path& target,
                                                            std::int32_t custom_uses_main_module) const noexcept;
    // Finds what holds the module in `target` when its replace was refused.
    void record_holders(const norvik::filesystem::file_path& target, DWORD error_code) noexcept;
    [[nodiscard]] int install_one(std::size_t index, bool custom, const norvik::filesystem::file_path& target,
                                  std::int32_t custom_uses_main_module) const noexcept;
};

// Writes one found resource of this program to `file`, replacing any file
// there only once the whole module has been written (see staging_file.h);
// returns a write_step. The folder of `file` (the vendor folder) must exist
// and be a plain folder; a vendor folder or a `file` that is a link (a
// reparse point) is refused as unwritable: this installer never makes either
// as a link, so such a link was planted.
// After a failure, GetLastError gives the Windows error of the step that
// failed (not of the clean-up after it).
// A replace refused because another process holds a file open is tried
// again for about a second before the target counts as unwritable.
[[nodiscard]] int write_payload(const norvik::filesystem::file_path& file, HRSRC resource) noexcept;

// The same for `size` bytes at `bytes`: `file` gets them whole or keeps what
// it had. The uninstaller program is written this way too.
[[nodiscard]] int write_file_bytes(const norvik::filesystem::file_path& file, const void* bytes, DWORD size) noexcept;

// Where the module goes in the plug-in folder `plugin_folder`.
[[nodiscard]] norvik::filesystem::file_path module_file_in(const norvik::filesystem::file_path& plugin_folder);

} // namespace installer
