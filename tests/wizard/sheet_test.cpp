// The wizard's frame driven through a real sheet: caption, buttons on each page, navigation with
// excluded pages, and the questions before the wizard is left.
#include "pinned_finish_actions.h"
#include "wizard_harness.h"

#include "support/test_support.h"

namespace ph::test {
namespace {

constexpr UINT kExitQuestionType = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2; // 0x124

class SheetFrame : public ::testing::Test {
protected:
    void SetUp() override
    {
        UnregisterViewer();
        ASSERT_NE(m_wizard.Open(), nullptr);
    }

    struct Buttons {
        bool back;
        bool next;
        bool cancel;
    };
    Buttons ButtonStates() const
    {
        return {m_wizard.IsEnabled(kBackButtonId), m_wizard.IsEnabled(kNextButtonId), m_wizard.IsEnabled(IDCANCEL)};
    }

    HFONT FontOf(int position, int id)
    {
        return reinterpret_cast<HFONT>(::SendMessageW(m_wizard.Item(position, id), WM_GETFONT, 0, 0));
    }

    // Every question asked so far was "Exit setup?" the way the wizard asks it.
    void ExpectExitQuestions(std::size_t count)
    {
        ASSERT_EQ(m_boxes.Calls().size(), count);
        for (const MessageBoxCall& call : m_boxes.Calls()) {
            EXPECT_EQ(call.text, L"Exit setup?");
            EXPECT_EQ(call.caption, L"Photavian 64-bit Setup");
            EXPECT_EQ(call.type, kExitQuestionType);
            EXPECT_EQ(call.owner, m_wizard.Window());
        }
    }

