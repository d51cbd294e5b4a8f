#include "installer/module_holders.h"

#include <restartmanager.h>
#include <tlhelp32.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <type_traits>

#include "installer/win32_handles.h"

namespace installer {

namespace {

// The host's programs: the application, its public beta, and the
// command-line renderer of render nodes, which sits beside the application.
constexpr const wchar_t* host_programs[] = {L"AfterFX.exe", L"AfterFX (Beta).exe", L"aerender.exe"};
// The list may grow between the call that sizes it and the one that fills
// it, as programs start; a few rounds are enough.
constexpr int list_rounds = 3;

bool same_text(std::wstring_view a, std::wstring_view b) noexcept {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// Lenient UTF-8: a file name may hold unpaired surrogates.
std::string utf8(const std::wstring& text) {
    return norvik::filesystem::file_path(text).to_utf8();
}

// A folder for comparing: backslashes only, no trailing one.
std::wstring folder_key(const std::wstring& folder) {
    std::wstring key = folder;
    std::replace(key.begin(), key.end(), L'/', L'\\');
    while (!key.empty() && key.back() == L'\\') {
        key.pop_back();
    }
    return key;
}

// Whether `inner` is `outer` or lies inside it.
bool within(const std::wstring& inner, const std::wstring& outer) {
    const std::wstring a = folder_key(inner);
    const std::wstring b = folder_key(outer);
    return !b.empty() && a.size() >= b.size() && same_text(std::wstring_view(a).substr(0, b.size()), b) &&
           (a.size() == b.size() || a[b.size()] == L'\\');
}

// Fills in the file name and folder of process `id`. A process that has
// ended and whose number went to another since is told apart by its start
// time, when the caller knows it.
void describe_process(module_holder& holder, const FILETIME* started) {
    const unique_handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, holder.process_id));
    if (!process) {
        return;
    }
    FILETIME creation{}, exit{}, kernel{}, user{};
    if (started != nullptr && (!GetProcessTimes(process.get(), &creation, &exit, &kernel, &user) ||
                               CompareFileTime(&creation, started) != 0)) {
        return;
    }
    wchar_t path[MAX_PATH * 4] = {};
    DWORD length = static_cast<DWORD>(std::size(path));
    if (!QueryFullProcessImageNameW(process.get(), 0, path, &length)) {
        return;
    }
    const std::wstring full(path, length);
    const std::size_t slash = full.find_last_of(L"\\/");
    holder.image = slash == std::wstring::npos ? full : full.substr(slash + 1);
    holder.folder = slash == std::wstring::npos ? std::wstring() : full.substr(0, slash);
}

// The Restart Manager, loaded only when a module is held. By full system
// path: the installer runs elevated, and a DLL of that name planted in its
// own folder must not be loaded.
class restart_manager {
public:
    restart_manager() : library_(LoadLibraryExW(L"rstrtmgr.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        resolve("RmStartSession", start_);
        resolve("RmEndSession", end_);
        resolve("RmRegisterResources", register_);
        resolve("RmGetList", list_);
    }

    // The processes that hold `file`; none when it cannot say.
    std::vector<module_holder> holders_of(const norvik::filesystem::file_path& file) const {
        DWORD session = 0;
        WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
        if (!start_ || !end_ || !register_ || !list_ || start_(&session, 0, key) != ERROR_SUCCESS) {
            return {};
        }
        const auto end_session = [this](const DWORD* s) { end_(*s); };
        const std::unique_ptr<DWORD, decltype(end_session)> session_owner(&session, end_session);
        LPCWSTR files[] = {file.c_str()};
        if (register_(session, 1, files, 0, nullptr, 0, nullptr) != ERROR_SUCCESS) {
            return {};
        }
        std::vector<RM_PROCESS_INFO> listed;
        UINT needed = 0;
        for (int round = 0; round < list_rounds; ++round) {
            UINT count = static_cast<UINT>(listed.size());
            DWORD reasons = 0;
            const DWORD status = list_(session, &needed, &count, listed.data(), &reasons);
            if (status == ERROR_SUCCESS) {
                listed.resize(count);
                return holders_in(listed);
            }
            if (status != ERROR_MORE_DATA) {
                return {};
            }
            listed.resize(needed);
        }
        return {};
    }

private:
    template <typename F>
    void resolve(const char* name, F& entry) {
        entry = library_ ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library_.get(), name))) : nullptr;
    }

    static std::vector<module_holder> holders_in(const std::vector<RM_PROCESS_INFO>& listed) {
        std::vector<module_holder> holders;
        for (const RM_PROCESS_INFO& info : listed) {
            module_holder holder;
            holder.process_id = info.Process.dwProcessId;
            holder.application = info.strAppName;
            describe_process(holder, &info.Process.ProcessStartTime);
            holders.push_back(std::move(holder));
        }
        return holders;
    }

    unique_library library_;
    decltype(&RmStartSession) start_ = nullptr;
    decltype(&RmEndSession) end_ = nullptr;
    decltype(&RmRegisterResources) register_ = nullptr;
    decltype(&RmGetList) list_ = nullptr;
};

