#pragma once

// The fault matrix's rows and what they share: each row makes a fault real,
// runs the wizard of this process against it, and records what the user saw
// and what was on the disk afterwards for the table the last test prints.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "tests/drive_listing.h"
#include "tests/host_shell.h"
#include "tests/wizard_test_support.h"

namespace installer::test {

// One row of the printed matrix.
struct matrix_row {
    std::string fault;
    std::string seen;
    std::string disk;
};

// The rows recorded so far, in the order they ran.
std::vector<matrix_row>& matrix();

// "Error code: 40" out of a retry question.
std::string code_in(const std::string& question);

std::string narrow(const std::wstring& ascii);

// One install fault: the plug-in folder registered for CC, the drives to
// watch, how to make the fault real and how to clear it (returning once the
// clearing has taken effect), and the code the retry question shows (0: the
// install succeeds without a question).
struct install_fault {
    std::string fault;
    std::wstring plugin_folder;
    std::vector<std::wstring> drives;
    std::function<bool()> inject;
    std::function<void()> clear;
    int code;
};

class FaultMatrix : public host_fixture {
protected:
    FaultMatrix() : host_fixture(L"C:\\fault-matrix") {}

    // Closes the retry question and then the wizard, running the wizard's
    // loop as the program does: one close after the other, or both posted
    // at once (as when every window of the program is asked to close).
    void close_during_question(bool together);

    static bool as_root() { return !norvik::test::environment(L"NORVIK_FAULT_ROOT").empty(); }

    // A plug-in folder holding a previous module of its own bytes.
    static std::wstring with_previous(const std::wstring& folder, std::size_t size);

    // The state of the disk as one sentence, checked as it goes: the
    // previous module (when there was one) against `previous`, the vendor
    // folder holding nothing but the module, and no change on the drives
    // outside the vendor folder and the shared data folder.
    static std::string disk_state(const install_fault& row, const std::vector<char>& previous,
                                  const std::vector<char>& expected,
                                  const std::vector<norvik::test::drive_listing>& before);

    // Installs to CC with the fault in place. The retry question must come
    // with the row's code while the disk is as it was; the fault is cleared
    // while the question is open and Yes then installs the module.
    static void run_install_row(const install_fault& row);
};

} // namespace installer::test
