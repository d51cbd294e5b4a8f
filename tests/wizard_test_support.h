#pragma once

// Runs the installer's wizard in the test's own process, on real registry
// keys and real folders of the test prefix: release registration, reading
// files back, the module the job writes, pointer presses on its controls,
// and pop-ups answered from a thread timer, which the pop-up's own modal
// loop dispatches.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "installer/installer_ui.h"
#include "tests/module_files.h"
#include "tests/widget_test_support.h"
#include "ui/controls/message_popup.h"

namespace installer::test {

inline constexpr wchar_t host_key[] = L"SOFTWARE\\Adobe\\After Effects";

// Records `folder` as the plug-in folder of the release subkey `key`.
inline void register_release(const std::wstring& key, const std::wstring& folder) {
    const std::wstring path = std::wstring(host_key) + L"\\" + key;
    HKEY k = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr);
    RegSetValueExW(k, L"PluginInstallPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
}

inline std::vector<std::wstring> files_in(const std::wstring& folder) {
    std::vector<std::wstring> names;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(folder), ignored)) {
        names.push_back(entry.path().filename().wstring());
    }
    return names;
}

inline void show(InstallerUI& wizard) {
    norvik::ui::emit(&wizard, norvik::ui::event_kind::shown, 0);
    ASSERT_TRUE(norvik::test::show_and_activate(wizard));
}

// The centre of a widget, in window coordinates.
inline norvik::ui::point centre(const norvik::ui::widget& w) {
    norvik::ui::point p{w.rect.x + w.rect.width / 2, w.rect.y + w.rect.height / 2};
    for (const norvik::ui::widget* a = w.parent; a != nullptr; a = a->parent) {
        p.x += a->rect.x;
        p.y += a->rect.y;
    }
    return p;
}

inline void press(InstallerUI& wizard, const norvik::ui::widget& w) { norvik::test::click(wizard, centre(w)); }

// Answers the next pop-up with `title` from inside its modal loop, once
// `ready` holds (at once without it): records its message, runs `before` (to
// change the world while the question is open) and then presses Enter (the
// first button) or closes it.
class popup_answer {
public:
    popup_answer(const wchar_t* title, bool first_button, std::function<void()> before = {},
                 std::function<bool()> ready = {})
        : title_(title), first_(first_button), before_(std::move(before)), ready_(std::move(ready)) {
        timer_ = SetTimer(nullptr, 0, 50, &popup_answer::tick);
        answerers().push_back(this);
    }
    ~popup_answer() {
        KillTimer(nullptr, timer_);
        std::erase(answerers(), this);
    }
    popup_answer(const popup_answer&) = delete;
    popup_answer& operator=(const popup_answer&) = delete;

    int answered = 0;
    std::string message;

private:
    // Several may wait at once, each for its own question.
    static std::vector<popup_answer*>& answerers() {
        static std::vector<popup_answer*> all;
        return all;
    }

    static void CALLBACK tick(HWND, UINT, UINT_PTR timer, DWORD) {
        const auto mine = std::find_if(answerers().begin(), answerers().end(),
                                       [timer](const popup_answer* a) { return a->timer_ == timer; });
        popup_answer* self = mine != answerers().end() ? *mine : nullptr;
        HWND popup = self != nullptr ? FindWindowW(nullptr, self->title_) : nullptr;
        if (popup == nullptr || !IsWindowVisible(popup)) {
            return;
        }
        auto* native = reinterpret_cast<norvik::ui::native_window*>(GetWindowLongPtrW(popup, GWLP_USERDATA));
        auto* box = native != nullptr ? dynamic_cast<norvik::ui::MessagePopup*>(native->window) : nullptr;
        if (box == nullptr || !native->modal_running || (self->ready_ && !self->ready_())) {
            return;
        }
        self->message = box->message;
        if (self->before_) {
            self->before_();
        }
        ++self->answered;
        if (self->first_) {
            PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
        } else {
            PostMessageW(popup, WM_CLOSE, 0, 0);
        }
    }

    const wchar_t* title_;
    bool first_;
    std::function<void()> before_;
    std::function<bool()> ready_;
    UINT_PTR timer_ = 0;
};

} // namespace installer::test
