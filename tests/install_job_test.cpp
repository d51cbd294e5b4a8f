// The install job on real files in the test prefix: each test gets a scratch
// folder, runs the job as the wizard does (on a worker thread) and inspects
// what landed on disk.
#include "installer/shared_data_folder.h"
#include "installer/staging_file.h"
#include "installer/system.h"
#include "installer/win32_handles.h"
#include "tests/host_shell.h"
#include "tests/module_files.h"
#include "tests/test_files.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using installer::release_count;
using installer::test::module_bytes;
using installer::test::module_in;
using norvik::filesystem::file_path;
using norvik::test::exists;
using norvik::test::files_in;
using norvik::test::read_file;

constexpr std::size_t module_size = 15'434'240;

void write_file(const std::wstring& path, const std::vector<char>& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The names of the files created in, or renamed into, `folder` while
// `action` runs: the only way to see a staging file that is gone again by the
// time the job ends.
std::vector<std::wstring> names_written_during(const std::wstring& folder, const std::function<void()>& action) {
    const installer::unique_handle watched = installer::adopt_file(
        CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
    const installer::unique_handle changed(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    OVERLAPPED overlapped{};
    overlapped.hEvent = changed.get();
    alignas(DWORD) static char buffer[16384];
    const auto listen = [&] {
        ResetEvent(changed.get());
        return ReadDirectoryChangesW(watched.get(), buffer, sizeof buffer, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME, nullptr,
                                     &overlapped, nullptr) != FALSE;
    };
    std::vector<std::wstring> names;
    const bool watching = watched && listen();
    EXPECT_TRUE(watching) << "cannot watch the folder";
    action();
    // Changes already made arrive well within the wait.
    DWORD size = 0;
    while (watching && WaitForSingleObject(changed.get(), 300) == WAIT_OBJECT_0 &&
           GetOverlappedResult(watched.get(), &overlapped, &size, FALSE)) {
        for (DWORD at = 0; size != 0;) {
            const auto* entry = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(buffer + at);
            if (entry->Action == FILE_ACTION_ADDED || entry->Action == FILE_ACTION_RENAMED_NEW_NAME) {
                names.emplace_back(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            }
            if (entry->NextEntryOffset == 0) {
                break;
            }
            at += entry->NextEntryOffset;
        }
        if (!listen()) {
            break;
        }
    }
    if (watching) {
        CancelIoEx(watched.get(), &overlapped);
        GetOverlappedResult(watched.get(), &overlapped, &size, TRUE);
    }
    return names;
}

class InstallJob : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root = L"C:\\install-job-test\\" + std::wstring(info->name(), info->name() + std::strlen(info->name()));
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(root), ignored);
        CreateDirectoryW(L"C:\\install-job-test", nullptr);
        ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr));
        shared = installer::shared_data_folder::path();
        ASSERT_FALSE(shared.empty());
        RemoveDirectoryW(shared.c_str());
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(root), ignored);
        RemoveDirectoryW(shared.c_str());
    }

    std::wstring folder(const std::wstring& name) const {
        const std::wstring path = root + L"\\" + name;
        CreateDirectoryW(path.c_str(), nullptr);
        return path;
    }

    // Runs the job on its own thread and joins it, as the wizard does.
    void run(const installer::target_list& targets, std::int32_t custom_uses_main_module = 1) {
        std::thread worker(&installer::System::run, &job, targets, custom_uses_main_module);
        worker.join();
        ASSERT_TRUE(job.done.load(std::memory_order_acquire));
    }

    std::int32_t status(std::size_t i) const { return job.status[i].load(std::memory_order_acquire); }

    std::wstring root;
    std::wstring shared;
    installer::System job;
};

TEST_F(InstallJob, OneTargetReceivesTheWholeModule) {
    ASSERT_EQ(module_bytes().size(), module_size);
    EXPECT_EQ(installer::module_version::of_resource(installer::module_resource_id), std::nullopt)
        << "the placeholder has no version resource: no version is compared";
    installer::target_list targets(release_count);
    const std::wstring target = folder(L"cc");
    targets[5] = target;
    run(targets);

    for (std::size_t i = 0; i < release_count; ++i) {
        EXPECT_EQ(status(i), i == 5 ? 2 : 0) << "index " << i;
    }
    EXPECT_EQ(read_file(module_in(target)), module_bytes());
    EXPECT_EQ(files_in(target + L"\\Falkmoor"), std::vector<std::wstring>{L"Quendal.aex"}) << "no staging file left";
    EXPECT_TRUE(exists(shared)) << "shared data folder created after a full success";
}

