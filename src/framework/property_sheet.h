// CPropertySheet: the platform's property sheet around a list of CPropertyPage objects, with the
// sheet window's initialisation, commands and system commands routed to virtual members.
#pragma once

#include "base/text.h"

#include <windows.h>
#include <prsht.h>

#include <vector>

namespace ph {

class CPropertyPage;

// The Back and Next buttons of the platform's wizard sheet (ID_WIZBACK, ID_WIZNEXT).
inline constexpr int kBackButtonId = 0x3023;
inline constexpr int kNextButtonId = 0x3024;

class CPropertySheet {
public:
    // A sheet titled with the string nIDCaption, owned by parent, that opens on page iSelectPage.
    CPropertySheet(UINT nIDCaption, HWND parent, UINT iSelectPage);
    virtual ~CPropertySheet() = default;
    CPropertySheet(const CPropertySheet&) = delete;
    CPropertySheet& operator=(const CPropertySheet&) = delete;

    // Appends a page. The page must outlive the sheet's window.
    void AddPage(CPropertyPage* page);
    // Takes a page out of the list while the sheet has no window (nothing happens otherwise).
    void RemovePage(CPropertyPage* page);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    // The page at index, or null outside 0 .. GetPageCount() - 1.
    CPropertyPage* GetPage(int index) const;
    // The index of page in this sheet, or -1.
    int GetPageIndex(const CPropertyPage* page) const;

    // The index of the page the platform last activated. It already names a page while that page
    // is being created and while it handles its activation (the platform's own answer to "which
    // page is current" is empty at those moments). Before the window exists: the start page.
    int GetActiveIndex() const { return m_nActivePage; }
    // Asks the platform to show the page at index (PSM_SETCURSEL); true when it did.
    bool SetActivePage(int index);

    // Shows the sheet and runs it until it ends; returns the platform's result (-1 when the
    // sheet could not be shown).
    INT_PTR DoModal();
    // Creates the sheet without a modal loop of its own and returns its window (null on
    // failure). The caller destroys the window once the sheet reports no current page.
    HWND Create();

    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND GetDlgItem(int id) const { return m_hWnd != nullptr ? ::GetDlgItem(m_hWnd, id) : nullptr; }

    // Sets the sheet window's title and keeps it: in wizard mode the platform retitles the sheet
    // with the caption of every page it shows (Wine does so even for a page without a caption,
    // which would leave the title empty).
    void SetTitle(const wchar_t* title);

    // The header the platform's sheet is made from; derived sheets add their flags (PSH_WIZARD).
    PROPSHEETHEADERW m_psh{};

protected:
    // The sheet window exists and the platform has initialised it; its first page is shown
    // right after. Returns the result of the initialisation (TRUE).
    virtual BOOL OnInitDialog();
    // WM_COMMAND to the sheet window. Return TRUE when the command was handled here; FALSE lets
    // the platform handle it (Back, Next, Cancel ...), which the base does for every command.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // WM_SYSCOMMAND to the sheet window (the window menu, Close). The base lets the platform
    // handle it.
    virtual void OnSysCommand(UINT nID, LPARAM lParam);

    // Every message of the sheet window but WM_NCDESTROY. The base routes WM_COMMAND and
    // WM_SYSCOMMAND to the hooks above, keeps the title and passes the rest to CallDefault.
    // Overrides handle what they need and pass the rest to the base.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The platform's own handling of a message of the sheet window.
    LRESULT CallDefault(UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;

private:
    friend class CPropertyPage;

    INT_PTR Run(bool modeless);
    void Attach(HWND hwnd);
    static int CALLBACK SheetCallback(HWND hwnd, UINT message, LPARAM lParam);
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR refData);

    UINT m_nIDCaption;
    std::vector<CPropertyPage*> m_pages;
    int m_nActivePage;
    wchar_t m_szTitle[kPathChars] = {};
};

} // namespace ph
