// CWizPropertySheet: construction, window initialisation and the exit confirmation.
#include "wizard/wiz_property_sheet.h"

#include "base/product.h"
#include "base/resources.h"
#include "wizard/associations_page.h"
#include "wizard/wiz_property_page.h"

#include <utility>

namespace ph {

namespace {

// "Exit setup?" is short; the buffer holds any text of the string table's size.
constexpr std::size_t kQuestionChars = 64;

constexpr auto kCloseHandledMessage = JoinTexts(kProductName, L".Sheet.CloseHandled");

// Posted to the sheet after a Close was let through, behind whatever the platform posted in
// answer to it: once it arrives, the Close has run its course.
UINT CloseHandledMessage()
{
    static const UINT message = ::RegisterWindowMessageW(kCloseHandledMessage);
    return message;
}

UniqueBitmap LoadLogo(UINT id)
{
    return UniqueBitmap(static_cast<HBITMAP>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
}

// Gives the bitmap static logo the image. Once given an image, a static deletes none: the one it
// showed before is deleted here, unless it is the sheet's own (kept).
void ReplaceLogoImage(HWND logo, HBITMAP image, HBITMAP kept)
{
    if (logo == nullptr) {
        return;
    }
    auto previous = reinterpret_cast<HBITMAP>(
        ::SendMessageW(logo, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image)));
    if (previous != nullptr && previous != image && previous != kept) {
        ::DeleteObject(previous);
    }
}

} // namespace

int TitleFontHeight(int dpi)
{
    return ::MulDiv(kTitleFontHeightAt96Dpi, dpi, kBaseDpi);
}

LOGFONTW TitleFontDescription(int dpi)
{
    LOGFONTW description{};
    description.lfHeight = TitleFontHeight(dpi);
    description.lfWeight = FW_BOLD;
    description.lfQuality = ANTIALIASED_QUALITY;
    CopyTextCut(description.lfFaceName, L"Arial");
    return description;
}

UINT LogoBitmapFor(int dpi)
{
    if (dpi > 168) {
        return IDB_LOGO_200;
    }
    return dpi > 120 ? IDB_LOGO_150 : IDB_LOGO;
}

CWizPropertySheet::CWizPropertySheet() : CPropertySheet(IDS_SHEET_CAPTION, nullptr, 0)
{
    m_psh.dwFlags |= PSH_WIZARD;
}

void CWizPropertySheet::SetInstalledFolder(const wchar_t* folder)
{
    wchar_t withBackslash[kWorkPathChars] = {};
    InstallTarget target;
    if (folder[0] == L'\0' || !CopyTextWhole(withBackslash, folder) || !AppendBackslashWhole(withBackslash)
        || !SetInstallFolder(target, withBackslash)) {
        target = InstallTarget{};
    }
    m_installed = target;
}

void CWizPropertySheet::CreateTitleFont(int dpi)
{
    LOGFONTW description = TitleFontDescription(dpi);
    m_fontTitle.reset(::CreateFontIndirectW(&description));
}

BOOL CWizPropertySheet::OnInitDialog()
{
    m_bClosing = false;
    m_nDpi = ScreenDpiX(m_hWnd);
    m_nStartDpi = m_nDpi;
    LoadResourceText(IDS_CAPTION, m_szCaption);
    BOOL result = CPropertySheet::OnInitDialog();
    wchar_t exitLabel[kButtonLabelChars];
    LoadResourceText(IDS_EXIT_BUTTON, exitLabel);
    ::SetWindowTextW(GetDlgItem(kCancelButtonId), exitLabel);
    SetTitle(m_szCaption);
    return result;
}

bool CWizPropertySheet::ConfirmExit()
{
    wchar_t question[kQuestionChars];
    LoadResourceText(IDS_EXIT_SETUP, question);
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
    if (message == WM_DPICHANGED && lParam != 0) {
        // The platform scales what it made itself first; the program's own fonts come after.
        CallDefault(message, wParam, lParam);
        OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    }
    return CPropertySheet::WindowProc(message, wParam, lParam);
}

void CWizPropertySheet::ShowLogo(HWND logo)
{
    if (!m_bmpLogo) {
        m_nLogoId = LogoBitmapFor(m_nDpi);
        m_bmpLogo = LoadLogo(m_nLogoId);
    }
    if (m_bmpLogo && logo != nullptr) {
        ReplaceLogoImage(logo, m_bmpLogo.get(), nullptr);
    }
}

void CWizPropertySheet::OnDpiChanged(int dpi, const RECT& suggested)
{
    if (dpi <= 0) {
        return;
    }
    ::SetWindowPos(m_hWnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    m_nDpi = dpi;

    // Every static that shows the title font gets the new one before the old one goes.
    UniqueFont oldTitle = std::move(m_fontTitle);
    CreateTitleFont(dpi);
    struct FontSwap {
        HFONT from;
        HFONT to;
    } swap{oldTitle.get(), m_fontTitle.get()};
    ::EnumChildWindows(
        m_hWnd,
        [](HWND child, LPARAM data) -> BOOL {
            const auto* fonts = reinterpret_cast<const FontSwap*>(data);
            if (reinterpret_cast<HFONT>(::SendMessageW(child, WM_GETFONT, 0, 0)) == fonts->from) {
                ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(fonts->to), TRUE);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&swap));

    m_linkEula.RescaleFonts(dpi, m_nStartDpi);
    if (m_staticInstalling.GetSafeHwnd() != nullptr) {
        m_staticInstalling.SetFontHeight(TitleFontHeight(dpi));
    }
    if (m_hAssocList != nullptr) {
        FitAssociationColumns(m_hAssocList, dpi);
    }

    // The logo drawn nearest the new scale, on every page that has been made; should it not
    // load, the pages keep the one they show.
    const UINT wanted = LogoBitmapFor(dpi);
    if (m_bmpLogo && wanted != m_nLogoId) {
        UniqueBitmap logo = LoadLogo(wanted);
        if (logo) {
            for (int i = 0; i < GetPageCount(); ++i) {
                HWND page = GetPage(i)->GetSafeHwnd();
                if (page != nullptr) {
                    ReplaceLogoImage(::GetDlgItem(page, IDC_LOGO), logo.get(), m_bmpLogo.get());
                }
            }
            // No page shows the old logo any more.
            m_bmpLogo = std::move(logo);
            m_nLogoId = wanted;
        }
    }
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

} // namespace ph
