// CXColorStatic: a dialog static that paints its text in colours and a font of its own.
#pragma once

#include "base/handles.h"
#include "framework/static_control.h"

#include <cstddef>

namespace ph {

// The longest text the control paints, terminator included; longer texts are cut.
inline constexpr std::size_t kColorStaticTextChars = 1024;

class CXColorStatic : public CStatic {
public:
    // Button-text colour on a button-face brush, the brush made here once.
    CXColorStatic();

    // Takes effect at the next paint; does not repaint.
    void SetTextColor(COLORREF rgb) { m_crText = rgb; }
    // Rebuilds the font from the static's own (dialog) font with weight 700 (bold) or 400, and
    // repaints at once.
    void SetBold(BOOL bold);
    // Rebuilds the font as anti-aliased Arial of the given height in logical units, keeping the
    // weight SetBold chose, and repaints at once.
    void SetFontHeight(int height);

    // The font the control paints with (owned by the control; null before attaching).
    HFONT GetPaintFont() const { return m_font.get(); }
    COLORREF GetTextColor() const { return m_crText; }

protected:
    // Copies the static's font into the control's own.
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The control's colours and background brush, for anything that asks the parent for them.
    HBRUSH CtlColor(HDC dc, UINT ctlColor) override;

private:
    void Paint(HDC dc);
    void EraseBackground(HDC dc);
    void RebuildFont(LOGFONTW description);

    UniqueFont m_font;
    COLORREF m_crText;
    COLORREF m_crBackground;
    UniqueBrush m_brush;
    int m_bBold = 0;
};

} // namespace ph
