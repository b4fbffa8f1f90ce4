// The finish page: on Done, the FAQ page and the installed viewer, each when its box is ticked.
#include "wizard/finish_page.h"

#include "base/product.h"
#include "base/resources.h"
#include "platform/probes.h"
#include "res/resource.h"
#include "wizard/wiz_property_page.h"
#include "wizard/wiz_property_sheet.h"

#include <shellapi.h>

namespace ph {

namespace {

HINSTANCE ShellExecuteReal(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                           const wchar_t* directory, int show)
{
    return ::ShellExecuteW(owner, verb, file, parameters, directory, show);
}

void SleepReal(DWORD milliseconds)
{
    ::Sleep(milliseconds);
}

} // namespace

FinishActionSeams& FinishSeams()
{
    static FinishActionSeams seams{ShellExecuteReal, SleepReal};
    return seams;
}

bool BuildViewerPath(const wchar_t* folderText, wchar_t (&path)[kPathChars])
{
    wchar_t built[kPathChars] = {};
    const bool fits = CopyTextWhole(built, folderText) && (EndsWithBackslash(built) || AppendTextWhole(built, L"\\"))
        && AppendTextWhole(built, kViewerFileName);
    CopyTextCut(path, fits ? built : L"");
    return fits;
}

void CWizPropertyPage::RunFinishActions()
{
    if (IsChecked(IDC_OPEN_FAQ)) {
        wchar_t address[kAddressChars];
        LoadResourceText(IDS_FAQ_URL, address);
        FinishSeams().shellExecute(::GetDesktopWindow(), L"open", address, nullptr, L"", SW_SHOW);
    }
    if (!IsChecked(IDC_START_VIEWER)) {
        return;
    }
    // The viewer where the run installed it: the welcome page's text may be relative or carry
    // blanks that the run's folder creation removed.
    wchar_t viewer[kPathChars];
    const wchar_t* installed = m_pSheet->InstalledFolder();
    if (installed[0] == L'\0' || !BuildViewerPath(installed, viewer)) {
        return;
    }
    FinishSeams().shellExecute(::GetActiveWindow(), L"open", viewer, L"", nullptr, SW_SHOW);
    FinishSeams().sleep(kViewerStartMs);
    for (int look = 0; look < kViewerLookCount; ++look) {
        HWND window = Seams().viewerWindow();
        if (window != nullptr) {
            ::SetForegroundWindow(window);
            return;
        }
        FinishSeams().sleep(kViewerLookMs);
    }
}

} // namespace ph
