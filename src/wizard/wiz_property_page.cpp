// CWizPropertyPage: navigation, the button rules of each position, the shared controls and the
// table of button handlers.
#include "wizard/wiz_property_page.h"

#include "base/resources.h"
#include "wizard/wiz_property_sheet.h"

namespace ph {

namespace {

constexpr COLORREF kInstallingTextColor = RGB(255, 0, 0);

} // namespace

// One table for all pages: each id exists on one page only.
const ButtonHandler<CWizPropertyPage> CWizPropertyPage::s_buttonHandlers[] = {
    {IDC_BROWSE, &CWizPropertyPage::OnBrowseFolder},
    {IDC_DESKTOP_SHORTCUT, &CWizPropertyPage::OnShortcutBoxClicked},
    {IDC_THUMBNAILS_SHORTCUT, &CWizPropertyPage::OnShortcutBoxClicked},
    {IDC_START_MENU_GROUP, &CWizPropertyPage::OnShortcutBoxClicked},
    {IDC_UNCHECK_ALL, &CWizPropertyPage::OnUncheckAll},
    {IDC_REGISTRY_BOX, &CWizPropertyPage::OnRegistryBoxClicked},
    {IDC_IMAGES_ONLY, &CWizPropertyPage::OnImagesOnly},
    {IDC_SELECT_ALL, &CWizPropertyPage::OnSelectAll},
    {IDC_SELECT_NONE, &CWizPropertyPage::OnSelectNone},
};

// What each position does beyond the frame, in sheet order; null where a position does nothing.
static_assert(kWelcomePosition == 0 && kWhatsNewPosition == 1 && kAssociationsPosition == 2 && kReadyPosition == 3
                  && kFinishPosition == 4,
              "the rows follow the positions");
const CWizPropertyPage::PositionHooks CWizPropertyPage::s_positionHooks[kWizardPageCount] = {
    // Welcome: the licence link, the page's set-up, the folder check on Next.
    {&CWizPropertyPage::BindEulaLink, &CWizPropertyPage::ActivateWelcomePage, &CWizPropertyPage::NextFromWelcomePage},
    // What's new: the release notes on every arrival.
    {nullptr, &CWizPropertyPage::LoadWhatsNewText, nullptr},
    // Associations: the list of file types.
    {nullptr, &CWizPropertyPage::ActivateAssociationsPage, nullptr},
    // Ready: the installing line, the destination and settings choice, the installation on Next.
    {&CWizPropertyPage::BindInstallingStatic, &CWizPropertyPage::ActivateReadyPage,
     &CWizPropertyPage::NextFromReadyPage},
    // Finish: the title, the two actions ticked, "&Done".
    {nullptr, &CWizPropertyPage::ActivateFinishPage, nullptr},
};

CWizPropertyPage::CWizPropertyPage(UINT nIDTemplate) : CPropertyPage(nIDTemplate, 0)
{
}

const CWizPropertyPage::PositionHooks* CWizPropertyPage::ActiveHooks() const
{
    const int position = m_pSheet != nullptr ? m_pSheet->GetActiveIndex() : -1;
    if (position < 0 || position >= static_cast<int>(kWizardPageCount)) {
        return nullptr;
    }
    return &s_positionHooks[position];
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
    const PositionHooks* hooks = ActiveHooks();
    if (hooks != nullptr && hooks->bindSharedControls != nullptr) {
        (this->*hooks->bindSharedControls)();
    }
}

void CWizPropertyPage::BindEulaLink()
{
    CHyperLink& link = m_pSheet->EulaLink();
    link.SubclassDlgItem(IDC_EULA_LINK, m_hWnd);
    link.SetUnderlineMode(CHyperLink::kUnderlineAlways);
    wchar_t address[kAddressChars];
    LoadResourceText(IDS_EULA_URL, address);
    // Setting the target fits an attached link to its text.
    link.SetTarget(address);
}

void CWizPropertyPage::BindInstallingStatic()
{
    CXColorStatic& installing = m_pSheet->InstallingStatic();
    installing.SubclassDlgItem(IDC_INSTALLING, m_hWnd);
    installing.SetTextColor(kInstallingTextColor);
    installing.SetBold(TRUE);
    installing.SetFontHeight(TitleFontHeight(m_pSheet->Dpi()));
}

BOOL CWizPropertyPage::OnSetActive()
{
    const PositionHooks* hooks = ActiveHooks();
    if (hooks != nullptr && hooks->activate != nullptr) {
        (this->*hooks->activate)();
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
    const PositionHooks* hooks = ActiveHooks();
    if (hooks != nullptr && hooks->next != nullptr) {
        const LRESULT step = (this->*hooks->next)();
        if (step != kGoOn) {
            return step;
        }
    }
    return FindNeighbourPage(TRUE);
}

LRESULT CWizPropertyPage::NextFromWelcomePage()
{
    return CheckInstallFolder() ? kGoOn : -1;
}

LRESULT CWizPropertyPage::NextFromReadyPage()
{
    switch (InstallFromWizard()) {
    case InstallOutcome::Refused:
        return -1;
    case InstallOutcome::Failed:
        // The run has shown its message; the user starts again from the welcome page.
        return static_cast<LRESULT>(m_pSheet->GetPage(kWelcomePosition)->GetTemplateId());
    case InstallOutcome::Installed:
        break;
    }
    return kGoOn;
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
