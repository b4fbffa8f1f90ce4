// CWizPropertySheet: the setup wizard's one sheet, the controls and font its pages share, and
// the confirmation before the wizard is left.
#pragma once

#include "base/handles.h"
#include "base/install_target.h"
#include "base/text.h"
#include "controls/color_static.h"
#include "controls/hyperlink.h"
#include "framework/property_sheet.h"
#include "platform/probes.h"
#include "res/resource.h"

#include <cstddef>

namespace ph {

// The pages by their position in the sheet.
inline constexpr int kWelcomePosition = 0;
inline constexpr int kWhatsNewPosition = 1;
inline constexpr int kAssociationsPosition = 2;
inline constexpr int kReadyPosition = 3;
inline constexpr int kFinishPosition = 4;
inline constexpr std::size_t kWizardPageCount = 5;
// The template of each page, in sheet order.
inline constexpr UINT kWizardPageTemplates[kWizardPageCount] = {IDD_WELCOME, IDD_WHATS_NEW, IDD_ASSOCIATIONS, IDD_READY,
                                                                IDD_FINISH};

// The sheet's buttons that the pages enable, disable and relabel: kBackButtonId, kNextButtonId
// (the platform's) and Cancel.
inline constexpr int kCancelButtonId = IDCANCEL;
// A button label from the string table ("&Exit", "&Done"), terminator included.
inline constexpr std::size_t kButtonLabelChars = 64;
// A web address from the string table (the licence agreement, the FAQ page), terminator included.
inline constexpr std::size_t kAddressChars = 260;

// Cell height of the title font (and of the ready page's status line) at 96 DPI, in pixels.
inline constexpr int kTitleFontHeightAt96Dpi = 18;
// That height at dpi: MulDiv(18, dpi, 96).
int TitleFontHeight(int dpi);

// The title font: bold anti-aliased Arial, 18 pixels high at 96 DPI, scaled to dpi; every other
// attribute zero.
LOGFONTW TitleFontDescription(int dpi);

// The logo drawn for the size nearest dpi: 100 % (IDB_LOGO) up to 120 DPI, 150 % up to 168 DPI,
// 200 % above. Halfway between two sizes the smaller one wins: the pages leave the logo no more
// room than its size at the screen's scale.
UINT LogoBitmapFor(int dpi);

class CWizPropertySheet : public CPropertySheet {
public:
    // Titled "Photavian Setup", no owner, opening on the first page, in wizard mode.
    CWizPropertySheet();

    // Makes the title font for dpi into m_fontTitle (start-up does so before the sheet is shown).
    void CreateTitleFont(int dpi);
    // The bold title font the pages borrow (null before CreateTitleFont).
    HFONT TitleFont() const { return m_fontTitle.get(); }

    // The list of file types on the associations page, once that page has filled it; start-up
    // clears it before the sheet is shown.
    HWND AssocList() const { return m_hAssocList; }
    void SetAssocList(HWND list) { m_hAssocList = list; }
    // The licence-agreement link of the welcome page.
    CHyperLink& EulaLink() { return m_linkEula; }
    // The "Installing ... please wait ..." line of the ready page.
    CXColorStatic& InstallingStatic() { return m_staticInstalling; }
    // Caption of every message box of the wizard, from the moment the window is initialised.
    const wchar_t* Caption() const { return m_szCaption; }
    // Where the installation went, as the run resolved it (its folder absolute, cleaned, ending in
    // a backslash; the viewer's path); null until a run has installed.
    const InstallTarget* Installed() const { return m_installed.folder[0] != L'\0' ? &m_installed : nullptr; }
    void SetInstalled(const InstallTarget& target) { m_installed = target; }
    // Records the folder a run installed into (a backslash is added when it has none); a folder
    // without room for the viewer's path is recorded as none.
    void SetInstalledFolder(const wchar_t* folder);

    // The DPI the wizard is drawn for: the screen's when the window was made, then the one of
    // the last WM_DPICHANGED. Pages made later follow it.
    int Dpi() const { return m_nDpi; }
    // Shows the logo drawn for Dpi() in the bitmap static logo of a page. The sheet owns the
    // bitmap; the one the static loaded from its template is deleted.
    void ShowLogo(HWND logo);

protected:
    // Takes the message caption, labels Cancel "&Exit" and titles the window with the caption.
    BOOL OnInitDialog() override;
    // Cancel asks "Exit setup?" on every page but the finish page, where it reads "&Done", runs
    // the finish actions and ends the wizard; No keeps the wizard as it is.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    // The window's Close asks the same question, except on the finish page; a Close let through
    // ends the wizard without the finish actions.
    void OnSysCommand(UINT nID, LPARAM lParam) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // The sheet moved to a screen of another scale (WM_DPICHANGED, after the platform's own
    // handling): takes the suggested rectangle, rebuilds the fonts the program made (title, status
    // line, link) for dpi, refits the link, recomputes the list's columns, shows the logo drawn
    // nearest dpi and redraws.
    void OnDpiChanged(int dpi, const RECT& suggested);

private:
    // Asks "Exit setup?" (Yes and No, No the default); true when the answer is Yes.
    bool ConfirmExit();

    UniqueFont m_fontTitle;
    HWND m_hAssocList = nullptr;
    CHyperLink m_linkEula;
    CXColorStatic m_staticInstalling;
    wchar_t m_szCaption[kPathChars] = {};
    InstallTarget m_installed;

    // A Close was let through and the platform's answer to it has not been delivered yet: the
    // platform turns a Close into a Cancel command posted to the sheet, which then only ends the
    // wizard (no second question, no finish actions).
    bool m_bClosing = false;
    int m_nDpi = kBaseDpi;
    // The DPI the first page and its link were made at; the link's fonts scale from it.
    int m_nStartDpi = kBaseDpi;
    // The logo the pages show, and its resource id (0 before the first page shows one).
    UniqueBitmap m_bmpLogo;
    UINT m_nLogoId = 0;
};

} // namespace ph