// The host's programs that are running, from a snapshot of the processes.
// It cannot tell which file a process holds, but a host that runs is what
// holds a plug-in module in practice.
std::vector<module_holder> running_hosts() {
    std::vector<module_holder> hosts;
    const unique_handle snapshot = adopt_file(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        return hosts;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        const auto is_host = [&](const wchar_t* name) { return same_text(entry.szExeFile, name); };
        if (std::any_of(std::begin(host_programs), std::end(host_programs), is_host)) {
            module_holder holder;
            holder.process_id = entry.th32ProcessID;
            holder.image = entry.szExeFile;
            describe_process(holder, nullptr);
            hosts.push_back(std::move(holder));
        }
    }
    return hosts;
}

// The release whose plug-in folder lies in `folder`, the folder a host runs
// from ("...\Support Files" holds "...\Support Files\Plug-ins"); none when no
// release, or more than one, does.
std::optional<std::size_t> release_of(const norvik::filesystem::file_path& folder, const release_catalogue& releases) {
    std::optional<std::size_t> found;
    for (std::size_t i = 0; i < releases.custom() && !folder.empty(); ++i) {
        if (!releases[i].folder.empty() && within(releases[i].folder.wstring(), folder.wstring())) {
            if (found) {
                return std::nullopt;
            }
            found = i;
        }
    }
    return found;
}

std::string name_of(const module_holder& holder, const std::optional<std::size_t>& release,
                    const release_catalogue& releases) {
    const std::string image = utf8(holder.image);
    if (release && !image.empty()) {
        return "After Effects " + releases[*release].name + " (" + image + ")";
    }
    const std::string application = utf8(holder.application);
    if (!application.empty() && !image.empty()) {
        return application + " (" + image + ")";
    }
    if (!image.empty() || !application.empty()) {
        return image.empty() ? application : image;
    }
    return "the program with process id " + std::to_string(holder.process_id);
}

// "A", "A and B", "A, B and C".
std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    }
    return text;
}

} // namespace

module_holders module_holders::find(const norvik::filesystem::file_path& file) noexcept {
    try {
        module_holders found;
        found.programs = restart_manager().holders_of(file);
        found.exact = !found.programs.empty();
        // Where the Restart Manager names nobody, as Wine's always does (its
        // functions succeed and list nothing), the running hosts stand in.
        if (!found.exact) {
            found.programs = running_hosts();
        }
        return found;
    } catch (...) {
        return {};
    }
}

std::vector<std::string> module_holders::names(const release_catalogue& releases, std::size_t target) const {
    std::vector<std::string> names;
    for (const module_holder& holder : programs) {
        const std::optional<std::size_t> release = release_of(holder.folder, releases);
        if (!exact && release && *release != target && target != releases.custom()) {
            continue;
        }
        std::string name = name_of(holder, release, releases);
        if (std::find(names.begin(), names.end(), name) == names.end()) {
            names.push_back(std::move(name));
        }
    }
    return names;
}

std::string module_holders::close_request(const release_catalogue& releases, std::size_t target) const {
    const std::vector<std::string> all = names(releases, target);
    if (all.empty()) {
        return {};
    }
    return joined(all) +
           (all.size() == 1 ? " is running. Close it, then choose Yes." : " are running. Close them, then choose Yes.");
}

std::string module_holders::log_text(const release_catalogue& releases, std::size_t target) const {
    const std::vector<std::string> all = names(releases, target);
    if (all.empty()) {
        return {};
    }
    if (exact) {
        return "the module is held by " + joined(all);
    }
    return "the module is in use, and " + joined(all) + (all.size() == 1 ? " is running" : " are running");
}

} // namespace installer
