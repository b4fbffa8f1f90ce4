// The one way a problem reaches the user: an entry in the install log when the run is silent, a
// message box otherwise.
#pragma once

#include <windows.h>

namespace ph {

// Silent: appends logEntry (message when null) to the install log. Otherwise: shows message in a
// message box owned by owner, titled caption, with the icon (MB_ICONERROR, MB_ICONEXCLAMATION ...)
// and an OK button.
void ReportProblem(bool silent, HWND owner, const wchar_t* caption, UINT icon, const wchar_t* message,
                   const wchar_t* logEntry = nullptr);

} // namespace ph
