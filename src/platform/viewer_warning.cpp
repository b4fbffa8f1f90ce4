// The running-viewer warning: one text, logged or shown.
#include "platform/viewer_warning.h"

#include "base/resources.h"
#include "platform/install_log.h"
#include "platform/probes.h"
#include "res/resource.h"

namespace ph {

bool WarnIfViewerRunning(bool silent, HWND owner, const wchar_t* caption)
{
    if (!IsViewerRunning()) {
        return false;
    }
    const ResourceText warning = LoadResourceText(IDS_VIEWER_RUNNING);
    if (silent) {
        AppendLogEntry(warning.text);
    } else {
        Seams().messageBox(owner, warning.text, caption, MB_OK | MB_ICONEXCLAMATION);
    }
    return true;
}

} // namespace ph
