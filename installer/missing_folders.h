#pragma once
// The folders of a path that do not exist yet, made from the outermost in, as
// installers make the folder they are told to install into: the custom
// folder (the wizard's, or /dir=) and the folder of the /log= file. Folders
// that already exist are used as they are, links included: a studio may well
// have pointed one to a share.

#include <string>

namespace installer {

class missing_folders {
public:
    // Makes `folder` and whichever folders above it are missing. False, with
    // GetLastError set, when one of them could not be made (a drive that is
    // not there, a folder that may not be written).
    [[nodiscard]] static bool create(const std::wstring& folder) noexcept;

    // The same for the folder `file` goes into; nothing to do for a bare name.
    [[nodiscard]] static bool create_for_file(const std::wstring& file) noexcept;
};

} // namespace installer
