#pragma once

// The benchmark programs' one clock: milliseconds from the performance
// counter, for differences within one process.

#include <windows.h>

namespace norvik::bench {

inline double now_ms() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER t;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

} // namespace norvik::bench
