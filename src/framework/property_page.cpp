// CPropertyPage: the page's dialog procedure and the default hooks.
#include "framework/property_page.h"

#include "framework/property_sheet.h"
#include "framework/static_control.h"

namespace ph {

namespace {

// Messages whose answer is the dialog procedure's return value itself; every other answer goes
// through DWLP_MSGRESULT.
bool AnswersThroughReturnValue(UINT message)
{
    return (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) || message == WM_COMPAREITEM
        || message == WM_VKEYTOITEM || message == WM_CHARTOITEM || message == WM_QUERYDRAGICON
        || message == WM_INITDIALOG;
}

INT_PTR Answer(HWND hwnd, UINT message, LRESULT result)
{
    if (AnswersThroughReturnValue(message)) {
        return static_cast<INT_PTR>(result);
    }
    ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

} // namespace

CPropertyPage::CPropertyPage(UINT nIDTemplate, UINT nIDCaption) : m_nIDTemplate(nIDTemplate), m_nIDCaption(nIDCaption)
{
}

PROPSHEETPAGEW CPropertyPage::BuildPageDescription(HINSTANCE resources)
{
    PROPSHEETPAGEW description{};
    description.dwSize = sizeof(description);
    description.dwFlags = PSP_DEFAULT;
    description.hInstance = resources;
    description.pszTemplate = MAKEINTRESOURCEW(m_nIDTemplate);
    if (m_nIDCaption != 0) {
        description.dwFlags |= PSP_USETITLE;
        description.pszTitle = MAKEINTRESOURCEW(m_nIDCaption);
    }
    description.pfnDlgProc = DialogProc;
    description.lParam = reinterpret_cast<LPARAM>(this);
    return description;
}

BOOL CPropertyPage::OnInitDialog()
{
    CDataExchange exchange{false};
    DoDataExchange(&exchange);
    return TRUE;
}

void CPropertyPage::DoDataExchange(CDataExchange*)
{
}

BOOL CPropertyPage::OnSetActive()
{
    if (m_bFirstSetActive) {
        m_bFirstSetActive = false;
    } else {
        CDataExchange exchange{false};
        DoDataExchange(&exchange);
    }
    return TRUE;
}

BOOL CPropertyPage::OnKillActive()
{
    CDataExchange exchange{true};
    DoDataExchange(&exchange);
    return TRUE;
}

LRESULT CPropertyPage::OnWizardNext()
{
    return 0;
}

LRESULT CPropertyPage::OnWizardBack()
{
    return 0;
}

bool CPropertyPage::OnButtonClicked(int)
{
    return false;
}

void CPropertyPage::TellSheetActive()
{
    if (m_pOwnerSheet != nullptr) {
        int index = m_pOwnerSheet->GetPageIndex(this);
        if (index >= 0) {
            m_pOwnerSheet->m_nActivePage = index;
        }
    }
}

bool CPropertyPage::OnNotify(const NMHDR& header, LRESULT* result)
{
    if (header.hwndFrom != ::GetParent(m_hWnd)) {
        return false;
    }
    switch (header.code) {
    case PSN_SETACTIVE:
        TellSheetActive();
        *result = OnSetActive() != FALSE ? 0 : -1;
        return true;
    case PSN_KILLACTIVE:
        *result = OnKillActive() != FALSE ? FALSE : TRUE;
        return true;
    case PSN_WIZNEXT:
        *result = OnWizardNext();
        return true;
    case PSN_WIZBACK:
        *result = OnWizardBack();
        return true;
    default:
        return false;
    }
}

INT_PTR CALLBACK CPropertyPage::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        // The platform hands over its copy of our page description; its lParam is the page.
        const auto* description = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        auto* page = reinterpret_cast<CPropertyPage*>(description->lParam);
        ::SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
        page->m_hWnd = hwnd;
        page->m_bFirstSetActive = true;
        // The platform creates a page on its first activation, before it names it current.
        page->TellSheetActive();
        return page->OnInitDialog();
    }

    auto* page = reinterpret_cast<CPropertyPage*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (page == nullptr) {
        return FALSE;
    }

    // Our controls answer their own colour requests and clicks first.
    LRESULT reflected = 0;
    if (ReflectToStaticControl(hwnd, message, wParam, lParam, &reflected)) {
        return Answer(hwnd, message, reflected);
    }

    switch (message) {
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (page->OnNotify(*reinterpret_cast<const NMHDR*>(lParam), &result)) {
            return Answer(hwnd, message, result);
        }
        return FALSE;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && lParam != 0 && page->OnButtonClicked(LOWORD(wParam))) {
            return Answer(hwnd, message, 0);
        }
        return FALSE;
    case WM_NCDESTROY:
        page->m_hWnd = nullptr;
        ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace ph
