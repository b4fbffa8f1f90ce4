// CWizPropertyPage: the one page class of the wizard. Each handler looks at the position of the
// active page in the sheet and runs the hook its table gives for that position.
#pragma once

#include "framework/property_page.h"

namespace ph {

class CWizPropertySheet;

class CWizPropertyPage : public CPropertyPage {
public:
    // A page from the dialog template nIDTemplate, with no caption of its own.
    explicit CWizPropertyPage(UINT nIDTemplate);

    // The dialog template id of the nearest page in the given direction whose m_bIncluded is
    // set, or -1 when there is none (Back on the first page, Next on the last).
    virtual LRESULT FindNeighbourPage(BOOL bForward);

    // The finish page's actions on Done, before the wizard closes: the FAQ page when its box is
    // ticked, then the installed viewer, brought to the front once its window appears.
    void RunFinishActions();

    // The welcome page's one-time set-up has not run yet (only the welcome page's copy is used).
    int m_bFirstActivate = 1;
    // Colours of the associations list as the platform first drew it (that page's copy only);
    // m_crListText kColoursNotCaptured: not captured yet.
    static constexpr COLORREF kColoursNotCaptured = 0xFFFFFFFF;
    COLORREF m_crListBack = 0;
    COLORREF m_crListText = kColoursNotCaptured;
    // The page takes part in Next/Back navigation.
    int m_bIncluded = 1;
    // The owning sheet, set by whoever adds the page to it.
    CWizPropertySheet* m_pSheet = nullptr;

protected:
    // The page's window exists: its logo, if it has one, is the one drawn for the sheet's DPI.
    // Then the base (TRUE).
    BOOL OnInitDialog() override;
    // Binds the sheet's shared controls to the active page's statics: the licence link on the
    // welcome page, the installing line on the ready page.
    void DoDataExchange(CDataExchange* pDX) override;
    // The set-up of the active position and the frame's button rules; then the base (TRUE).
    BOOL OnSetActive() override;
    // Enables Back and runs the position's step: the folder check on the welcome page, the
    // installation on the ready page. Returns the next page's id, -1 to stay (refused folder,
    // running viewer), or the welcome page's id after a failed installation.
    LRESULT OnWizardNext() override;
    // The neighbour's id backwards, or -1 on the first page.
    LRESULT OnWizardBack() override;
    // Runs the handler of the page class's button table; true when the id has one.
    bool OnButtonClicked(int controlId) override;

private:
    // What one position does beyond the frame; a null hook does nothing.
    struct PositionHooks {
        // From DoDataExchange: binds the sheet's shared controls to the page's statics.
        void (CWizPropertyPage::*bindSharedControls)();
        // From OnSetActive, before the base: the page's set-up and its button rules.
        void (CWizPropertyPage::*activate)();
        // From OnWizardNext, after Back is enabled: kGoOn to move to the next included page, -1
        // to stay, or the dialog template id of the page to show.
        LRESULT (CWizPropertyPage::*next)();
    };
    static constexpr LRESULT kGoOn = 0;
    // The hooks of the active position; null when the page is in no sheet.
    const PositionHooks* ActiveHooks() const;

    void EnableSheetButton(int id, bool enable) const;
    void SetSheetButtonText(int id, UINT textId) const;
    void GiveTitleFont(int controlId) const;
    void SetCheck(int controlId, bool checked) const;
    bool IsChecked(int controlId) const;

    // The shared controls of the welcome page (the licence link) and of the ready page (the
    // installing line).
    void BindEulaLink();
    void BindInstallingStatic();

    // Welcome page (welcome_page.cpp).
    void ActivateWelcomePage();
    LRESULT NextFromWelcomePage();
    void FillWelcomePage();
    bool CheckInstallFolder();
    void OnShortcutBoxClicked();
    void OnUncheckAll();
    void OnBrowseFolder();

    // What's new page (whats_new_page.cpp): the release notes into the edit, on every activation.
    void LoadWhatsNewText();

    // Associations page (associations_page.cpp): IDC_ASSOC_ALL_USERS hidden, the list filled
    // once, the disabled look while the registry box is unticked.
    void ActivateAssociationsPage();
    void SetUpAssociationList();
    void OnRegistryBoxClicked();
    void OnImagesOnly();
    void OnSelectAll();
    void OnSelectNone();

    // Ready page (ready_page.cpp): the title font, the destination line and the default
    // settings-folder choice on every arrival; Next runs the installation.
    void ActivateReadyPage();
    LRESULT NextFromReadyPage();
    enum class InstallOutcome {
        Refused, // a viewer runs: nothing read, nothing installed
        Failed,  // the run stopped and has reported why
        Installed,
    };
    InstallOutcome InstallFromWizard();

    // Finish page: title, both actions ticked, Cancel relabelled "&Done", Back and Next off.
    void ActivateFinishPage();

    static const ButtonHandler<CWizPropertyPage> s_buttonHandlers[];
    // One row per position, in sheet order.
    static const PositionHooks s_positionHooks[];
};

} // namespace ph
