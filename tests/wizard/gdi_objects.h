// How many GDI objects this process holds, for leak checks that also run under Wine.
#pragma once

#include <windows.h>

namespace ph::test {

// The process's live GDI objects, stock objects included. Windows counts them for GetGuiResources;
// Wine 8 reports 0 there, and its handle table answers a handle whose high word is 0 for the
// table slot in its low word, whatever the slot's generation, so every slot is asked instead.
inline DWORD GdiObjectCount()
{
    const DWORD counted = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    if (counted != 0) {
        return counted;
    }
    DWORD live = 0;
    for (UINT_PTR slot = 1; slot <= 0xFFFF; ++slot) {
        if (::GetObjectType(reinterpret_cast<HGDIOBJ>(slot)) != 0) {
            ++live;
        }
    }
    return live;
}

} // namespace ph::test
