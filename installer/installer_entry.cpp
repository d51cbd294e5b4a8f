#include "installer/installer_entry.h"

#include <cstdio>
#include <exception>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include <windows.h>

#include <comdef.h>

#include "installer/command_line.h"
#include "installer/elevation.h"
#include "installer/install_lock.h"
#include "installer/install_log.h"
#include "installer/install_plan.h"
#include "installer/install_record.h"
#include "installer/installed_apps_entry.h"
#include "installer/installer_ui.h"
#include "installer/uninstall_job.h"
#include "installer/uninstaller_program.h"
#include "ui/core/events/event_registry.h"
#include "ui/core/text/text_conversion.h"

namespace installer {

namespace {

// What an error that escaped the wizard says, whatever its type: the
// toolkit's COM checks throw _com_error, which is no std::exception.
std::wstring describe(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        try {
            return norvik::text::utf8_to_utf16(e.what());
        } catch (...) {
            return L"an error without a readable description";
        }
    } catch (const _com_error& e) {
        wchar_t code[32];
        std::swprintf(code, std::size(code), L"COM error 0x%08lX", static_cast<unsigned long>(e.Error()));
        return code;
    } catch (...) {
        return L"an unknown error";
    }
}

void report(const wchar_t* what_happened, const std::exception_ptr& error) {
    std::wstring text = what_happened;
    try {
        text += describe(error);
    } catch (...) {
    }
    MessageBoxW(nullptr, text.c_str(), L"Quendal for After Effects Installer", MB_OK | MB_ICONERROR);
}

std::string utf8(const std::wstring& text) {
    return norvik::text::utf16_to_utf8(text);
}

// How one wizard ended: whether it was built at all, the error that ended
// it, if any, and the exit code its outcome gives.
struct wizard_run {
    bool built = false;
    std::exception_ptr failure;
    std::int32_t code = exit_failed;
    // An uninstall that ran from the uninstaller, which must go once this
    // process has ended.
    bool remove_uninstaller = false;
};

wizard_run run_wizard(const wizard_options& options) {
    wizard_run run;
    std::optional<InstallerUI> wizard;
    try {
        wizard.emplace(options);
    } catch (...) {
        run.failure = std::current_exception();
        return run;
    }
    run.built = true;
    try {
        // The registry exists from the first event object on; this keeps the
        // order the toolkit relies on explicit: built before the first event.
        norvik::ui::event_registry::instance();
        norvik::ui::emit(&*wizard, norvik::ui::event_kind::shown, 0);
        wizard->native.run_modal();
    } catch (...) {
        run.failure = std::current_exception();
    }
    // The install job is waited for, which then finishes its module or
    // removes its staging file: nothing is left half written by the time
    // anyone reads what happened.
    try {
        wizard->finish_run();
    } catch (...) {
        if (!run.failure) {
            run.failure = std::current_exception();
        }
    }
    run.code = wizard->exit_code();
    run.remove_uninstaller = wizard->uninstall_page.removes_uninstaller_at_exit();
    wizard.reset();
    return run;
}

// A wizard that cannot even be built (no Direct2D, say) says why instead of
// vanishing; the install job never ran, so nothing is on disk. Exit code 1.
std::int32_t report_failure(const wizard_run& run) {
    report(run.built ? L"The installer stopped after an unexpected error:\n" : L"The installer could not start:\n",
           run.failure);
    return 1;
}

std::int32_t logged_exit(install_log& log, std::int32_t code) {
    log.exit_code(code);
    log.report_refusal();
    return code;
}

// A value of the command line that was not understood: nothing is written.
// An unattended run only logs it (nobody is there to read a message); the
// wizard says it and logs it where /log= asks.
std::int32_t refuse(const command_line& options) {
    install_log log(options.log_path);
    log.start(options, process_is_elevated());
    log.write("Not understood: " + options.error() + "; nothing was installed");
    if (options.unattended()) {
        return logged_exit(log, exit_bad_value);
    }
    log.exit_code(1);
    std::wstring text = L"The installer's command line was not understood:\n";
    try {
        text += norvik::text::utf8_to_utf16(options.error());
    } catch (...) {
    }
    MessageBoxW(nullptr, text.c_str(), L"Quendal for After Effects Installer", MB_OK | MB_ICONERROR);
    return 1;
}

std::int32_t install_quietly(const release_catalogue& releases, const install_plan& plan, install_log& log) {
    log.targets(releases, plan.targets, plan.missing);
    System job(plan.targets.size());
    job.replace_newer = plan.replace_newer;
    job.run(plan.targets, 1);
    log.outcome(job, releases, plan.targets);
    install_record::after_run(releases, plan.targets, job, &log);
    return plan.exit_code(job);
}

// The uninstaller cannot remove itself while it runs: a temporary copy does
// it once this process has ended.
void remove_uninstaller_after_exit(install_log& log) {
    const DWORD error = uninstaller_program::remove_after_exit();
    log.write(error == 0 ? "The uninstaller is removed once this run has ended"
                         : "The uninstaller could not be handed to a copy for removal (" +
                               install_log::windows_error(error) + "); it stays in place");
}

// /passive: the wizard's window with nothing to answer. The caller holds
// the install lock for the whole run.
std::int32_t run_passively(wizard_options wizard, install_log& log) {
    wizard.passive = true;
    wizard.log = &log;
    wizard.take_install_lock = false;
    const wizard_run run = run_wizard(wizard);
    if (run.failure) {
        log.write("Stopped by an unexpected error: " + utf8(describe(run.failure)));
        return exit_failed;
    }
    if (run.remove_uninstaller) {
        remove_uninstaller_after_exit(log);
    }
    return run.code;
}

std::int32_t install_passively(const command_line& options, install_log& log) {
    wizard_options wizard;
    wizard.releases = options.releases;
    wizard.dir = options.dir;
    wizard.replace_newer = options.force;
    return run_passively(wizard, log);
}

// /uninstall with /quiet or /passive: the same lock as an install, then
// every recorded module that is still there.
std::int32_t uninstall_unattended(const command_line& options, install_log& log) {
    if (options.passive) {
        wizard_options wizard;
        wizard.uninstall = true;
        return run_passively(wizard, log);
    }
    uninstall_job job(installed_apps_entry::modules());
    for (const recorded_module& module : job.modules) {
        log.write("Recorded " + module.release + ": " + install_log::utf8(module.path));
    }
    if (job.modules.empty()) {
        log.write("Nothing recorded: this installer has put no module on this computer");
        return exit_nothing_recorded;
    }
    job.run();
    log.removal(job);
    if (job.remove_uninstaller_at_exit.load(std::memory_order_acquire)) {
        remove_uninstaller_after_exit(log);
    }
    return job.complete() ? exit_success : exit_failed;
}

// /quiet and /passive in the process that writes: one run at a time, the
// detected releases, the plan, the install, and the code deployment tools
// judge the run by.
std::int32_t install_unattended(const command_line& options, install_log& log) {
    log.start(options, process_is_elevated());
    const install_lock lock = install_lock::try_take();
    if (!lock.held()) {
        log.write("Not starting now: " + lock.reason() + "; nothing was changed");
        return logged_exit(log, exit_already_running);
    }
    if (options.uninstall) {
        return logged_exit(log, uninstall_unattended(options, log));
    }
    const release_catalogue detected = release_catalogue::detect();
    log.detected(detected);
    const install_plan plan(options.releases, options.dir, detected, options.force);
    if (plan.empty()) {
        log.write("Nothing to install: no release of After Effects detected or named, and no /dir=");
        return logged_exit(log, exit_failed);
    }
    return logged_exit(log, options.passive ? install_passively(options, log) : install_quietly(detected, plan, log));
}

// Whatever goes wrong, a deployment tool reads an exit code that says so and
// the log says why: nothing escapes as a crash or an abort.
std::int32_t run_unattended(const command_line& options) noexcept {
    try {
        install_log log(options.log_path);
        try {
            return install_unattended(options, log);
        } catch (...) {
            log.write("Stopped by an unexpected error: " + utf8(describe(std::current_exception())));
            return logged_exit(log, exit_failed);
        }
    } catch (...) {
        return exit_failed;
    }
}

// An unattended run started without administrator rights: the elevated copy
// does the work, and its exit code is this run's, so that the deployment
// tool learns how the install went rather than that a copy was started.
std::int32_t relaunch_and_wait(const command_line& options) {
    const relaunch_result copy = relaunch_elevated_and_wait(own_path(), options.elevated_parameters());
    if (copy.started && !copy.ended_abnormally()) {
        return copy.exit_code();
    }
    if (copy.started) {
        install_log log(options.log_path);
        char code[16];
        std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(copy.raw_exit_code));
        log.write(copy.ended ? std::string("The copy with administrator rights ended with ") + code +
                                   ", no exit code of this installer (it crashed or was ended)"
                             : "The copy with administrator rights could not be waited for");
        return logged_exit(log, copy.exit_code());
    }
    install_log log(options.log_path);
    log.start(options, false);
    log.write(copy.declined ? "The elevation prompt was declined; nothing was installed"
                            : "The copy with administrator rights could not be started; nothing was installed");
    return logged_exit(log, copy.declined ? exit_cancelled : exit_failed);
}

