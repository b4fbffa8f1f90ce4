// CXColorStatic: its font, colours, painting and erasing.
#include "controls/color_static.h"

#include "base/text.h"

namespace ph {

namespace {

// The logical description of a font; all zero when it cannot be read.
LOGFONTW DescriptionOf(HFONT font)
{
    LOGFONTW description{};
    ::GetObjectW(font, sizeof(description), &description);
    return description;
}

} // namespace

CXColorStatic::CXColorStatic()
    : m_crText(::GetSysColor(COLOR_BTNTEXT)), m_crBackground(::GetSysColor(COLOR_BTNFACE)),
      m_brush(::CreateSolidBrush(m_crBackground))
{
}

void CXColorStatic::PreSubclassWindow()
{
    LOGFONTW description = DescriptionOf(FontOrStockFont());
    m_font.reset(::CreateFontIndirectW(&description));
}

void CXColorStatic::SetBold(BOOL bold)
{
    m_bBold = bold != FALSE ? 1 : 0;
    RebuildFont(DescriptionOf(FontOrStockFont()));
}

void CXColorStatic::SetFontHeight(int height)
{
    LOGFONTW description{};
    CopyTextCut(description.lfFaceName, L"Arial");
    description.lfHeight = height;
    description.lfQuality = ANTIALIASED_QUALITY;
    RebuildFont(description);
}

void CXColorStatic::RebuildFont(LOGFONTW description)
{
    description.lfWeight = m_bBold != 0 ? FW_BOLD : FW_NORMAL;
    m_font.reset(::CreateFontIndirectW(&description));
    if (m_hWnd != nullptr) {
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
}

HBRUSH CXColorStatic::CtlColor(HDC dc, UINT)
{
    ::SetTextColor(dc, m_crText);
    ::SetBkColor(dc, m_crBackground);
    ::SetBkMode(dc, OPAQUE);
    return m_brush.get();
}

void CXColorStatic::EraseBackground(HDC dc)
{
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    ::FillRect(dc, &client, m_brush ? m_brush.get() : static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH)));
}

void CXColorStatic::Paint(HDC dc)
{
    // Whoever's context this is gets it back as it was.
    SavedDcState saved(dc);
    ::SetTextColor(dc, m_crText);
    ::SetBkColor(dc, m_crBackground);
    ::SetBkMode(dc, OPAQUE);
    if (m_brush) {
        ::SelectObject(dc, m_brush.get());
    }
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    if (m_font) {
        ::SelectObject(dc, m_font.get());
    }
    wchar_t text[kColorStaticTextChars] = {};
    const int length = ::GetWindowTextW(m_hWnd, text, static_cast<int>(kColorStaticTextChars));

    const LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
    // The alignment is a value of the style's low bits, not a set of flags.
    const LONG alignment = style & SS_TYPEMASK;
    UINT format = alignment == SS_CENTER ? DT_CENTER : (alignment == SS_RIGHT ? DT_RIGHT : DT_LEFT);
    format |= (style & SS_CENTERIMAGE) != 0 ? DT_VCENTER | DT_SINGLELINE : DT_WORDBREAK;
    ::DrawTextW(dc, text, length, &client, format);
}

LRESULT CXColorStatic::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PaintDc dc(m_hWnd);
        if (dc) {
            Paint(dc.get());
        }
        return 0;
    }
    case WM_PRINTCLIENT: {
        // Drawing into another device context (printing, animations): the same picture.
        auto dc = reinterpret_cast<HDC>(wParam);
        if ((lParam & PRF_ERASEBKGND) != 0) {
            EraseBackground(dc);
        }
        Paint(dc);
        return 0;
    }
    case WM_ERASEBKGND:
        EraseBackground(reinterpret_cast<HDC>(wParam));
        return TRUE;
    default:
        return CallDefault(message, wParam, lParam);
    }
}

} // namespace ph
