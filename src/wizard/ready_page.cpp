// The ready page: what will be installed where, and Next, which runs the installation.
#include "wizard/ready_page.h"

#include "base/folder_tree.h"
#include "base/product.h"
#include "base/resources.h"
#include "engine/install_run.h"
#include "platform/probes.h"
#include "platform/viewer_warning.h"
#include "res/resource.h"
#include "wizard/associations_page.h"
#include "wizard/wiz_property_page.h"
#include "wizard/wiz_property_sheet.h"

#include <algorithm>
#include <cwchar>
#include <iterator>

namespace ph {

namespace {

int CheckedFlag(HWND dialog, int id)
{
    return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED ? 1 : 0;
}

} // namespace

void FormatDestinationLine(const wchar_t* label, const wchar_t* folder, wchar_t (&line)[kDestinationLineChars])
{
    std::swprintf(line, kDestinationLineChars, L"%ls: %ls", label, folder);
}

bool ReadAssociationChoices(HWND list, int (&flags)[kAssociationFlagCount])
{
    std::fill(std::begin(flags), std::end(flags), 0);
    // A disabled list (registry box unticked) asks for nothing, whatever its ticks show.
    if (list == nullptr || ::IsWindowEnabled(list) == FALSE) {
        return false;
    }
    bool any = false;
    // The count is asked again on every pass.
    for (int i = 0; i < std::min(ListItemCount(list), static_cast<int>(kAssociationFlagCount)); ++i) {
        if (RowStateImage(list, i) != kUntickedImage) {
            flags[i] = 1;
            any = true;
        }
    }
    return any;
}

void ReadWizardChoices(HWND welcomePage, HWND associationList, HWND readyPage, const wchar_t* caption,
                       InstallOptions& options)
{
    ::GetDlgItemTextW(welcomePage, IDC_FOLDER, options.destinationFolder, static_cast<int>(kWorkPathChars));
    TrimBlanks(options.destinationFolder);
    options.startMenuGroup = CheckedFlag(welcomePage, IDC_START_MENU_GROUP);
    options.desktopShortcut = CheckedFlag(welcomePage, IDC_DESKTOP_SHORTCUT);
    options.thumbnailsShortcut = CheckedFlag(welcomePage, IDC_THUMBNAILS_SHORTCUT);
    // Read also while the radio pair is disabled.
    options.allUsers = CheckedFlag(welcomePage, IDC_ALL_USERS);
    options.associate = ReadAssociationChoices(associationList, options.associationFlags) ? 1 : 0;
    options.iniFolder[0] = L'\0';
    if (CheckedFlag(readyPage, IDC_INI_IN_APPDATA) == 1) {
        CopyTextCut(options.iniFolder, kAppDataSettingsFolder);
    }
    options.silent = 0;
    CopyTextCut(options.caption, caption);
}

void CWizPropertyPage::ActivateReadyPage()
{
    GiveTitleFont(IDC_READY_TITLE);
    wchar_t folder[kPathChars] = {};
    ::GetDlgItemTextW(m_pSheet->GetPage(kWelcomePosition)->GetSafeHwnd(), IDC_FOLDER, folder,
                      static_cast<int>(kPathChars));
    TrimBlanks(folder);
    wchar_t label[kDestinationLabelChars];
    LoadResourceText(IDS_DEST_DIRECTORY, label);
    wchar_t line[kDestinationLineChars];
    FormatDestinationLine(label, folder, line);
    ::SetDlgItemTextW(m_hWnd, IDC_DESTINATION_LINE, line);

    // The settings-folder choice starts from its default on every arrival; before Vista the
    // settings stay in the installation folder.
    const bool vistaOrLater = OsVersionAtLeast(6, 0, 0);
    SetCheck(IDC_INI_IN_PRODUCT, !vistaOrLater);
    SetCheck(IDC_INI_IN_APPDATA, vistaOrLater);
}

CWizPropertyPage::InstallOutcome CWizPropertyPage::InstallFromWizard()
{
    if (WarnIfViewerRunning(false, m_hWnd, m_pSheet->Caption())) {
        return InstallOutcome::Refused;
    }

    InstallOptions options;
    ReadWizardChoices(m_pSheet->GetPage(kWelcomePosition)->GetSafeHwnd(), m_pSheet->AssocList(), m_hWnd,
                      m_pSheet->Caption(), options);

    // The run blocks this thread: paint the status line now so that it shows meanwhile.
    HWND installing = m_pSheet->InstallingStatic().GetSafeHwnd();
    ::ShowWindow(installing, SW_SHOW);
    ::UpdateWindow(installing);

    // Nothing may leave or navigate the wizard while the run works.
    const int buttons[] = {kBackButtonId, kNextButtonId, kCancelButtonId};
    for (int button : buttons) {
        EnableSheetButton(button, false);
    }
    RunReport report;
    const int result = RunInstallation(options, &report);
    m_pSheet->SetInstalled(report.installed ? report.target : InstallTarget{});
    for (int button : buttons) {
        EnableSheetButton(button, true);
    }
    return result == 1 ? InstallOutcome::Installed : InstallOutcome::Failed;
}

} // namespace ph
