// CHyperLink: link colours and fonts, hover tracking, fitting to the text and opening the address.
#include "controls/hyperlink.h"

#include "base/text.h"
#include "platform/launch.h"
#include "platform/probes.h"

#include <cwchar>
#include <utility>

namespace ph {

namespace {

// The key of the registered classes the fallback reads: only the machine-wide classes when the
// program runs elevated (HKEY_CLASSES_ROOT merges in the user's own classes, which a standard
// user can write), the merged classes root otherwise. Null when it cannot be opened.
UniqueRegKey OpenClassesRoot(bool machineOnly)
{
    UniqueRegKey root;
    const LSTATUS status = machineOnly
        ? ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes", 0, KEY_READ, root.put())
        : ::RegOpenKeyExW(HKEY_CLASSES_ROOT, nullptr, 0, KEY_READ, root.put());
    if (status != ERROR_SUCCESS) {
        root.reset();
    }
    return root;
}

// The default value of root\subKey as text. False when the key cannot be opened or the value is
// missing, not a string or longer than the buffer.
bool ReadClassesDefault(HKEY root, const wchar_t* subKey, wchar_t (&value)[kBrowserValueChars])
{
    UniqueRegKey key;
    if (::RegOpenKeyExW(root, subKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
        return false;
    }
    DWORD bytes = sizeof(value);
    if (::RegGetValueW(key.get(), nullptr, nullptr, RRF_RT_REG_SZ, nullptr, value, &bytes) != ERROR_SUCCESS) {
        return false;
    }
    return value[0] != L'\0';
}

// A rectangle of hwnd in its parent's client coordinates.
RECT InParent(HWND hwnd, RECT rect, bool screenCoordinates)
{
    ::MapWindowPoints(screenCoordinates ? HWND_DESKTOP : hwnd, ::GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

} // namespace

bool BuildBrowserCommandLine(const wchar_t* browserCommand, const wchar_t* address, wchar_t* out, std::size_t outChars)
{
    std::size_t keep = std::wcslen(browserCommand);
    const wchar_t* placeholder = std::wcsstr(browserCommand, L"\"%1\"");
    if (placeholder == nullptr) {
        placeholder = std::wcsstr(browserCommand, L"%1");
    }
    if (placeholder != nullptr) {
        keep = static_cast<std::size_t>(placeholder - browserCommand);
    }
    // One blank between the command and the address, however the registered command was spaced.
    while (keep > 0 && browserCommand[keep - 1] == L' ') {
        --keep;
    }
    std::size_t addressChars = std::wcslen(address);
    if (keep + 1 + addressChars + 1 > outChars) {
        return false;
    }
    std::wmemcpy(out, browserCommand, keep);
    out[keep] = L' ';
    std::wmemcpy(out + keep + 1, address, addressChars + 1);
    return true;
}

const wchar_t* SplitProgramAndParameters(const wchar_t* commandLine, wchar_t (&program)[kBrowserValueChars])
{
    program[0] = L'\0';
    const wchar_t* start = commandLine;
    const wchar_t* end = nullptr;
    const wchar_t* rest = nullptr;
    if (*start == L'"') {
        ++start;
        end = std::wcschr(start, L'"');
        if (end == nullptr) {
            return nullptr;
        }
        rest = end + 1;
    } else {
        end = std::wcschr(start, L' ');
        if (end == nullptr) {
            end = start + std::wcslen(start);
        }
        rest = end;
    }
    const auto length = static_cast<std::size_t>(end - start);
    if (length == 0 || length >= kBrowserValueChars) {
        return nullptr;
    }
    std::wmemcpy(program, start, length);
    program[length] = L'\0';
    while (*rest == L' ') {
        ++rest;
    }
    return rest;
}

UINT_PTR CHyperLink::OpenTarget(const wchar_t* url)
{
    const UINT_PTR shellStatus = Launch({::GetDesktopWindow(), url, nullptr, nullptr});
    if (shellStatus > 32) {
        return shellStatus;
    }
    // The shell could not open the address: start the browser registered for web pages with it,
    // the same way. Any gap on the way reports the shell's status.
    const UniqueRegKey classes = OpenClassesRoot(IsProcessElevated());
    if (!classes) {
        return shellStatus;
    }
    wchar_t pageClass[kBrowserValueChars] = {};
    if (!ReadClassesDefault(classes.get(), L".htm", pageClass)
        || !AppendTextWhole(pageClass, L"\\shell\\open\\command")) {
        return shellStatus;
    }
    wchar_t browserCommand[kBrowserValueChars] = {};
    if (!ReadClassesDefault(classes.get(), pageClass, browserCommand)) {
        return shellStatus;
    }
    wchar_t commandLine[kBrowserCommandLineChars] = {};
    if (!BuildBrowserCommandLine(browserCommand, url, commandLine, kBrowserCommandLineChars)) {
        return shellStatus;
    }
    wchar_t program[kBrowserValueChars];
    const wchar_t* parameters = SplitProgramAndParameters(commandLine, program);
    if (parameters == nullptr) {
        return shellStatus;
    }
    return Launch({::GetDesktopWindow(), program, parameters, nullptr});
}

CHyperLink::CHyperLink() = default;

CHyperLink::~CHyperLink()
{
    // The window may outlive this object: it must not keep painting with fonts deleted below.
    if (m_hWnd != nullptr) {
        ::KillTimer(m_hWnd, kHoverTimerId);
        ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_hOriginalFont), FALSE);
        UnsubclassWindow();
    }
}

bool CHyperLink::SetTarget(const wchar_t* url)
{
    if (!CopyTextWhole(m_szTarget, url)) {
        return false;
    }
    if (m_hWnd != nullptr) {
        FitToText();
    }
    return true;
}

void CHyperLink::SetUnderlineMode(int mode)
{
    if (mode == m_nUnderlineMode) {
        return;
    }
    if (m_hWnd != nullptr) {
        UseFont(mode == kUnderlineAlways ? m_fontUnderlined : m_fontPlain);
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
    }
    m_nUnderlineMode = mode;
}

void CHyperLink::PreSubclassWindow()
{
    // A new window (the page was created again) starts without the pointer over it.
    m_bHot = 0;
    ::SetWindowLongW(m_hWnd, GWL_STYLE, ::GetWindowLongW(m_hWnd, GWL_STYLE) | SS_NOTIFY);

    wchar_t text[kLinkTargetChars] = {};
    ::GetWindowTextW(m_hWnd, text, static_cast<int>(kLinkTargetChars));
    if (m_szTarget[0] == L'\0') {
        CopyTextCut(m_szTarget, text);
    }
    if (text[0] == L'\0') {
        ::SetWindowTextW(m_hWnd, m_szTarget);
    }

    m_hOriginalFont = reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    m_lfAttached = LOGFONTW{};
    if (::GetObjectW(FontOrStockFont(), sizeof(m_lfAttached), &m_lfAttached) == sizeof(m_lfAttached)) {
        MakeFonts(m_lfAttached, m_fontPlain, m_fontUnderlined);
    }

    FitToText();
    LoadHandCursor();
    // A mode chosen before attaching shows at once; otherwise the window keeps the dialog's font
    // until the pointer first comes over it.
    if (m_nUnderlineMode == kUnderlineAlways) {
        UseFont(m_fontUnderlined);
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
    }
}

void CHyperLink::LoadHandCursor()
{
    if (m_hHandCursor == nullptr) {
        m_hHandCursor = ::LoadCursorW(nullptr, IDC_HAND);
    }
}

void CHyperLink::MakeFonts(LOGFONTW description, UniqueFont& plain, UniqueFont& underlined)
{
    description.lfUnderline = FALSE;
    plain.reset(::CreateFontIndirectW(&description));
    description.lfUnderline = TRUE;
    underlined.reset(::CreateFontIndirectW(&description));
}

void CHyperLink::RescaleFonts(int dpi, int attachedDpi)
{
    if (m_hWnd == nullptr || !m_fontPlain || attachedDpi <= 0) {
        return;
    }
    LOGFONTW description = m_lfAttached;
    description.lfHeight = ::MulDiv(m_lfAttached.lfHeight, dpi, attachedDpi);
    UniqueFont plain;
    UniqueFont underlined;
    MakeFonts(description, plain, underlined);
    if (!plain || !underlined) {
        return; // the fonts that exist stay
    }
    // The window gets the new one of the fonts it shows before the old ones go.
    const auto shown = reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    if (shown == m_fontUnderlined.get()) {
        UseFont(underlined);
    } else if (shown == m_fontPlain.get()) {
        UseFont(plain);
    }
    m_fontPlain = std::move(plain);
    m_fontUnderlined = std::move(underlined);
    FitToText();
}

void CHyperLink::UseFont(const UniqueFont& font)
{
    if (font) {
        ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    }
}

void CHyperLink::FitToText()
{
    if (m_hWnd == nullptr) {
        return;
    }
    RECT window{};
    RECT client{};
    ::GetWindowRect(m_hWnd, &window);
    ::GetClientRect(m_hWnd, &client);
    window = InParent(m_hWnd, window, true);
    client = InParent(m_hWnd, client, false);

    wchar_t text[kLinkTargetChars] = {};
    int length = ::GetWindowTextW(m_hWnd, text, static_cast<int>(kLinkTargetChars));
    SIZE extent{};
    {
        WindowDc dc(m_hWnd);
        if (!dc) {
            return;
        }
        SelectedObject font(dc.get(), m_fontUnderlined ? m_fontUnderlined.get() : FontOrStockFont());
        if (!::GetTextExtentPoint32W(dc.get(), text, length, &extent)) {
            return;
        }
    }

    const LONG windowWidth = window.right - window.left;
    const LONG windowHeight = window.bottom - window.top;
    const LONG newWidth = extent.cx + windowWidth - (client.right - client.left);
    const LONG newHeight = extent.cy + windowHeight - (client.bottom - client.top);
    const LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);

