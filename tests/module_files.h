#pragma once

// The plug-in module as the install job leaves it: where it lands in a
// plug-in folder, the bytes it must have (the test program's own resource
// 400, which it carries like the installer), and a previous module for the
// job to replace.

#include <string>
#include <vector>

namespace installer::test {

// The plug-in module as the job writes it: this program's resource 400.
const std::vector<char>& module_bytes();

// Where the job puts the module in the plug-in folder `folder`.
std::wstring module_in(const std::wstring& folder);

// Whether the module in `folder` is there in full.
bool installed(const std::wstring& folder);

// Puts a short previous module ("previous module") into `folder`, making the
// vendor folder as needed; returns its path.
std::wstring previous_module(const std::wstring& folder);

} // namespace installer::test
