// CWizPropertySheet: construction, window initialisation and the exit confirmation.
#include "wizard/wiz_property_sheet.h"

#include "platform/probes.h"
#include "wizard/wiz_property_page.h"

namespace ph {

namespace {

// "Exit setup?" is short; the buffer holds any text of the string table's size.
constexpr std::size_t kQuestionChars = 64;
constexpr std::size_t kButtonLabelChars = 64;

// Posted to the sheet after a Close was let through, behind whatever the platform posted in
// answer to it: once it arrives, the Close has run its course.
UINT CloseHandledMessage()
{
    static const UINT message = ::RegisterWindowMessageW(L"Photavian.Sheet.CloseHandled");
    return message;
}

} // namespace

LOGFONTW TitleFontDescription(int dpi)
{
    LOGFONTW description{};
    description.lfHeight = ::MulDiv(kTitleFontHeightAt96Dpi, dpi, 96);
    description.lfWeight = FW_BOLD;
    description.lfQuality = ANTIALIASED_QUALITY;
    CopyTextCut(description.lfFaceName, L"Arial");
    return description;
}

void LoadResourceText(UINT id, wchar_t* buffer, std::size_t bufferChars)
{
    if (bufferChars == 0) {
        return;
    }
    buffer[0] = L'\0';
    ::LoadStringW(::GetModuleHandleW(nullptr), id, buffer, static_cast<int>(bufferChars));
}

CWizPropertySheet::CWizPropertySheet() : CPropertySheet(IDS_SHEET_CAPTION, nullptr, 0)
{
    m_psh.dwFlags |= PSH_WIZARD;
}

void CWizPropertySheet::CreateTitleFont(int dpi)
{
    LOGFONTW description = TitleFontDescription(dpi);
    m_fontTitle.reset(::CreateFontIndirectW(&description));
}

BOOL CWizPropertySheet::OnInitDialog()
{
    m_bClosing = false;
    LoadResourceText(IDS_CAPTION, m_szCaption, kPathChars);
    BOOL result = CPropertySheet::OnInitDialog();
    wchar_t exitLabel[kButtonLabelChars];
    LoadResourceText(IDS_EXIT_BUTTON, exitLabel, kButtonLabelChars);
    ::SetWindowTextW(GetDlgItem(kCancelButtonId), exitLabel);
    SetTitle(m_szCaption);
    return result;
}

bool CWizPropertySheet::ConfirmExit()
{
    wchar_t question[kQuestionChars];
    LoadResourceText(IDS_EXIT_SETUP, question, kQuestionChars);
    return Seams().messageBox(m_hWnd, question, m_szCaption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

BOOL CWizPropertySheet::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == kCancelButtonId) {
        if (m_bClosing) {
            // The platform's Cancel for a Close already let through: it only ends the wizard.
            m_bClosing = false;
        } else if (GetActiveIndex() == kFinishPosition) {
            // "&Done": the finish actions run while the wizard is still open, then it closes.
            // Every page of this sheet is a CWizPropertyPage.
            static_cast<CWizPropertyPage*>(GetPage(kFinishPosition))->RunFinishActions();
        } else if (!ConfirmExit()) {
            return TRUE;
        }
    }
    return CPropertySheet::OnCommand(wParam, lParam);
}

void CWizPropertySheet::OnSysCommand(UINT nID, LPARAM lParam)
{
    if (nID != SC_CLOSE) {
        CPropertySheet::OnSysCommand(nID, lParam);
        return;
    }
    if (GetActiveIndex() != kFinishPosition && !ConfirmExit()) {
        return;
    }
    m_bClosing = true;
    CPropertySheet::OnSysCommand(nID, lParam);
    // Should the platform answer with no Cancel (its button disabled, for one), the next Cancel
    // is the user's again.
    if (m_hWnd != nullptr && CloseHandledMessage() != 0) {
        ::PostMessageW(m_hWnd, CloseHandledMessage(), 0, 0);
    }
}

LRESULT CWizPropertySheet::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == CloseHandledMessage() && message != 0) {
        m_bClosing = false;
        return 0;
    }
    return CPropertySheet::WindowProc(message, wParam, lParam);
}

} // namespace ph
