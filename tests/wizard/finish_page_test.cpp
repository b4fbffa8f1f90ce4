// The finish page's actions on Done, with the launches and waits pinned: which boxes start what,
// the route each start takes, the viewer's path from the folder the run installed into, the waits
// for its window, and a path that would not fit.
#include "pinned_launches.h"
#include "wizard_harness.h"

#include "support/test_support.h"
#include "wizard/finish_page.h"

namespace ph::test {
namespace {

class FinishActions : public ::testing::Test {
protected:
    void SetUp() override
    {
        UnregisterViewer();
        ASSERT_NE(m_wizard.Open(), nullptr);
    }

    // The finish page after a run that installed into folder; then Done. The welcome page's field
    // holds other text: the viewer is started from where the run installed it.
    void DoneWith(const std::wstring& folder, bool openFaq, bool startViewer)
    {
        m_wizard.SetItemText(kWelcomePosition, IDC_FOLDER, L"typed\\elsewhere  ");
        m_wizard.Sheet().SetInstalledFolder(folder.c_str());
        m_wizard.ShowPage(kFinishPosition);
        ASSERT_EQ(m_wizard.CurrentIndex(), kFinishPosition);
        if (!openFaq) {
            m_wizard.ClickItem(kFinishPosition, IDC_OPEN_FAQ);
        }
        if (!startViewer) {
            m_wizard.ClickItem(kFinishPosition, IDC_START_VIEWER);
        }
        m_wizard.Click(IDCANCEL);
        EXPECT_TRUE(m_wizard.Ended()) << "Done closes the wizard after its actions";
    }

