// The wizard's frame driven through a real sheet: caption, buttons on each page, navigation with
// excluded pages, and the questions before the wizard is left.
#include "gdi_objects.h"
#include "message_pump.h"
#include "pinned_launches.h"
#include "wizard_harness.h"

#include "wizard/associations_page.h"

#include "support/test_support.h"

#include <functional>
#include <vector>

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
    EXPECT_STREQ(m_wizard.Sheet().Caption(), L"Photavian 64-bit Setup");
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
    EXPECT_EQ(sheet.EulaLink().GetSafeHwnd(), m_wizard.Item(0, IDC_EULA_LINK));
    EXPECT_EQ(sheet.EulaLink().GetUnderlineMode(), CHyperLink::kUnderlineAlways);
    EXPECT_STREQ(sheet.EulaLink().GetTarget(), L"https://photavian.example/eula.html");
    EXPECT_EQ(sheet.InstallingStatic().GetSafeHwnd(), nullptr) << "the ready page does not exist yet";

    m_wizard.ShowPage(3);
    ASSERT_EQ(m_wizard.CurrentIndex(), 3);
    HWND installing = m_wizard.Item(3, IDC_INSTALLING);
    EXPECT_EQ(sheet.InstallingStatic().GetSafeHwnd(), installing);
    EXPECT_FALSE(::IsWindowVisible(installing)) << "hidden until an installation starts";
    EXPECT_EQ(sheet.InstallingStatic().GetTextColor(), RGB(255, 0, 0));
    LOGFONTW font{};
    ASSERT_NE(::GetObjectW(sheet.InstallingStatic().GetPaintFont(), sizeof(font), &font), 0);
    EXPECT_STREQ(font.lfFaceName, L"Arial");
    EXPECT_EQ(font.lfWeight, FW_BOLD);
    EXPECT_EQ(font.lfHeight, 18) << "the title height at the pinned screen's DPI";

    // Leaving and coming back binds nothing twice: the same windows stay attached.
    m_wizard.ShowPage(0);
    EXPECT_EQ(sheet.EulaLink().GetSafeHwnd(), m_wizard.Item(0, IDC_EULA_LINK));
    EXPECT_EQ(sheet.InstallingStatic().GetSafeHwnd(), installing);
}

LOGFONTW DescriptionOf(HFONT font)
{
    LOGFONTW description{};
    EXPECT_EQ(static_cast<int>(sizeof(description)), ::GetObjectW(font, sizeof(description), &description));
    return description;
}

