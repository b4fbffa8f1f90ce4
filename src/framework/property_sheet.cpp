// CPropertySheet: building the platform's sheet from our pages and taking over its window.
#include "framework/property_sheet.h"

#include "framework/property_page.h"

#include <commctrl.h>

namespace ph {

namespace {

// Our one subclass of a sheet window; the object travels in the subclass's reference data.
constexpr UINT_PTR kSheetSubclassId = 0x50685368; // "PhSh"

// The sheet whose window the platform is creating. The platform's sheet callback carries no data
// of ours; sheets are created one at a time on the one user-interface thread.
CPropertySheet* g_sheetBeingCreated = nullptr;

} // namespace

CPropertySheet::CPropertySheet(UINT nIDCaption, HWND parent, UINT iSelectPage)
    : m_nIDCaption(nIDCaption), m_nActivePage(static_cast<int>(iSelectPage))
{
    m_psh.dwSize = sizeof(m_psh);
    m_psh.dwFlags = PSH_PROPSHEETPAGE;
    m_psh.hwndParent = parent;
    m_psh.nStartPage = iSelectPage;
}

void CPropertySheet::AddPage(CPropertyPage* page)
{
    page->m_pOwnerSheet = this;
    m_pages.push_back(page);
}

void CPropertySheet::RemovePage(CPropertyPage* page)
{
    int index = GetPageIndex(page);
    if (m_hWnd != nullptr || index < 0) {
        return;
    }
    m_pages.erase(m_pages.begin() + index);
    page->m_pOwnerSheet = nullptr;
}

CPropertyPage* CPropertySheet::GetPage(int index) const
{
    return index >= 0 && index < GetPageCount() ? m_pages[static_cast<std::size_t>(index)] : nullptr;
}

int CPropertySheet::GetPageIndex(const CPropertyPage* page) const
{
    for (int i = 0; i < GetPageCount(); ++i) {
        if (m_pages[static_cast<std::size_t>(i)] == page) {
            return i;
        }
    }
    return -1;
}

bool CPropertySheet::SetActivePage(int index)
{
    return m_hWnd != nullptr && ::SendMessageW(m_hWnd, PSM_SETCURSEL, static_cast<WPARAM>(index), 0) != FALSE;
}

INT_PTR CPropertySheet::DoModal()
{
    return Run(false);
}

HWND CPropertySheet::Create()
{
    INT_PTR result = Run(true);
    return result > 0 ? reinterpret_cast<HWND>(result) : nullptr;
}

INT_PTR CPropertySheet::Run(bool modeless)
{
    if (m_pages.empty() || g_sheetBeingCreated != nullptr) {
        return -1;
    }
    HINSTANCE resources = ::GetModuleHandleW(nullptr);
    // The platform copies the page descriptions while it builds the sheet.
    std::vector<PROPSHEETPAGEW> descriptions;
    descriptions.reserve(m_pages.size());
    for (CPropertyPage* page : m_pages) {
        descriptions.push_back(page->BuildPageDescription(resources));
    }

    PROPSHEETHEADERW header = m_psh;
    header.dwSize = sizeof(header);
    header.dwFlags |= PSH_PROPSHEETPAGE | PSH_USECALLBACK;
    if (modeless) {
        header.dwFlags |= PSH_MODELESS;
    }
    header.hInstance = resources;
    header.pszCaption = MAKEINTRESOURCEW(m_nIDCaption);
    header.nPages = static_cast<UINT>(descriptions.size());
    header.ppsp = descriptions.data();
    header.pfnCallback = SheetCallback;
    m_nActivePage = static_cast<int>(header.nStartPage);

    g_sheetBeingCreated = this;
    INT_PTR result = ::PropertySheetW(&header);
    g_sheetBeingCreated = nullptr;
    return result;
}

int CALLBACK CPropertySheet::SheetCallback(HWND hwnd, UINT message, LPARAM)
{
    if (message == PSCB_INITIALIZED && g_sheetBeingCreated != nullptr) {
        CPropertySheet* sheet = g_sheetBeingCreated;
        g_sheetBeingCreated = nullptr;
        sheet->Attach(hwnd);
    }
    return 0;
}

void CPropertySheet::Attach(HWND hwnd)
{
    m_hWnd = hwnd;
    if (!::SetWindowSubclass(hwnd, SubclassProc, kSheetSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        m_hWnd = nullptr;
        return;
    }
    OnInitDialog();
}

void CPropertySheet::SetTitle(const wchar_t* title)
{
    CopyTextCut(m_szTitle, title);
    if (m_hWnd != nullptr) {
        ::SetWindowTextW(m_hWnd, m_szTitle);
    }
}

BOOL CPropertySheet::OnInitDialog()
{
    // The platform has laid out the sheet and its buttons before it reports the window.
    return TRUE;
}

BOOL CPropertySheet::OnCommand(WPARAM, LPARAM)
{
    return FALSE;
}

void CPropertySheet::OnSysCommand(UINT nID, LPARAM lParam)
{
    CallDefault(WM_SYSCOMMAND, nID, lParam);
}

LRESULT CPropertySheet::CallDefault(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefSubclassProc(m_hWnd, message, wParam, lParam);
}

LRESULT CPropertySheet::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        return OnCommand(wParam, lParam) != FALSE ? 0 : CallDefault(message, wParam, lParam);
    case WM_SYSCOMMAND:
        OnSysCommand(static_cast<UINT>(wParam), lParam);
        return 0;
    case WM_SETTEXT:
        if (m_szTitle[0] != L'\0') {
            return CallDefault(message, wParam, reinterpret_cast<LPARAM>(m_szTitle));
        }
        return CallDefault(message, wParam, lParam);
    default:
        return CallDefault(message, wParam, lParam);
    }
}

LRESULT CALLBACK CPropertySheet::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR refData)
{
    auto* sheet = reinterpret_cast<CPropertySheet*>(refData);
    if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hwnd, SubclassProc, kSheetSubclassId);
        sheet->m_hWnd = nullptr;
        return ::DefSubclassProc(hwnd, message, wParam, lParam);
    }
    return sheet->WindowProc(message, wParam, lParam);
}

} // namespace ph