    if ((style & SS_CENTERIMAGE) != 0) {
        const LONG shrink = (windowHeight - newHeight) / 2;
        window.top += shrink;
        window.bottom -= shrink;
    } else {
        window.bottom = window.top + newHeight;
    }
    // The alignment is a value of the style's low bits, not a set of flags.
    const LONG alignment = style & SS_TYPEMASK;
    if (alignment == SS_CENTER) {
        const LONG shrink = (windowWidth - newWidth) / 2;
        window.left += shrink;
        window.right -= shrink;
    } else if (alignment == SS_RIGHT) {
        window.left = window.right - newWidth;
    } else {
        window.right = window.left + newWidth;
    }
    ::SetWindowPos(m_hWnd, nullptr, window.left, window.top, window.right - window.left, window.bottom - window.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

HBRUSH CHyperLink::CtlColor(HDC dc, UINT)
{
    COLORREF colour = m_bHot != 0 ? m_rgbHover : (m_bFollowed != 0 ? m_rgbVisited : m_rgbLink);
    ::SetTextColor(dc, colour);
    ::SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

bool CHyperLink::OnClicked()
{
    m_bHot = 0;
    UINT_PTR status = OpenTarget(m_szTarget);
    if (status > 32) {
        m_bFollowed = 1;
        if (m_hWnd != nullptr) {
            ::InvalidateRect(m_hWnd, nullptr, TRUE);
        }
    } else {
        m_bFollowed = 0;
        Seams().beep(MB_ICONEXCLAMATION);
    }
    return true;
}

void CHyperLink::OnMouseMove()
{
    if (m_bHot != 0) {
        return;
    }
    m_bHot = 1;
    if (m_nUnderlineMode == kUnderlineHover) {
        UseFont(m_fontUnderlined);
    }
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    ::SetTimer(m_hWnd, kHoverTimerId, kHoverTimerMs, nullptr);
}

void CHyperLink::OnHoverTimer()
{
    DWORD position = ::GetMessagePos();
    POINT pointer{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    ::ScreenToClient(m_hWnd, &pointer);
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    if (::PtInRect(&client, pointer)) {
        return;
    }
    m_bHot = 0;
    ::KillTimer(m_hWnd, kHoverTimerId);
    if (m_nUnderlineMode != kUnderlineAlways) {
        UseFont(m_fontPlain);
    }
    // A little below the text too, where the underline of some fonts reaches.
    client.bottom += 10;
    ::InvalidateRect(m_hWnd, &client, TRUE);
}

LRESULT CHyperLink::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETCURSOR:
        if (m_hHandCursor != nullptr) {
            ::SetCursor(m_hHandCursor);
            return TRUE;
        }
        break;
    case WM_MOUSEMOVE:
        OnMouseMove();
        break;
    case WM_TIMER:
        OnHoverTimer();
        break;
    case WM_ERASEBKGND: {
        RECT client{};
        ::GetClientRect(m_hWnd, &client);
        ::FillRect(reinterpret_cast<HDC>(wParam), &client, ::GetSysColorBrush(COLOR_BTNFACE));
        return TRUE;
    }
    case WM_DESTROY:
        ::KillTimer(m_hWnd, kHoverTimerId);
        break;
    default:
        break;
    }
    return CallDefault(message, wParam, lParam);
}

} // namespace ph
