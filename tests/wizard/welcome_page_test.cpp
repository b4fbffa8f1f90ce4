// The welcome page in a real sheet: its first texts and defaults, the shortcut boxes and the
// radio pair, the running-viewer warning, the folder check on Next and the folder browser.
#include "wizard_harness.h"

#include "engine/existing_install.h"
#include "support/test_support.h"
#include "wizard/welcome_page.h"

#include <shlobj.h>

namespace ph::test {
namespace {

const int kBoxes[] = {IDC_DESKTOP_SHORTCUT, IDC_THUMBNAILS_SHORTCUT, IDC_START_MENU_GROUP};

class WelcomePage : public ::testing::Test {
protected:
    void SetUp() override { UnregisterViewer(); }
    void TearDown() override { UnregisterViewer(); }

    void Open() { ASSERT_NE(m_wizard.Open(), nullptr); }

    bool RadiosEnabled()
    {
        bool current = m_wizard.IsItemEnabled(0, IDC_CURRENT_USER);
        EXPECT_EQ(current, m_wizard.IsItemEnabled(0, IDC_ALL_USERS)) << "the pair is switched together";
        return current;
    }

    PinnedMessageBoxes m_boxes{IDOK};
    WizardUnderTest m_wizard;
};

TEST_F(WelcomePage, FirstArrivalFillsTextsChoicesAndTheProgramFilesFolder)
{
    Open();
    EXPECT_EQ(m_wizard.ItemText(0, IDC_WELCOME_TITLE), L"Welcome to Photavian 64 setup!");
    EXPECT_EQ(m_wizard.ItemText(0, IDC_WELCOME_TEXT),
              L"This program will install Photavian version  4.70  (64 bit) on your system.\n"
              L" (it should be started with Admin permissions)");
    for (int box : kBoxes) {
        EXPECT_TRUE(m_wizard.IsChecked(0, box)) << box;
    }
    EXPECT_TRUE(m_wizard.IsChecked(0, IDC_CURRENT_USER));
    EXPECT_FALSE(m_wizard.IsChecked(0, IDC_ALL_USERS));
    EXPECT_TRUE(RadiosEnabled());

    wchar_t expected[kPathChars] = {};
    DefaultProgramFilesFolder(expected);
    EXPECT_EQ(m_wizard.ItemText(0, IDC_FOLDER), expected);
    EXPECT_EQ(m_wizard.ItemText(0, IDC_FOLDER), L"C:\\Program Files\\Photavian");
    EXPECT_TRUE(m_boxes.Calls().empty()) << "no viewer runs, so no warning";
}

TEST_F(WelcomePage, ReinstallationProposesTheInstalledFolder)
{
    RegisterViewerAt(L"D:\\Apps\\Viewer\\");
    Open();
    EXPECT_EQ(m_wizard.ItemText(0, IDC_FOLDER), L"D:\\Apps\\Viewer\\");
}

TEST_F(WelcomePage, ComingBackKeepsEveryChoiceAndWarnsAgainWhileTheViewerRuns)
{
    FakeViewerWindow viewer;
    ASSERT_TRUE(viewer.Exists());
    Open();
    ASSERT_EQ(m_boxes.Calls().size(), 1u);
    const MessageBoxCall& warning = m_boxes.Calls()[0];
    EXPECT_EQ(warning.text,
              L"Warning: Photavian is running!\nPlease close all Photavian instances before you install this version!");
    EXPECT_EQ(warning.caption, L"Photavian 64-bit Setup");
    EXPECT_EQ(warning.type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(warning.owner, m_wizard.Page(0).GetSafeHwnd());
    EXPECT_EQ(m_wizard.CurrentIndex(), 0) << "the warning leaves the page usable";

    m_wizard.SetItemText(0, IDC_FOLDER, L"E:\\Elsewhere");
    m_wizard.ClickItem(0, IDC_DESKTOP_SHORTCUT);
    m_wizard.ClickItem(0, IDC_ALL_USERS);
    m_wizard.SetItemText(0, IDC_WELCOME_TITLE, L"changed");
    m_wizard.Click(kNextButtonId);
    ASSERT_EQ(m_wizard.CurrentIndex(), 1);
    m_wizard.Click(kBackButtonId);
    ASSERT_EQ(m_wizard.CurrentIndex(), 0);

    EXPECT_EQ(m_boxes.Calls().size(), 2u) << "warned on every activation";
    EXPECT_EQ(m_wizard.ItemText(0, IDC_FOLDER), L"E:\\Elsewhere");
    EXPECT_FALSE(m_wizard.IsChecked(0, IDC_DESKTOP_SHORTCUT));
    EXPECT_TRUE(m_wizard.IsChecked(0, IDC_ALL_USERS));
    EXPECT_FALSE(m_wizard.IsChecked(0, IDC_CURRENT_USER));
    EXPECT_EQ(m_wizard.ItemText(0, IDC_WELCOME_TITLE), L"changed") << "the one-time set-up ran again";
    EXPECT_FALSE(m_wizard.IsEnabled(kBackButtonId));
}

TEST_F(WelcomePage, UncheckAllDisablesTheRadioPairAndATickEnablesItAgain)
{
    Open();
    m_wizard.ClickItem(0, IDC_ALL_USERS);
    m_wizard.ClickItem(0, IDC_UNCHECK_ALL);
    for (int box : kBoxes) {
        EXPECT_FALSE(m_wizard.IsChecked(0, box)) << box;
    }
    EXPECT_FALSE(RadiosEnabled());
    EXPECT_TRUE(m_wizard.IsChecked(0, IDC_ALL_USERS)) << "the selection is kept";

    m_wizard.ClickItem(0, IDC_START_MENU_GROUP);
    EXPECT_TRUE(m_wizard.IsChecked(0, IDC_START_MENU_GROUP));
    EXPECT_TRUE(RadiosEnabled());
    EXPECT_TRUE(m_wizard.IsChecked(0, IDC_ALL_USERS));
    EXPECT_FALSE(m_wizard.IsChecked(0, IDC_CURRENT_USER));
}

TEST_F(WelcomePage, UntickingTheBoxesOneByOneDisablesThePairAtTheLast)
{
    Open();
    for (int box : kBoxes) {
        EXPECT_TRUE(RadiosEnabled()) << "before unticking " << box;
        m_wizard.ClickItem(0, box);
    }
    EXPECT_FALSE(RadiosEnabled());
}

TEST_F(WelcomePage, FolderCheckOnNext)
{
    struct Case {
        const wchar_t* folder;
        bool accepted;
    };
    const Case cases[] = {
        {L"", false},
        {L" C:\\Program Files\\Photavian", false},  // leading blank
        {L"\\\\server\\share\\Photavian", false},   // UNC
        {L"Program Files\\Photavian", false},       // relative
        {L"C:", true},                              // a drive alone
        {L"C:\\Program Files\\Photavian   ", true}, // trailing blanks
        {L"c:/Tools/Photavian/", true},
    };
    Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.folder));
        m_boxes.Clear();
        m_wizard.ShowPage(0);
        m_wizard.SetItemText(0, IDC_FOLDER, c.folder);

