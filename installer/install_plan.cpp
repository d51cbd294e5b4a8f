#include "installer/install_plan.h"

#include <algorithm>

namespace installer {

install_plan::install_plan(const std::optional<std::vector<std::size_t>>& releases,
                           const norvik::filesystem::file_path& dir, const release_paths& detected) {
    for (std::size_t i = 0; i < custom_release; ++i) {
        const bool wanted = !releases || std::find(releases->begin(), releases->end(), i) != releases->end();
        if (!wanted) {
            continue;
        }
        if (!detected[i].empty()) {
            targets[i] = detected[i];
        } else if (releases) {
            missing.push_back(i);
        }
    }
    targets[custom_release] = dir;
}

bool install_plan::empty() const {
    return missing.empty() && std::all_of(targets.begin(), targets.end(), [](const auto& t) { return t.empty(); });
}

std::int32_t install_plan::exit_code(const System& job) const {
    if (empty() || !missing.empty()) {
        return exit_failed;
    }
    for (std::size_t i = 0; i < release_count; ++i) {
        if (!targets[i].empty() && job.status[i].load(std::memory_order_acquire) != status_installed) {
            return exit_failed;
        }
    }
    return exit_success;
}

} // namespace installer
