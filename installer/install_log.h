#pragma once
// The log of one run, appended to the file named by /log= as UTF-8 lines,
// each with the local time: what the program is and was told, what it found,
// what it chose and what became of each target, and how it ended. It is for
// the people who deploy the plug-in to many machines and read the log when
// one of them says no. A log that cannot be opened never stops an install;
// without /log= nothing is written.
//
// The installer runs elevated or as SYSTEM, and /log= may name a folder
// users can write: the file is never reached through a link, and an existing
// file is appended to only when it has a single name and belongs to
// Administrators, SYSTEM or the user running the installer. Otherwise the
// log is refused, the install goes on, and the reason is kept for the end
// of the run (see refusal).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "installer/release_catalogue.h"
#include "installer/system.h"
#include "installer/uninstall_job.h"
#include "installer/win32_handles.h"

namespace installer {

class command_line;

class install_log {
public:
    // Logs nothing.
    install_log() = default;
    // Appends to `path` (created if missing, with its missing folders); an
    // empty path logs nothing.
    explicit install_log(const std::wstring& path);

    // Whether lines reach a file.
    [[nodiscard]] bool open() const { return file_ != nullptr; }

    // Why the /log= file was refused or could not be opened, as a sentence
    // (UTF-8); empty when it is written, or when there is none.
    [[nodiscard]] const std::string& refusal() const { return refusal_; }
    // Writes the refusal, if any, as a line to the process's standard error
    // when it has one (a deployment script that redirects it), so that a
    // run whose log was refused still leaves a trace.
    void report_refusal() const;

    // One line, as given, after the local time.
    void write(std::string_view line);

    // The program, its version and command line, and whether it runs with
    // administrator rights.
    void start(const command_line& options, bool elevated);
    // Every release found in the registry, with its key and folder.
    void detected(const release_catalogue& releases);
    // The folders a run is about to write (one per entry of `releases`), and
    // the named releases that are not on this machine.
    void targets(const release_catalogue& releases, const target_list& targets,
                 const std::vector<std::string>& missing);
    // What became of each target of the run that just ended, and of the
    // shared data folder.
    void outcome(const System& job, const release_catalogue& releases, const target_list& targets);
    void exit_code(std::int32_t code);
    // What became of each recorded module of an uninstall that just ended,
    // of the entry in the list of installed apps, and of the shared data
    // folder (left alone: it holds the users' data).
    void removal(const uninstall_job& job);

    // "Windows error 5: Access is denied.", for lines about failures.
    [[nodiscard]] static std::string windows_error(std::uint32_t code);
    [[nodiscard]] static std::string utf8(std::wstring_view text);

private:
    unique_handle file_;
    std::string refusal_;
};

} // namespace installer
