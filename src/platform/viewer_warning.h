// The running-viewer warning, given wherever a run would meet an open viewer: silent start-up,
// the welcome page and the ready page.
#pragma once

#include <windows.h>

namespace ph {

// Whether a viewer window is open (IsViewerRunning). When one is, the warning (IDS_VIEWER_RUNNING)
// has been given: appended to the install log when silent, otherwise shown in a message box with
// the exclamation icon, owned by owner and titled caption.
bool WarnIfViewerRunning(bool silent, HWND owner, const wchar_t* caption);

} // namespace ph
