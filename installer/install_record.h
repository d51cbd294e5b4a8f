#pragma once
// What a run that installed something leaves for later: the uninstaller in
// Program Files and the entry in the list of installed apps, with every
// module this run put down added to its record. Runs that installed nothing
// leave both as they were.

#include "installer/release_catalogue.h"
#include "installer/system.h"

namespace installer {

class install_log;

class install_record {
public:
    // Records the modules `job` installed for `targets` (one per entry of
    // `releases`); failures are logged, never fatal: the modules are in
    // place whether or not Windows lists them. `log` may be null.
    static void after_run(const release_catalogue& releases, const target_list& targets, const System& job,
                          install_log* log) noexcept;
};

} // namespace installer