        m_wizard.Click(kNextButtonId);

        if (c.accepted) {
            EXPECT_EQ(m_wizard.CurrentIndex(), 1);
            EXPECT_TRUE(m_boxes.Calls().empty());
        } else {
            EXPECT_EQ(m_wizard.CurrentIndex(), 0);
            ASSERT_EQ(m_boxes.Calls().size(), 1u);
            EXPECT_EQ(m_boxes.Calls()[0].text, L"Invalid destination directory!");
            EXPECT_EQ(m_boxes.Calls()[0].caption, L"Photavian 64-bit Setup");
            EXPECT_EQ(m_boxes.Calls()[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
        }
        EXPECT_EQ(m_wizard.ItemText(0, IDC_FOLDER), c.folder) << "the check changes nothing";
    }
}

TEST(WelcomeFolderRule, PartsOfTheSplitterLimitTheFolder)
{
    // "C:" + directory of n characters (backslash to backslash) + name.
    auto folder = [](std::size_t directoryChars, std::size_t nameChars) {
        std::wstring text = L"C:\\" + std::wstring(directoryChars - 2, L'd') + L"\\";
        return text + std::wstring(nameChars, L'n');
    };
    EXPECT_TRUE(IsUsableInstallFolder(folder(255, 0).c_str()));
    EXPECT_FALSE(IsUsableInstallFolder(folder(256, 0).c_str()));
    EXPECT_TRUE(IsUsableInstallFolder((L"C:" + std::wstring(255, L'n')).c_str()));
    EXPECT_FALSE(IsUsableInstallFolder((L"C:" + std::wstring(256, L'n')).c_str()));
    // A dot splits the name from its extension; each part is measured alone.
    EXPECT_TRUE(IsUsableInstallFolder((L"C:" + std::wstring(200, L'n') + L"." + std::wstring(56, L'e')).c_str()));
    EXPECT_FALSE(IsUsableInstallFolder(L"C"));
    EXPECT_FALSE(IsUsableInstallFolder(L":\\x"));
}

TEST(WelcomeBrowse, ChosenFolderGetsTheProductFolder)
{
    struct Case {
        const wchar_t* chosen;
        const wchar_t* result;
    };
    const Case cases[] = {
        {L"D:\\", L"D:\\Photavian\\"},
        {L"D:\\Tools", L"D:\\Tools\\Photavian\\"},
        {L"D:\\Tools\\", L"D:\\Tools\\Photavian\\"},
        {L"D:\\Tools\\PHOTAVIAN", L"D:\\Tools\\PHOTAVIAN\\"},
        {L"D:\\Tools\\photavian\\", L"D:\\Tools\\photavian\\"},
        {L"D:\\Photavian", L"D:\\Photavian\\"},
        {L"D:\\Tools\\Photavian2", L"D:\\Tools\\Photavian2\\Photavian\\"},
        {L"\\\\server\\share", L"\\\\server\\share\\Photavian\\"},
    };
    for (const Case& c : cases) {
        wchar_t path[kPathChars] = {};
        CopyTextCut(path, c.chosen);
        EXPECT_TRUE(CompleteChosenFolder(path, kPathChars)) << Narrow(c.chosen);
        EXPECT_STREQ(path, c.result) << Narrow(c.chosen);
    }
}

TEST(WelcomeBrowse, AFolderTooLongForTheProductFolderIsRefusedUnchanged)
{
    // "D:\" + name: with "\" and "Photavian\" (10) the result has name + 14 characters.
    const std::wstring fits = L"D:\\" + std::wstring(kPathChars - 1 - 14, L'x');
    const std::wstring tooLong = fits + L"x";

    wchar_t path[kPathChars] = {};
    CopyTextCut(path, fits.c_str());
    EXPECT_TRUE(CompleteChosenFolder(path, kPathChars));
    EXPECT_EQ(std::wcslen(path), kPathChars - 1);

    CopyTextCut(path, tooLong.c_str());
    EXPECT_FALSE(CompleteChosenFolder(path, kPathChars));
    EXPECT_EQ(std::wstring(path), tooLong);

    // A product folder that needs only its backslash still fits at full length.
    const std::wstring named = L"D:\\" + std::wstring(kPathChars - 1 - 14, L'x') + L"\\photavian";
    CopyTextCut(path, named.c_str());
    EXPECT_TRUE(CompleteChosenFolder(path, kPathChars));
    EXPECT_EQ(std::wstring(path), named + L"\\");
}

// Records the selection the browser's callback asks for.
struct SelectionRecorder {
    SelectionRecorder()
    {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"PhSelectionRecorder";
        ::RegisterClassW(&wc);
        window = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, wc.hInstance,
                                   nullptr);
        Current() = this;
    }
    ~SelectionRecorder()
    {
        ::DestroyWindow(window);
        Current() = nullptr;
    }
    static SelectionRecorder*& Current()
    {
        static SelectionRecorder* current = nullptr;
        return current;
    }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == BFFM_SETSELECTIONW && Current() != nullptr) {
            Current()->messages += 1;
            Current()->byPath = wParam;
            Current()->selection = reinterpret_cast<const wchar_t*>(lParam);
            return 0;
        }
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }

    HWND window = nullptr;
    int messages = 0;
    WPARAM byPath = 0;
    std::wstring selection;
};

