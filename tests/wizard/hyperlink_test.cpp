// The link control and the static-control attachment it stands on, driven on real windows: a
// parent window whose procedure reflects to its controls, with static children.
#include "base/scoped_override.h"
#include "controls/hyperlink.h"
#include "framework/static_control.h"

#include "message_pump.h"
#include "parent_window.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace ph {
namespace {

constexpr UINT kLinkId = 1045;
constexpr wchar_t kEulaAddress[] = L"https://www.photavian.example/eula.html";

// What the launch seams were asked to do.
struct LaunchLog {
    UINT_PTR shellStatus = 42;
    std::vector<std::wstring> shellOpened;
    std::vector<std::wstring> commandLines;
    std::vector<UINT> beeps;
};
LaunchLog* g_launch = nullptr;

UINT_PTR RecordShellOpen(const wchar_t* address)
{
    g_launch->shellOpened.emplace_back(address);
    return g_launch->shellStatus;
}

UINT_PTR RecordCommandLine(wchar_t* commandLine)
{
    g_launch->commandLines.emplace_back(commandLine);
    return 33;
}

void RecordBeep(UINT type)
{
    g_launch->beeps.push_back(type);
}

using test::PumpMessages;
using test::PumpUntil;

LOGFONTW FontDescription(HFONT font)
{
    LOGFONTW description{};
    EXPECT_EQ(static_cast<int>(sizeof(description)), ::GetObjectW(font, sizeof(description), &description));
    return description;
}

HFONT WindowFont(HWND hwnd)
{
    return reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0));
}

RECT RectInParent(HWND hwnd)
{
    RECT rect{};
    ::GetWindowRect(hwnd, &rect);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_font.reset(::CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
        ASSERT_TRUE(m_font);
        m_parent.emplace();
        ASSERT_NE(nullptr, m_parent->Window());
        g_launch = &m_launch;
    }

    void TearDown() override
    {
        g_launch = nullptr;
        m_parent.reset();
        PumpMessages();
    }

    HWND AddStatic(const wchar_t* text, DWORD style, int x, int y, int width, int height, bool withFont = true,
                   UINT id = kLinkId)
    {
        return m_parent->AddStatic(text, style, x, y, width, height, id, withFont ? m_font.get() : nullptr);
    }

    test::ReflectingParent::Colours ColoursOf(HWND control) { return m_parent->ColoursOf(control); }

    static bool Underlined(HWND control) { return FontDescription(WindowFont(control)).lfUnderline != 0; }

    // A click as the user makes it: the static reports STN_CLICKED to the parent.
    static void Click(HWND control)
    {
        ::SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        ::SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    }

    static void MoveOver(HWND control) { ::SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2)); }

    // Puts the pointer somewhere in or out of the control and lets the hover timer look.
    void PointerTo(HWND control, bool inside)
    {
        RECT rect{};
        ::GetWindowRect(control, &rect);
        if (inside) {
            ::SetCursorPos(rect.left + 3, rect.top + 3);
        } else {
            ::SetCursorPos(rect.right + 150, rect.bottom + 150);
        }
    }

    UniqueFont m_font;
    std::optional<test::ReflectingParent> m_parent;
    LaunchLog m_launch;
    // No browser starts and nothing beeps while a test runs.
    ScopedOverride<LinkLaunchSeams> m_seams{LinkSeams(), LinkLaunchSeams{RecordShellOpen, RecordCommandLine, RecordBeep}};
};

// ---------------------------------------------------------------------------------------------
// Attaching and reflection

using StaticControlTest = LinkTest;

TEST_F(StaticControlTest, AttachesOnceAndIsFoundFromItsWindow)
{
    HWND hwnd = AddStatic(L"text", SS_LEFT, 10, 10, 100, 20);
    CHyperLink link;
    ASSERT_TRUE(link.SubclassDlgItem(kLinkId, m_parent->Window()));
    EXPECT_EQ(hwnd, link.GetSafeHwnd());
    EXPECT_EQ(&link, CStatic::FromHandle(hwnd));
    // Binding again to the same control is a no-op; a second object cannot take it.
    EXPECT_TRUE(link.SubclassDlgItem(kLinkId, m_parent->Window()));
    CHyperLink other;
    EXPECT_FALSE(other.SubclassWindow(hwnd));
    EXPECT_EQ(&link, CStatic::FromHandle(hwnd));
    // No such item.
    CHyperLink missing;
    EXPECT_FALSE(missing.SubclassDlgItem(999, m_parent->Window()));
    EXPECT_EQ(nullptr, missing.GetSafeHwnd());
}