// The wizard, as the elevated copy shows it; the command line may preset its
// ticks and custom folder and log its run.
std::int32_t run_interactive(const command_line& options) {
    install_log log(options.log_path);
    if (log.open()) {
        log.start(options, process_is_elevated());
        log.detected(release_catalogue::detect());
    }
    wizard_options wizard;
    wizard.releases = options.releases;
    wizard.dir = options.dir;
    wizard.replace_newer = options.force;
    wizard.log = &log;
    wizard.tells_outcome = true;
    wizard.uninstall = options.uninstall;
    const wizard_run run = run_wizard(wizard);
    if (run.failure) {
        return logged_exit(log, report_failure(run));
    }
    if (run.remove_uninstaller) {
        remove_uninstaller_after_exit(log);
    }
    return logged_exit(log, run.code);
}

// The command line decides which run this process makes.
std::int32_t enter(const wchar_t* tail) {
    const command_line options(tail != nullptr ? tail : L"");
    if (!options.error().empty()) {
        return refuse(options);
    }
    if (options.uninstaller_removal) {
        uninstaller_program::remove_once_ended(reinterpret_cast<HANDLE>(*options.uninstaller_removal));
        return exit_success;
    }
    if (options.unattended()) {
        // Never left waiting for a person. The elevated copy installs
        // whatever its token says: a "runas" that hands back a copy still
        // without rights (no UAC, or Wine) must not start copy after copy;
        // that copy reports the folders it cannot write instead.
        if (options.marked() || process_is_elevated()) {
            return run_unattended(options);
        }
        return relaunch_and_wait(options);
    }
    if (!options.marked()) {
        return relaunch_elevated(own_path(), options.elevated_parameters()) ? 0 : 1;
    }
    return options.has_switches() ? run_interactive(options) : run_installer();
}

} // namespace

std::int32_t run_installer() {
    return run_installer(wizard_options{});
}

std::int32_t run_installer(const wizard_options& options) {
    const wizard_run run = run_wizard(options);
    if (!run.failure) {
        return options.tells_outcome ? run.code : exit_success;
    }
    return report_failure(run);
}

std::int32_t installer_entry(const wchar_t* tail) {
    try {
        return enter(tail);
    } catch (...) {
        // Only memory exhaustion before anything was decided gets here:
        // nothing was installed, and no run can say it succeeded.
        return exit_failed;
    }
}

} // namespace installer
