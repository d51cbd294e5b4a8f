#include "tests/fault_matrix.h"

#include <filesystem>
#include <fstream>

#include "installer/installer_ui.h"
#include "installer/shared_data_folder.h"
#include "tests/held_elsewhere.h"

namespace installer::test {

using norvik::test::drive_listing;
using norvik::test::files_in;
using norvik::test::held_elsewhere;
using norvik::test::joined;
using norvik::test::loop_timer;
using norvik::test::read_file;

std::vector<matrix_row>& matrix() {
    static std::vector<matrix_row> rows;
    return rows;
}

std::string code_in(const std::string& question) {
    const std::size_t at = question.find("Error code: ");
    return at == std::string::npos ? "no code" : question.substr(at, question.find(' ', at + 12) - at);
}

std::string narrow(const std::wstring& ascii) {
    return std::string(ascii.begin(), ascii.end());
}

std::wstring FaultMatrix::with_previous(const std::wstring& folder, std::size_t size) {
    std::filesystem::create_directories(std::filesystem::path(folder + L"\\Falkmoor"));
    std::ofstream out(std::filesystem::path(module_in(folder)), std::ios::binary);
    for (std::size_t i = 0; i < size; ++i) {
        out.put(static_cast<char>((i * 7919) >> 3));
    }
    return folder;
}

std::string FaultMatrix::disk_state(const install_fault& row, const std::vector<char>& previous,
                                    const std::vector<char>& expected, const std::vector<drive_listing>& before) {
    const std::wstring vendor = row.plugin_folder + L"\\Falkmoor";
    const std::wstring shared = shared_data_folder::path();
    // A successful install also puts the uninstaller into Program Files.
    const std::wstring uninstaller = L"C:\\Program Files\\Falkmoor\\";
    std::string text;
    if (!expected.empty()) {
        const bool same = read_file(module_in(row.plugin_folder)) == expected;
        EXPECT_TRUE(same) << "module";
        text += &expected == &previous ? (same ? "previous module byte-identical" : "previous module CHANGED")
                                       : (same ? "new module complete" : "new module WRONG");
    } else {
        text += "no module";
    }
    std::vector<std::string> others;
    for (const std::wstring& name : files_in(vendor)) {
        if (name != L"Quendal.aex") {
            others.push_back(narrow(name));
        }
    }
    EXPECT_TRUE(others.empty()) << joined(others);
    text += others.empty() ? ", no staging file" : ", LEFT: " + joined(others);
    std::vector<std::string> changed;
    for (std::size_t d = 0; d < row.drives.size(); ++d) {
        for (const std::string& path :
             before[d].changed_outside(drive_listing(row.drives[d]), {vendor, shared, uninstaller})) {
            changed.push_back(narrow(row.drives[d].substr(0, 2)) + "/" + path);
        }
    }
    EXPECT_TRUE(changed.empty()) << joined(changed);
    text += changed.empty() ? ", nothing else on the drive changed" : ", CHANGED: " + joined(changed);
    return text;
}

void FaultMatrix::run_install_row(const install_fault& row) {
    SCOPED_TRACE(row.fault);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, host_key);
    register_release(L"12", row.plugin_folder);
    const std::vector<char> previous = read_file(module_in(row.plugin_folder));
    std::vector<drive_listing> before;
    for (const std::wstring& drive : row.drives) {
        before.emplace_back(drive);
    }
    if (!row.inject()) {
        row.clear();
        ADD_FAILURE() << "the fault could not be made real";
        matrix().push_back({row.fault, "(fault could not be made here)", ""});
        return;
    }
    std::string at_question = "no question";
    std::string seen;
    {
        InstallerUI wizard;
        show(wizard);
        // Cleared first: a module still held open could not be read back.
        popup_answer answer(L"Failed to install", true, [&] {
            row.clear();
            at_question = disk_state(row, previous, previous, before);
        });
        press(wizard, wizard.next, 3);
        const bool ended = norvik::test::pump_until([&] { return wizard.finished; }, 60000);
        row.clear();
        ASSERT_TRUE(ended);
        if (row.code != 0) {
            EXPECT_EQ(answer.answered, 1);
            EXPECT_EQ(answer.message, "The installation of Quendal for After Effects CC failed!\nError code: " +
                                          std::to_string(row.code) +
                                          " Please contact support.\n\nDo you want "
                                          "to retry?");
            seen = "retry question with \"" + code_in(answer.message) + "\"; Yes once cleared: ";
        } else {
            EXPECT_EQ(answer.answered, 0);
            seen = "no question: ";
        }
        EXPECT_EQ(wizard.progress_page.header.text, "Quendal for After Effects was successfully installed.");
        seen += "\"" + wizard.progress_page.header.text + "\"";
        press(wizard, wizard.cancel);
    }
    const std::string after = disk_state(row, previous, module_bytes(), before);
    matrix().push_back(
        {row.fault, seen, row.code != 0 ? "at the question: " + at_question + "; after: " + after : after});
}