TEST_F(StaticControlTest, DestroyingTheWindowDetachesAndTheObjectCanBindAgain)
{
    HWND first = AddStatic(L"first", SS_LEFT, 10, 10, 100, 20);
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(first));
    ::DestroyWindow(first);
    EXPECT_EQ(nullptr, link.GetSafeHwnd());

    // The page was created again: a new control of the same id.
    HWND second = AddStatic(L"second", SS_LEFT, 10, 10, 100, 20);
    ASSERT_TRUE(link.SubclassDlgItem(kLinkId, m_parent->Window()));
    EXPECT_EQ(second, link.GetSafeHwnd());
    EXPECT_EQ(&link, CStatic::FromHandle(second));
}

TEST_F(StaticControlTest, ObjectGoingFirstLeavesAPlainWorkingStatic)
{
    HWND hwnd = AddStatic(L"text", SS_LEFT, 10, 10, 100, 20);
    {
        CHyperLink link;
        ASSERT_TRUE(link.SubclassWindow(hwnd));
        link.SetUnderlineMode(CHyperLink::kUnderlineAlways);
    }
    EXPECT_EQ(nullptr, CStatic::FromHandle(hwnd));
    // The window paints with the font it had before, not with one deleted with the object.
    EXPECT_EQ(m_font.get(), WindowFont(hwnd));
    MoveOver(hwnd);
    Click(hwnd);
    EXPECT_TRUE(m_launch.shellOpened.empty());
    EXPECT_EQ(1, m_parent->UnhandledClicks()); // SS_NOTIFY stays; the parent gets the click itself
}

TEST_F(StaticControlTest, MessagesOfOtherControlsAreLeftToTheParent)
{
    HWND plain = AddStatic(L"plain", SS_LEFT | SS_NOTIFY, 10, 10, 100, 20, true, 1001);
    HWND linked = AddStatic(L"link", SS_LEFT, 10, 40, 100, 20);
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(linked));

    ColoursOf(plain);
    Click(plain);
    EXPECT_EQ(1, m_parent->UnhandledColourRequests());
    EXPECT_EQ(1, m_parent->UnhandledClicks());

    // A colour request naming our control but arriving at another window is not ours to answer.
    LRESULT result = 0;
    WindowDc dc(linked);
    EXPECT_FALSE(ReflectToStaticControl(plain, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                                        reinterpret_cast<LPARAM>(linked), &result));
    // A menu command has no control.
    EXPECT_FALSE(ReflectToStaticControl(m_parent->Window(), WM_COMMAND, MAKEWPARAM(kLinkId, 0), 0, &result));
}

// ---------------------------------------------------------------------------------------------
// Colours, fonts and hover

using HyperLinkTest = LinkTest;

TEST_F(HyperLinkTest, ColoursFollowHoverAndFollowedStates)
{
    HWND hwnd = AddStatic(L"Photavian EULA", SS_LEFT, 10, 10, 200, 20);
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(hwnd));
    link.SetTarget(kEulaAddress);

    test::ReflectingParent::Colours fresh = ColoursOf(hwnd);
    EXPECT_EQ(RGB(0, 0, 238), fresh.text);
    EXPECT_EQ(TRANSPARENT, fresh.backgroundMode);
    EXPECT_EQ(::GetStockObject(NULL_BRUSH), fresh.brush);

    MoveOver(hwnd);
    EXPECT_EQ(RGB(255, 0, 0), ColoursOf(hwnd).text);

    Click(hwnd);
    ASSERT_EQ(1u, m_launch.shellOpened.size());
    EXPECT_EQ(kEulaAddress, m_launch.shellOpened[0]);
    EXPECT_TRUE(m_launch.beeps.empty());
    EXPECT_EQ(0, m_parent->UnhandledClicks());
    // The click clears the hover state: the followed colour shows at once.
    EXPECT_EQ(RGB(85, 26, 139), ColoursOf(hwnd).text);

    MoveOver(hwnd);
    EXPECT_EQ(RGB(255, 0, 0), ColoursOf(hwnd).text);
}

