// The framework's page and sheet under the platform's own sheet: which hook runs when, what the
// sheet reports as active meanwhile, the answers the hooks give, and the button table.
#include "wizard_harness.h"

#include "framework/property_page.h"
#include "framework/property_sheet.h"

#include <string>
#include <vector>

namespace ph::test {
namespace {

std::vector<std::string> g_events;

// A page that records its hooks as "<page>:<hook>@<active index>".
class RecordingPage : public CPropertyPage {
public:
    RecordingPage(UINT nIDTemplate, char name) : CPropertyPage(nIDTemplate), m_name(name) {}

    BOOL m_acceptActivation = TRUE;
    BOOL m_letGo = TRUE;
    LRESULT m_nextAnswer = 0;
    int m_clicks = 0;

protected:
    BOOL OnInitDialog() override
    {
        Record("init");
        return CPropertyPage::OnInitDialog();
    }
    void DoDataExchange(CDataExchange* pDX) override { Record(pDX->m_bSaveAndValidate ? "save" : "load"); }
    BOOL OnSetActive() override
    {
        Record("active");
        CPropertyPage::OnSetActive();
        return m_acceptActivation;
    }
    BOOL OnKillActive() override
    {
        Record("leave");
        CPropertyPage::OnKillActive();
        return m_letGo;
    }
    LRESULT OnWizardNext() override
    {
        Record("next");
        return m_nextAnswer;
    }
    LRESULT OnWizardBack() override
    {
        Record("back");
        return 0;
    }
    bool OnButtonClicked(int controlId) override
    {
        static const ButtonHandler<RecordingPage> handlers[] = {{IDC_UNCHECK_ALL, &RecordingPage::OnUncheck}};
        return RunButtonHandler(*this, handlers, controlId);
    }

private:
    void OnUncheck() { ++m_clicks; }
    void Record(const char* hook)
    {
        g_events.push_back(std::string(1, m_name) + ":" + hook + "@"
                           + std::to_string(GetOwnerSheet()->GetActiveIndex()));
    }

    char m_name;
};

class RecordingSheet : public CPropertySheet {
public:
    RecordingSheet() : CPropertySheet(IDS_SHEET_CAPTION, nullptr, 0) { m_psh.dwFlags |= PSH_WIZARD; }

    int m_initCount = 0;
    HWND m_windowAtInit = nullptr;
    std::vector<WORD> m_commands;

protected:
    BOOL OnInitDialog() override
    {
        ++m_initCount;
        m_windowAtInit = m_hWnd;
        g_events.push_back("sheet:init");
        return CPropertySheet::OnInitDialog();
    }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        m_commands.push_back(LOWORD(wParam));
        return CPropertySheet::OnCommand(wParam, lParam);
    }
};

class FrameworkHooks : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_events.clear();
        for (RecordingPage* page : {&m_a, &m_b, &m_c}) {
            m_sheet.AddPage(page);
        }
        m_window = m_sheet.Create();
        ASSERT_NE(m_window, nullptr);
    }
    void TearDown() override
    {
        if (m_sheet.GetSafeHwnd() != nullptr) {
            ::DestroyWindow(m_sheet.GetSafeHwnd());
        }
        for (RecordingPage* page : {&m_c, &m_b, &m_a}) {
            m_sheet.RemovePage(page);
        }
    }

    void Click(int id) { ::SendMessageW(::GetDlgItem(m_window, id), BM_CLICK, 0, 0); }
    std::vector<std::string> TakeEvents() { return std::exchange(g_events, {}); }

    RecordingPage m_a{IDD_WELCOME, 'a'};
    RecordingPage m_b{IDD_WHATS_NEW, 'b'};
    RecordingPage m_c{IDD_ASSOCIATIONS, 'c'};
    RecordingSheet m_sheet;
    HWND m_window = nullptr;
};

using Events = std::vector<std::string>;

TEST_F(FrameworkHooks, ExchangeAtCreationAtLaterActivationsAndAtEachDeparture)
{
    // The sheet is taken over before its first page is created; the page is already reported
    // active while it is created. At creation the exchange happens once, in the creation hook.
    EXPECT_EQ(m_sheet.m_initCount, 1);
    EXPECT_EQ(m_sheet.m_windowAtInit, m_window);
    EXPECT_EQ(TakeEvents(), (Events{"sheet:init", "a:init@0", "a:load@0", "a:active@0"}));

    Click(kNextButtonId);
    EXPECT_EQ(TakeEvents(), (Events{"a:next@0", "a:leave@0", "a:save@0", "b:init@1", "b:load@1", "b:active@1"}));

    Click(kBackButtonId);
    EXPECT_EQ(TakeEvents(), (Events{"b:back@1", "b:leave@1", "b:save@1", "a:active@0", "a:load@0"}));

    // A page created once is only activated afterwards; its activation hook exchanges data
    // after the page's own set-up.
    Click(kNextButtonId);
    EXPECT_EQ(TakeEvents(), (Events{"a:next@0", "a:leave@0", "a:save@0", "b:active@1", "b:load@1"}));
    EXPECT_EQ(m_sheet.GetActiveIndex(), 1);
}

TEST_F(FrameworkHooks, HookAnswersReachThePlatform)
{
    // Next answered -1 keeps the page; a template id jumps to that page.
    m_a.m_nextAnswer = -1;
    Click(kNextButtonId);
    EXPECT_EQ(m_sheet.GetActiveIndex(), 0);
    m_a.m_nextAnswer = IDD_ASSOCIATIONS;
    Click(kNextButtonId);
    EXPECT_EQ(m_sheet.GetActiveIndex(), 2);
    EXPECT_EQ(m_b.GetSafeHwnd(), nullptr) << "the skipped page was never created";

    // A page that refuses to be left stays.
    m_c.m_letGo = FALSE;
    Click(kBackButtonId);
    EXPECT_EQ(::SendMessageW(m_window, PSM_HWNDTOINDEX, ::SendMessageW(m_window, PSM_GETCURRENTPAGEHWND, 0, 0), 0), 2);

    // A page that refuses activation is skipped in the direction of travel.
    m_c.m_letGo = TRUE;
    m_b.m_acceptActivation = FALSE;
    Click(kBackButtonId);
    EXPECT_EQ(::SendMessageW(m_window, PSM_HWNDTOINDEX, ::SendMessageW(m_window, PSM_GETCURRENTPAGEHWND, 0, 0), 0), 0);
    EXPECT_EQ(m_sheet.GetActiveIndex(), 0);
}

TEST_F(FrameworkHooks, ButtonTableAndSheetCommands)
{
    ::SendMessageW(::GetDlgItem(m_a.GetSafeHwnd(), IDC_UNCHECK_ALL), BM_CLICK, 0, 0);
    EXPECT_EQ(m_a.m_clicks, 1);

    Click(kNextButtonId);
    ASSERT_FALSE(m_sheet.m_commands.empty());
    EXPECT_EQ(m_sheet.m_commands.back(), kNextButtonId);
    EXPECT_EQ(m_sheet.GetActiveIndex(), 1) << "the base let the platform handle Next";

    // The title set by the program survives the platform's retitling on page changes.
    m_sheet.SetTitle(L"Kept title");
    Click(kBackButtonId);
    EXPECT_EQ(WindowText(m_window), L"Kept title");
}

} // namespace
} // namespace ph::test
