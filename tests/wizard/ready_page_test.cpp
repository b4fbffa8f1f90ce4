// The ready page in a real sheet: what it shows on arrival, the installation record read from
// the controls of three pages, and Next refused while a viewer runs or ending in a failed run.
#include "wizard_harness.h"

#include "support/test_support.h"
#include "wizard/associations_page.h"
#include "wizard/ready_page.h"

#include <commctrl.h>

namespace ph::test {
namespace {

constexpr wchar_t kCaption[] = L"Photavian 64-bit Setup";

class ReadyPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        UnregisterViewer();
        ASSERT_NE(m_wizard.Open(), nullptr);
    }

    // Walks from the welcome page, with folder in its field, to the page at position.
    void WalkTo(int position, const std::wstring& folder)
    {
        m_wizard.SetItemText(kWelcomePosition, IDC_FOLDER, folder);
        while (m_wizard.CurrentIndex() < position) {
            const int from = m_wizard.CurrentIndex();
            m_wizard.Click(kNextButtonId);
            ASSERT_EQ(m_wizard.CurrentIndex(), from + 1);
        }
    }

    HWND List() { return m_wizard.Sheet().AssocList(); }

    // The record the Next handler of the ready page would pass to the run now.
    std::unique_ptr<InstallOptions> Choices()
    {
        auto options = std::make_unique<InstallOptions>();
        // Values the reading must overwrite.
        options->silent = 1;
        options->associate = 1;
        CopyTextCut(options->iniFolder, L"stale");
        for (int& flag : options->associationFlags) {
            flag = 1;
        }
        ReadWizardChoices(m_wizard.Page(kWelcomePosition).GetSafeHwnd(), List(),
                          m_wizard.Page(kReadyPosition).GetSafeHwnd(), kCaption, *options);
        return options;
    }

    PinnedMessageBoxes m_boxes{IDOK};
    WizardUnderTest m_wizard;
};

TEST_F(ReadyPage, ArrivalShowsTheTrimmedDestinationAndTheDefaultSettingsFolder)
{
    WalkTo(kReadyPosition, L"D:\\Apps\\Viewer   ");
    EXPECT_EQ(m_wizard.ItemText(kReadyPosition, IDC_DESTINATION_LINE), L"Destination directory: D:\\Apps\\Viewer");
    EXPECT_TRUE(m_wizard.IsChecked(kReadyPosition, IDC_INI_IN_APPDATA));
    EXPECT_FALSE(m_wizard.IsChecked(kReadyPosition, IDC_INI_IN_PRODUCT));
    EXPECT_FALSE(::IsWindowVisible(m_wizard.Item(kReadyPosition, IDC_INSTALLING)));
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(m_wizard.Item(kReadyPosition, IDC_READY_TITLE), WM_GETFONT, 0, 0)),
              m_wizard.Sheet().TitleFont());

    // A choice made before going Back is not kept; a changed folder is shown.
    m_wizard.ClickItem(kReadyPosition, IDC_INI_IN_PRODUCT);
    ASSERT_TRUE(m_wizard.IsChecked(kReadyPosition, IDC_INI_IN_PRODUCT));
    m_wizard.Click(kBackButtonId);
    m_wizard.Click(kBackButtonId);
    m_wizard.Click(kBackButtonId);
    ASSERT_EQ(m_wizard.CurrentIndex(), kWelcomePosition);
    WalkTo(kReadyPosition, L"E:\\Other\\");
    EXPECT_EQ(m_wizard.ItemText(kReadyPosition, IDC_DESTINATION_LINE), L"Destination directory: E:\\Other\\");
    EXPECT_TRUE(m_wizard.IsChecked(kReadyPosition, IDC_INI_IN_APPDATA));
    EXPECT_FALSE(m_wizard.IsChecked(kReadyPosition, IDC_INI_IN_PRODUCT));
}