TEST_F(HyperLinkTest, FailedClickBeepsAndForgetsTheFollowedState)
{
    HWND hwnd = AddStatic(L"Photavian EULA", SS_LEFT, 10, 10, 200, 20);
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(hwnd));
    Click(hwnd);
    ASSERT_EQ(RGB(85, 26, 139), ColoursOf(hwnd).text);

    // Neither the shell nor a registered browser (a fresh prefix has no ".htm" class).
    m_launch.shellStatus = SE_ERR_NOASSOC;
    Click(hwnd);
    EXPECT_EQ(std::vector<UINT>{MB_ICONEXCLAMATION}, m_launch.beeps);
    EXPECT_TRUE(m_launch.commandLines.empty());
    EXPECT_EQ(RGB(0, 0, 238), ColoursOf(hwnd).text);
}

TEST_F(HyperLinkTest, HoverModeUnderlinesOnlyWhileThePointerIsOver)
{
    HWND hwnd = AddStatic(L"Photavian EULA", SS_LEFT, 10, 10, 200, 20);
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(hwnd));
    // Until the pointer comes, the window keeps the dialog's font.
    EXPECT_EQ(m_font.get(), WindowFont(hwnd));

    PointerTo(hwnd, true);
    MoveOver(hwnd);
    EXPECT_TRUE(Underlined(hwnd));
    // Timer ticks that find the pointer inside change nothing.
    PumpUntil([] { return false; }, 3 * CHyperLink::kHoverTimerMs);
    EXPECT_TRUE(Underlined(hwnd));
    EXPECT_EQ(RGB(255, 0, 0), ColoursOf(hwnd).text);

    PointerTo(hwnd, false);
    ASSERT_TRUE(PumpUntil([&] { return ColoursOf(hwnd).text == RGB(0, 0, 238); }, 3000));
    EXPECT_FALSE(::KillTimer(hwnd, CHyperLink::kHoverTimerId)) << "the hover timer still runs after leaving";
    EXPECT_FALSE(Underlined(hwnd));
    LOGFONTW shown = FontDescription(WindowFont(hwnd));
    EXPECT_EQ(FontDescription(m_font.get()).lfHeight, shown.lfHeight);
    EXPECT_STREQ(L"Tahoma", shown.lfFaceName);
}

TEST_F(HyperLinkTest, AlwaysModeUnderlinesAtOnceAndNeverSwitchesFonts)
{
    HWND hwnd = AddStatic(L"Photavian EULA", SS_LEFT, 10, 10, 200, 20);
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(hwnd));
    link.SetUnderlineMode(CHyperLink::kUnderlineAlways);
    EXPECT_EQ(CHyperLink::kUnderlineAlways, link.GetUnderlineMode());
    HFONT underlined = WindowFont(hwnd);
    EXPECT_TRUE(Underlined(hwnd));

    PointerTo(hwnd, true);
    MoveOver(hwnd);
    EXPECT_EQ(underlined, WindowFont(hwnd));
    PointerTo(hwnd, false);
    ASSERT_TRUE(PumpUntil([&] { return ColoursOf(hwnd).text == RGB(0, 0, 238); }, 3000));
    EXPECT_EQ(underlined, WindowFont(hwnd));

    // And back: the plain font.
    link.SetUnderlineMode(CHyperLink::kUnderlineHover);
    EXPECT_FALSE(Underlined(hwnd));
}

TEST_F(HyperLinkTest, ModeChosenBeforeAttachingShowsOnAttach)
{
    HWND hwnd = AddStatic(L"Photavian EULA", SS_LEFT, 10, 10, 200, 20);
    CHyperLink link;
    link.SetUnderlineMode(CHyperLink::kUnderlineAlways);
    ASSERT_TRUE(link.SubclassWindow(hwnd));
    EXPECT_TRUE(Underlined(hwnd));
}

TEST_F(HyperLinkTest, ShowsTheHandCursor)
{
    HWND hwnd = AddStatic(L"Photavian EULA", SS_LEFT, 10, 10, 200, 20);
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(hwnd));
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(TRUE, ::SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(::LoadCursorW(nullptr, IDC_HAND), ::GetCursor());
}

