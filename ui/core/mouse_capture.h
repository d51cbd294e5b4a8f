#pragma once

namespace norvik::ui {

class widget;

// The widget that receives every mouse_move and mouse_up while it holds the
// capture (a scroll bar thumb being dragged), or nullptr. One per process.
widget* mouse_capture();

// Gives the mouse to `w` and asks the system to keep sending the mouse to
// w's window even outside it.
void capture_mouse(widget& w);

// Gives the mouse back to the system and clears the capture widget.
void release_mouse();

// Takes the capture from a holder that can no longer keep it: the system gave
// the mouse to another window, or the holder is being disabled or hidden. The
// holder then hears a left button release, as when the button comes up
// outside it, so that its press or drag ends at once. Nothing happens without
// a holder.
void cancel_mouse_capture();

} // namespace norvik::ui