TEST_F(ReadyPage, RecordTakesEveryChoiceOfTheThreePages)
{
    WalkTo(kAssociationsPosition, L"D:\\Apps\\Viewer  ");
    // Welcome page: desktop shortcut off, all users.
    m_wizard.ClickItem(kWelcomePosition, IDC_DESKTOP_SHORTCUT);
    m_wizard.ClickItem(kWelcomePosition, IDC_ALL_USERS);
    // Associations: registry box ticked, every row.
    m_wizard.ClickItem(kAssociationsPosition, IDC_REGISTRY_BOX);
    m_wizard.ClickItem(kAssociationsPosition, IDC_SELECT_ALL);
    m_wizard.Click(kNextButtonId);
    ASSERT_EQ(m_wizard.CurrentIndex(), kReadyPosition);
    // Ready page: settings in the installation folder.
    m_wizard.ClickItem(kReadyPosition, IDC_INI_IN_PRODUCT);

    auto options = Choices();
    EXPECT_STREQ(options->destinationFolder, L"D:\\Apps\\Viewer");
    EXPECT_EQ(options->startMenuGroup, 1);
    EXPECT_EQ(options->desktopShortcut, 0);
    EXPECT_EQ(options->thumbnailsShortcut, 1);
    EXPECT_EQ(options->allUsers, 1);
    for (std::size_t i = 0; i < kAssociationFlagCount; ++i) {
        EXPECT_EQ(options->associationFlags[i], i < 63 ? 1 : 0) << i;
    }
    EXPECT_EQ(options->associate, 1);
    EXPECT_STREQ(options->iniFolder, L"");
    EXPECT_EQ(options->silent, 0);
    EXPECT_STREQ(options->caption, kCaption);

    m_wizard.ClickItem(kReadyPosition, IDC_INI_IN_APPDATA);
    EXPECT_STREQ(Choices()->iniFolder, L"%APPDATA%\\Photavian") << "kept unexpanded";
}

TEST_F(ReadyPage, RecordReadsAllUsersAndTheShortcutsAsTheyStand)
{
    WalkTo(kWhatsNewPosition, L"D:\\Apps\\Viewer");
    m_wizard.ClickItem(kWelcomePosition, IDC_ALL_USERS);
    m_wizard.ClickItem(kWelcomePosition, IDC_UNCHECK_ALL);
    ASSERT_FALSE(m_wizard.IsItemEnabled(kWelcomePosition, IDC_ALL_USERS));
    WalkTo(kReadyPosition, L"D:\\Apps\\Viewer");

    auto options = Choices();
    EXPECT_EQ(options->startMenuGroup, 0);
    EXPECT_EQ(options->desktopShortcut, 0);
    EXPECT_EQ(options->thumbnailsShortcut, 0);
    EXPECT_EQ(options->allUsers, 1) << "read also while the pair is disabled";
    EXPECT_EQ(options->associate, 0);
}

TEST_F(ReadyPage, TicksOfADisabledListAskForNothing)
{
    WalkTo(kAssociationsPosition, L"D:\\Apps\\Viewer");
    m_wizard.ClickItem(kAssociationsPosition, IDC_REGISTRY_BOX);
    m_wizard.ClickItem(kAssociationsPosition, IDC_IMAGES_ONLY);
    m_wizard.ClickItem(kAssociationsPosition, IDC_REGISTRY_BOX); // unticked again
    m_wizard.Click(kNextButtonId);
    ASSERT_EQ(m_wizard.CurrentIndex(), kReadyPosition);

    auto options = Choices();
    EXPECT_EQ(options->associate, 0);
    for (int flag : options->associationFlags) {
        EXPECT_EQ(flag, 0);
    }

    // Ticked again: the same ticks count.
    m_wizard.Click(kBackButtonId);
    m_wizard.ClickItem(kAssociationsPosition, IDC_REGISTRY_BOX);
    options = Choices();
    EXPECT_EQ(options->associate, 1);
    for (std::size_t i = 0; i < kAssociationFlagCount; ++i) {
        EXPECT_EQ(options->associationFlags[i], i < 49 ? 1 : 0) << i;
    }

    // Box ticked, no row ticked: nothing asked for.
    m_wizard.ClickItem(kAssociationsPosition, IDC_SELECT_NONE);
    options = Choices();
    EXPECT_EQ(options->associate, 0);
}

