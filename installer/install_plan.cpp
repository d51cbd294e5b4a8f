#include "installer/install_plan.h"

#include <algorithm>

namespace installer {

install_plan::install_plan(const std::optional<std::vector<std::string>>& releases,
                           const norvik::filesystem::file_path& dir, const release_catalogue& detected,
                           bool replace_newer)
    : targets(detected.size()), replace_newer(replace_newer) {
    for (std::size_t i = 0; i < detected.custom(); ++i) {
        const bool wanted =
            !releases || std::find(releases->begin(), releases->end(), detected[i].name) != releases->end();
        if (wanted) {
            targets[i] = detected[i].folder;
        }
    }
    // A named release may be missing from the list altogether (a current
    // release this machine never had) or be there without a folder.
    if (releases) {
        for (const std::string& name : *releases) {
            const std::size_t index = detected.find(name);
            if (index == detected.size() || detected[index].folder.empty()) {
                missing.push_back(name);
            }
        }
    }
    targets[detected.custom()] = dir;
}

bool install_plan::empty() const {
    return missing.empty() && std::all_of(targets.begin(), targets.end(), [](const auto& t) { return t.empty(); });
}

std::int32_t install_plan::exit_code(const System& job) const {
    if (empty() || !missing.empty()) {
        return exit_failed;
    }
    for (std::size_t i = 0; i < targets.size() && i < job.status.size(); ++i) {
        if (!targets[i].empty() && !target_succeeded(job.status[i].load(std::memory_order_acquire))) {
            return exit_failed;
        }
    }
    return exit_success;
}

} // namespace installer