TEST_F(InstallJob, FirstFailureStopsTheRun) {
    installer::target_list targets(release_count);
    const std::wstring blocked = folder(L"blocked");
    // A file where the vendor folder should be: the folder cannot be created
    // and nothing can be written below it (permission bits do not stop root).
    write_file(blocked + L"\\Falkmoor", {'x'});
    const std::wstring later = folder(L"later");
    targets[3] = blocked;
    targets[7] = later;
    run(targets);

    EXPECT_EQ(status(3), 40);
    EXPECT_EQ(status(7), 0) << "later targets are not attempted";
    EXPECT_FALSE(exists(later + L"\\Falkmoor"));
    EXPECT_FALSE(exists(shared)) << "no shared folder after a failure";
}

// A cancelled passive run: the target being written is finished whole, and
// nothing after it is written.
TEST_F(InstallJob, StopDuringATargetFinishesItAndWritesNoMore) {
    const std::wstring first = folder(L"first");
    const std::wstring later = folder(L"later");
    installer::target_list targets(release_count);
    targets[3] = first;
    targets[7] = later;
    std::thread worker;
    {
        // Held until the stop has been asked for, so that it comes while
        // the first target is being written.
        const installer::test::held_module held(first);
        worker = std::thread(&installer::System::run, &job, targets, 1);
        const ULONGLONG give_up = GetTickCount64() + 20'000;
        while (status(3) != 1 && GetTickCount64() < give_up) {
            Sleep(1);
        }
        job.stop_requested = true;
    }
    worker.join();
    EXPECT_EQ(status(3), 2);
    EXPECT_EQ(read_file(module_in(first)), module_bytes());
    EXPECT_EQ(status(7), 0);
    EXPECT_FALSE(exists(later + L"\\Falkmoor"));
    EXPECT_TRUE(job.done && job.stopped);
    EXPECT_FALSE(exists(shared)) << "no shared folder after a stop";
}

TEST_F(InstallJob, MissingDriveIsAnUnwritableTarget) {
    installer::target_list targets(release_count);
    targets[2] = L"Q:\\no\\such\\drive";
    run(targets);
    EXPECT_EQ(status(2), 40);
}

TEST_F(InstallJob, ResourceChoiceForCustomAndOldReleases) {
    installer::target_list targets(release_count);
    targets[9] = folder(L"custom");
    run(targets, 0);
    EXPECT_EQ(status(9), 20) << "resource 300 is absent";
    EXPECT_FALSE(exists(module_in(targets[9].wstring())));

    run(targets, 1);
    EXPECT_EQ(status(9), 2);
    EXPECT_EQ(read_file(module_in(targets[9].wstring())).size(), module_size);

    installer::target_list old(release_count);
    old[0] = folder(L"cs3");
    run(old);
    EXPECT_EQ(status(0), 20);
    EXPECT_EQ(status(9), 2) << "statuses of earlier runs are kept";
}

TEST_F(InstallJob, NoTargetsStillCreatesTheSharedFolder) {
    run(installer::target_list(release_count));
    for (std::size_t i = 0; i < release_count; ++i) {
        EXPECT_EQ(status(i), 0);
    }
    EXPECT_TRUE(exists(shared));
}

TEST_F(InstallJob, LongerExistingModuleIsReplacedCompletely) {
    const std::wstring target = folder(L"existing");
    CreateDirectoryW((target + L"\\Falkmoor").c_str(), nullptr);
    write_file(module_in(target), std::vector<char>(module_size + 4'000'000, 'o'));
    installer::target_list targets(release_count);
    targets[4] = target;
    run(targets);
    EXPECT_EQ(status(4), 2);
    EXPECT_EQ(read_file(module_in(target)), module_bytes());
}

