// Times the install job against its like-for-like limit, in one process:
// `installer::System::run` writing the embedded module into N plug-in
// folders, and CopyFileW of the same bytes (extracted once to a file) into
// the same folders, each copy flushed, since the job flushes too.
//
//   install_bench.exe ab|ba FOLDER...
//
// One untimed round of each warms the caches, then three timed pairs run,
// the first in the given order and each next one the other way round (the
// caller alternates the order between runs too). The host's write-back makes
// single writes vary by tens of milliseconds, so more samples per run keep
// the medians steady. Every round starts from folders without the module.
// Prints "job_ms=<ms> copy_ms=<ms>" per pair and exits non-zero when any
// install or copy failed.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "bench/module_copy.h"
#include "installer/system.h"

namespace {

using norvik::bench::copy_module;
using norvik::bench::now_ms;
using norvik::bench::remove_modules;

constexpr int timed_pairs = 3;
// The releases the targets go to: the job writes the real module to every
// release from index 2 on, and to the custom folder (index 9) when asked.
constexpr std::size_t target_slots[] = {2, 3, 4, 5, 6, 7, 8, 9};

bool run_job(const std::vector<std::wstring>& folders) {
    installer::target_list targets(installer::release_count);
    for (std::size_t i = 0; i < folders.size(); ++i) {
        targets[target_slots[i]] = norvik::filesystem::file_path(folders[i]);
    }
    installer::System job;
    job.run(targets, 1);
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (job.status[target_slots[i]].load() != installer::status_installed) {
            return false;
        }
    }
    return true;
}

// The module the job installs, as a file for CopyFileW to read.
bool extract_module(const std::wstring& file) {
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(self, MAKEINTRESOURCEW(installer::module_resource_id), RT_RCDATA);
    HGLOBAL loaded = resource ? LoadResource(self, resource) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) {
        return false;
    }
    const DWORD size = SizeofResource(self, resource);
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool ok = WriteFile(h, bytes, size, &written, nullptr) && written == size;
    CloseHandle(h);
    return ok;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3 || (std::wcscmp(argv[1], L"ab") != 0 && std::wcscmp(argv[1], L"ba") != 0) ||
        static_cast<std::size_t>(argc - 2) > std::size(target_slots)) {
        std::fprintf(stderr, "usage: install_bench ab|ba FOLDER... (1 to 8 folders)\n");
        return 2;
    }
    const bool job_first = std::wcscmp(argv[1], L"ab") == 0;
    const std::vector<std::wstring> folders(argv + 2, argv + argc);

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring source = std::wstring(temp) + L"install_bench_module.aex";
    if (!extract_module(source)) {
        std::fprintf(stderr, "install_bench: cannot extract the module\n");
        return 1;
    }

    double job_ms = 0.0;
    double copy_ms = 0.0;
    bool ok = true;
    const auto timed_job = [&] {
        remove_modules(folders);
        const double t0 = now_ms();
        ok = run_job(folders) && ok;
        job_ms = now_ms() - t0;
    };
    const auto timed_copy = [&] {
        remove_modules(folders);
        const double t0 = now_ms();
        ok = copy_module(source, folders) && ok;
        copy_ms = now_ms() - t0;
    };
    // Warm-up: the first round of either pays for faulting in the module's
    // pages and creating the folders.
    timed_job();
    timed_copy();
    bool job_now = job_first;
    for (int pair = 0; pair < timed_pairs; ++pair, job_now = !job_now) {
        if (job_now) {
            timed_job();
            timed_copy();
        } else {
            timed_copy();
            timed_job();
        }
        std::printf("job_ms=%.3f copy_ms=%.3f\n", job_ms, copy_ms);
    }
    remove_modules(folders);
    DeleteFileW(source.c_str());
    if (!ok) {
        std::fprintf(stderr, "install_bench: an install or a copy failed\n");
        return 1;
    }
    return 0;
}