SIZE BitmapSizeOf(HWND bitmapStatic)
{
    auto bitmap = reinterpret_cast<HBITMAP>(::SendMessageW(bitmapStatic, STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP described{};
    if (bitmap == nullptr || ::GetObjectW(bitmap, sizeof(described), &described) == 0) {
        return SIZE{0, 0};
    }
    return SIZE{described.bmWidth, described.bmHeight};
}

// A move to screens of other scales: the window takes the suggested rectangle, and the fonts the
// program made, the list's columns and the logo follow each change; ten more changes leave no
// GDI object behind.
TEST_F(SheetFrame, FollowsEachChangeOfDpi)
{
    // Every page made: the list, the status line and the three logos exist.
    for (int expected : {1, 2, 3}) {
        m_wizard.Click(kNextButtonId);
        ASSERT_EQ(m_wizard.CurrentIndex(), expected);
    }
    m_wizard.ShowPage(kFinishPosition);
    ASSERT_EQ(m_wizard.CurrentIndex(), kFinishPosition);
    CWizPropertySheet& sheet = m_wizard.Sheet();
    ASSERT_EQ(sheet.Dpi(), kBaseDpi) << "the pinned screen";
    const LOGFONTW dialogFont = DescriptionOf(
        reinterpret_cast<HFONT>(::SendMessageW(m_wizard.Page(kWelcomePosition).GetSafeHwnd(), WM_GETFONT, 0, 0)));
    HWND link = m_wizard.Item(kWelcomePosition, IDC_EULA_LINK);
    HWND list = sheet.AssocList();
    ASSERT_NE(list, nullptr);
    RECT start{};
    ::GetWindowRect(m_wizard.Window(), &start);

    auto changeTo = [&](int dpi) {
        RECT suggested{40, 30, 40 + ::MulDiv(start.right - start.left, dpi, 96),
                       30 + ::MulDiv(start.bottom - start.top, dpi, 96)};
        ::SendMessageW(m_wizard.Window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        PumpMessages();
        return suggested;
    };

    struct Case {
        int dpi;
        SIZE logo;
    };
    const Case cases[] = {{144, {132, 47}}, {192, {176, 62}}, {120, {88, 31}}, {168, {132, 47}}, {96, {88, 31}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dpi);
        const RECT suggested = changeTo(c.dpi);
        RECT shown{};
        ::GetWindowRect(m_wizard.Window(), &shown);
        EXPECT_TRUE(::EqualRect(&shown, &suggested)) << "the window takes the suggested rectangle";
        EXPECT_EQ(sheet.Dpi(), c.dpi);

        const int titleHeight = ::MulDiv(18, c.dpi, 96);
        EXPECT_EQ(DescriptionOf(sheet.TitleFont()).lfHeight, titleHeight);
        EXPECT_EQ(FontOf(kWelcomePosition, IDC_WELCOME_TITLE), sheet.TitleFont());
        EXPECT_EQ(FontOf(kReadyPosition, IDC_READY_TITLE), sheet.TitleFont());
        EXPECT_EQ(FontOf(kFinishPosition, IDC_FINISH_TITLE), sheet.TitleFont());

        const LOGFONTW status = DescriptionOf(sheet.InstallingStatic().GetPaintFont());
        EXPECT_EQ(status.lfHeight, titleHeight);
        EXPECT_EQ(status.lfWeight, FW_BOLD);
        EXPECT_STREQ(status.lfFaceName, L"Arial");

        // The link keeps the dialog's face, at the new scale, underlined, and fits its text again.
        EXPECT_EQ(FontOf(kWelcomePosition, IDC_EULA_LINK), sheet.EulaLink().GetUnderlinedFont());
        const LOGFONTW underlined = DescriptionOf(sheet.EulaLink().GetUnderlinedFont());
        EXPECT_EQ(underlined.lfHeight, ::MulDiv(dialogFont.lfHeight, c.dpi, 96));
        EXPECT_STREQ(underlined.lfFaceName, dialogFont.lfFaceName);
        EXPECT_TRUE(underlined.lfUnderline);
        EXPECT_EQ(DescriptionOf(sheet.EulaLink().GetPlainFont()).lfHeight, underlined.lfHeight);
        {
            WindowDc dc(link);
            SelectedObject font(dc.get(), sheet.EulaLink().GetUnderlinedFont());
            SIZE extent{};
            ASSERT_TRUE(::GetTextExtentPoint32W(dc.get(), L"Photavian EULA", 14, &extent));
            RECT client{};
            ::GetClientRect(link, &client);
            EXPECT_EQ(client.right, extent.cx);
            EXPECT_EQ(client.bottom, extent.cy);
        }

        RECT bounds{};
        ::GetWindowRect(list, &bounds);
        const AssociationColumnWidths widths = ColumnWidthsFor(bounds.right - bounds.left, c.dpi);
        EXPECT_EQ(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0), widths.label);
        EXPECT_EQ(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0), widths.description);

        for (int position : {kWelcomePosition, kReadyPosition, kFinishPosition}) {
            const SIZE logo = BitmapSizeOf(m_wizard.Item(position, IDC_LOGO));
            EXPECT_EQ(logo.cx, c.logo.cx) << "page " << position;
            EXPECT_EQ(logo.cy, c.logo.cy) << "page " << position;
        }
    }

    // A page shown again after a change keeps the new scale (the status line is set up anew on
    // every arrival).
    changeTo(144);
    m_wizard.ShowPage(kReadyPosition);
    EXPECT_EQ(DescriptionOf(sheet.InstallingStatic().GetPaintFont()).lfHeight, ::MulDiv(18, 144, 96));
    changeTo(96);

    const DWORD before = GdiObjectCount();
    for (int i = 0; i < 10; ++i) {
        changeTo(i % 2 == 0 ? 144 : 96);
    }
    EXPECT_EQ(GdiObjectCount(), before) << "ten changes of DPI left GDI objects behind";
    EXPECT_TRUE(m_boxes.Calls().empty());
}

TEST(SheetLogo, TheSizeNearestTheDpiWithTiesToTheSmaller)
{
    const int cases[][2] = {{72, IDB_LOGO},      {96, IDB_LOGO},      {120, IDB_LOGO},
                            {121, IDB_LOGO_150}, {144, IDB_LOGO_150}, {168, IDB_LOGO_150},
                            {169, IDB_LOGO_200}, {192, IDB_LOGO_200}, {288, IDB_LOGO_200}};
    for (const auto& c : cases) {
        EXPECT_EQ(LogoBitmapFor(c[0]), static_cast<UINT>(c[1])) << c[0];
    }
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
    m_wizard.Sheet().SetInstalledFolder(L"C:\\Installed\\");
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

TEST_F(SheetFrame, OtherWindowCommandsPassWithoutAQuestion)
{
    ::SendMessageW(m_wizard.Window(), WM_SYSCOMMAND, SC_RESTORE, 0);
    PumpMessages();
    EXPECT_TRUE(m_boxes.Calls().empty());
    EXPECT_FALSE(m_wizard.Ended());
}

// The window's Close, sent (as automation tools and some window managers do) or posted, with
// everything it leads to delivered before the outcome is checked: the platform answers a Close
// with a Cancel command of its own.
TEST_F(SheetFrame, CloseAsksOnceExceptOnTheFinishPageAndNeverRunsTheFinishActions)
{
    struct Case {
        const char* name;
        int position;
        bool sent;
        int answer;
        bool ends;
    };
    const Case cases[] = {
        {"sent, middle page, No", 2, true, IDNO, false},  {"posted, middle page, No", 2, false, IDNO, false},
        {"sent, middle page, Yes", 2, true, IDYES, true}, {"posted, middle page, Yes", 2, false, IDYES, true},
        {"sent, finish page", 4, true, IDYES, true},      {"posted, finish page", 4, false, IDYES, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PinnedMessageBoxes boxes{c.answer};
        PinnedFinishActions launches;
        WizardUnderTest wizard;
        ASSERT_NE(wizard.Open(), nullptr);
        wizard.ShowPage(c.position);
        ASSERT_EQ(wizard.CurrentIndex(), c.position);

        if (c.sent) {
            ::SendMessageW(wizard.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
        } else {
            ::PostMessageW(wizard.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        PumpMessages();

        EXPECT_EQ(boxes.Calls().size(), c.position == kFinishPosition ? 0u : 1u);
        EXPECT_EQ(wizard.Ended(), c.ends);
        EXPECT_TRUE(launches.Launches().empty()) << "the finish actions belong to Done only";
        if (!c.ends) {
            // Still the same wizard: the next Exit asks as usual.
            EXPECT_EQ(wizard.CurrentIndex(), c.position);
            wizard.Click(IDCANCEL);
            PumpMessages();
            EXPECT_EQ(boxes.Calls().size(), 2u);
            EXPECT_FALSE(wizard.Ended());
        }
    }
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

// The modal run: a script of steps started from a timer inside the sheet's own loop, one step per
// tick. A sheet still running a second after the last step ends the loop, so that the test
// reports it instead of hanging.
struct ModalScript {
    WizardUnderTest* wizard;
    std::vector<std::function<void()>> steps;
    std::size_t step = 0;
    int idleTicks = 0;
    bool stuck = false;
};
ModalScript* g_script = nullptr;
constexpr UINT kModalTickMs = 20;
constexpr int kModalGraceTicks = 50;

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
    if (script.step < script.steps.size()) {
        script.steps[script.step++]();
    } else if (++script.idleTicks > kModalGraceTicks) {
        script.stuck = true;
        ::KillTimer(nullptr, timer);
        ::PostQuitMessage(0);
        return;
    }
    // The sheet's loop looks at its end only when a message arrives.
    ::PostMessageW(sheet, WM_NULL, 0, 0);
}

// Runs the wizard modally with the script; returns once the modal run has ended.
void RunModally(ModalScript& script)
{
    g_script = &script;
    UINT_PTR timer = ::SetTimer(nullptr, 0, kModalTickMs, RunModalScriptStep);
    ASSERT_NE(timer, 0u);
    script.wizard->Sheet().DoModal();
    ::KillTimer(nullptr, timer);
    g_script = nullptr;
}

TEST(SheetModalRun, EndsOnExitAnsweredYesAndNotBefore)
{
    UnregisterViewer();
    PinnedMessageBoxes boxes{IDNO};
    WizardUnderTest wizard;
    int pageAfterNo = -1;
    ModalScript script{&wizard,
                       {[&] { wizard.Click(kNextButtonId); },
                        [&] {
                            boxes.Answer(IDNO);
                            wizard.Click(IDCANCEL);
                            pageAfterNo = wizard.CurrentIndex();
                        },
                        [&] {
                            boxes.Answer(IDYES);
                            wizard.Click(IDCANCEL);
                        }}};

    RunModally(script);

    EXPECT_FALSE(script.stuck) << "Exit answered Yes did not end the modal run";
    EXPECT_EQ(script.step, 3u);
    EXPECT_EQ(pageAfterNo, 1);
    EXPECT_EQ(boxes.Calls().size(), 2u);
    EXPECT_EQ(wizard.Window(), nullptr) << "the sheet window is gone after the modal run";
}

DWORD WINAPI SendClose(void* sheet)
{
    ::SendMessageW(static_cast<HWND>(sheet), WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
}

// A Close sent from another thread, as an automation tool sends it: the sheet's loop handles it
// inside its wait for messages and then fetches the Cancel command the platform posted for it.
TEST(SheetModalRun, CloseSentByAnotherProgramAsksAtMostOnceAndStartsNothing)
{
    UnregisterViewer();
    for (int position : {kAssociationsPosition, kFinishPosition}) {
        SCOPED_TRACE(position);
        PinnedMessageBoxes boxes{IDYES};
        PinnedFinishActions launches;
        WizardUnderTest wizard;
        UniqueKernelHandle sender;
        ModalScript script{&wizard,
                           {[&] { wizard.ShowPage(position); },
                            [&] { sender.reset(::CreateThread(nullptr, 0, SendClose, wizard.Window(), 0, nullptr)); }}};

        RunModally(script);

        ASSERT_TRUE(sender);
        EXPECT_EQ(::WaitForSingleObject(sender.get(), 5000), WAIT_OBJECT_0);
        EXPECT_FALSE(script.stuck) << "the Close did not end the modal run";
        EXPECT_EQ(boxes.Calls().size(), position == kFinishPosition ? 0u : 1u);
        EXPECT_TRUE(launches.Launches().empty()) << "the finish actions belong to Done only";
    }
}

} // namespace
} // namespace ph::test
