#pragma once
// Names nobody can predict, for what the elevated installer makes in folders
// where someone else could have made a name first: the staging file of a
// module, the temporary copy that removes the uninstaller.

#include <cstddef>
#include <string>

namespace installer {

// `letters` lower-case letters and digits drawn at random (five random bits
// each), or empty when the system has no random bytes to give.
[[nodiscard]] std::wstring random_name(std::size_t letters);

} // namespace installer