TEST_F(InstallJob, ModuleHeldOpenByAnotherProgram) {
    // A scanner lets go of the module within the retry window; the running
    // host never does. The holder opens it without sharing, as both do.
    struct row {
        const wchar_t* name;
        DWORD released_after_ms; // 0: held until the job has ended
        std::int32_t status;
        bool replaced;
    };
    const row rows[] = {
        {L"scanner", 300, 2, true},
        {L"host", 0, 40, false},
    };
    const std::string previous = "previous module"; // as held_module leaves it
    for (const row& r : rows) {
        SCOPED_TRACE(std::string(r.name, r.name + std::wcslen(r.name)));
        const std::wstring target = folder(r.name);
        installer::test::held_module held(target);
        ASSERT_TRUE(held.holding());
        // The hold is timed from the moment the new module has been written
        // in full beside the old one, when the replace is about to happen.
        if (r.released_after_ms) {
            held.release_once_staged(r.released_after_ms);
        }
        installer::target_list targets(release_count);
        targets[6] = target;
        run(targets);
        held.release();

        EXPECT_EQ(status(6), r.status);
        EXPECT_EQ(read_file(module_in(target)),
                  r.replaced ? module_bytes() : std::vector<char>(previous.begin(), previous.end()));
        const auto left = files_in(target + L"\\Falkmoor");
        ASSERT_EQ(left.size(), 1u) << "no staging file";
        EXPECT_EQ(left[0], L"Quendal.aex");
    }
}

TEST_F(InstallJob, FolderNearThePathLimit) {
    // A plug-in folder as deep as it can be while its module path still fits
    // within MAX_PATH: no file the job writes there may be longer. (Wine has
    // no such limit, so the lengths are checked instead of a failure.)
    const std::size_t module_length = MAX_PATH - 1;
    const std::size_t tail = std::wcslen(L"\\Falkmoor\\Quendal.aex");
    std::wstring target = root;
    while (target.size() < module_length - tail) {
        target += L"\\" + std::wstring(std::min<std::size_t>(100, module_length - tail - target.size() - 1), L'd');
        ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
    }
    const std::wstring vendor = target + L"\\Falkmoor";
    ASSERT_TRUE(CreateDirectoryW(vendor.c_str(), nullptr));
    ASSERT_EQ(module_in(target).size(), module_length);

    installer::target_list targets(release_count);
    targets[3] = target;
    const std::vector<std::wstring> written = names_written_during(vendor, [&] { run(targets); });
    EXPECT_EQ(status(3), 2);
    EXPECT_EQ(read_file(module_in(target)), module_bytes());
    EXPECT_GE(written.size(), 1u);
    for (const std::wstring& name : written) {
        EXPECT_LT(vendor.size() + 1 + name.size(), std::size_t{MAX_PATH})
            << "written: " << name.size() << " characters";
    }
}

TEST_F(InstallJob, StagingFileIsNeverLoadableAsAModule) {
    // A new name for every file, as long as the module's and never ending in
    // ".aex"; the file goes when it is dropped without being kept.
    const std::wstring vendor = folder(L"staging");
    std::vector<std::wstring> names;
    {
        const installer::staging_file first(vendor);
        const installer::staging_file second(vendor);
        ASSERT_TRUE(first.created() && second.created());
        names = files_in(vendor);
    }
    ASSERT_EQ(names.size(), 2u);
    EXPECT_NE(names[0], names[1]);
    for (const std::wstring& staged : names) {
        EXPECT_NE(staged.substr(staged.size() - 4), L".aex");
        EXPECT_EQ(staged.size(), std::wcslen(L"Quendal.aex"));
    }
    EXPECT_TRUE(files_in(vendor).empty());
}

// Needs a tiny file system mounted as a drive of the prefix; the script
// tests/full_disk_test.sh provides it and names the target folder.
TEST_F(InstallJob, FullDiskKeepsThePreviousModule) {
    wchar_t target[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"NORVIK_FULL_DISK_TARGET", target, MAX_PATH)) {
        GTEST_SKIP() << "no small drive mounted (run through full_disk_test.sh)";
    }
    const std::vector<char> previous = read_file(module_in(target));
    ASSERT_FALSE(previous.empty()) << "the script places a previous module";
    installer::target_list targets(release_count);
    targets[5] = std::wstring(target);
    run(targets);
    EXPECT_EQ(status(5), 50);
    EXPECT_EQ(read_file(module_in(target)), previous);
    EXPECT_EQ(files_in(std::wstring(target) + L"\\Falkmoor"), std::vector<std::wstring>{L"Quendal.aex"});
}