    PinnedMessageBoxes m_boxes{IDNO};
    // Done on the finish page starts nothing real.
    PinnedFinishActions m_launches;
    WizardUnderTest m_wizard;
};

TEST_F(SheetFrame, OpensOnTheWelcomePageWithCaptionExitLabelAndIcon)
{
    EXPECT_EQ(m_wizard.CurrentIndex(), 0);
    EXPECT_EQ(m_wizard.Sheet().GetActiveIndex(), 0);
    EXPECT_EQ(WindowText(m_wizard.Window()), L"Photavian 64-bit Setup");
    EXPECT_STREQ(m_wizard.Sheet().m_szCaption, L"Photavian 64-bit Setup");
    EXPECT_EQ(m_wizard.ButtonText(IDCANCEL), L"&Exit");
    Buttons buttons = ButtonStates();
    EXPECT_FALSE(buttons.back);
    EXPECT_TRUE(buttons.next);
    EXPECT_TRUE(buttons.cancel);
    EXPECT_NE(::SendMessageW(m_wizard.Window(), WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_EQ(FontOf(0, IDC_WELCOME_TITLE), m_wizard.Sheet().TitleFont());
    EXPECT_TRUE(m_boxes.Calls().empty());
}

TEST_F(SheetFrame, NextAndBackMoveOnePageAtATimeAndKeepTheCaption)
{
    const int forward[] = {1, 2, 3};
    for (int expected : forward) {
        m_wizard.Click(kNextButtonId);
        ASSERT_EQ(m_wizard.CurrentIndex(), expected);
        EXPECT_EQ(m_wizard.Sheet().GetActiveIndex(), expected);
        Buttons buttons = ButtonStates();
        EXPECT_TRUE(buttons.back) << "page " << expected;
        EXPECT_TRUE(buttons.next) << "page " << expected;
        EXPECT_TRUE(buttons.cancel) << "page " << expected;
        EXPECT_EQ(WindowText(m_wizard.Window()), L"Photavian 64-bit Setup");
        EXPECT_EQ(m_wizard.ButtonText(IDCANCEL), L"&Exit");
    }
    EXPECT_EQ(FontOf(3, IDC_READY_TITLE), m_wizard.Sheet().TitleFont());

    const int backward[] = {2, 1, 0};
    for (int expected : backward) {
        m_wizard.Click(kBackButtonId);
        ASSERT_EQ(m_wizard.CurrentIndex(), expected);
    }
    // Back on the welcome page is disabled again, and Back from there finds nothing.
    EXPECT_FALSE(m_wizard.IsEnabled(kBackButtonId));
    EXPECT_EQ(m_wizard.Page(0).FindNeighbourPage(FALSE), -1);
    EXPECT_TRUE(m_boxes.Calls().empty());
}

TEST_F(SheetFrame, SharedControlsAreBoundToTheirPages)
{
    CWizPropertySheet& sheet = m_wizard.Sheet();
    EXPECT_EQ(sheet.m_linkEula.GetSafeHwnd(), m_wizard.Item(0, IDC_EULA_LINK));
    EXPECT_EQ(sheet.m_linkEula.GetUnderlineMode(), CHyperLink::kUnderlineAlways);
    EXPECT_STREQ(sheet.m_linkEula.GetTarget(), L"https://photavian.example/eula.html");
    EXPECT_EQ(sheet.m_staticInstalling.GetSafeHwnd(), nullptr) << "the ready page does not exist yet";

    m_wizard.ShowPage(3);
    ASSERT_EQ(m_wizard.CurrentIndex(), 3);
    HWND installing = m_wizard.Item(3, IDC_INSTALLING);
    EXPECT_EQ(sheet.m_staticInstalling.GetSafeHwnd(), installing);
    EXPECT_FALSE(::IsWindowVisible(installing)) << "hidden until an installation starts";
    EXPECT_EQ(sheet.m_staticInstalling.GetTextColor(), RGB(255, 0, 0));
    LOGFONTW font{};
    ASSERT_NE(::GetObjectW(sheet.m_staticInstalling.GetPaintFont(), sizeof(font), &font), 0);
    EXPECT_STREQ(font.lfFaceName, L"Arial");
    EXPECT_EQ(font.lfWeight, FW_BOLD);
    EXPECT_EQ(font.lfHeight, ::MulDiv(18, ScreenDpiX(m_wizard.Window()), 96));

    // Leaving and coming back binds nothing twice: the same windows stay attached.
    m_wizard.ShowPage(0);
    EXPECT_EQ(sheet.m_linkEula.GetSafeHwnd(), m_wizard.Item(0, IDC_EULA_LINK));
    EXPECT_EQ(sheet.m_staticInstalling.GetSafeHwnd(), installing);
}

TEST(SheetTitleFont, FollowsTheScreenDpi)
{
    const int dpis[][2] = {{96, 18}, {120, 23}, {144, 27}};
    for (const auto& row : dpis) {
        LOGFONTW font = TitleFontDescription(row[0]);
        EXPECT_EQ(font.lfHeight, row[1]) << row[0];
        EXPECT_EQ(font.lfWeight, 700);
        EXPECT_EQ(font.lfQuality, ANTIALIASED_QUALITY);
        EXPECT_STREQ(font.lfFaceName, L"Arial");
        EXPECT_EQ(font.lfWidth, 0);
        EXPECT_EQ(font.lfItalic, 0);
        EXPECT_EQ(font.lfCharSet, 0);
    }
}

TEST_F(SheetFrame, NeighbourSearchSkipsExcludedPages)
{
    m_wizard.Click(kNextButtonId);
    ASSERT_EQ(m_wizard.CurrentIndex(), 1);
    EXPECT_EQ(m_wizard.Page(1).FindNeighbourPage(TRUE), IDD_ASSOCIATIONS);

    m_wizard.Page(2).m_bIncluded = 0;
    EXPECT_EQ(m_wizard.Page(1).FindNeighbourPage(TRUE), IDD_READY);
    m_wizard.Click(kNextButtonId);
    ASSERT_EQ(m_wizard.CurrentIndex(), 3);
    EXPECT_EQ(m_wizard.Page(3).FindNeighbourPage(FALSE), IDD_WHATS_NEW);
    m_wizard.Click(kBackButtonId);
    ASSERT_EQ(m_wizard.CurrentIndex(), 1);

    // With every later page excluded, Next from the what's-new page has nowhere to go.
    m_wizard.Page(3).m_bIncluded = 0;
    m_wizard.Page(4).m_bIncluded = 0;
    EXPECT_EQ(m_wizard.Page(1).FindNeighbourPage(TRUE), -1);
    m_wizard.Click(kNextButtonId);
    EXPECT_EQ(m_wizard.CurrentIndex(), 1);
    // Excluding the first page leaves Back without a target as well.
    m_wizard.Page(0).m_bIncluded = 0;
    EXPECT_EQ(m_wizard.Page(1).FindNeighbourPage(FALSE), -1);
}

TEST_F(SheetFrame, FinishPageOffersOnlyDoneWithBothActionsTicked)
{
    m_wizard.ShowPage(4);
    ASSERT_EQ(m_wizard.CurrentIndex(), 4);
    EXPECT_EQ(m_wizard.Page(4).FindNeighbourPage(TRUE), -1);
    EXPECT_EQ(m_wizard.ButtonText(IDCANCEL), L"&Done");
    Buttons buttons = ButtonStates();
    EXPECT_FALSE(buttons.back);
    EXPECT_FALSE(buttons.next);
    EXPECT_TRUE(buttons.cancel);
    EXPECT_TRUE(m_wizard.IsChecked(4, IDC_OPEN_FAQ));
    EXPECT_TRUE(m_wizard.IsChecked(4, IDC_START_VIEWER));
    EXPECT_EQ(FontOf(4, IDC_FINISH_TITLE), m_wizard.Sheet().TitleFont());
    // The "Next" button keeps the platform's label throughout.
    EXPECT_NE(m_wizard.ButtonText(kNextButtonId), L"");

    // Done runs the finish actions (the FAQ page, and the viewer where a run installed it) and
    // ends the wizard without a question.
    CopyTextCut(m_wizard.Sheet().m_szInstalledFolder, L"C:\\Installed\\");
    m_wizard.Click(IDCANCEL);
    EXPECT_TRUE(m_wizard.Ended());
    EXPECT_TRUE(m_boxes.Calls().empty());
    EXPECT_EQ(m_launches.Launches().size(), 2u);
}

TEST_F(SheetFrame, ExitAnsweredNoKeepsEachPageAsItWas)
{
    for (int position = 0; position < 4; ++position) {
        SCOPED_TRACE(position);
        m_wizard.ShowPage(position);
        ASSERT_EQ(m_wizard.CurrentIndex(), position);
        Buttons before = ButtonStates();
        m_boxes.Clear();

        m_wizard.Click(IDCANCEL);

        ExpectExitQuestions(1);
        EXPECT_FALSE(m_wizard.Ended());
        EXPECT_EQ(m_wizard.CurrentIndex(), position);
        Buttons after = ButtonStates();
        EXPECT_EQ(after.back, before.back);
        EXPECT_EQ(after.next, before.next);
        EXPECT_EQ(m_wizard.ButtonText(IDCANCEL), L"&Exit");
    }
}

TEST_F(SheetFrame, ExitAnsweredYesEndsTheWizard)
{
    m_wizard.Click(kNextButtonId);
    m_boxes.Answer(IDYES);
    m_wizard.Click(IDCANCEL);
    ExpectExitQuestions(1);
    EXPECT_TRUE(m_wizard.Ended());
}

TEST_F(SheetFrame, CloseAsksTheSameQuestion)
{
    ::SendMessageW(m_wizard.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ExpectExitQuestions(1);
    EXPECT_FALSE(m_wizard.Ended());
    EXPECT_EQ(m_wizard.CurrentIndex(), 0);

    // Other window commands pass without a question.
    ::SendMessageW(m_wizard.Window(), WM_SYSCOMMAND, SC_RESTORE, 0);
    ExpectExitQuestions(1);

    m_boxes.Answer(IDYES);
    ::SendMessageW(m_wizard.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ExpectExitQuestions(2);
    EXPECT_TRUE(m_wizard.Ended());
}

TEST_F(SheetFrame, CloseFromTheFinishPageAsksNothing)
{
    m_wizard.ShowPage(4);
    ::SendMessageW(m_wizard.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(m_boxes.Calls().empty());
    EXPECT_TRUE(m_wizard.Ended());
    EXPECT_TRUE(m_launches.Launches().empty()) << "the finish actions belong to Done only";
}

TEST_F(SheetFrame, RefusedNextLeavesBackEnabledButGoingNowhere)
{
    m_wizard.SetItemText(0, IDC_FOLDER, L"");
    m_boxes.Answer(IDOK);
    m_wizard.Click(kNextButtonId);
    ASSERT_EQ(m_boxes.Calls().size(), 1u);
    EXPECT_EQ(m_wizard.CurrentIndex(), 0);
    EXPECT_TRUE(m_wizard.IsEnabled(kBackButtonId));
    m_wizard.Click(kBackButtonId);
    EXPECT_EQ(m_wizard.CurrentIndex(), 0);
}

// The modal run: a script started from a timer inside the sheet's own loop answers No, then Yes.
struct ModalScript {
    WizardUnderTest* wizard;
    PinnedMessageBoxes* boxes;
    int step = 0;
    int pageAfterNo = -1;
    bool stuck = false;
};
ModalScript* g_script = nullptr;

void CALLBACK RunModalScriptStep(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (g_script == nullptr) {
        return; // a tick left over from a finished run
    }
    ModalScript& script = *g_script;
    HWND sheet = script.wizard->Window();
    if (sheet == nullptr) {
        return; // not shown yet
    }
    switch (script.step++) {
    case 0:
        script.wizard->Click(kNextButtonId);
        break;
    case 1:
        script.boxes->Answer(IDNO);
        script.wizard->Click(IDCANCEL);
        script.pageAfterNo = script.wizard->CurrentIndex();
        break;
    case 2:
        script.boxes->Answer(IDYES);
        script.wizard->Click(IDCANCEL);
        break;
    default:
        // Still running after Yes: end the loop so that the test reports it instead of hanging.
        script.stuck = true;
        ::KillTimer(nullptr, timer);
        ::PostQuitMessage(0);
        return;
    }
    // The sheet's loop looks at its end only when a message arrives.
    ::PostMessageW(sheet, WM_NULL, 0, 0);
}

TEST(SheetModalRun, EndsOnExitAnsweredYesAndNotBefore)
{
    UnregisterViewer();
    PinnedMessageBoxes boxes{IDNO};
    WizardUnderTest wizard;
    ModalScript script{&wizard, &boxes};
    g_script = &script;
    UINT_PTR timer = ::SetTimer(nullptr, 0, 20, RunModalScriptStep);
    ASSERT_NE(timer, 0u);

    wizard.Sheet().DoModal();

    ::KillTimer(nullptr, timer);
    g_script = nullptr;
    EXPECT_FALSE(script.stuck) << "Exit answered Yes did not end the modal run";
    EXPECT_EQ(script.step, 3);
    EXPECT_EQ(script.pageAfterNo, 1);
    EXPECT_EQ(boxes.Calls().size(), 2u);
    EXPECT_EQ(wizard.Window(), nullptr) << "the sheet window is gone after the modal run";
}

} // namespace
} // namespace ph::test
