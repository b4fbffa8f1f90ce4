// CHyperLink: a dialog static that looks and acts like a web link and opens its address in the
// browser when clicked.
#pragma once

#include "base/handles.h"
#include "framework/static_control.h"

#include <cstddef>

namespace ph {

// The longest address a link holds, terminator included (the shell's longest URL).
inline constexpr std::size_t kLinkTargetChars = 2084;
// A registered class name or browser command read from the registry.
inline constexpr std::size_t kBrowserValueChars = 260;
// The browser command line with the address, terminator included.
inline constexpr std::size_t kBrowserCommandLineChars = 520;

// Builds the command line that opens address with a browser registered as browserCommand: the
// command cut at its first quoted "%1" placeholder (without one, at its first bare %1), trailing
// blanks dropped, then one blank and the address. Returns false and leaves out unchanged when
// the result does not fit outChars characters.
bool BuildBrowserCommandLine(const wchar_t* browserCommand, const wchar_t* address, wchar_t* out, std::size_t outChars);

// Splits a command line into its program (in double quotes, or up to the first blank) and what
// follows it, the blanks between dropped. Returns the parameters (empty text when there are none),
// or null, with program empty, when there is no program, its closing quote is missing or it does
// not fit program.
const wchar_t* SplitProgramAndParameters(const wchar_t* commandLine, wchar_t (&program)[kBrowserValueChars]);

class CHyperLink : public CStatic {
public:
    CHyperLink();
    ~CHyperLink() override;

    // Sets the address a click opens and fits the window to its text when attached. An address
    // of kLinkTargetChars characters or more is refused: false, and the target is unchanged.
    bool SetTarget(const wchar_t* url);
    const wchar_t* GetTarget() const { return m_szTarget; }

    // kUnderlineHover: underlined only while the pointer is over the link; kUnderlineAlways.
    static constexpr int kUnderlineHover = -1;
    static constexpr int kUnderlineAlways = 1;
    void SetUnderlineMode(int mode);
    int GetUnderlineMode() const { return m_nUnderlineMode; }

    // Resizes the window around its text in the underlined font, keeping the edge or centre its
    // alignment style names. Does nothing before attaching.
    void FitToText();

    // The window is now shown at dpi: rebuilds both fonts from the font the link was attached
    // with at attachedDpi, its height scaled to dpi; the window gets the new one of the two fonts
    // it shows, and is fitted to its text again. Does nothing before attaching.
    void RescaleFonts(int dpi, int attachedDpi);
    // The fonts the link switches between (null before attaching).
    HFONT GetPlainFont() const { return m_fontPlain.get(); }
    HFONT GetUnderlinedFont() const { return m_fontUnderlined.get(); }

    // Opens address in the browser through the launch service (as the desktop's user when the
    // program runs elevated), or else starts the same way the browser command registered for
    // ".htm" pages: read from the machine-wide classes when elevated (the merged classes root
    // would take a command from the user's own keys), from the classes root otherwise. A status
    // greater than 32 means it was opened.
    static UINT_PTR OpenTarget(const wchar_t* url);

    // Identifier of the timer that watches for the pointer leaving.
    static constexpr UINT_PTR kHoverTimerId = 100;
    static constexpr UINT kHoverTimerMs = 100;

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Text colour for the state, transparent background; the stock null brush.
    HBRUSH CtlColor(HDC dc, UINT ctlColor) override;
    // Opens the target; a success marks the link followed, a failure beeps.
    bool OnClicked() override;

private:
    void OnMouseMove();
    void OnHoverTimer();
    void UseFont(const UniqueFont& font);
    static void MakeFonts(LOGFONTW description, UniqueFont& plain, UniqueFont& underlined);
    void LoadHandCursor();

    COLORREF m_rgbLink = RGB(0, 0, 238);
    COLORREF m_rgbVisited = RGB(85, 26, 139);
    COLORREF m_rgbHover = RGB(255, 0, 0);
    int m_bHot = 0;
    int m_bFollowed = 0;
    int m_nUnderlineMode = kUnderlineHover;
    wchar_t m_szTarget[kLinkTargetChars] = {};
    UniqueFont m_fontUnderlined;
    UniqueFont m_fontPlain;
    // The font the static had when attached, which both fonts copy.
    LOGFONTW m_lfAttached{};
    // The font the window had when attached, given back if this object goes first.
    HFONT m_hOriginalFont = nullptr;
    // A shared system cursor: never destroyed.
    HCURSOR m_hHandCursor = nullptr;
};

} // namespace ph