TEST_F(InstallJob, StatusesAreVisibleOnceDoneIsSeen) {
    installer::target_list targets(release_count);
    targets[2] = folder(L"a");
    targets[8] = folder(L"b");
    std::thread worker(&installer::System::run, &job, targets, 1);
    // Poll like the wizard's timer: once done is seen, every status is final.
    while (!job.done.load(std::memory_order_acquire)) {
        std::this_thread::yield();
    }
    EXPECT_EQ(status(2), 2);
    EXPECT_EQ(status(8), 2);
    worker.join();
}

TEST_F(InstallJob, PlantedLinksKeepTheirTargetsWhole) {
    // Someone who may write a plug-in folder plants links where the job
    // writes, to files nobody asked it to change. Links made on the host, as
    // Wine 8 shows them: without the reparse attribute, followed on open.
    const std::vector<char> victim(1000, 'v');
    const std::wstring victims = folder(L"victims");
    write_file(victims + L"\\system.dll", victim);
    write_file(victims + L"\\Quendal.aex", victim);
    const std::wstring staged = folder(L"staged");
    ASSERT_TRUE(CreateDirectoryW((staged + L"\\Falkmoor").c_str(), nullptr));
    ASSERT_TRUE(norvik::test::plant_host_link(staged + L"\\Falkmoor\\Quendal.new", victims + L"\\system.dll"));
    const std::wstring linked_vendor = folder(L"linked-vendor");
    ASSERT_TRUE(norvik::test::plant_host_link(linked_vendor + L"\\Falkmoor", victims));
    const std::wstring linked_module = folder(L"linked-module");
    ASSERT_TRUE(CreateDirectoryW((linked_module + L"\\Falkmoor").c_str(), nullptr));
    ASSERT_TRUE(norvik::test::plant_host_link(module_in(linked_module), victims + L"\\system.dll"));

    struct row {
        std::wstring target;
        std::int32_t status;
        std::uint32_t error;
    };
    // The old staging name is passed over (and left where it is); a vendor
    // folder or module that is a link is refused (681: "stopped after
    // reaching a symbolic link").
    const row rows[] = {{staged, 2, 0}, {linked_vendor, 40, 681}, {linked_module, 40, 681}};
    for (const row& r : rows) {
        SCOPED_TRACE(std::string(r.target.begin(), r.target.end()));
        installer::target_list targets(release_count);
        targets[4] = r.target;
        run(targets);
        EXPECT_EQ(status(4), r.status);
        EXPECT_EQ(job.error[4].load(std::memory_order_acquire), r.error);
    }
    EXPECT_EQ(read_file(module_in(staged)), module_bytes());
    EXPECT_EQ(files_in(staged + L"\\Falkmoor"), (std::vector<std::wstring>{L"Quendal.aex", L"Quendal.new"}));
    EXPECT_EQ(files_in(victims), (std::vector<std::wstring>{L"Quendal.aex", L"system.dll"}));
    EXPECT_EQ(read_file(victims + L"\\system.dll"), victim);
    EXPECT_EQ(read_file(victims + L"\\Quendal.aex"), victim);
}

TEST_F(InstallJob, MissingCustomFolderIsMadeAMissingReleaseFolderIsNot) {
    // The custom folder is the last target; a release's plug-in folder that
    // is missing means the release is not really installed.
    const std::size_t custom = release_count - 1;
    installer::target_list targets(release_count);
    targets[3] = root + L"\\release\\gone";
    targets[custom] = root + L"\\made\\for\\custom\\";
    run(targets);
    EXPECT_EQ(status(3), 40);
    EXPECT_FALSE(exists(root + L"\\release"));

    targets[3] = file_path();
    run(targets);
    EXPECT_EQ(status(custom), 2);
    EXPECT_EQ(read_file(module_in(root + L"\\made\\for\\custom")), module_bytes());
}

// ---- the shared data folder's access list ----

// Modify: read, write, execute and delete, and nothing that changes the
// folder's permissions or owner.
bool is_users_modify(const ACCESS_ALLOWED_ACE* ace) {
    PSID users = nullptr;
    ConvertStringSidToSidW(L"S-1-5-32-545", &users);
    const bool match = ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
                       EqualSid(const_cast<DWORD*>(&ace->SidStart), users) && ace->Mask == 0x1301BF &&
                       (ace->Mask & (WRITE_DAC | WRITE_OWNER | GENERIC_ALL)) == 0 &&
                       (ace->Header.AceFlags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)) ==
                           (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
    LocalFree(users);
    return match;
}

