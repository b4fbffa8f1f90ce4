// The whole wizard with the payload embedded: the ready page's Next really installs and shows the
// finish page, and Done really starts the installed viewer.
#include "base/handles.h"
#include "base/product.h"
#include "support/test_support.h"
#include "wizard/wizard_harness.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>

namespace ph::test {
namespace {

constexpr DWORD kViewerExitMs = 10000;

// Closes the viewer windows a failed test may have left, waiting for each process to end.
void CloseViewers()
{
    constexpr int kMostViewers = 8;
    for (int i = 0; i < kMostViewers; ++i) {
        HWND window = ::FindWindowW(kViewerWindowClass, nullptr);
        if (window == nullptr) {
            return;
        }
        DWORD processId = 0;
        ::GetWindowThreadProcessId(window, &processId);
        UniqueKernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        if (process) {
            ::WaitForSingleObject(process.get(), kViewerExitMs);
        }
    }
}

class WizardInstall : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_hives->ok());
        UnregisterViewer();
        ::GetCurrentDirectoryW(MAX_PATH, m_previousDirectory);
    }
    void TearDown() override
    {
        CloseViewers();
        // The extraction leaves the destination as the current directory.
        ::SetCurrentDirectoryW(m_previousDirectory);
    }

    std::optional<RedirectedHives> m_hives{std::in_place};
    ScratchFolder m_folder{L"wizard_install"};
    wchar_t m_previousDirectory[MAX_PATH] = {};
    PinnedMessageBoxes m_boxes{IDYES};
    WizardUnderTest m_wizard;
};

TEST_F(WizardInstall, ReadyPageNextInstallsAndDoneStartsTheInstalledViewer)
{
    // Typed with a blank before an inner backslash and blanks at the end: the run installs into
    // the folder without them, and Done must start the viewer there.
    const std::wstring destination = m_folder / L"Photavian\\App";
    ASSERT_NE(m_wizard.Open(), nullptr);
    m_wizard.SetItemText(kWelcomePosition, IDC_FOLDER, m_folder / L"Photavian \\App  ");
    m_wizard.ClickItem(kWelcomePosition, IDC_UNCHECK_ALL);
    m_wizard.Click(kNextButtonId);
    m_wizard.Click(kNextButtonId);
    ASSERT_EQ(m_wizard.CurrentIndex(), kAssociationsPosition);
    m_wizard.ClickItem(kAssociationsPosition, IDC_REGISTRY_BOX);
    m_wizard.ClickItem(kAssociationsPosition, IDC_IMAGES_ONLY);
    m_wizard.Click(kNextButtonId);
    ASSERT_EQ(m_wizard.CurrentIndex(), kReadyPosition);
    m_wizard.ClickItem(kReadyPosition, IDC_INI_IN_PRODUCT);

    m_wizard.Click(kNextButtonId);

    // The run asked once before associating (answered Yes) and reported nothing else.
    ASSERT_EQ(m_boxes.Calls().size(), 1u);
    EXPECT_EQ(m_boxes.Calls()[0].text, ResourceString(IDS_CONFIRM_ASSOC));
    ASSERT_EQ(m_wizard.CurrentIndex(), kFinishPosition);
    EXPECT_FALSE(m_wizard.IsEnabled(kBackButtonId));
    EXPECT_FALSE(m_wizard.IsEnabled(kNextButtonId));
    EXPECT_TRUE(m_wizard.IsEnabled(IDCANCEL));
    EXPECT_EQ(m_wizard.ButtonText(IDCANCEL), L"&Done");

    EXPECT_TRUE(FileExists(destination + L"\\ph_tav64.exe"));
    EXPECT_TRUE(FileExists(destination + L"\\pt_uninstall.exe"));
    EXPECT_TRUE(FileExists(destination + L"\\Plugins\\Icons.dll"));
    EXPECT_TRUE(FileExists(destination + L"\\ph_tav64.ini")) << "settings in the installation folder";
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Photavian.bmp"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\.bmp")) << "an image type was ticked";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\.wav")) << "a media type was not";

    // Done with only "Start Photavian" ticked: the installed viewer starts for real and its
    // window is there by the time the wizard has closed.
    m_hives.reset();
    ASSERT_EQ(::FindWindowW(kViewerWindowClass, nullptr), nullptr);
    m_wizard.ClickItem(kFinishPosition, IDC_OPEN_FAQ);
    m_wizard.Click(IDCANCEL);
    EXPECT_TRUE(m_wizard.Ended());
    HWND viewer = ::FindWindowW(kViewerWindowClass, nullptr);
    ASSERT_NE(viewer, nullptr) << "the viewer's window did not appear";
    DWORD processId = 0;
    ::GetWindowThreadProcessId(viewer, &processId);
    EXPECT_NE(processId, ::GetCurrentProcessId()) << "a process of its own";
    wchar_t image[MAX_PATH] = {};
    DWORD imageChars = MAX_PATH;
    UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, processId));
    ASSERT_TRUE(process);
    ASSERT_TRUE(::QueryFullProcessImageNameW(process.get(), 0, image, &imageChars));
    EXPECT_EQ(::CompareStringOrdinal(image, -1, (destination + L"\\ph_tav64.exe").c_str(), -1, TRUE), CSTR_EQUAL)
        << Narrow(image);

    ::PostMessageW(viewer, WM_CLOSE, 0, 0);
    EXPECT_EQ(::WaitForSingleObject(process.get(), kViewerExitMs), WAIT_OBJECT_0);
}

} // namespace
} // namespace ph::test