TEST_F(HyperLinkTest, TextAndTargetStandInForEachOther)
{
    HWND untitled = AddStatic(L"", SS_LEFT, 10, 10, 300, 20);
    CHyperLink byTarget;
    byTarget.SetTarget(kEulaAddress);
    ASSERT_TRUE(byTarget.SubclassWindow(untitled));
    wchar_t text[128] = {};
    ::GetWindowTextW(untitled, text, 128);
    EXPECT_STREQ(kEulaAddress, text);

    HWND titled = AddStatic(L"https://www.photavian.example/", SS_LEFT, 10, 40, 300, 20, true, 1046);
    CHyperLink byText;
    ASSERT_TRUE(byText.SubclassWindow(titled));
    EXPECT_STREQ(L"https://www.photavian.example/", byText.GetTarget());
    // Clicks are reported now, whatever the template said.
    EXPECT_NE(0, ::GetWindowLongW(titled, GWL_STYLE) & SS_NOTIFY);
}

TEST_F(HyperLinkTest, OverlongTargetIsRefused)
{
    CHyperLink link;
    ASSERT_TRUE(link.SetTarget(kEulaAddress));
    std::wstring overlong(kLinkTargetChars, L'a');
    EXPECT_FALSE(link.SetTarget(overlong.c_str()));
    EXPECT_STREQ(kEulaAddress, link.GetTarget());
    overlong.pop_back();
    EXPECT_TRUE(link.SetTarget(overlong.c_str()));
}

TEST_F(HyperLinkTest, StaticWithoutFontUsesTheStockFont)
{
    HWND hwnd = AddStatic(L"Photavian EULA", SS_LEFT, 10, 10, 200, 20, false);
    ASSERT_EQ(nullptr, WindowFont(hwnd));
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(hwnd));
    link.SetUnderlineMode(CHyperLink::kUnderlineAlways);
    LOGFONTW stock = FontDescription(static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)));
    LOGFONTW shown = FontDescription(WindowFont(hwnd));
    EXPECT_STREQ(stock.lfFaceName, shown.lfFaceName);
    EXPECT_EQ(stock.lfHeight, shown.lfHeight);
    EXPECT_EQ(TRUE, shown.lfUnderline);
}

// ---------------------------------------------------------------------------------------------
// Fitting the window to its text

struct FitCase {
    const char* name;
    DWORD style;
};

void PrintTo(const FitCase& fit, std::ostream* os)
{
    *os << fit.name;
}

class HyperLinkFitTest : public LinkTest, public ::testing::WithParamInterface<FitCase> {
protected:
    // The text's size in the underlined font, as the control measures it.
    SIZE UnderlinedExtent(HWND hwnd, const wchar_t* text)
    {
        LOGFONTW description = FontDescription(m_font.get());
        description.lfUnderline = TRUE;
        UniqueFont underlined(::CreateFontIndirectW(&description));
        WindowDc dc(hwnd);
        SelectedObject selected(dc.get(), underlined.get());
        SIZE extent{};
        ::GetTextExtentPoint32W(dc.get(), text, static_cast<int>(wcslen(text)), &extent);
        return extent;
    }
};

