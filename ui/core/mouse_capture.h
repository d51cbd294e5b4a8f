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

} // namespace norvik::ui
