#pragma once
// The installer's command line, as the program's copies read it: the "/UAC"
// marker of the elevated copy, and the switches of an install that nobody
// watches (deployment tools on many machines):
//
//   /quiet               no window and no question at all
//   /passive             the progress page only, no question, closes itself
//   /releases=2025,CC    these releases only (their display names)
//   /dir=PATH            also this folder, like the custom folder
//   /log=PATH            append a log of the run to this file
//   /force               replace a module even where a newer one is
//                        installed (a deliberate rollback)
//   /uninstall           remove what the installer put down (alone, or with
//                        /quiet, /passive and /log=)
//
// Switch names are case-insensitive and separated by blanks; double quotes
// keep blanks inside a value and are removed (/dir="C:\Plug Ins\AE").
// Backslashes are plain characters, so a quoted folder may end in one.
// Without any of these switches the command line means what it always did:
// "/UAC" anywhere (case-sensitive) runs the wizard, anything else relaunches.
// With them, only "/UAC" as a word of its own marks the elevated copy, and a
// word that is not understood, or /quiet with /passive, is refused.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "filesystem/file_path.h"

namespace installer {

class command_line {
public:
    // Parses the command-line tail (the program's own path removed).
    explicit command_line(std::wstring_view tail = {});

    // Whether the tail marks the elevated copy (see above), which never
    // relaunches again.
    [[nodiscard]] bool marked() const { return marked_; }
    // Whether any of the switches above was given.
    [[nodiscard]] bool has_switches() const { return has_switches_; }
    [[nodiscard]] bool unattended() const { return quiet || passive; }
    // The first value that was not understood, as a sentence for the log and
    // the user; empty when everything was.
    [[nodiscard]] const std::string& error() const { return error_; }
    // The elevated copy's parameters: exactly "/UAC" without the switches,
    // else "/UAC " followed by the tail as it was given.
    [[nodiscard]] std::wstring elevated_parameters() const;
    // The tail as given.
    [[nodiscard]] const std::wstring& text() const { return text_; }

    bool quiet = false;
    bool passive = false;
    bool uninstall = false;
    // The temporary copy that removes the uninstaller once the uninstall has
    // ended: the value of the process handle it inherited to wait on. Only
    // the uninstaller itself starts a program with it.
    std::optional<std::uintptr_t> uninstaller_removal;
    // Releases named by /releases=, spelt as the release list spells them,
    // in its order; none without it.
    std::optional<std::vector<std::string>> releases;
    norvik::filesystem::file_path dir;
    std::wstring log_path;
    bool force = false;

private:
    // Whether `token` is one of the switches (its value may still be wrong).
    bool read_switch(const std::wstring& token);
    void read_releases(std::wstring_view list);
    void read_dir(const std::wstring& value);
    void read_removal(const std::wstring& value);
    // Keeps the first complaint: later ones are usually its consequences.
    void complain(std::string sentence);

    std::wstring text_;
    bool marked_ = false;
    bool has_switches_ = false;
    std::string error_;
};

} // namespace installer