TEST(WelcomeBrowse, BrowserStartsOnTheFieldsFolder)
{
    struct Case {
        const wchar_t* field;
        const wchar_t* selected;
    };
    const Case cases[] = {
        {L"C:\\Program Files\\Photavian\\", L"C:\\Program Files\\Photavian"},
        {L"C:\\Program Files\\Photavian", L"C:\\Program Files\\Photavian"},
        {L"C:\\", L"C:\\"},
        {L"C:", L"C:"},
    };
    for (const Case& c : cases) {
        SelectionRecorder recorder;
        wchar_t field[kPathChars] = {};
        CopyTextCut(field, c.field);
        EXPECT_EQ(BrowseCallback(recorder.window, BFFM_INITIALIZED, 0, reinterpret_cast<LPARAM>(field)), 0);
        EXPECT_EQ(recorder.messages, 1);
        EXPECT_EQ(recorder.byPath, static_cast<WPARAM>(TRUE));
        EXPECT_EQ(recorder.selection, c.selected);
        EXPECT_STREQ(field, c.field) << "the field's text itself is not touched";

        // Every other notification is ignored.
        BrowseCallback(recorder.window, BFFM_SELCHANGED, 0, reinterpret_cast<LPARAM>(field));
        EXPECT_EQ(recorder.messages, 1);
    }
}

