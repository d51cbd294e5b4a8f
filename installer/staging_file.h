#pragma once
// The file a module is written to before it replaces the installed one: made
// new, under a name nobody can predict, in the vendor folder. A user who may
// write that folder (a shared studio folder, a /dir= on a share) could plant
// a link under any name the installer would open, and the installer, running
// as SYSTEM, would then write the module's bytes through it into any file of
// the machine; a name chosen at random for this run, made with CREATE_NEW,
// is never one somebody planted. Only the file this run made is ever
// removed: through its own handle while that is open, and afterwards only
// once the name, opened as itself, proves to be that very file, so a name
// pointed elsewhere meanwhile is never followed to someone else's file.
//
// The name, seven random letters and digits and ".new", never ends in ".aex",
// so the host never loads a half-written module, and is exactly as long as
// "Quendal.aex", so it fits wherever the module does.

#include "filesystem/file_path.h"
#include "installer/win32_handles.h"

namespace installer {

class staging_file {
public:
    // A new, empty file in `folder` (given without a trailing backslash),
    // open for writing and for nobody else. Check `created`.
    explicit staging_file(const norvik::filesystem::file_path& folder) noexcept;
    staging_file(const staging_file&) = delete;
    staging_file& operator=(const staging_file&) = delete;
    // Removes the file (one attempt) unless it was kept; GetLastError stays.
    ~staging_file();

    // False, with GetLastError set, when no file could be made.
    [[nodiscard]] bool created() const noexcept { return made_; }
    // The open file, until `close`.
    [[nodiscard]] HANDLE handle() const noexcept { return file_.get(); }
    [[nodiscard]] const norvik::filesystem::file_path& path() const noexcept { return path_; }

    // Closes the file, so that it can be renamed into its target's place.
    void close() noexcept;
    // It has been renamed into its target's place: it stays.
    void keep() noexcept;
    // Removes this run's file: true once it is gone, or once its name no
    // longer holds it (then there is nothing of this run's to remove); false,
    // with GetLastError set, when another process holds it for the moment.
    [[nodiscard]] bool remove() noexcept;

private:
    // What tells this file from any other, whatever its name: its volume and
    // its number on that volume.
    struct identity {
        DWORD volume = 0;
        DWORD index_high = 0;
        DWORD index_low = 0;
        friend bool operator==(const identity&, const identity&) = default;
    };
    [[nodiscard]] static bool identify(HANDLE file, identity& found) noexcept;

    norvik::filesystem::file_path path_;
    unique_handle file_;
    identity identity_;
    bool made_ = false;
};

} // namespace installer
