// Keyboard and IME input and the file drop target, inside real toolkit
// windows: modifier state from real key presses, the composition state
// machine driven through the window procedure from a real input context,
// and drops of real CF_HDROP data on real files and folders.

#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <windows.h>
#include <gtest/gtest.h>
#include <imm.h>
#include <ole2.h>
#include <shlobj.h>
#include <wrl/client.h>

#include "tests/widget_test_support.h"
#include "ui/core/key_state.h"
#include "ui/core/widget.h"
#include "ui/core/window.h"

// The parts of an input context an IME fills in (the IME development kit's
// INPUTCONTEXT and COMPOSITIONSTRING; mingw-w64 ships no immdev.h). The test
// plays the IME: it writes the composition block, then sends the messages.
struct ime_input_context {
    HWND hWnd;
    BOOL fOpen;
    POINT ptStatusWndPos;
    POINT ptSoftKbdPos;
    DWORD fdwConversion;
    DWORD fdwSentence;
    union {
        LOGFONTA A;
        LOGFONTW W;
    } lfFont;
    COMPOSITIONFORM cfCompForm;
    CANDIDATEFORM cfCandForm[4];
    HIMCC hCompStr;
    HIMCC hCandInfo;
    HIMCC hGuideLine;
    HIMCC hPrivate;
    DWORD dwNumMsgBuf;
    HIMCC hMsgBuf;
    DWORD fdwInit;
    DWORD dwReserve[3];
};

struct ime_composition_string {
    DWORD dwSize;
    DWORD dwCompReadAttrLen, dwCompReadAttrOffset, dwCompReadClauseLen, dwCompReadClauseOffset;
    DWORD dwCompReadStrLen, dwCompReadStrOffset;
    DWORD dwCompAttrLen, dwCompAttrOffset, dwCompClauseLen, dwCompClauseOffset;
    DWORD dwCompStrLen, dwCompStrOffset;
    DWORD dwCursorPos, dwDeltaStart;
    DWORD dwResultReadClauseLen, dwResultReadClauseOffset, dwResultReadStrLen, dwResultReadStrOffset;
    DWORD dwResultClauseLen, dwResultClauseOffset;
    DWORD dwResultStrLen, dwResultStrOffset;
    DWORD dwPrivateSize, dwPrivateOffset;
};

extern "C" {
ime_input_context* WINAPI ImmLockIMC(HIMC);
BOOL WINAPI ImmUnlockIMC(HIMC);
LPVOID WINAPI ImmLockIMCC(HIMCC);
BOOL WINAPI ImmUnlockIMCC(HIMCC);
HIMCC WINAPI ImmReSizeIMCC(HIMCC, DWORD);
}

namespace {

using norvik::ui::connect;
using norvik::ui::event_handler;
using norvik::ui::event_info;
using norvik::ui::event_kind;
using norvik::ui::widget;
using values = std::vector<uint64_t>;
using paths = std::vector<std::wstring>;

class Input : public ::testing::Test {
protected:
    void SetUp() override {
        SetCursorPos(0, 0);
        w.create("input test", {100, 100, 400, 300});
        field.create(w.root, {10, 10, 200, 30});
        field.focusable = true;
        connect(&field, event_kind::ime_composition,
                event_handler([this](const event_info& info) { composition_events.push_back(info.value); }));
        w.set_focus(&field, 0);
    }

    values take_events() { return std::exchange(composition_events, {}); }

