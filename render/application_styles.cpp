#include "render/application_styles.h"

#include <utility>

namespace norvik::ui {

namespace {

StyleTable& application_table() {
    static StyleTable table;
    return table;
}

} // namespace

const StyleTable& application_styles() {
    return application_table();
}

void set_application_styles(const StyleTable& table) {
    StyleTable& current = application_table();
    // Copy before touching the current table: `table` may be that table.
    try {
        StyleTable copy = table;
        current = std::move(copy);
    } catch (...) {
        // Never keep a half-replaced theme: fall back to no application styles.
        current = StyleTable();
        throw;
    }
}

} // namespace norvik::ui
