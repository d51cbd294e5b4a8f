#pragma once
// The shell's folder dialog, with which the user chooses the custom target
// folder. Every way it can fail becomes a std::runtime_error with a fixed
// message; cancelling is not a failure.

#include "filesystem/file_path.h"

#include <string_view>

namespace norvik::ui {
class window;
}

namespace norvik::filesystem {

// Shows the shell's file-open dialog in folder mode and returns the chosen
// folder's file-system path, or the empty path when the user cancels.
//
// `owner` is disabled while the dialog is open (null for no owner). `title`
// is UTF-8; invalid UTF-8 throws std::range_error("bad conversion") before
// any dialog exists. The dialog opens at `initial`, or at its own default
// folder when `initial` is empty or names no folder that exists.
//
// Runs the dialog's modal loop on the calling thread, which must be in a
// single-threaded apartment: a toolkit window initialises OLE for it.
[[nodiscard]] file_path select_folder(const ui::window* owner, std::string_view title, const file_path& initial);

} // namespace norvik::filesystem
