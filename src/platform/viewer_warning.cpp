// The running-viewer warning: one text, logged or shown.
#include "platform/viewer_warning.h"

#include "base/resources.h"
#include "platform/probes.h"
#include "platform/report.h"
#include "res/resource.h"

namespace ph {

bool WarnIfViewerRunning(bool silent, HWND owner, const wchar_t* caption)
{
    if (!IsViewerRunning()) {
        return false;
    }
    ReportProblem(silent, owner, caption, MB_ICONEXCLAMATION, LoadResourceText(IDS_VIEWER_RUNNING).text);
    return true;
}

} // namespace ph
