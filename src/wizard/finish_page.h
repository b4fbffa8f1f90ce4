// The finish page's actions when the wizard is left with Done: the FAQ page in the browser and
// the installed viewer started and brought to the front.
#pragma once

#include "base/text.h"

#include <windows.h>

namespace ph {

// The viewer's main window appears within this many looks, one every kViewerLookMs after the
// first kViewerStartMs.
inline constexpr int kViewerLookCount = 5;
inline constexpr DWORD kViewerStartMs = 50;
inline constexpr DWORD kViewerLookMs = 500;

} // namespace ph