void FaultMatrix::close_during_question(bool together) {
    const std::wstring folder = with_previous(scratch + L"\\closing", 4096);
    const std::wstring module = module_in(folder);
    const std::vector<char> previous = read_file(module);
    register_release(L"12", folder);
    const drive_listing before(L"C:\\");
    held_elsewhere holder(module);
    ASSERT_TRUE(holder.holding);

    InstallerUI wizard;
    show(wizard);
    press(wizard, wizard.next, 3);
    // The question's close box first, then the wizard's: once the question
    // is gone, or queued right behind the question's own close.
    popup_answer close_question(L"Failed to install", false, [&] {
        if (together) {
            PostMessageW(FindWindowW(nullptr, L"Failed to install"), WM_CLOSE, 0, 0);
            PostMessageW(wizard.native.hwnd, WM_CLOSE, 0, 0);
        }
    });
    loop_timer close_wizard([&] {
        const HWND question = FindWindowW(nullptr, L"Failed to install");
        if (!together && close_question.answered > 0 && wizard.finished &&
            (question == nullptr || !IsWindowVisible(question))) {
            PostMessageW(wizard.native.hwnd, WM_CLOSE, 0, 0);
        }
    });
    // Should the loop not end, it is ended from here so the test fails
    // rather than hangs.
    bool hung = false;
    const ULONGLONG started = GetTickCount64();
    loop_timer watchdog([&] {
        if (!hung && GetTickCount64() - started > 30000) {
            hung = true;
            wizard.native.end_native_modal();
        }
    });
    wizard.native.run_modal();
    EXPECT_FALSE(hung);
    EXPECT_EQ(close_question.answered, 1);
    EXPECT_EQ(code_in(close_question.message), "Error code: 40");
    EXPECT_EQ(wizard.progress_page.header.text,
              "Some components of Quendal for After Effects were not correctly installed.");
    EXPECT_EQ(wizard.modal_result, 0);
    EXPECT_FALSE(IsWindowVisible(wizard.native.hwnd));
    holder.release();

    const bool same = read_file(module) == previous;
    const std::vector<std::wstring> names = files_in(folder + L"\\Falkmoor");
    const std::vector<std::string> changed =
        before.changed_outside(drive_listing(L"C:\\"), {shared_data_folder::path()});
    EXPECT_TRUE(same);
    EXPECT_EQ(names, std::vector<std::wstring>{L"Quendal.aex"});
    EXPECT_TRUE(changed.empty()) << joined(changed);
    matrix().push_back({together ? "Closing during the retry question (both closes queued at once)"
                                 : "Closing during the retry question (question's close box, then the wizard's)",
                        "question closed = No: \"" + wizard.progress_page.header.text + "\"; the window then closes" +
                            (hung ? " only after the watchdog (HUNG)" : ", no hang"),
                        std::string(same ? "previous module byte-identical" : "previous module CHANGED") +
                            (names.size() == 1 ? ", no staging file" : ", staging file LEFT") +
                            (changed.empty() ? ", nothing else changed" : ", CHANGED: " + joined(changed))});
}

} // namespace installer::test
