// Reporting a problem to the user: the log or a message box, by mode.
#include "platform/report.h"

#include "platform/install_log.h"
#include "platform/probes.h"

namespace ph {

void ReportProblem(bool silent, HWND owner, const wchar_t* caption, UINT icon, const wchar_t* message,
                   const wchar_t* logEntry)
{
    if (silent) {
        AppendLogEntry(logEntry != nullptr ? logEntry : message);
    } else {
        Seams().messageBox(owner, message, caption, MB_OK | icon);
    }
}

} // namespace ph