// Presses a button of the folder browser once it is open: run from a timer inside its loop.
struct BrowserAnswer {
    HWND sheet;
    int button;
    bool pressed = false;
    int ticks = 0;
};
BrowserAnswer* g_browserAnswer = nullptr;

BOOL CALLBACK PressInBrowser(HWND window, LPARAM)
{
    wchar_t className[16] = {};
    ::GetClassNameW(window, className, 16);
    if (window == g_browserAnswer->sheet || std::wstring(className) != L"#32770" || !::IsWindowVisible(window)) {
        return TRUE;
    }
    ::SendMessageW(::GetDlgItem(window, g_browserAnswer->button), BM_CLICK, 0, 0);
    // The browser's loop looks at its end only when a message arrives.
    ::PostMessageW(window, WM_NULL, 0, 0);
    g_browserAnswer->pressed = true;
    return FALSE;
}

BOOL CALLBACK CloseAllButTheSheet(HWND window, LPARAM)
{
    if (window != g_browserAnswer->sheet) {
        ::PostMessageW(window, WM_CLOSE, 0, 0);
    }
    return TRUE;
}

void CALLBACK LookForTheBrowser(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_browserAnswer == nullptr || g_browserAnswer->pressed) {
        return;
    }
    ::EnumThreadWindows(::GetCurrentThreadId(), PressInBrowser, 0);
    // A browser that cannot be recognised is closed after 10 s so that the test fails, not hangs.
    if (!g_browserAnswer->pressed && ++g_browserAnswer->ticks > 200) {
        ::EnumThreadWindows(::GetCurrentThreadId(), CloseAllButTheSheet, 0);
    }
}

TEST_F(WelcomePage, BrowseOpensOnTheFieldsFolderAndAddsTheProductFolder)
{
    ScratchFolder tools(L"browse_tools");
    Open();
    const std::wstring field = tools.Path() + L"\\";
    struct Case {
        int button;
        std::wstring result;
    };
    const Case cases[] = {
        {IDCANCEL, field},                       // cancelled: the field stays as it was
        {IDOK, tools.Path() + L"\\Photavian\\"}, // the pre-selected folder, completed
    };
    for (const Case& c : cases) {
        m_wizard.SetItemText(0, IDC_FOLDER, field);
        BrowserAnswer answer{m_wizard.Window(), c.button};
        g_browserAnswer = &answer;
        UINT_PTR timer = ::SetTimer(nullptr, 0, 50, LookForTheBrowser);
        m_wizard.ClickItem(0, IDC_BROWSE);
        ::KillTimer(nullptr, timer);
        g_browserAnswer = nullptr;

        EXPECT_TRUE(answer.pressed);
        EXPECT_EQ(m_wizard.ItemText(0, IDC_FOLDER), c.result);
    }
}

} // namespace
} // namespace ph::test
