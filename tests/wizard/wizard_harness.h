// The wizard under test: the real sheet and its five pages, created without a modal loop so that a
// test drives it step by step with the platform's own messages; and message boxes answered by
// the test (support/pinned_message_boxes.h).
#pragma once

#include "base/scoped_override.h"
#include "platform/probes.h"
#include "support/pinned_message_boxes.h"
#include "wizard/wiz_property_page.h"
#include "wizard/wiz_property_sheet.h"
#include "wizard/wizard_pages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ph::test {

inline std::wstring WindowText(HWND hwnd)
{
    wchar_t text[1024] = {};
    ::GetWindowTextW(hwnd, text, 1024);
    return text;
}

// The wizard as start-up builds it on a screen of kBaseDpi (the title font, the five pages in
// order), shown modelessly. The screen's DPI is pinned: the wizard looks the same whatever the
// prefix's screen says.
class WizardUnderTest {
public:
    WizardUnderTest();
    ~WizardUnderTest();
    WizardUnderTest(const WizardUnderTest&) = delete;
    WizardUnderTest& operator=(const WizardUnderTest&) = delete;

    // Creates the sheet window; the welcome page is then active.
    HWND Open();

    CWizPropertySheet& Sheet() { return m_sheet; }
    CWizPropertyPage& Page(int position) { return m_pages.Page(position); }
    HWND Window() const { return m_sheet.GetSafeHwnd(); }

    // The sheet's buttons.
    HWND Button(int id) const { return ::GetDlgItem(Window(), id); }
    bool IsEnabled(int id) const { return ::IsWindowEnabled(Button(id)) != FALSE; }
    std::wstring ButtonText(int id) const { return WindowText(Button(id)); }
    // A click on a button of the sheet, as the user makes it.
    void Click(int id) const;

    // Controls of a page.
    HWND Item(int position, int id) { return ::GetDlgItem(Page(position).GetSafeHwnd(), id); }
    std::wstring ItemText(int position, int id) { return WindowText(Item(position, id)); }
    void SetItemText(int position, int id, const std::wstring& text);
    bool IsChecked(int position, int id);
    bool IsItemEnabled(int position, int id) { return ::IsWindowEnabled(Item(position, id)) != FALSE; }
    void ClickItem(int position, int id);

    // The page the platform shows (its own answer), -1 once the sheet has ended.
    int CurrentIndex() const;
    bool Ended() const;
    // Shows the page at position through the platform (PSM_SETCURSEL).
    void ShowPage(int position);

private:
    static int ScreenAtBaseDpi(HWND) { return kBaseDpi; }

    ScopedOverride<decltype(PlatformSeams::screenDpiX)> m_screenDpi{Seams().screenDpiX, ScreenAtBaseDpi};
    CWizPropertySheet m_sheet;
    CWizardPages m_pages{m_sheet};
};

inline WizardUnderTest::WizardUnderTest()
{
    m_sheet.CreateTitleFont(kBaseDpi);
}

inline WizardUnderTest::~WizardUnderTest()
{
    // The pages leave the sheet once its window is gone.
    if (Window() != nullptr) {
        ::DestroyWindow(Window());
    }
}

inline HWND WizardUnderTest::Open()
{
    return m_sheet.Create();
}

inline void WizardUnderTest::Click(int id) const
{
    ::SendMessageW(Button(id), BM_CLICK, 0, 0);
}

inline void WizardUnderTest::SetItemText(int position, int id, const std::wstring& text)
{
    ::SetWindowTextW(Item(position, id), text.c_str());
}

inline bool WizardUnderTest::IsChecked(int position, int id)
{
    return ::SendMessageW(Item(position, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

inline void WizardUnderTest::ClickItem(int position, int id)
{
    ::SendMessageW(Item(position, id), BM_CLICK, 0, 0);
}

inline int WizardUnderTest::CurrentIndex() const
{
    HWND page = reinterpret_cast<HWND>(::SendMessageW(Window(), PSM_GETCURRENTPAGEHWND, 0, 0));
    if (page == nullptr) {
        return -1;
    }
    return static_cast<int>(::SendMessageW(Window(), PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0));
}

inline bool WizardUnderTest::Ended() const
{
    return ::SendMessageW(Window(), PSM_GETCURRENTPAGEHWND, 0, 0) == 0;
}

inline void WizardUnderTest::ShowPage(int position)
{
    m_sheet.SetActivePage(position);
}

} // namespace ph::test
