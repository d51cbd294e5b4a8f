#pragma once

#include <cstdint>
#include <string>

#include <windows.h>

#include "ui/core/events/rect.h"

namespace norvik::ui {

class window;

// Follows an input method editor's composition for one system window and
// reports it to the focused widget as ime_composition events (0 started,
// 1 changed, 2 result ready). The widget reads `composition` and `cursor`.
// Creating the service detaches the input context from the window; a text
// entry widget would associate one when it takes the focus.
class text_input {
public:
    explicit text_input(HWND window_handle);
    text_input(const text_input&) = delete;
    text_input& operator=(const text_input&) = delete;

    // WM_INPUTLANGCHANGE.
    void input_language_changed();
    // WM_IME_STARTCOMPOSITION, WM_IME_ENDCOMPOSITION and WM_IME_COMPOSITION.
    void start_composition(window& w);
    void end_composition(window& w);
    void composition_changed(window& w, LPARAM flags);

    // Keeps the candidate window at, and clear of, the caret rectangle.
    void place_candidate_window();
    // Reads the composition string GCS_COMPSTR or GCS_RESULTSTR.
    void read_string(DWORD index);

    // Called by the modal loop for each WM_KEYDOWN taken from the queue while
    // composing, before it is translated.
    void note_key_down();

    std::wstring composition;
    bool composing = false;
    bool converted = false;
    uint16_t language = 0;
    bool ime_active = false;
    ui::rect caret;
    HWND hwnd = nullptr;
    uint64_t last_virtual_key = 0;
    int8_t last_key_char = 0;
    int32_t cursor = 0;

private:
    bool korean() const;
    void move_cursor_by_key();
};

} // namespace norvik::ui
