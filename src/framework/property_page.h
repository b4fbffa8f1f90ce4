// CPropertyPage: one page of a property sheet, made from a dialog template, whose dialog
// procedure turns the sheet's notifications into plain virtual hooks.
#pragma once

#include <windows.h>
#include <prsht.h>

#include <cstddef>

namespace ph {

class CPropertySheet;

// The direction of one data exchange between a page and its controls.
struct CDataExchange {
    // true: the page leaves (controls to data); false: the page is created or shown again.
    bool m_bSaveAndValidate;
};

class CPropertyPage {
public:
    // A page from the dialog template nIDTemplate in the program's resources. nIDCaption names a
    // string for the page's title; 0 keeps the template's (none for our pages).
    explicit CPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0);
    virtual ~CPropertyPage() = default;
    CPropertyPage(const CPropertyPage&) = delete;
    CPropertyPage& operator=(const CPropertyPage&) = delete;

    UINT GetTemplateId() const { return m_nIDTemplate; }
    // The page's window: null until the sheet creates it on the page's first activation.
    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND GetDlgItem(int id) const { return m_hWnd != nullptr ? ::GetDlgItem(m_hWnd, id) : nullptr; }

    // The description the platform's sheet builds this page from.
    PROPSHEETPAGEW BuildPageDescription(HINSTANCE resources);

protected:
    // Hooks called from the page's dialog procedure. Each is called with the sheet already
    // reporting this page as the active one.

    // WM_INITDIALOG, the first activation: the window and its controls exist. The base exchanges
    // data (DoDataExchange, not saving) and returns TRUE; TRUE lets the system set the focus.
    virtual BOOL OnInitDialog();

    // Binds controls and data; called at creation, at each later activation and at each
    // deactivation (pDX->m_bSaveAndValidate tells which). The base does nothing.
    virtual void DoDataExchange(CDataExchange* pDX);

    // PSN_SETACTIVE: the page is about to be shown. Return TRUE to accept the activation, FALSE
    // to have the sheet skip this page. The base exchanges data on every activation but the
    // first (OnInitDialog did that) and returns TRUE.
    virtual BOOL OnSetActive();

    // PSN_KILLACTIVE: the page is about to be left. Return TRUE to let it go, FALSE to keep it.
    // The base exchanges data (saving) and returns TRUE.
    virtual BOOL OnKillActive();

    // PSN_WIZNEXT and PSN_WIZBACK: Next or Back was pressed. Return 0 to move to the page next to
    // this one, -1 to stay, or the dialog template id of the page to show. The bases return 0.
    virtual LRESULT OnWizardNext();
    virtual LRESULT OnWizardBack();

    // BN_CLICKED from the page's control controlId. Return true when handled; the base handles
    // nothing. Derived classes look the id up in their table of button handlers
    // (RunButtonHandler below).
    virtual bool OnButtonClicked(int controlId);

    // The sheet that holds the page (null before it is added to one).
    CPropertySheet* GetOwnerSheet() const { return m_pOwnerSheet; }

    HWND m_hWnd = nullptr;

private:
    friend class CPropertySheet;

    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // The answer to one notification, or false when the page does not handle it.
    bool OnNotify(const NMHDR& header, LRESULT* result);
    void TellSheetActive();

    UINT m_nIDTemplate;
    UINT m_nIDCaption;
    bool m_bFirstSetActive = true;
    CPropertySheet* m_pOwnerSheet = nullptr;
};

// One row of a page class's table of button handlers: a click on controlId runs handler.
template <typename Page>
struct ButtonHandler {
    int controlId;
    void (Page::*handler)();
};

// Runs the handler the table gives for controlId; false when the table has none.
template <typename Page, std::size_t N>
bool RunButtonHandler(Page& page, const ButtonHandler<Page> (&table)[N], int controlId)
{
    for (const ButtonHandler<Page>& row : table) {
        if (row.controlId == controlId) {
            (page.*row.handler)();
            return true;
        }
    }
    return false;
}

} // namespace ph
