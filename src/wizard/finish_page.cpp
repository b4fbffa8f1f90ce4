// The finish page: on Done, the FAQ page and the installed viewer, each when its box is ticked.
#include "wizard/finish_page.h"

#include "base/product.h"
#include "base/resources.h"
#include "platform/launch.h"
#include "platform/probes.h"
#include "res/resource.h"
#include "wizard/wiz_property_page.h"
#include "wizard/wiz_property_sheet.h"

namespace ph {

void CWizPropertyPage::RunFinishActions()
{
    if (IsChecked(IDC_OPEN_FAQ)) {
        wchar_t address[kAddressChars];
        LoadResourceText(IDS_FAQ_URL, address);
        // Whether the browser could be started is not examined: the wizard closes either way.
        Launch({::GetDesktopWindow(), address, nullptr, L""});
    }
    if (!IsChecked(IDC_START_VIEWER)) {
        return;
    }
    // The viewer where the run installed it: the welcome page's text may be relative or carry
    // blanks that the run's folder creation removed.
    const InstallTarget* installed = m_pSheet->Installed();
    if (installed == nullptr) {
        return;
    }
    Launch({::GetActiveWindow(), installed->viewerPath, L"", nullptr});
    Seams().sleep(kViewerStartMs);
    for (int look = 0; look < kViewerLookCount; ++look) {
        HWND window = Seams().viewerWindow();
        if (window != nullptr) {
            ::SetForegroundWindow(window);
            return;
        }
        Seams().sleep(kViewerLookMs);
    }
}

} // namespace ph
