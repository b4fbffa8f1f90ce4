// CWizPropertyPage: navigation, the button rules of each position, the shared controls and the
// table of button handlers.
#include "wizard/wiz_property_page.h"

#include "base/resources.h"
#include "wizard/wiz_property_sheet.h"

namespace ph {

namespace {

constexpr std::size_t kButtonLabelChars = 64;
// The licence-agreement address, a setting of the build kept in the string table.
constexpr std::size_t kAddressChars = 260;
constexpr COLORREF kInstallingTextColor = RGB(255, 0, 0);

} // namespace

// One table for all pages: each id exists on one page only.
const ButtonHandler<CWizPropertyPage> CWizPropertyPage::s_buttonHandlers[] = {
    {IDC_BROWSE, &CWizPropertyPage::OnBrowseFolder},
    {IDC_BROWSE_INI, &CWizPropertyPage::OnBrowseFolder},
    {IDC_DESKTOP_SHORTCUT, &CWizPropertyPage::OnShortcutBoxClicked},
    {IDC_THUMBNAILS_SHORTCUT, &CWizPropertyPage::OnShortcutBoxClicked},
    {IDC_START_MENU_GROUP, &CWizPropertyPage::OnShortcutBoxClicked},
    {IDC_UNCHECK_ALL, &CWizPropertyPage::OnUncheckAll},
    {IDC_REGISTRY_BOX, &CWizPropertyPage::OnRegistryBoxClicked},
    {IDC_IMAGES_ONLY, &CWizPropertyPage::OnImagesOnly},
    {IDC_SELECT_ALL, &CWizPropertyPage::OnSelectAll},
    {IDC_SELECT_NONE, &CWizPropertyPage::OnSelectNone},
};

CWizPropertyPage::CWizPropertyPage(UINT nIDTemplate) : CPropertyPage(nIDTemplate, 0)
{
}

int CWizPropertyPage::ActivePosition() const
{
    return m_pSheet != nullptr ? m_pSheet->GetActiveIndex() : -1;
}

void CWizPropertyPage::EnableSheetButton(int id, bool enable) const
{
    ::EnableWindow(m_pSheet->GetDlgItem(id), enable ? TRUE : FALSE);
}

void CWizPropertyPage::SetSheetButtonText(int id, UINT textId) const
{
    wchar_t label[kButtonLabelChars];
    LoadResourceText(textId, label);
    ::SetWindowTextW(m_pSheet->GetDlgItem(id), label);
}

void CWizPropertyPage::GiveTitleFont(int controlId) const
{
    ::SendMessageW(GetDlgItem(controlId), WM_SETFONT, reinterpret_cast<WPARAM>(m_pSheet->TitleFont()), TRUE);
}

void CWizPropertyPage::SetCheck(int controlId, bool checked) const
{
    ::SendMessageW(GetDlgItem(controlId), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool CWizPropertyPage::IsChecked(int controlId) const
{
    return ::IsDlgButtonChecked(m_hWnd, controlId) == BST_CHECKED;
}

BOOL CWizPropertyPage::OnInitDialog()
{
    // The welcome, ready and finish pages carry the logo.
    if (HWND logo = GetDlgItem(IDC_LOGO); logo != nullptr && m_pSheet != nullptr) {
        m_pSheet->ShowLogo(logo);
    }
    return CPropertyPage::OnInitDialog();
}

LRESULT CWizPropertyPage::FindNeighbourPage(BOOL bForward)
{
    if (m_pSheet == nullptr) {
        return -1;
    }
    const int step = bForward != FALSE ? 1 : -1;
    const int count = m_pSheet->GetPageCount();
    for (int i = m_pSheet->GetActiveIndex() + step; i >= 0 && i < count; i += step) {
        // Every page of the wizard's sheet is a CWizPropertyPage.
        auto* page = static_cast<CWizPropertyPage*>(m_pSheet->GetPage(i));
        if (page->m_bIncluded != 0) {
            return static_cast<LRESULT>(page->GetTemplateId());
        }
    }
    return -1;
}

void CWizPropertyPage::DoDataExchange(CDataExchange*)
{
    switch (ActivePosition()) {
    case kWelcomePosition: {
        CHyperLink& link = m_pSheet->m_linkEula;
        link.SubclassDlgItem(IDC_EULA_LINK, m_hWnd);
        link.SetUnderlineMode(CHyperLink::kUnderlineAlways);
        wchar_t address[kAddressChars];
        LoadResourceText(IDS_EULA_URL, address);
        // Setting the target fits an attached link to its text.
        link.SetTarget(address);
        break;
    }
    case kReadyPosition: {
        CXColorStatic& installing = m_pSheet->m_staticInstalling;
        installing.SubclassDlgItem(IDC_INSTALLING, m_hWnd);
        installing.SetTextColor(kInstallingTextColor);
        installing.SetBold(TRUE);
        installing.SetFontHeight(TitleFontHeight(m_pSheet->Dpi()));
        break;
    }
    default:
        break;
    }
}

BOOL CWizPropertyPage::OnSetActive()
{
    switch (ActivePosition()) {
    case kWelcomePosition:
        ActivateWelcomePage();
        break;
    case kWhatsNewPosition:
        LoadWhatsNewText();
        break;
    case kAssociationsPosition:
        ActivateAssociationsPage();
        break;
    case kReadyPosition:
        GiveTitleFont(IDC_READY_TITLE);
        ActivateReadyPage();
        break;
    case kFinishPosition:
        ActivateFinishPage();
        break;
    default:
        break;
    }
    return CPropertyPage::OnSetActive();
}

void CWizPropertyPage::ActivateFinishPage()
{
    GiveTitleFont(IDC_FINISH_TITLE);
    SetCheck(IDC_OPEN_FAQ, true);
    SetCheck(IDC_START_VIEWER, true);
    SetSheetButtonText(kCancelButtonId, IDS_DONE_BUTTON);
    EnableSheetButton(kBackButtonId, false);
    EnableSheetButton(kNextButtonId, false);
}

LRESULT CWizPropertyPage::OnWizardNext()
{
    // Back is enabled by Next on every page, before anything else; only the welcome page's
    // activation disables it again.
    EnableSheetButton(kBackButtonId, true);
    switch (ActivePosition()) {
    case kWelcomePosition:
        if (!CheckInstallFolder()) {
            return -1;
        }
        break;
    case kReadyPosition:
        switch (InstallFromWizard()) {
        case InstallOutcome::Refused:
            return -1;
        case InstallOutcome::Failed:
            // The run has shown its message; the user starts again from the welcome page.
            return static_cast<LRESULT>(m_pSheet->GetPage(kWelcomePosition)->GetTemplateId());
        case InstallOutcome::Installed:
            break;
        }
        break;
    default:
        break;
    }
    return FindNeighbourPage(TRUE);
}

LRESULT CWizPropertyPage::OnWizardBack()
{
    return FindNeighbourPage(FALSE);
}

bool CWizPropertyPage::OnButtonClicked(int controlId)
{
    return RunButtonHandler(*this, s_buttonHandlers, controlId);
}

} // namespace ph
