// CStatic: a C++ object attached to an existing static control by subclassing, with the
// parent's colour requests and click notifications handed back to it.
#pragma once

#include <windows.h>

namespace ph {

class CStatic {
public:
    CStatic() = default;
    // Detaches from a window that is still alive: the window goes on as a plain static.
    virtual ~CStatic();
    CStatic(const CStatic&) = delete;
    CStatic& operator=(const CStatic&) = delete;

    // Attaches to the child control `id` of parent. True when attached afterwards; binding to the
    // window this object already holds does nothing and succeeds. False when there is no such
    // item, when this object holds another live window, or when another CStatic holds this one.
    bool SubclassDlgItem(UINT id, HWND parent);
    bool SubclassWindow(HWND hwnd);
    // Detaches without destroying the window; returns it (null when nothing was attached).
    HWND UnsubclassWindow();

    HWND GetSafeHwnd() const { return m_hWnd; }

    // The CStatic attached to hwnd, or null.
    static CStatic* FromHandle(HWND hwnd);

protected:
    // Called once the window is attached (m_hWnd is set and messages already arrive through
    // WindowProc). The place to adjust the control's style, fonts and size.
    virtual void PreSubclassWindow() {}

    // Every message of the control except WM_NCDESTROY, which detaches it. Overrides handle what
    // they need and pass the rest to CallDefault.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The control's own handling of a message (the static control's window procedure).
    LRESULT CallDefault(UINT message, WPARAM wParam, LPARAM lParam);

    // The parent's WM_CTLCOLORSTATIC for this control, reflected. Returns the brush that paints
    // the background after preparing dc; null means "not handled", and the parent answers as
    // it would without us.
    virtual HBRUSH CtlColor(HDC dc, UINT ctlColor);
    // The parent's STN_CLICKED for this control, reflected. True when handled.
    virtual bool OnClicked();

    // The font the control paints its text with: its own (WM_GETFONT), else the stock
    // DEFAULT_GUI_FONT, else the stock ANSI_VAR_FONT. Stock fonts are never deleted.
    HFONT FontOrStockFont() const;

    HWND m_hWnd = nullptr;

private:
    friend bool ReflectToStaticControl(HWND, UINT, WPARAM, LPARAM, LRESULT*);
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR refData);
};

// The parent's window or dialog procedure calls this first for every message. For a colour
// request or a click notification from an attached CStatic child of parent, it lets the control
// answer and returns true with the answer in *result; otherwise it returns false and the parent
// handles the message itself.
// A dialog procedure returns *result itself for WM_CTLCOLORSTATIC (the brush, one of the messages
// whose answer is the dialog procedure's return value) and TRUE for WM_COMMAND.
bool ReflectToStaticControl(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

} // namespace ph
