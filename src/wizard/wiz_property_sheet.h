// CWizPropertySheet: the setup wizard's one sheet, the controls and font its pages share, and
// the confirmation before the wizard is left.
#pragma once

#include "base/handles.h"
#include "base/text.h"
#include "controls/color_static.h"
#include "controls/hyperlink.h"
#include "framework/property_sheet.h"
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
inline constexpr UINT kWizardPageTemplates[kWizardPageCount] = {IDD_WELCOME, IDD_WHATS_NEW, IDD_ASSOCIATIONS,
                                                                IDD_READY, IDD_FINISH};

// The sheet's buttons that the pages enable, disable and relabel.
inline constexpr int kBackButtonId = 0x3023;   // ID_WIZBACK
inline constexpr int kNextButtonId = 0x3024;   // ID_WIZNEXT
inline constexpr int kCancelButtonId = IDCANCEL;

// Cell height of the title font at 96 DPI, in pixels.
inline constexpr int kTitleFontHeightAt96Dpi = 18;

// The title font: bold anti-aliased Arial, 18 pixels high at 96 DPI, scaled to dpi; every other
// attribute zero.
LOGFONTW TitleFontDescription(int dpi);

// Loads string id of the program's resources into buffer (cut to fit); empty when missing.
void LoadResourceText(UINT id, wchar_t* buffer, std::size_t bufferChars);

class CWizPropertySheet : public CPropertySheet {
public:
    // Titled "Photavian Setup", no owner, opening on the first page, in wizard mode.
    CWizPropertySheet();

    HFONT TitleFont() const { return static_cast<HFONT>(m_fontTitle.get()); }

    // The bold title font the pages borrow; made by start-up before the sheet is shown.
    UniqueGdiObject m_fontTitle;
    // The list of file types on the associations page, once that page has filled it.
    HWND m_hAssocList = nullptr;
    // The licence-agreement link of the welcome page.
    CHyperLink m_linkEula;
    // The "Installing ... please wait ..." line of the ready page.
    CXColorStatic m_staticInstalling;
    // Caption of every message box of the wizard, from the moment the window is initialised.
    wchar_t m_szCaption[kPathChars] = {};
    // The folder the installation went into, as the run made it (absolute, cleaned, ending in a
    // backslash); empty until a run has installed.
    wchar_t m_szInstalledFolder[kWorkPathChars] = {};

protected:
    // Takes the message caption, labels Cancel "&Exit" and titles the window with the caption.
    BOOL OnInitDialog() override;
    // Cancel asks "Exit setup?" on every page but the finish page, where it reads "&Done", runs
    // the finish actions and ends the wizard; No keeps the wizard as it is.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    // The window's Close asks the same question, except on the finish page.
    void OnSysCommand(UINT nID, LPARAM lParam) override;

private:
    // Asks "Exit setup?" (Yes and No, No the default); true when the answer is Yes.
    bool ConfirmExit();
};

} // namespace ph
