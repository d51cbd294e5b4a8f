#pragma once

// Every file and folder below a drive's root as the host sees it, taken
// before and after a run to tell that nothing changed outside the folders it
// may write. Links are not followed (the prefix links the user's folders to
// the host's home). Needs the Wine test environment (test_environment.h).

#include <map>
#include <string>
#include <vector>

namespace norvik::test {

class drive_listing {
public:
    // Lists the drive whose root is `root` ("C:\\"); a listing that fails or
    // comes back empty fails the test.
    explicit drive_listing(const std::wstring& root);

    // The paths (relative to the root, '/' between names) that differ
    // between this listing and `after` and lie outside the Windows folders
    // `allowed`; a folder on another drive allows nothing here.
    std::vector<std::string> changed_outside(const drive_listing& after,
                                             const std::vector<std::wstring>& allowed = {}) const;

private:
    // `folder` relative to the root, in the listing's form; empty when it
    // lies on another drive.
    std::string relative(const std::wstring& folder) const;

    std::wstring root_;
    // Relative path -> "folder", or size and modification time.
    std::map<std::string, std::string> entries_;
};

// Paths as one line, comma-separated, for a message.
std::string joined(const std::vector<std::string>& paths);

} // namespace norvik::test