TEST_F(ReadyPage, NextWhileTheViewerRunsIsRefusedAndInstallsNothing)
{
    ScratchFolder scratch{L"ready_viewer_running"};
    const std::wstring destination = scratch / L"Photavian";
    WalkTo(kReadyPosition, destination);
    FakeViewerWindow viewer;
    ASSERT_TRUE(viewer.Exists());
    m_boxes.Clear();

    m_wizard.Click(kNextButtonId);

    ASSERT_EQ(m_boxes.Calls().size(), 1u);
    const MessageBoxCall& call = m_boxes.Calls()[0];
    EXPECT_EQ(call.text, ResourceString(IDS_VIEWER_RUNNING));
    EXPECT_EQ(call.caption, kCaption);
    EXPECT_EQ(call.type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(call.owner, m_wizard.Page(kReadyPosition).GetSafeHwnd());
    EXPECT_EQ(m_wizard.CurrentIndex(), kReadyPosition);
    EXPECT_FALSE(FolderExists(destination)) << "the run was not started";
    EXPECT_FALSE(::IsWindowVisible(m_wizard.Item(kReadyPosition, IDC_INSTALLING)));
    EXPECT_TRUE(m_wizard.IsEnabled(kNextButtonId));

    // Pressing Next again asks again.
    m_wizard.Click(kNextButtonId);
    EXPECT_EQ(m_boxes.Calls().size(), 2u);
    EXPECT_EQ(m_wizard.CurrentIndex(), kReadyPosition);
}

// The sheet's buttons and the status line as they stood when the run showed its message.
struct DuringTheRun {
    bool back = true;
    bool next = true;
    bool cancel = true;
    bool installingVisible = false;
};

TEST_F(ReadyPage, AFailedRunLocksTheButtonsThenShowsTheWelcomePageAgain)
{
    // A file where the destination's parent folder should be: the run cannot create it.
    ScratchFolder scratch{L"ready_run_fails"};
    ASSERT_TRUE(WriteFileBytes(scratch / L"blocker", "x"));
    const std::wstring destination = scratch / L"blocker\\Photavian";
    WalkTo(kAssociationsPosition, destination);
    m_wizard.ClickItem(kWelcomePosition, IDC_ALL_USERS);
    m_wizard.Click(kNextButtonId);
    ASSERT_EQ(m_wizard.CurrentIndex(), kReadyPosition);

    DuringTheRun during;
    m_boxes.Clear();
    m_boxes.WhileShown([&](const MessageBoxCall&) {
        during.back = m_wizard.IsEnabled(kBackButtonId);
        during.next = m_wizard.IsEnabled(kNextButtonId);
        during.cancel = m_wizard.IsEnabled(IDCANCEL);
        during.installingVisible = ::IsWindowVisible(m_wizard.Item(kReadyPosition, IDC_INSTALLING)) != FALSE;
    });
    m_wizard.Click(kNextButtonId);
    m_boxes.WhileShown(nullptr);

    ASSERT_EQ(m_boxes.Calls().size(), 1u);
    EXPECT_EQ(m_boxes.Calls()[0].text, ResourceString(IDS_CREATE_DEST_FAILED));
    EXPECT_FALSE(during.back);
    EXPECT_FALSE(during.next);
    EXPECT_FALSE(during.cancel);
    EXPECT_TRUE(during.installingVisible) << "painted before the run";

    EXPECT_EQ(m_wizard.CurrentIndex(), kWelcomePosition);
    EXPECT_FALSE(m_wizard.IsEnabled(kBackButtonId)) << "the welcome page disables Back again";
    EXPECT_TRUE(m_wizard.IsEnabled(kNextButtonId));
    EXPECT_TRUE(m_wizard.IsEnabled(IDCANCEL));
    EXPECT_EQ(m_wizard.ItemText(kWelcomePosition, IDC_FOLDER), destination) << "entries unchanged";
    EXPECT_TRUE(m_wizard.IsChecked(kWelcomePosition, IDC_ALL_USERS));
    // The status line is not hidden again.
    EXPECT_NE(::GetWindowLongW(m_wizard.Item(kReadyPosition, IDC_INSTALLING), GWL_STYLE) & WS_VISIBLE, 0);
}

} // namespace
} // namespace ph::test
