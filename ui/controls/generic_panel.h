#pragma once

#include "ui/core/widget.h"

namespace norvik::ui {

// The plain container of the toolkit: paints its whole rectangle in its
// "default_back_color" and carries child widgets (the tree paints them after
// the panel). A subclass may replace draw: the panel's paint event calls it
// virtually.
class GenericPanel : public widget {
public:
    GenericPanel();

    virtual void draw();
};

} // namespace norvik::ui