TEST_P(HyperLinkFitTest, WindowFitsTheUnderlinedText)
{
    const DWORD style = GetParam().style;
    constexpr int kLeft = 20, kTop = 30, kWidth = 251, kHeight = 41;
    const wchar_t* text = L"Photavian EULA";
    // A border, so that the window and its client area differ.
    HWND hwnd = AddStatic(text, style | WS_BORDER, kLeft, kTop, kWidth, kHeight);
    const SIZE extent = UnderlinedExtent(hwnd, text);
    ASSERT_GT(extent.cx, 0);
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(hwnd));

    RECT client{};
    ::GetClientRect(hwnd, &client);
    const RECT fitted = RectInParent(hwnd);
    const LONG frameX = (fitted.right - fitted.left) - client.right;
    const LONG frameY = (fitted.bottom - fitted.top) - client.bottom;
    const LONG fitWidth = extent.cx + frameX;
    const LONG fitHeight = extent.cy + frameY;
    ASSERT_GT(frameX, 0);

    // Centring moves both edges by half the difference, truncated: the odd pixel stays.
    const LONG shrinkX = (kWidth - fitWidth) / 2;
    const LONG shrinkY = (kHeight - fitHeight) / 2;
    switch (style & SS_TYPEMASK) {
    case SS_CENTER:
        EXPECT_EQ(kLeft + shrinkX, fitted.left);
        EXPECT_EQ(kLeft + kWidth - shrinkX, fitted.right);
        break;
    case SS_RIGHT:
        EXPECT_EQ(kLeft + kWidth, fitted.right);
        EXPECT_EQ(kLeft + kWidth - fitWidth, fitted.left);
        break;
    default:
        EXPECT_EQ(kLeft, fitted.left);
        EXPECT_EQ(extent.cx, client.right); // exactly the text
        break;
    }
    if ((style & SS_CENTERIMAGE) != 0) {
        EXPECT_EQ(kTop + shrinkY, fitted.top);
        EXPECT_EQ(kTop + kHeight - shrinkY, fitted.bottom);
    } else {
        EXPECT_EQ(kTop, fitted.top);
        EXPECT_EQ(extent.cy, client.bottom);
    }

    // A new target fits the window again, to the text it shows now.
    ::SetWindowTextW(hwnd, L"EULA");
    link.SetTarget(kEulaAddress);
    ::GetClientRect(hwnd, &client);
    const LONG tolerance = (style & SS_TYPEMASK) == SS_CENTER ? 1 : 0;
    EXPECT_NEAR(UnderlinedExtent(hwnd, L"EULA").cx, client.right, tolerance);
}