    norvik::ui::window w;
    widget field;
    values composition_events;
};

// --- keyboard ---

// Presses `keys` in order as real input, reads every code while they are
// held, then releases them in reverse order.
std::vector<bool> codes_while_held(const std::vector<WORD>& keys) {
    std::vector<std::pair<WORD, bool>> presses;
    std::vector<std::pair<WORD, bool>> releases;
    for (WORD vk : keys) {
        presses.emplace_back(vk, true);
        releases.emplace(releases.begin(), vk, false);
    }
    norvik::test::send_keys(presses);
    std::vector<bool> held;
    for (int code = 0; code < 10; ++code) {
        held.push_back(norvik::ui::key_state(static_cast<norvik::ui::key_state_code>(code)));
    }
    norvik::test::send_keys(releases);
    return held;
}

TEST_F(Input, KeyStateFollowsTheKeysHeldAndAltGrIsNoControl) {
    ASSERT_TRUE(norvik::test::show_and_activate(w));
    struct row {
        std::vector<WORD> keys;
        std::vector<int> true_codes;
    };
    // Alt is only ever held together with Control: a lone Alt released
    // would open the system menu's keyboard loop.
    const row rows[] = {
        {{}, {}},
        {{VK_LCONTROL}, {0, 1}},
        {{VK_RCONTROL}, {0, 2}},
        {{VK_LCONTROL, VK_RMENU}, {1, 6, 8}}, // AltGr
        {{VK_LCONTROL, VK_LMENU}, {0, 1, 6, 7}},
        {{VK_LSHIFT}, {3, 4}},
        {{VK_RSHIFT}, {3, 5}},
        {{VK_SPACE}, {9}},
    };
    for (const row& r : rows) {
        std::vector<bool> expected(10, false);
        for (int code : r.true_codes) {
            expected[static_cast<std::size_t>(code)] = true;
        }
        EXPECT_EQ(codes_while_held(r.keys), expected) << "first key " << (r.keys.empty() ? 0 : r.keys.front());
    }
}

// --- IME ---

// What an IME would leave in the input context: the composition, one
// attribute byte per unit, the cursor position and the result string.
void write_composition(HIMC context, std::wstring_view composition, BYTE attribute, DWORD cursor_position,
                       std::wstring_view result) {
    const auto units = static_cast<DWORD>(composition.size());
    const auto result_units = static_cast<DWORD>(result.size());
    ime_composition_string header{};
    header.dwCompStrLen = units;
    header.dwCompStrOffset = sizeof(header);
    header.dwCompAttrLen = units;
    header.dwCompAttrOffset = header.dwCompStrOffset + units * sizeof(wchar_t);
    header.dwResultStrLen = result_units;
    header.dwResultStrOffset = header.dwCompAttrOffset + units;
    header.dwCursorPos = cursor_position;
    header.dwSize = header.dwResultStrOffset + result_units * sizeof(wchar_t);

    ime_input_context* input = ImmLockIMC(context);
    ASSERT_NE(input, nullptr);
    input->hCompStr = ImmReSizeIMCC(input->hCompStr, header.dwSize);
    auto* block = static_cast<BYTE*>(ImmLockIMCC(input->hCompStr));
    ASSERT_NE(block, nullptr);
    std::memcpy(block, &header, sizeof(header));
    std::memcpy(block + header.dwCompStrOffset, composition.data(), units * sizeof(wchar_t));
    std::memset(block + header.dwCompAttrOffset, attribute, units);
    std::memcpy(block + header.dwResultStrOffset, result.data(), result_units * sizeof(wchar_t));
    ImmUnlockIMCC(input->hCompStr);
    ImmUnlockIMC(context);
}

TEST_F(Input, TheCompositionStateMachineFollowsTheImeMessages) {
    const HWND hwnd = w.native.hwnd;
    norvik::ui::text_input& ime = *w.text_input;
    EXPECT_EQ(ImmGetContext(hwnd), nullptr) << "the window starts without an input context";

    SendMessageW(hwnd, WM_INPUTLANGCHANGE, 0, 0);
    EXPECT_EQ(ime.language, LOWORD(reinterpret_cast<UINT_PTR>(GetKeyboardLayout(0))));
    EXPECT_EQ(ime.ime_active, ImmIsIME(GetKeyboardLayout(0)) == 1);

    // A text entry would give the window a context; the test does, and
    // plays the IME.
    const HIMC context = ImmCreateContext();
    ImmAssociateContext(hwnd, context);
    const auto compose = [&](LPARAM flags) { SendMessageW(hwnd, WM_IME_COMPOSITION, 0, flags); };

    SendMessageW(hwnd, WM_IME_ENDCOMPOSITION, 0, 0);
    EXPECT_EQ(take_events(), values{}) << "an end without a start";

    ime.caret = {10, 20, 30, 40};
    SendMessageW(hwnd, WM_IME_STARTCOMPOSITION, 0, 0);
    SendMessageW(hwnd, WM_IME_STARTCOMPOSITION, 0, 0);
    EXPECT_EQ(take_events(), values{0}) << "a second start changes nothing";
    EXPECT_TRUE(ime.composing);
    CANDIDATEFORM candidate{};
    ImmGetCandidateWindow(context, 0, &candidate);
    EXPECT_EQ(candidate.dwStyle, static_cast<DWORD>(CFS_EXCLUDE));
    EXPECT_EQ(candidate.ptCurrentPos.x, 10);
    EXPECT_EQ(candidate.rcArea.right, 40);
    EXPECT_EQ(candidate.rcArea.bottom, 60);

    // Typed, not yet converted: the IME's cursor position.
    write_composition(context, L"abcde", 0, 2, L"");
    compose(GCS_COMPSTR | GCS_COMPATTR | GCS_CURSORPOS);
    EXPECT_EQ(take_events(), values{1});
    EXPECT_EQ(ime.composition, L"abcde");
    EXPECT_FALSE(ime.converted);
    EXPECT_EQ(ime.cursor, 2);

    // Converted: the cursor keys move the cursor, the IME's position is
    // ignored; a character key at the end commits early.
    write_composition(context, L"abcde", 1, 4, L"");
    struct key_row {
        WORD key;
        int32_t cursor_before;
        int32_t cursor_after;
        values events;
    };
    const key_row keys[] = {
        {VK_HOME, 2, 0, {1}},  {VK_END, 2, 5, {1}},   {VK_LEFT, 2, 1, {1}},   {VK_RIGHT, 2, 3, {1}},
        {VK_LEFT, 0, 0, {1}},  {VK_RIGHT, 5, 5, {1}}, {'X', 2, 2, {1}},       {'X', 5, 5, {2, 0, 1}},
        {VK_SPACE, 5, 5, {1}}, {VK_BACK, 5, 5, {1}},  {VK_RETURN, 5, 5, {1}},
    };
    for (const key_row& k : keys) {
        ime.converted = true;
        ime.cursor = k.cursor_before;
        ime.last_virtual_key = k.key;
        ime.last_key_char = static_cast<int8_t>(MapVirtualKeyW(k.key, MAPVK_VK_TO_CHAR));
        compose(GCS_COMPSTR | GCS_COMPATTR | GCS_CURSORPOS);
        EXPECT_EQ(ime.cursor, k.cursor_after) << "key " << k.key << " from " << k.cursor_before;
        EXPECT_EQ(take_events(), k.events) << "key " << k.key << " from " << k.cursor_before;
        EXPECT_TRUE(ime.converted);
    }

    // The end reads the result (none here); the next composition is Korean:
    // a result with a character key starts the next syllable, and the cursor
    // stays at the end whatever the IME says.
    SendMessageW(hwnd, WM_IME_ENDCOMPOSITION, 0, 0);
    SendMessageW(hwnd, WM_IME_STARTCOMPOSITION, 0, 0);
    EXPECT_EQ(take_events(), (values{2, 0}));
    EXPECT_EQ(ime.composition, L"");
    EXPECT_FALSE(ime.converted);
    ime.language = 0x0412;
    ime.last_virtual_key = 'G';
    ime.last_key_char = 'G';
    write_composition(context, L"\xD55C\xAE00", 0, 0, L"\xD55C");
    compose(GCS_RESULTSTR | GCS_COMPSTR | GCS_COMPATTR | GCS_CURSORPOS);
    EXPECT_EQ(take_events(), (values{0, 1}));
    EXPECT_EQ(ime.composition, L"\xD55C\xAE00");
    EXPECT_EQ(ime.cursor, 2);

    // The end reads the result, and the cursor goes after it.
    SendMessageW(hwnd, WM_IME_ENDCOMPOSITION, 0, 0);
    EXPECT_EQ(take_events(), values{2});
    EXPECT_EQ(ime.composition, L"\xD55C");
    EXPECT_EQ(ime.cursor, 1);
    EXPECT_FALSE(ime.composing);

    // Without a context the updates are ignored, and a focused widget that
    // is disabled hears nothing.
    ImmAssociateContext(hwnd, nullptr);
    ImmDestroyContext(context);
    ime.language = 0;
    SendMessageW(hwnd, WM_IME_STARTCOMPOSITION, 0, 0);
    compose(GCS_COMPSTR);
    SendMessageW(hwnd, WM_IME_ENDCOMPOSITION, 0, 0);
    EXPECT_EQ(take_events(), values{0});
    EXPECT_FALSE(ime.composing);
    field.set_enabled(false);
    SendMessageW(hwnd, WM_IME_STARTCOMPOSITION, 0, 0);
    EXPECT_EQ(take_events(), values{});
    SendMessageW(hwnd, WM_IME_ENDCOMPOSITION, 0, 0);
}

TEST_F(Input, TheModalLoopRecordsTheImeKeyOnlyWhileComposing) {
    constexpr uint64_t untouched = 0x12345;
    norvik::ui::text_input& ime = *w.text_input;
    struct row {
        bool composing;
        bool recorded;
    };
    for (const row r : {row{false, false}, row{true, true}}) {
        ime.composing = r.composing;
        ime.last_virtual_key = untouched;
        UINT ime_key = 0;
        connect(&w, event_kind::key_down, event_handler([&](const event_info&) {
            ime_key = ImmGetVirtualKey(w.native.hwnd);
            w.end_modal(0);
        }));
        PostMessageW(w.native.hwnd, WM_KEYDOWN, VK_HOME, 0);
        w.show_modal();
        norvik::ui::disconnect_all(&w, event_kind::key_down);
        if (r.recorded) {
            EXPECT_EQ(ime.last_virtual_key, ime_key);
            EXPECT_EQ(ime.last_key_char, static_cast<int8_t>(MapVirtualKeyW(ime_key, MAPVK_VK_TO_CHAR)));
        } else {
            EXPECT_EQ(ime.last_virtual_key, untouched);
        }
    }
    ime.composing = false;
}

// --- file drops ---

// What a drag from the shell carries: the system's own data object (the
// OLE clipboard's) over a CF_HDROP file list, or over plain text only when
// built without paths.
Microsoft::WRL::ComPtr<IDataObject> drop_data(const paths& items, bool has_file_list = true) {
    std::wstring list;
    for (const std::wstring& item : items) {
        list += item;
        list += L'\0';
    }
    list += L'\0';
    const std::size_t bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    std::memcpy(files + 1, list.data(), list.size() * sizeof(wchar_t));
    GlobalUnlock(memory);

    OpenClipboard(nullptr);
    EmptyClipboard();
    SetClipboardData(has_file_list ? CF_HDROP : CF_UNICODETEXT, memory);
    CloseClipboard();
    Microsoft::WRL::ComPtr<IDataObject> data;
    OleGetClipboard(data.GetAddressOf());
    return data;
}

// A folder of real files and folders to drop, removed afterwards.
class drop_fixture {
public:
    drop_fixture() {
        std::wstring temp(MAX_PATH, L'\0');
        temp.resize(GetTempPathW(MAX_PATH, temp.data()));
        root = temp + L"norvik_drop_" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(root.c_str(), nullptr);
        for (const wchar_t* name : {L"first.txt", L"second.txt"}) {
            const HANDLE f = CreateFileW((root + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr);
            CloseHandle(f);
        }
        CreateDirectoryW(folder().c_str(), nullptr);
        CreateDirectoryW(other_folder().c_str(), nullptr);
    }
    ~drop_fixture() {
        DeleteFileW(first().c_str());
        DeleteFileW(second().c_str());
        RemoveDirectoryW(folder().c_str());
        RemoveDirectoryW(other_folder().c_str());
        RemoveDirectoryW(root.c_str());
    }
    drop_fixture(const drop_fixture&) = delete;
    drop_fixture& operator=(const drop_fixture&) = delete;

    std::wstring first() const { return root + L"\\first.txt"; }
    std::wstring second() const { return root + L"\\second.txt"; }
    std::wstring folder() const { return root + L"\\folder"; }
    std::wstring other_folder() const { return root + L"\\other folder"; }
    std::wstring missing() const { return root + L"\\missing.txt"; }

    std::wstring root;
};

TEST_F(Input, TheDropTargetAnswersCopyOnlyOverAWidgetTakingFiles) {
    widget taker;
    widget plain;
    taker.create(w.root, {0, 50, 100, 100});
    plain.create(w.root, {200, 50, 100, 100});
    int drops = 0;
    connect(&taker, event_kind::files_dropped, event_handler([&](const event_info&) { ++drops; }));

    IDropTarget& target = w.native.drop_target;
    IUnknown* unknown = nullptr;
    EXPECT_EQ(target.QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(unknown, static_cast<IUnknown*>(&target));
    target.Release();
    void* other_interface = &target;
    EXPECT_EQ(target.QueryInterface(IID_IDataObject, &other_interface), E_FAIL);
    EXPECT_EQ(other_interface, nullptr);

    // Entering, dragging over and dropping all answer alike, and never move:
    // a source told its files were moved may delete them. OLE's point is
    // ignored: the cursor decides.
    const auto data = drop_data({});
    const auto answers_at = [&](norvik::ui::point p, DWORD offered) {
        const POINT s = norvik::test::screen_point(w, p);
        SetCursorPos(s.x, s.y);
        const POINTL elsewhere{s.x + 200, s.y};
        std::vector<DWORD> effects(3, offered);
        EXPECT_EQ(target.DragEnter(data.Get(), 0, elsewhere, &effects[0]), S_OK);
        EXPECT_EQ(target.DragOver(0, elsewhere, &effects[1]), S_OK);
        EXPECT_EQ(target.Drop(data.Get(), 0, elsewhere, &effects[2]), S_OK);
        return effects;
    };
    constexpr DWORD copy_or_move = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    struct row {
        const char* what;
        norvik::ui::point at;
        DWORD offered;
        DWORD answer;
        bool enabled = true;
    };
    const row rows[] = {
        {"over the taker", {50, 100}, copy_or_move, DROPEFFECT_COPY},
        {"a source that only moves", {51, 100}, DROPEFFECT_MOVE, DROPEFFECT_NONE},
        {"no files_dropped handlers", {250, 100}, copy_or_move, DROPEFFECT_NONE},
        {"the root", {350, 250}, copy_or_move, DROPEFFECT_NONE},
        {"outside the window", {-5, 100}, copy_or_move, DROPEFFECT_NONE},
        {"disabled", {50, 101}, copy_or_move, DROPEFFECT_NONE, false},
    };
    for (const row& r : rows) {
        taker.set_enabled(r.enabled);
        EXPECT_EQ(answers_at(r.at, r.offered), std::vector<DWORD>(3, r.answer)) << r.what;
    }
    EXPECT_EQ(drops, 1) << "a refused drop raises nothing";
    EXPECT_EQ(target.DragLeave(), S_OK);
}

TEST_F(Input, ADropRaisesFilesDroppedWithTheFilesOnly) {
    const drop_fixture disk;
    widget taker;
    widget plain;
    taker.create(w.root, {0, 50, 100, 100});
    plain.create(w.root, {200, 50, 100, 100});
    std::vector<paths> dropped_on_taker;
    int dropped_on_plain = 0;
    connect(&taker, event_kind::files_dropped, event_handler([&](const event_info& info) {
        dropped_on_taker.push_back(*info.as_pointer<const paths>());
    }));
    connect(&plain, event_kind::files_dropped, event_handler([&](const event_info&) { ++dropped_on_plain; }));
    // The cursor over the taker; OLE reports a point over the other widget.
    const POINT over_taker = norvik::test::screen_point(w, {50, 100});
    const POINT over_plain = norvik::test::screen_point(w, {250, 100});
    SetCursorPos(over_taker.x, over_taker.y);

    struct row {
        const char* what;
        paths items;
        paths files;
    };
    const row rows[] = {
        {"two files and a folder", {disk.first(), disk.folder(), disk.second()}, {disk.first(), disk.second()}},
        {"folders only", {disk.folder(), disk.other_folder()}, {}},
        {"an item that cannot be read", {disk.missing(), disk.second()}, {disk.second()}},
    };
    for (const row& r : rows) {
        const auto data = drop_data(r.items);
        ASSERT_NE(data, nullptr);
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        EXPECT_EQ(w.native.drop_target.Drop(data.Get(), 0, POINTL{over_plain.x, over_plain.y}, &effect), S_OK)
            << r.what;
        ASSERT_EQ(dropped_on_taker.size(), 1u) << r.what;
        EXPECT_EQ(dropped_on_taker.front(), r.files) << r.what;
        dropped_on_taker.clear();
    }
    EXPECT_EQ(dropped_on_plain, 0);

    const auto no_files = drop_data({disk.first()}, false);
    DWORD effect = DROPEFFECT_MOVE;
    EXPECT_EQ(w.native.drop_target.Drop(no_files.Get(), 0, POINTL{0, 0}, &effect), E_FAIL);
    EXPECT_TRUE(dropped_on_taker.empty()) << "data without a file list raises nothing";
}

} // namespace
