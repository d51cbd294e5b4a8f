#pragma once

#include "render/style_table.h"

namespace norvik::ui {

// The process-wide application style table, consulted after a widget's own
// table and before the defaults. Empty until the application installs one.
const StyleTable& application_styles();

// Replaces the application style table with a copy of `table`, bucket count
// and load factor included. Nothing is notified: widgets pick the values up
// on their next paint or layout. If the copy fails, the application table is
// left empty (8 buckets, load factor 1.0) and the exception propagates.
void set_application_styles(const StyleTable& table);

} // namespace norvik::ui