    PinnedMessageBoxes m_boxes{IDOK};
    PinnedFinishActions m_actions;
    WizardUnderTest m_wizard;
};

TEST_F(FinishActions, BothBoxesOpenTheFaqThenStartTheViewerAndLookForItsWindow)
{
    DoneWith(L"D:\\Apps\\Viewer", true, true);

    ASSERT_EQ(m_actions.Launches().size(), 2u);
    const LaunchCall& faq = m_actions.Launches()[0];
    EXPECT_EQ(faq.owner, ::GetDesktopWindow());
    EXPECT_EQ(faq.verb, L"open");
    EXPECT_EQ(faq.file, L"https://photavian.example/faq.html");
    EXPECT_TRUE(faq.parametersNull);
    EXPECT_FALSE(faq.directoryNull);
    EXPECT_EQ(faq.directory, L"");
    EXPECT_EQ(faq.show, SW_SHOW);

    const LaunchCall& viewer = m_actions.Launches()[1];
    EXPECT_EQ(viewer.verb, L"open");
    EXPECT_EQ(viewer.file, L"D:\\Apps\\Viewer\\ph_tav64.exe");
    EXPECT_FALSE(viewer.parametersNull);
    EXPECT_EQ(viewer.parameters, L"");
    EXPECT_TRUE(viewer.directoryNull);
    EXPECT_EQ(viewer.show, SW_SHOW);

    // No viewer window appears: 50 ms, then five looks each followed by 500 ms.
    EXPECT_EQ(m_actions.Waits(), (std::vector<DWORD>{50, 500, 500, 500, 500, 500}));
    EXPECT_EQ(m_actions.TotalWaitMs(), 2550u);
    EXPECT_TRUE(m_boxes.Calls().empty()) << "nothing is reported";
}

TEST_F(FinishActions, WithoutAnInstalledFolderNoViewerIsStarted)
{
    DoneWith(L"", true, true);
    ASSERT_EQ(m_actions.Launches().size(), 1u) << "the FAQ page still opens";
    EXPECT_EQ(m_actions.Launches()[0].file, L"https://photavian.example/faq.html");
    EXPECT_TRUE(m_actions.Waits().empty());
}

TEST_F(FinishActions, BothBoxesClearedStartNothingAndWaitForNothing)
{
    DoneWith(L"D:\\Apps\\Viewer", false, false);
    EXPECT_TRUE(m_actions.Launches().empty());
    EXPECT_TRUE(m_actions.Waits().empty());
}

TEST_F(FinishActions, OnlyTheFaqBoxOpensTheFaqWithoutWaiting)
{
    DoneWith(L"D:\\Apps\\Viewer", true, false);
    ASSERT_EQ(m_actions.Launches().size(), 1u);
    EXPECT_EQ(m_actions.Launches()[0].file, L"https://photavian.example/faq.html");
    EXPECT_TRUE(m_actions.Waits().empty());
}

TEST_F(FinishActions, ARunningViewerIsFoundAtTheFirstLook)
{
    FakeViewerWindow viewer;
    ASSERT_TRUE(viewer.Exists());
    DoneWith(L"D:\\Apps\\Viewer", false, true);
    EXPECT_EQ(m_actions.Launches().size(), 1u);
    EXPECT_EQ(m_actions.Waits(), (std::vector<DWORD>{50}));
}

TEST_F(FinishActions, AViewerPathThatWouldNotFitIsNotStarted)
{
    // 247 characters, the backslash and "ph_tav64.exe": 260, one more than the path holds.
    const std::wstring folder = L"D:\\" + std::wstring(244, L'v');
    ASSERT_EQ(folder.size(), 247u);
    DoneWith(folder, true, true);
    ASSERT_EQ(m_actions.Launches().size(), 1u) << "the FAQ page still opens";
    EXPECT_EQ(m_actions.Launches()[0].file, L"https://photavian.example/faq.html");
    EXPECT_TRUE(m_actions.Waits().empty());
}

// Each start takes the route of the process: as the desktop's user when elevated, in this process
// otherwise. A start that fails is not tried again another way, and the wizard closes as usual.
TEST(FinishRoutes, EachStartTakesTheRouteOfTheProcessAndAFailureOnlyClosesTheWizard)
{
    struct Case {
        const char* name;
        bool elevated;
        UINT_PTR answer;
        LaunchRoute route;
    };
    const Case cases[] = {
        {"elevated", true, kPinnedStarted, LaunchRoute::AsDesktopUser},
        {"not elevated", false, kPinnedStarted, LaunchRoute::InThisProcess},
        {"elevated, the desktop's shell cannot be asked", true, kLaunchRefused, LaunchRoute::AsDesktopUser},
        {"not elevated, the shell fails", false, SE_ERR_NOASSOC, LaunchRoute::InThisProcess},
    };
    UnregisterViewer();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PinnedMessageBoxes boxes{IDOK};
        PinnedFinishActions actions(c.elevated);
        actions.Answer(c.answer);
        WizardUnderTest wizard;
        ASSERT_NE(wizard.Open(), nullptr);
        wizard.Sheet().SetInstalledFolder(L"D:\\Apps\\Viewer\\");
        wizard.ShowPage(kFinishPosition);
        wizard.Click(IDCANCEL);

        EXPECT_TRUE(wizard.Ended());
        ASSERT_EQ(actions.Launches().size(), 2u) << "the FAQ page and the viewer, once each";
        EXPECT_EQ(actions.Launches()[0].file, L"https://photavian.example/faq.html");
        EXPECT_EQ(actions.Launches()[1].file, L"D:\\Apps\\Viewer\\ph_tav64.exe");
        for (const LaunchCall& call : actions.Launches()) {
            EXPECT_EQ(call.route, c.route) << Narrow(call.file);
        }
        EXPECT_TRUE(boxes.Calls().empty()) << "nothing is reported";
    }
}

TEST(InstalledViewer, FitsWholeOrIsNone)
{
    struct Case {
        std::wstring folder;
        bool fits;
        std::wstring path;
    };
    const std::wstring f246 = L"D:\\" + std::wstring(243, L'v');
    const std::wstring f247 = L"D:\\" + std::wstring(244, L'v');
    const Case cases[] = {
        {L"D:\\Apps\\Viewer", true, L"D:\\Apps\\Viewer\\ph_tav64.exe"},
        {L"D:\\Apps\\Viewer\\", true, L"D:\\Apps\\Viewer\\ph_tav64.exe"},
        {L"", false, L""},
        // 246 + 1 + 12 = 259 characters: the longest path that fits.
        {f246, true, f246 + L"\\ph_tav64.exe"},
        {f247, false, L""},
        // With its own backslash, 247 characters still fit.
        {f246 + L"\\", true, f246 + L"\\ph_tav64.exe"},
        {f247 + L"\\", false, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder.size());
        CWizPropertySheet sheet;
        sheet.SetInstalledFolder(c.folder.c_str());
        ASSERT_EQ(sheet.Installed() != nullptr, c.fits);
        if (c.fits) {
            EXPECT_EQ(std::wstring(sheet.Installed()->viewerPath), c.path);
        }
    }
}

} // namespace
} // namespace ph::test
