#pragma once

// The plug-in module as the install job leaves it: where it lands in a
// plug-in folder, the bytes it must have (the test program's own resource
// 400, which it carries like the installer), and a previous module for the
// job to replace.

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace installer::test {

// The plug-in module as the job writes it: this program's resource 400.
const std::vector<char>& module_bytes();

// Where the job puts the module in the plug-in folder `folder`.
std::wstring module_in(const std::wstring& folder);

// Whether the module in `folder` is there in full.
bool installed(const std::wstring& folder);

// Puts a short previous module ("previous module") into `folder`, making the
// vendor folder as needed; returns its path.
std::wstring previous_module(const std::wstring& folder);

// A previous module in `folder`, held open without sharing, as a running host
// or a scanner holds it, until let go.
class held_module {
public:
    explicit held_module(const std::wstring& folder);
    // Lets go, once the thread of release_once_staged has, if any.
    ~held_module();
    held_module(const held_module&) = delete;
    held_module& operator=(const held_module&) = delete;

    // Lets go now.
    void release();
    // Lets go on a thread of its own `delay_ms` after the job has written
    // the new module in full beside this one (a staging file of the module's
    // size), when it is about to replace it. The job retries the replace for
    // about a second from then, so a delay timed from there, unlike one timed
    // from the call, falls within the retries however long the writing took.
    void release_once_staged(unsigned delay_ms);
    [[nodiscard]] bool holding() const { return handle_.load() != nullptr; }

    const std::wstring path;

private:
    // Whether the vendor folder holds a staging file as long as the module.
    bool staged() const;

    std::atomic<void*> handle_{nullptr};
    std::jthread releaser_; // last: stopped and joined before the rest goes
};

} // namespace installer::test
