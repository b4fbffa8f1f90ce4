// CStatic: attaching through the common controls' subclassing and reflection from the parent.
#include "framework/static_control.h"

#include "base/product.h"

#include <commctrl.h>

namespace ph {

namespace {

// The window message that asks a control for its object, named for the product so that it is ours.
constexpr auto kAttachedObjectMessage = JoinTexts(kProductName, L".CStatic.AttachedObject");

// Our one subclass of a control; the object travels in the subclass's reference data.
constexpr UINT_PTR kStaticSubclassId = 0x50685374; // "PhSt"

// Asks a control for the CStatic attached to it; our subclass answers with its reference data,
// any other window with 0. (GetWindowSubclass would read the reference data directly, but the
// MinGW import library of the common controls does not export it.)
UINT AttachedObjectQuery()
{
    static const UINT message = ::RegisterWindowMessageW(kAttachedObjectMessage);
    return message;
}

} // namespace

CStatic::~CStatic()
{
    UnsubclassWindow();
}

bool CStatic::SubclassDlgItem(UINT id, HWND parent)
{
    HWND item = parent != nullptr ? ::GetDlgItem(parent, static_cast<int>(id)) : nullptr;
    return item != nullptr && SubclassWindow(item);
}

bool CStatic::SubclassWindow(HWND hwnd)
{
    if (hwnd == nullptr || !::IsWindow(hwnd)) {
        return false;
    }
    if (m_hWnd != nullptr) {
        return m_hWnd == hwnd;
    }
    if (FromHandle(hwnd) != nullptr) {
        return false;
    }
    if (!::SetWindowSubclass(hwnd, SubclassProc, kStaticSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        return false;
    }
    m_hWnd = hwnd;
    PreSubclassWindow();
    return true;
}

HWND CStatic::UnsubclassWindow()
{
    HWND hwnd = m_hWnd;
    if (hwnd != nullptr) {
        ::RemoveWindowSubclass(hwnd, SubclassProc, kStaticSubclassId);
        m_hWnd = nullptr;
    }
    return hwnd;
}

CStatic* CStatic::FromHandle(HWND hwnd)
{
    // Only our own thread's windows can carry our subclass; asking others could block.
    if (hwnd == nullptr || ::GetWindowThreadProcessId(hwnd, nullptr) != ::GetCurrentThreadId()) {
        return nullptr;
    }
    return reinterpret_cast<CStatic*>(::SendMessageW(hwnd, AttachedObjectQuery(), 0, 0));
}

LRESULT CStatic::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallDefault(message, wParam, lParam);
}

LRESULT CStatic::CallDefault(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefSubclassProc(m_hWnd, message, wParam, lParam);
}

HBRUSH CStatic::CtlColor(HDC, UINT)
{
    return nullptr;
}

bool CStatic::OnClicked()
{
    return false;
}

HFONT CStatic::FontOrStockFont() const
{
    auto font = m_hWnd != nullptr ? reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)) : nullptr;
    if (font == nullptr) {
        font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    }
    if (font == nullptr) {
        font = static_cast<HFONT>(::GetStockObject(ANSI_VAR_FONT));
    }
    return font;
}

LRESULT CALLBACK CStatic::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR refData)
{
    auto* self = reinterpret_cast<CStatic*>(refData);
    if (message == WM_NCDESTROY) {
        // The subclass must be gone before the window is; the object outlives the window and can
        // be attached again to the control of a recreated page.
        self->UnsubclassWindow();
        return ::DefSubclassProc(hwnd, message, wParam, lParam);
    }
    if (message == AttachedObjectQuery() && message != 0) {
        return static_cast<LRESULT>(refData);
    }
    return self->WindowProc(message, wParam, lParam);
}

bool ReflectToStaticControl(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    HWND control = reinterpret_cast<HWND>(lParam);
    if (message == WM_CTLCOLORSTATIC) {
        CStatic* target = ::GetParent(control) == parent ? CStatic::FromHandle(control) : nullptr;
        if (target == nullptr) {
            return false;
        }
        HBRUSH brush = target->CtlColor(reinterpret_cast<HDC>(wParam), CTLCOLOR_STATIC);
        if (brush == nullptr) {
            return false;
        }
        *result = reinterpret_cast<LRESULT>(brush);
        return true;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == STN_CLICKED && control != nullptr) {
        CStatic* target = ::GetParent(control) == parent ? CStatic::FromHandle(control) : nullptr;
        if (target == nullptr || !target->OnClicked()) {
            return false;
        }
        *result = 0;
        return true;
    }
    return false;
}

} // namespace ph
