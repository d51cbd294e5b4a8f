#pragma once

#include <windows.h>

#include <d2d1.h>
#include <dwrite.h>

namespace norvik::ui {

// Makes the Direct2D and DirectWrite factories through entry points taken
// from d2d1.dll and DWrite.dll on first use, rather than imported: a run of
// the program that never draws (an unattended install) does not load them,
// nor the graphics stack they bring with them.
//
// Each call returns the factory function's own result. A DLL or an entry
// point that is not there throws std::runtime_error naming it. Safe to call
// from several threads at once.
class graphics_factories {
public:
    // As D2D1CreateFactory.
    static HRESULT create_direct2d(D2D1_FACTORY_TYPE type, REFIID iid, const D2D1_FACTORY_OPTIONS* options,
                                   void** factory);
    // As DWriteCreateFactory.
    static HRESULT create_directwrite(DWRITE_FACTORY_TYPE type, REFIID iid, IUnknown** factory);
};

} // namespace norvik::ui
