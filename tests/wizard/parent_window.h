// A parent for the custom controls under test: a real top-level window whose procedure reflects
// colour requests and clicks to its static controls, as a page's does, with static children made
// on demand. It counts what reaches it after reflection had its say.
#pragma once

#include "base/handles.h"
#include "framework/static_control.h"

#include <gtest/gtest.h>

namespace ph::test {

class ReflectingParent {
public:
    ReflectingParent()
    {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = kClassName;
        ::RegisterClassW(&wc); // already registered by an earlier test: fine
        m_hwnd = ::CreateWindowExW(0, kClassName, L"parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 500, 300,
                                   nullptr, nullptr, wc.hInstance, nullptr);
        if (m_hwnd != nullptr) {
            ::SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        }
    }
    ~ReflectingParent()
    {
        if (m_hwnd != nullptr) {
            ::DestroyWindow(m_hwnd);
        }
    }
    ReflectingParent(const ReflectingParent&) = delete;
    ReflectingParent& operator=(const ReflectingParent&) = delete;

    HWND Window() const { return m_hwnd; }

    // A visible static child with control id id at x, y of width by height; font null leaves the
    // static without one.
    HWND AddStatic(const wchar_t* text, DWORD style, int x, int y, int width, int height, UINT id, HFONT font)
    {
        HWND hwnd = ::CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, m_hwnd,
                                      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
        EXPECT_NE(nullptr, hwnd);
        if (hwnd != nullptr && font != nullptr) {
            ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        }
        return hwnd;
    }

    // The text colour, background colour and mode a colour request for control leaves on a real
    // DC of the control, and the brush the answer names.
    struct Colours {
        COLORREF text;
        COLORREF background;
        int backgroundMode;
        HBRUSH brush;
    };
    Colours ColoursOf(HWND control) const
    {
        WindowDc dc(control);
        auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(m_hwnd, WM_CTLCOLORSTATIC,
                                                             reinterpret_cast<WPARAM>(dc.get()),
                                                             reinterpret_cast<LPARAM>(control)));
        return Colours{::GetTextColor(dc.get()), ::GetBkColor(dc.get()), ::GetBkMode(dc.get()), brush};
    }

    // Clicks and colour requests that no control took.
    int UnhandledClicks() const { return m_unhandledClicks; }
    int UnhandledColourRequests() const { return m_unhandledColourRequests; }

private:
    static constexpr wchar_t kClassName[] = L"PhReflectingTestParent";

    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        LRESULT result = 0;
        if (ReflectToStaticControl(hwnd, message, wParam, lParam, &result)) {
            return result;
        }
        auto* self = reinterpret_cast<ReflectingParent*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self != nullptr && message == WM_COMMAND && HIWORD(wParam) == STN_CLICKED) {
            ++self->m_unhandledClicks;
        }
        if (self != nullptr && message == WM_CTLCOLORSTATIC) {
            ++self->m_unhandledColourRequests;
        }
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }

    HWND m_hwnd = nullptr;
    int m_unhandledClicks = 0;
    int m_unhandledColourRequests = 0;
};

} // namespace ph::test
