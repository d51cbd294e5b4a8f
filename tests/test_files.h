#pragma once

// Files as a test finds them on the disk, by Windows path: whether one is
// there, its bytes, and what a folder holds.

#include <string>
#include <vector>

namespace norvik::test {

// Whether a file or folder is there.
bool exists(const std::wstring& path);

// The file's bytes; none when it cannot be read.
std::vector<char> read_file(const std::wstring& path);

// The names of the files and folders in `folder`, sorted; none when it
// cannot be read.
std::vector<std::wstring> files_in(const std::wstring& folder);

} // namespace norvik::test
