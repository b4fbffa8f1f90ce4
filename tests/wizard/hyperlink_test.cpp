// The link control and the static-control attachment it stands on, driven on real windows: a
// parent window whose procedure reflects to its controls, with static children.
#include "controls/hyperlink.h"
#include "base/scoped_override.h"
#include "framework/static_control.h"
#include "platform/trace.h"

#include "message_pump.h"
#include "parent_window.h"
#include "pinned_launches.h"
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

// The warning sounds of failed clicks.
std::vector<UINT>* g_beeps = nullptr;

void RecordBeep(UINT type)
{
    g_beeps->push_back(type);
}

using test::LaunchCall;
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
        m_font.reset(
            ::CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
        ASSERT_TRUE(m_font);
        m_parent.emplace();
        ASSERT_NE(nullptr, m_parent->Window());
        g_beeps = &m_beeps;
    }

    void TearDown() override
    {
        g_beeps = nullptr;
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

    // The files the launches opened, in order.
    std::vector<std::wstring> Opened() const
    {
        std::vector<std::wstring> files;
        for (const LaunchCall& call : m_launches.Launches()) {
            files.push_back(call.file);
        }
        return files;
    }

    UniqueFont m_font;
    std::optional<test::ReflectingParent> m_parent;
    // No browser starts and nothing beeps while a test runs; the program is taken for elevated.
    test::PinnedLaunches m_launches;
    std::vector<UINT> m_beeps;
    ScopedOverride<decltype(PlatformSeams::beep)> m_beep{Seams().beep, RecordBeep};
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
    EXPECT_TRUE(m_launches.Launches().empty());
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
    EXPECT_EQ(Opened(), std::vector<std::wstring>{kEulaAddress});
    EXPECT_TRUE(m_beeps.empty());
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
    m_launches.Answer(SE_ERR_NOASSOC);
    Click(hwnd);
    EXPECT_EQ(std::vector<UINT>{MB_ICONEXCLAMATION}, m_beeps);
    // The static's text stands in for the target.
    EXPECT_EQ(Opened(), (std::vector<std::wstring>{L"Photavian EULA", L"Photavian EULA"})) << "no browser command";
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
    EXPECT_EQ(TRUE,
              ::SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
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

TEST(BrowserCommandLineTest, CutsAtThePlaceholderAppendsTheAddressAndSplitsOffTheProgram)
{
    struct Case {
        const wchar_t* registered;
        const wchar_t* expected;
        const wchar_t* program;
        const wchar_t* parameters;
    };
    const Case cases[] = {
        {L"\"C:\\Browsers\\Web.exe\" -url \"%1\"", L"\"C:\\Browsers\\Web.exe\" -url https://x.example/",
         L"C:\\Browsers\\Web.exe", L"-url https://x.example/"},
        {L"\"C:\\Browsers\\Web.exe\" -url \"%1\" -new", L"\"C:\\Browsers\\Web.exe\" -url https://x.example/",
         L"C:\\Browsers\\Web.exe", L"-url https://x.example/"},
        {L"C:\\Browsers\\Web.exe %1", L"C:\\Browsers\\Web.exe https://x.example/", L"C:\\Browsers\\Web.exe",
         L"https://x.example/"},
        {L"C:\\Browsers\\Web.exe", L"C:\\Browsers\\Web.exe https://x.example/", L"C:\\Browsers\\Web.exe",
         L"https://x.example/"},
        // The quoted placeholder wins over an earlier bare one.
        {L"Web.exe %1 \"%1\"", L"Web.exe %1 https://x.example/", L"Web.exe", L"%1 https://x.example/"},
        // A quoted program with blanks in its folder; blanks after it are dropped.
        {L"\"C:\\Program Files\\Web.exe\"   \"%1\"", L"\"C:\\Program Files\\Web.exe\" https://x.example/",
         L"C:\\Program Files\\Web.exe", L"https://x.example/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(test::Narrow(c.registered));
        wchar_t out[kBrowserCommandLineChars] = {};
        ASSERT_TRUE(BuildBrowserCommandLine(c.registered, L"https://x.example/", out, kBrowserCommandLineChars));
        EXPECT_STREQ(c.expected, out);
        wchar_t program[kBrowserValueChars];
        const wchar_t* parameters = SplitProgramAndParameters(out, program);
        ASSERT_NE(parameters, nullptr);
        EXPECT_STREQ(c.program, program);
        EXPECT_STREQ(c.parameters, parameters);
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

TEST(BrowserCommandLineTest, ALineWithoutAProgramIsRefused)
{
    const std::wstring longest = L"C:\\" + std::wstring(kBrowserValueChars - 1 - 3, L'x');
    struct Case {
        std::wstring line;
        bool refused;
    };
    const Case cases[] = {
        {L"\"C:\\Browsers\\Web.exe -url x", true}, // no closing quote
        {L"\"\" -url x", true},                    // an empty program
        {L" Web.exe x", true},                     // a blank where the program should be
        {L"", true},
        {longest + L" x", false}, // 259 characters fit
        {longest + L"x x", true}, // 260 do not
        {L"\"" + longest + L"x\" x", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(test::Narrow(c.line));
        wchar_t program[kBrowserValueChars];
        std::fill(std::begin(program), std::end(program), L'#');
        const wchar_t* parameters = SplitProgramAndParameters(c.line.c_str(), program);
        EXPECT_EQ(parameters == nullptr, c.refused);
        if (c.refused) {
            EXPECT_STREQ(program, L"");
        }
    }
}

// Sets the default value of hive\key, creating the key.
bool SetDefaultValue(HKEY hive, const std::wstring& key, const std::wstring& value)
{
    UniqueRegKey opened;
    if (::RegCreateKeyExW(hive, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, opened.put(), nullptr)
        != ERROR_SUCCESS) {
        return false;
    }
    return ::RegSetValueExW(opened.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)))
        == ERROR_SUCCESS;
}

// Where a browser for web pages can be registered: the machine-wide classes, and the classes
// root, which merges in the user's own classes.
enum class Classes { Machine, Root };

// The fallback in redirected hives, where the machine-wide classes and the classes root are two
// separate keys. The shell cannot open the address itself; whatever else is started starts.
class OpenTargetTest : public LinkTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_hives.ok());
        LinkTest::SetUp();
        m_launches.AnswerFor(kEulaAddress, SE_ERR_NOASSOC);
    }
    static void RegisterBrowser(const std::wstring& command, Classes where = Classes::Machine)
    {
        HKEY hive = where == Classes::Machine ? HKEY_LOCAL_MACHINE : HKEY_CLASSES_ROOT;
        const std::wstring prefix = where == Classes::Machine ? L"SOFTWARE\\Classes\\" : L"";
        ASSERT_TRUE(SetDefaultValue(hive, prefix + L".htm", L"PhotavianTestPage"));
        ASSERT_TRUE(SetDefaultValue(hive, prefix + L"PhotavianTestPage\\shell\\open\\command", command));
    }

    test::RedirectedHives m_hives;
};

TEST_F(OpenTargetTest, ShellSuccessIsTheAnswer)
{
    RegisterBrowser(L"\"C:\\Browsers\\Web.exe\" \"%1\"");
    m_launches.AnswerFor(kEulaAddress, 42);
    EXPECT_EQ(42u, CHyperLink::OpenTarget(kEulaAddress));
    EXPECT_EQ(Opened(), std::vector<std::wstring>{kEulaAddress});
}

TEST_F(OpenTargetTest, FallsBackToTheBrowserRegisteredForWebPages)
{
    RegisterBrowser(L"\"C:\\Program Files\\Browsers\\Web.exe\" -url \"%1\"");
    EXPECT_EQ(test::kPinnedStarted, CHyperLink::OpenTarget(kEulaAddress));
    ASSERT_EQ(2u, m_launches.Launches().size());
    const LaunchCall& browser = m_launches.Launches()[1];
    EXPECT_EQ(browser.file, L"C:\\Program Files\\Browsers\\Web.exe");
    EXPECT_EQ(browser.parameters, std::wstring(L"-url ") + kEulaAddress);
    EXPECT_TRUE(browser.directoryNull);
    EXPECT_EQ(browser.route, LaunchRoute::AsDesktopUser) << "not with the installer's rights";

    RegisterBrowser(L"C:\\Browsers\\Web.exe");
    EXPECT_EQ(test::kPinnedStarted, CHyperLink::OpenTarget(kEulaAddress));
    ASSERT_EQ(4u, m_launches.Launches().size());
    EXPECT_EQ(m_launches.Launches()[3].file, L"C:\\Browsers\\Web.exe");
    EXPECT_EQ(m_launches.Launches()[3].parameters, kEulaAddress);
}

// Which classes the fallback reads and which route every start takes: an elevated program reads
// only the machine-wide classes (the user can write the merged root) and starts everything as the
// desktop's user.
TEST_F(OpenTargetTest, ElevationChoosesTheClassesAndTheRoute)
{
    struct Case {
        const char* name;
        bool elevated;
        bool inMachineClasses;
        bool inClassesRoot;
        const wchar_t* browser; // the program started after the shell failed; null: none
        LaunchRoute route;
    };
    const Case cases[] = {
        {"elevated, machine-wide browser", true, true, false, L"C:\\Machine\\Web.exe", LaunchRoute::AsDesktopUser},
        {"elevated, the user's own browser only", true, false, true, nullptr, LaunchRoute::AsDesktopUser},
        {"elevated, both: the machine-wide one", true, true, true, L"C:\\Machine\\Web.exe", LaunchRoute::AsDesktopUser},
        {"not elevated, the classes root", false, false, true, L"C:\\Root\\Web.exe", LaunchRoute::InThisProcess},
        {"not elevated, both: the classes root", false, true, true, L"C:\\Root\\Web.exe", LaunchRoute::InThisProcess},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::PinnedLaunches launches(c.elevated);
        launches.AnswerFor(kEulaAddress, SE_ERR_NOASSOC);
        ::RegDeleteTreeW(m_hives.Machine(), L"SOFTWARE\\Classes");
        ::RegDeleteTreeW(m_hives.Classes(), nullptr);
        if (c.inMachineClasses) {
            RegisterBrowser(L"\"C:\\Machine\\Web.exe\" \"%1\"", Classes::Machine);
        }
        if (c.inClassesRoot) {
            RegisterBrowser(L"\"C:\\Root\\Web.exe\" \"%1\"", Classes::Root);
        }

        const UINT_PTR status = CHyperLink::OpenTarget(kEulaAddress);

        EXPECT_EQ(status, c.browser != nullptr ? test::kPinnedStarted : static_cast<UINT_PTR>(SE_ERR_NOASSOC));
        ASSERT_EQ(launches.Launches().size(), c.browser != nullptr ? 2u : 1u);
        EXPECT_EQ(launches.Launches()[0].file, kEulaAddress);
        if (c.browser != nullptr) {
            EXPECT_EQ(launches.Launches()[1].file, c.browser);
        }
        for (const LaunchCall& call : launches.Launches()) {
            EXPECT_EQ(call.route, c.route) << test::Narrow(call.file);
        }
    }
}

TEST_F(OpenTargetTest, GapsInTheRegistrationReportTheShellStatus)
{
    // No ".htm" class at all.
    EXPECT_EQ(static_cast<UINT_PTR>(SE_ERR_NOASSOC), CHyperLink::OpenTarget(kEulaAddress));
    // A class without an open command.
    ASSERT_TRUE(test::SetMachineString(L"SOFTWARE\\Classes\\.htm", nullptr, L"PhotavianTestPage"));
    EXPECT_EQ(static_cast<UINT_PTR>(SE_ERR_NOASSOC), CHyperLink::OpenTarget(kEulaAddress));
    // An empty class name.
    ASSERT_TRUE(test::SetMachineString(L"SOFTWARE\\Classes\\.htm", nullptr, L""));
    EXPECT_EQ(static_cast<UINT_PTR>(SE_ERR_NOASSOC), CHyperLink::OpenTarget(kEulaAddress));
    // A command longer than the value buffer.
    RegisterBrowser(L"C:\\" + std::wstring(kBrowserValueChars, L'x') + L".exe \"%1\"");
    EXPECT_EQ(static_cast<UINT_PTR>(SE_ERR_NOASSOC), CHyperLink::OpenTarget(kEulaAddress));
    // A command whose program has no closing quote.
    RegisterBrowser(L"\"C:\\Browsers\\Web.exe -url \"%1\"");
    EXPECT_EQ(static_cast<UINT_PTR>(SE_ERR_NOASSOC), CHyperLink::OpenTarget(kEulaAddress));
    for (const LaunchCall& call : m_launches.Launches()) {
        EXPECT_EQ(call.file, kEulaAddress) << "no browser was started";
    }
}

// Elevated, and the desktop's shell cannot be asked: nothing is started with this process's
// rights, the click beeps, and the verbose log says why.
TEST_F(OpenTargetTest, AFailedDesktopRouteStartsNothingAndSaysWhy)
{
    RegisterBrowser(L"\"C:\\Browsers\\Web.exe\" \"%1\"");
    m_launches.Answer(kLaunchRefused);
    m_launches.AnswerFor(kEulaAddress, kLaunchRefused);
    test::ScratchFolder folder(L"link_trace");
    const std::wstring log = folder / L"verbose.log";
    ASSERT_TRUE(OpenTrace(log.c_str()));
    HWND hwnd = AddStatic(L"Photavian EULA", SS_LEFT, 10, 10, 200, 20);
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(hwnd));
    link.SetTarget(kEulaAddress);

    Click(hwnd);
    CloseTrace();

    EXPECT_EQ(m_beeps, std::vector<UINT>{MB_ICONEXCLAMATION});
    ASSERT_EQ(m_launches.Launches().size(), 2u) << "the address, then the registered browser";
    for (const LaunchCall& call : m_launches.Launches()) {
        EXPECT_EQ(call.route, LaunchRoute::AsDesktopUser) << test::Narrow(call.file);
    }
    const std::string written = test::ReadFileBytes(log);
    EXPECT_NE(written.find("not started: \"https://www.photavian.example/eula.html\"; this process is elevated"),
              std::string::npos)
        << written;
    EXPECT_NE(written.find("not started: \"C:\\Browsers\\Web.exe\""), std::string::npos) << written;
}