TEST(SharedDataFolder, GrantIsMergedIntoTheExistingList) {
    // Wine keeps no folder DACLs, so the list the folder would receive is
    // checked instead of the folder's own.
    PACL existing = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)",
                                                                     SDDL_REVISION_1, &descriptor, nullptr));
    BOOL present = FALSE, defaulted = FALSE;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &existing, &defaulted));

    installer::local_ptr<ACL> merged = installer::shared_data_folder::list_with_users_grant(existing);
    ASSERT_TRUE(merged);
    ASSERT_EQ(merged->AceCount, existing->AceCount + 1);
    int users_entries = 0;
    for (DWORD i = 0; i < merged->AceCount; ++i) {
        void* ace = nullptr;
        ASSERT_TRUE(GetAce(merged.get(), i, &ace));
        if (is_users_modify(static_cast<ACCESS_ALLOWED_ACE*>(ace))) {
            ++users_entries;
        }
    }
    EXPECT_EQ(users_entries, 1);
    LocalFree(descriptor);
}

TEST(SharedDataFolder, ExistingFolderIsLeftAlone) {
    const std::wstring shared = installer::shared_data_folder::path();
    ASSERT_EQ(shared.back(), L'\\');
    RemoveDirectoryW(shared.c_str());
    EXPECT_EQ(installer::shared_data_folder::create(), installer::shared_data_folder::outcome::created);
    EXPECT_EQ(installer::shared_data_folder::create(), installer::shared_data_folder::outcome::already_present);
    RemoveDirectoryW(shared.c_str());
}

// Users may make the folder before the installer does: a link to a folder
// of the system, or a folder of their own. Either is refused and left alone.
TEST(SharedDataFolder, LinkIsRefusedAndLeftAlone) {
    std::wstring shared = installer::shared_data_folder::path();
    shared.pop_back();
    RemoveDirectoryW(shared.c_str());
    const std::wstring elsewhere = L"C:\\install-job-test\\shared-elsewhere";
    CreateDirectoryW(L"C:\\install-job-test", nullptr);
    CreateDirectoryW(elsewhere.c_str(), nullptr);
    ASSERT_TRUE(norvik::test::plant_host_link(shared, elsewhere));
    EXPECT_EQ(installer::shared_data_folder::create(), installer::shared_data_folder::outcome::refused_link);
    EXPECT_TRUE(norvik::test::remove_host_link(shared));
    EXPECT_TRUE(files_in(elsewhere).empty());
    RemoveDirectoryW(elsewhere.c_str());
}

TEST(SharedDataFolder, ForeignOwnerIsRefusedAndLeftAlone) {
    const std::wstring shared = installer::shared_data_folder::path();
    RemoveDirectoryW(shared.c_str());
    ASSERT_TRUE(CreateDirectoryW(shared.c_str(), nullptr));
    if (!norvik::test::give_to_another_user(shared)) {
        RemoveDirectoryW(shared.c_str());
        GTEST_SKIP() << "the host does not let this test give a folder to another user (needs root)";
    }
    EXPECT_EQ(installer::shared_data_folder::create(), installer::shared_data_folder::outcome::refused_foreign_owner);
    RemoveDirectoryW(shared.c_str());
}

TEST(SharedDataFolder, PathIsTheShellsWhateverTheEnvironmentSays) {
    // The path is read from %ProgramData% when that holds an absolute folder,
    // and asked of the shell otherwise; both must agree.
    wchar_t common[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common)));
    const std::wstring expected = std::wstring(common) + L"\\Falkmoor\\";
    wchar_t saved[MAX_PATH] = {};
    const bool had = GetEnvironmentVariableW(L"ProgramData", saved, MAX_PATH) > 0;
    EXPECT_EQ(installer::shared_data_folder::path(), expected);
    for (const wchar_t* value : {static_cast<const wchar_t*>(nullptr), L"", L"ProgramData", L"C:", L"\\ProgramData"}) {
        SetEnvironmentVariableW(L"ProgramData", value);
        EXPECT_EQ(installer::shared_data_folder::path(), expected) << (value ? value : L"(none)");
    }
    SetEnvironmentVariableW(L"ProgramData", had ? saved : nullptr);
}

} // namespace
