#pragma once
// The programs that keep a plug-in module from being replaced, so that the
// retry question and the log can say which to close: what the Restart
// Manager names as holding the file, else the host's programs that are
// running (AfterFX.exe, its beta and the command-line renderer), each matched
// to its release by the folder it runs from.

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "filesystem/file_path.h"
#include "installer/release_catalogue.h"

namespace installer {

struct module_holder {
    DWORD process_id = 0;
    // The program's file name ("AfterFX.exe") and the folder it runs from;
    // empty where the process could not be asked.
    std::wstring image;
    norvik::filesystem::file_path folder;
    // The name the Restart Manager knows it by; empty from the process list.
    std::wstring application;
};

class module_holders {
public:
    // The programs holding `file`. Never fails: what cannot be asked is left
    // out, and nothing found is an empty list.
    [[nodiscard]] static module_holders find(const norvik::filesystem::file_path& file) noexcept;

    [[nodiscard]] bool empty() const { return programs.empty(); }

    // Each program once, as a user knows it, for the module of release
    // `target` (an index of `releases`): "After Effects 2025 (AfterFX.exe)"
    // when its folder is that of a release, else the Restart Manager's name
    // and the file name, or the file name alone ("AfterFX.exe"). A host from
    // the process list that runs from another release's folder is left out:
    // it loads that release's modules, not this one.
    [[nodiscard]] std::vector<std::string> names(const release_catalogue& releases, std::size_t target) const;

    // "After Effects 2025 (AfterFX.exe) is running. Close it, then choose
    // Yes." for the names above; empty when there are none.
    [[nodiscard]] std::string close_request(const release_catalogue& releases, std::size_t target) const;
    // The same for the log, saying whether the Restart Manager named them:
    // "the module is held by ..." or "the module is in use, and ... is
    // running"; empty when there are none.
    [[nodiscard]] std::string log_text(const release_catalogue& releases, std::size_t target) const;

    std::vector<module_holder> programs;
    // Whether the Restart Manager named them, which knows; the process list
    // only tells which hosts run, one of which likely holds the module.
    bool exact = false;
};

} // namespace installer