// The real routes, nothing pinned: a program is started by each, a missing one is reported.
TEST(LaunchRoutes, RealRoutesStartAProgramAndReportAMissingOne)
{
    wchar_t system[MAX_PATH] = {};
    ASSERT_NE(0u, ::GetSystemDirectoryW(system, MAX_PATH));
    const std::wstring cmd = std::wstring(system) + L"\\cmd.exe";
    for (LaunchRoute route : {LaunchRoute::InThisProcess, LaunchRoute::AsDesktopUser}) {
        SCOPED_TRACE(route == LaunchRoute::InThisProcess ? "in this process" : "as the desktop's user");
        EXPECT_GT(LaunchSeam()(route, {nullptr, cmd.c_str(), L"/c exit 0", nullptr}), 32u);
        EXPECT_LE(LaunchSeam()(route, {nullptr, L"C:\\no such folder\\browser.exe", L"https://x.example/", nullptr}),
                  32u);
    }
}

TEST_F(OpenTargetTest, ClickThroughTheFallbackMarksTheLinkFollowed)
{
    RegisterBrowser(L"\"C:\\Browsers\\Web.exe\" \"%1\"");
    HWND hwnd = AddStatic(L"Photavian EULA", SS_LEFT, 10, 10, 200, 20);
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(hwnd));
    link.SetTarget(kEulaAddress);
    Click(hwnd);
    EXPECT_EQ(Opened(), (std::vector<std::wstring>{kEulaAddress, L"C:\\Browsers\\Web.exe"}));
    EXPECT_TRUE(m_beeps.empty());
    EXPECT_EQ(RGB(85, 26, 139), ColoursOf(hwnd).text);
}

} // namespace
} // namespace ph