INSTANTIATE_TEST_SUITE_P(Alignments, HyperLinkFitTest,
                         ::testing::Values(FitCase{"Left", SS_LEFT}, FitCase{"Centre", SS_CENTER},
                                           FitCase{"Right", SS_RIGHT},
                                           FitCase{"LeftCentredVertically", SS_LEFT | SS_CENTERIMAGE},
                                           FitCase{"CentreBothWays", SS_CENTER | SS_CENTERIMAGE}),
                         [](const ::testing::TestParamInfo<FitCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Opening the address

TEST(BrowserCommandLineTest, CutsAtThePlaceholderAndAppendsTheAddress)
{
    struct Case {
        const wchar_t* registered;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"\"C:\\Browsers\\Web.exe\" -url \"%1\"", L"\"C:\\Browsers\\Web.exe\" -url https://x.example/"},
        {L"\"C:\\Browsers\\Web.exe\" -url \"%1\" -new", L"\"C:\\Browsers\\Web.exe\" -url https://x.example/"},
        {L"C:\\Browsers\\Web.exe %1", L"C:\\Browsers\\Web.exe https://x.example/"},
        {L"C:\\Browsers\\Web.exe", L"C:\\Browsers\\Web.exe https://x.example/"},
        // The quoted placeholder wins over an earlier bare one.
        {L"Web.exe %1 \"%1\"", L"Web.exe %1 https://x.example/"},
    };
    for (const Case& c : cases) {
        wchar_t out[kBrowserCommandLineChars] = {};
        ASSERT_TRUE(BuildBrowserCommandLine(c.registered, L"https://x.example/", out, kBrowserCommandLineChars));
        EXPECT_STREQ(c.expected, out) << test::Narrow(c.registered);
    }
}

TEST(BrowserCommandLineTest, RefusesALineThatDoesNotFit)
{
    // "Web.exe" + blank + address + terminator: 7 + 1 + 4 + 1 = 13 characters.
    wchar_t out[13] = L"unchanged";
    EXPECT_FALSE(BuildBrowserCommandLine(L"Web.exe \"%1\"", L"abcde", out, 13));
    EXPECT_STREQ(L"unchanged", out);
    EXPECT_TRUE(BuildBrowserCommandLine(L"Web.exe \"%1\"", L"abcd", out, 13));
    EXPECT_STREQ(L"Web.exe abcd", out);
}

// The browser registration the fallback reads, written into the prefix's classes and removed.
class OpenTargetTest : public LinkTest {
protected:
    static constexpr const wchar_t* kHtmKey = L"SOFTWARE\\Classes\\.htm";
    static constexpr const wchar_t* kClassKey = L"SOFTWARE\\Classes\\PhotavianTestPage";

    void SetUp() override
    {
        LinkTest::SetUp();
        m_launch.shellStatus = SE_ERR_NOASSOC;
    }
    void TearDown() override
    {
        test::DeleteMachineTree(kHtmKey);
        test::DeleteMachineTree(kClassKey);
        LinkTest::TearDown();
    }
    void RegisterBrowser(const std::wstring& command)
    {
        ASSERT_TRUE(test::SetMachineString(kHtmKey, nullptr, L"PhotavianTestPage"));
        ASSERT_TRUE(test::SetMachineString(L"SOFTWARE\\Classes\\PhotavianTestPage\\shell\\open\\command", nullptr, command));
    }
};

TEST_F(OpenTargetTest, ShellSuccessIsTheAnswer)
{
    RegisterBrowser(L"\"C:\\Browsers\\Web.exe\" \"%1\"");
    m_launch.shellStatus = 42;
    EXPECT_EQ(42u, CHyperLink::OpenTarget(kEulaAddress));
    EXPECT_TRUE(m_launch.commandLines.empty());
}

TEST_F(OpenTargetTest, FallsBackToTheBrowserRegisteredForWebPages)
{
    RegisterBrowser(L"\"C:\\Program Files\\Browsers\\Web.exe\" -url \"%1\"");
    EXPECT_EQ(33u, CHyperLink::OpenTarget(kEulaAddress));
    ASSERT_EQ(1u, m_launch.commandLines.size());
    EXPECT_EQ(std::wstring(L"\"C:\\Program Files\\Browsers\\Web.exe\" -url ") + kEulaAddress, m_launch.commandLines[0]);

    RegisterBrowser(L"C:\\Browsers\\Web.exe");
    EXPECT_EQ(33u, CHyperLink::OpenTarget(kEulaAddress));
    ASSERT_EQ(2u, m_launch.commandLines.size());
    EXPECT_EQ(std::wstring(L"C:\\Browsers\\Web.exe ") + kEulaAddress, m_launch.commandLines[1]);
}

TEST_F(OpenTargetTest, GapsInTheRegistrationReportTheShellStatus)
{
    // No ".htm" class at all.
    EXPECT_EQ(static_cast<UINT_PTR>(SE_ERR_NOASSOC), CHyperLink::OpenTarget(kEulaAddress));
    // A class without an open command.
    ASSERT_TRUE(test::SetMachineString(kHtmKey, nullptr, L"PhotavianTestPage"));
    EXPECT_EQ(static_cast<UINT_PTR>(SE_ERR_NOASSOC), CHyperLink::OpenTarget(kEulaAddress));
    // An empty class name.
    ASSERT_TRUE(test::SetMachineString(kHtmKey, nullptr, L""));
    EXPECT_EQ(static_cast<UINT_PTR>(SE_ERR_NOASSOC), CHyperLink::OpenTarget(kEulaAddress));
    // A command longer than the value buffer.
    RegisterBrowser(L"C:\\" + std::wstring(kBrowserValueChars, L'x') + L".exe \"%1\"");
    EXPECT_EQ(static_cast<UINT_PTR>(SE_ERR_NOASSOC), CHyperLink::OpenTarget(kEulaAddress));
    EXPECT_TRUE(m_launch.commandLines.empty());
}

TEST_F(OpenTargetTest, RealCommandRunnerReportsStartedAndMissingPrograms)
{
    wchar_t system[MAX_PATH] = {};
    ASSERT_NE(0u, ::GetSystemDirectoryW(system, MAX_PATH));
    std::wstring started = L"\"" + std::wstring(system) + L"\\cmd.exe\" /c exit 0";
    EXPECT_GT(m_seams.Saved().runCommandLine(started.data()), 32u);
    std::wstring missing = L"\"C:\\no such folder\\browser.exe\" https://x.example/";
    EXPECT_LE(m_seams.Saved().runCommandLine(missing.data()), 32u);
}

TEST_F(OpenTargetTest, ClickThroughTheFallbackMarksTheLinkFollowed)
{
    RegisterBrowser(L"\"C:\\Browsers\\Web.exe\" \"%1\"");
    HWND hwnd = AddStatic(L"Photavian EULA", SS_LEFT, 10, 10, 200, 20);
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(hwnd));
    link.SetTarget(kEulaAddress);
    Click(hwnd);
    ASSERT_EQ(1u, m_launch.commandLines.size());
    EXPECT_TRUE(m_launch.beeps.empty());
    EXPECT_EQ(RGB(85, 26, 139), ColoursOf(hwnd).text);
}

} // namespace
} // namespace ph
