#pragma once
// UI Automation's interfaces, identifiers and function declarations, from
// the SDK with MSVC and from the toolkit's own declarations with mingw-w64,
// whose headers lack part of them.

#if defined(_MSC_VER)
#include <windows.h>
#include <ole2.h>
#include <uiautomation.h>
#else
#include "ui/core/mingw_automation.h"
#endif
