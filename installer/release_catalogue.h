#pragma once
// Every release the installer can write into, in the one order in which the
// rows of the wizard, the summary, the targets, the statuses and the log list
// them: the table's releases (CS3 to CC2015.3) at their table indexes, then
// the current releases in version order, then Custom, always last. Without a
// current release the list is exactly the table, Custom at index 9.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "filesystem/file_path.h"
#include "installer/current_releases.h"
#include "installer/host_releases.h"

namespace installer {

// One folder per entry of a release_catalogue; an empty one is not written.
using target_list = std::vector<norvik::filesystem::file_path>;

struct release_entry {
    // The name every text uses ("CC2015", "2025", "Custom").
    std::string name;
    // The registry subkey it was found under; empty for entries never
    // detected.
    std::wstring key;
    // Its plug-in folder; empty where it is not installed.
    norvik::filesystem::file_path folder;
};

class release_catalogue {
public:
    // The table alone, nothing found.
    release_catalogue();
    // The table's entries with `table`'s folders, then `current`.
    release_catalogue(const release_paths& table, const std::vector<current_release>& current);

    // What this machine has, from its registry.
    [[nodiscard]] static release_catalogue detect();

    [[nodiscard]] std::size_t size() const { return entries_.size(); }
    // The index of the custom folder: the last.
    [[nodiscard]] std::size_t custom() const { return entries_.size() - 1; }
    [[nodiscard]] const release_entry& operator[](std::size_t index) const { return entries_[index]; }
    // The index of the release called `name` (as release_name gives it), or
    // size() when the list has none.
    [[nodiscard]] std::size_t find(std::string_view name) const;
    // One folder per entry.
    [[nodiscard]] target_list folders() const;

    // The name of a release as the lists spell it, for `name` in any case
    // ("cc2015" gives "CC2015", "2031" gives "2031"), whether or not this
    // machine has it; empty for a name that is no release ("Custom"
    // included).
    [[nodiscard]] static std::string release_name(std::wstring_view name);
    // Where a release of that name stands in every list: the table's first,
    // then the current ones by version.
    [[nodiscard]] static std::size_t order_of(std::string_view release_name);

private:
    std::vector<release_entry> entries_;
};

} // namespace installer
