// The install run in-process, with the default payload embedded in this test program: the
// wizard's confirmation of associations and how the wizard is told about failures.
#include "base/scoped_override.h"
#include "engine/install_run.h"
#include "platform/probes.h"
#include "res/resource.h"
#include "support/test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace ph::test {
namespace {

constexpr wchar_t kCaption[] = L"Photavian 64-bit Setup";
constexpr wchar_t kUserChoiceOfBmp[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.bmp\\UserChoice";

// What the run showed in message boxes, and the answer the user gives.
struct MessageBoxLog {
    int calls = 0;
    std::wstring text;
    std::wstring caption;
    UINT type = 0;
    int answer = IDOK;
};
MessageBoxLog g_boxes;

int RecordMessageBox(HWND, const wchar_t* text, const wchar_t* caption, UINT type)
{
    ++g_boxes.calls;
    g_boxes.text = text;
    g_boxes.caption = caption;
    g_boxes.type = type;
    return g_boxes.answer;
}

std::wstring DefaultValue(HKEY hive, const wchar_t* key)
{
    wchar_t value[260] = {};
    LONG bytes = sizeof(value);
    return ::RegQueryValueW(hive, key, value, &bytes) == ERROR_SUCCESS ? value : L"";
}

class InstallRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_hives.ok());
        ::GetCurrentDirectoryW(MAX_PATH, m_previousDirectory);
        g_boxes = MessageBoxLog{};
    }
    void TearDown() override
    {
        // The extraction leaves the destination as the current directory.
        ::SetCurrentDirectoryW(m_previousDirectory);
    }

    // A wizard run into the scratch folder asking for the image types.
    InstallOptions WizardOptions(const std::wstring& destination)
    {
        InstallOptions options;
        CopyTextCut(options.destinationFolder, destination.c_str());
        CopyTextCut(options.caption, kCaption);
        options.silent = 0;
        options.associate = 1;
        for (std::size_t i = 0; i < kImageRowCount; ++i) {
            options.associationFlags[i] = 1;
        }
        return options;
    }

    RedirectedHives m_hives;
    ScratchFolder m_folder{L"install_run"};
    wchar_t m_previousDirectory[MAX_PATH] = {};
    ScopedOverride<decltype(PlatformSeams::messageBox)> m_boxes{Seams().messageBox, RecordMessageBox};
};

TEST_F(InstallRun, WizardAsksOnceBeforeAssociating)
{
    g_boxes.answer = IDYES;
    InstallOptions options = WizardOptions(m_folder / L"yes");

    EXPECT_EQ(RunInstallation(options), 1);

    EXPECT_EQ(g_boxes.calls, 1);
    EXPECT_EQ(g_boxes.text, ResourceString(IDS_CONFIRM_ASSOC));
    EXPECT_EQ(g_boxes.caption, kCaption);
    EXPECT_EQ(g_boxes.type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
    EXPECT_EQ(options.associate, 1);
    EXPECT_EQ(DefaultValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\.bmp"), L"Photavian.bmp");
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kUserChoiceOfBmp));
}

TEST_F(InstallRun, WizardAnswerNoInstallsWithoutAssociations)
{
    g_boxes.answer = IDNO;
    InstallOptions options = WizardOptions(m_folder / L"no");

    EXPECT_EQ(RunInstallation(options), 1);

    EXPECT_EQ(g_boxes.calls, 1);
    EXPECT_EQ(options.associate, 0);
    for (int flag : options.associationFlags) {
        EXPECT_EQ(flag, 0);
    }
    EXPECT_TRUE(FileExists(m_folder / L"no\\ph_tav64.exe")) << "the installation itself goes on";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\.bmp"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUserChoiceOfBmp));
    // The always-claimed types and the product's classes are written all the same.
    EXPECT_EQ(DefaultValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\.jpg"), L"Photavian.jpg");
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Photavian.bmp"));
}

TEST_F(InstallRun, SilentRunNeverAsks)
{
    InstallOptions options = WizardOptions(m_folder / L"silent");
    options.silent = 1;

    EXPECT_EQ(RunInstallation(options), 1);

    EXPECT_EQ(g_boxes.calls, 0);
    EXPECT_EQ(options.associate, 1);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kUserChoiceOfBmp));
}

TEST_F(InstallRun, WizardShowsAFailureOnceWithTheErrorIcon)
{
    ASSERT_TRUE(WriteFileBytes(m_folder / L"file", "a file, not a folder"));
    struct Case {
        std::wstring destination;
        UINT stringId;
    };
    const Case cases[] = {
        {L"", IDS_INVALID_DEST},
        // Only blanks: trimmed to nothing while the folder is made, so it cannot be created.
        {L"    ", IDS_CREATE_DEST_FAILED},
        {m_folder / L"file\\sub", IDS_CREATE_DEST_FAILED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.destination));
        g_boxes = MessageBoxLog{};
        InstallOptions options = WizardOptions(c.destination);

        EXPECT_EQ(RunInstallation(options), 0);

        EXPECT_EQ(g_boxes.calls, 1);
        EXPECT_EQ(g_boxes.text, ResourceString(c.stringId)) << "the wizard shows the message alone";
        EXPECT_EQ(g_boxes.caption, kCaption);
        EXPECT_EQ(g_boxes.type, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Photavian"));
    }
}

} // namespace
} // namespace ph::test
