#include "installer/command_line.h"

#include <algorithm>
#include <cwctype>

#include "installer/release_catalogue.h"
#include "ui/core/text/text_conversion.h"

namespace installer {

namespace {

constexpr std::wstring_view marker = L"/UAC";

bool is_blank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// Blank-separated tokens; a double quote starts or ends a run in which blanks
// belong to the token, and is itself dropped. Backslashes are not escapes, so
// /dir="C:\Plug Ins\" keeps its last backslash (the C runtime's rules would
// turn \" into a quote and swallow the rest of the line).
std::vector<std::wstring> tokens_of(std::wstring_view tail) {
    std::vector<std::wstring> tokens;
    std::wstring token;
    bool quoted = false;
    bool any = false;
    for (const wchar_t c : tail) {
        if (c == L'"') {
            quoted = !quoted;
            any = true;
        } else if (is_blank(c) && !quoted) {
            if (any) {
                tokens.push_back(std::move(token));
            }
            token.clear();
            any = false;
        } else {
            token.push_back(c);
            any = true;
        }
    }
    if (any) {
        tokens.push_back(std::move(token));
    }
    return tokens;
}

std::wstring lower(std::wstring_view text) {
    std::wstring out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](wchar_t c) { return std::towlower(c); });
    return out;
}

std::wstring_view trimmed(std::wstring_view text) {
    while (!text.empty() && is_blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && is_blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string quoted_utf8(std::wstring_view text) {
    std::string quoted(1, '"');
    quoted += norvik::text::utf16_to_utf8(text);
    quoted += '"';
    return quoted;
}

// "C:\..." (either slash) or a network path "\\server\share...". A drive
// without a slash ("C:plugins") and a path from the root of the current
// drive ("\plugins") depend on where the program happens to run.
bool is_absolute_folder(std::wstring_view path) {
    const bool drive =
        path.size() >= 3 && std::iswalpha(path[0]) && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    const bool network = path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\' && !is_blank(path[2]);
    return drive || network;
}

} // namespace

command_line::command_line(std::wstring_view tail) : text_(tail) {
    std::vector<std::wstring> unknown;
    bool marker_token = false;
    for (const std::wstring& token : tokens_of(tail)) {
        if (token == marker) {
            marker_token = true;
        } else if (read_switch(token)) {
            has_switches_ = true;
        } else {
            unknown.push_back(token);
        }
    }
    if (!has_switches_) {
        // Without the switches the command line means what it always did:
        // "/UAC" anywhere marks the elevated copy, stray words are ignored.
        marked_ = tail.find(marker) != std::wstring_view::npos;
        return;
    }
    // Next to them it means what it says: only "/UAC" as a word of its own
    // marks the elevated copy (never a value such as /dir="D:/UAC tools"),
    // and a word that is not understood must not pass unnoticed.
    marked_ = marker_token;
    if (!unknown.empty()) {
        complain("the switch " + quoted_utf8(unknown.front()) +
                 " is not understood (known: /quiet, /passive, /releases=, /dir=, /log=, /force, /uninstall)");
    }
    if (quiet && passive) {
        complain("/quiet and /passive contradict each other: give one of them");
    }
    if (uninstall && (releases || !dir.empty())) {
        complain("/uninstall removes every module the installer recorded: it takes no /releases= or /dir=");
    }
}

bool command_line::read_switch(const std::wstring& token) {
    const std::size_t equals = token.find(L'=');
    const std::wstring name = lower(std::wstring_view(token).substr(0, equals));
    const std::wstring value = equals == std::wstring::npos ? std::wstring() : token.substr(equals + 1);
    if (name == L"/quiet" && equals == std::wstring::npos) {
        quiet = true;
    } else if (name == L"/passive" && equals == std::wstring::npos) {
        passive = true;
    } else if (name == L"/releases" && equals != std::wstring::npos) {
        read_releases(value);
    } else if (name == L"/dir" && equals != std::wstring::npos) {
        read_dir(value);
    } else if (name == L"/log" && equals != std::wstring::npos) {
        log_path = value;
    } else if (name == L"/force" && equals == std::wstring::npos) {
        force = true;
    } else if (name == L"/uninstall" && equals == std::wstring::npos) {
        uninstall = true;
    } else if (name == L"/remove-uninstaller" && equals != std::wstring::npos) {
        read_removal(value);
    } else {
        return false;
    }
    return true;
}

void command_line::read_releases(std::wstring_view list) {
    std::vector<std::string> named;
    std::wstring_view rest = list;
    for (;;) {
        const std::size_t comma = rest.find(L',');
        const std::wstring_view name = trimmed(rest.substr(0, comma));
        const std::string release = release_catalogue::release_name(name);
        if (name.empty()) {
            complain("/releases= names an empty release (the names are separated by commas)");
        } else if (lower(name) == L"custom") {
            complain("/releases= names \"Custom\", which is no release: give the folder with /dir=");
        } else if (release.empty()) {
            complain("/releases= names " + quoted_utf8(name) +
                     ", which is no release this installer knows (CS3, CS4, CS5, CS55, CS6, CC, CC2014, "
                     "CC2015, CC2015.3, CC2017, CC2018, CC2019, 2020, 2021, and 2022 or any later year)");
        } else if (std::find(named.begin(), named.end(), release) == named.end()) {
            named.push_back(release);
        }
        if (comma == std::wstring_view::npos) {
            break;
        }
        rest.remove_prefix(comma + 1);
    }
    std::sort(named.begin(), named.end(), [](const std::string& a, const std::string& b) {
        return release_catalogue::order_of(a) < release_catalogue::order_of(b);
    });
    releases = std::move(named);
}

void command_line::read_removal(const std::wstring& value) {
    std::uintptr_t handle = 0;
    for (const wchar_t c : value) {
        if (c < L'0' || c > L'9' || handle > UINTPTR_MAX / 10) {
            complain("/remove-uninstaller= takes a number");
            return;
        }
        handle = handle * 10 + static_cast<std::uintptr_t>(c - L'0');
    }
    uninstaller_removal = handle;
}

void command_line::read_dir(const std::wstring& value) {
    if (value.empty()) {
        complain("/dir= names no folder");
    } else if (!is_absolute_folder(value)) {
        complain("/dir= needs a full folder path such as C:\\Plug-ins, not " + quoted_utf8(value));
    }
    dir = value;
}

void command_line::complain(std::string sentence) {
    if (error_.empty()) {
        error_ = std::move(sentence);
    }
}

std::wstring command_line::elevated_parameters() const {
    return has_switches_ ? std::wstring(marker) + L" " + text_ : std::wstring(marker);
}

} // namespace installer
