// Silent installations by the real setup program: defaults, switches, failures and the log.
#include "e2e/e2e_support.h"

#include "base/handles.h"
#include "base/resources.h"
#include "res/resource.h"

#include <cstring>
#include <unzip.h>
#include <iowin32.h>

namespace ph::test {
namespace {

struct PayloadEntry {
    std::wstring path; // with backslashes
    bool folder;
    std::uint32_t dosDateTime;
    unsigned long long size;
};

// The entries of the archive that the setup program carries.
std::vector<PayloadEntry> ReadPayloadEntries()
{
    std::vector<PayloadEntry> entries;
    for (const StoredEntry& stored : ReadProgramPayload()) {
        std::wstring wide(stored.name.begin(), stored.name.end());
        for (wchar_t& c : wide) {
            c = c == L'/' ? L'\\' : c;
        }
        entries.push_back({wide, stored.folder, stored.dosDateTime, stored.data.size()});
    }
    return entries;
}

class SilentInstall : public ::testing::Test {
protected:
    void SetUp() override { ForgetProductRegistration(); }
    void TearDown() override { ForgetProductRegistration(); }

    ScratchFolder m_start{L"start"}; // the directory the installer is started from
};

TEST_F(SilentInstall, BareSilentInstallsEveryPayloadEntryIntoTheProgramFilesFolder)
{
    ASSERT_EQ(RunSetup(L"/silent", m_start.Path()), 0);

    const std::wstring target = L"C:\\Program Files\\Photavian";
    std::vector<PayloadEntry> entries = ReadPayloadEntries();
    ASSERT_EQ(entries.size(), 41u);
    for (const PayloadEntry& e : entries) {
        std::wstring path = target + L"\\" + e.path;
        if (e.folder) {
            EXPECT_TRUE(FolderExists(path)) << Narrow(e.path);
            continue;
        }
        EXPECT_EQ(FileSize(path), static_cast<long long>(e.size)) << Narrow(e.path);
        // The archive's time stamp, not the time of installation.
        EXPECT_EQ(LastWriteDosTime(path), e.dosDateTime) << Narrow(e.path);
    }
    // Nothing but the payload and the settings file (the plugins folder is part of the payload).
    EXPECT_TRUE(FileExists(target + L"\\ph_tav64.ini"));
    std::size_t files = 0;
    for (const std::wstring& p : ListTree(target)) {
        files += p.back() != L'\\' ? 1 : 0;
    }
    std::size_t payloadFiles = 0;
    for (const PayloadEntry& e : entries) {
        payloadFiles += e.folder ? 0 : 1;
    }
    EXPECT_EQ(files, payloadFiles + 1);

    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    EXPECT_FALSE(FileExists(std::wstring(temp) + L"phtav_x64.zip")) << "staging archive left behind";
    EXPECT_FALSE(FileExists(m_start / L"Photavian_Install.log")) << "a successful run writes no log";
}

TEST_F(SilentInstall, BareSilentInstallsOverTheRegisteredInstallation)
{
    ScratchFolder existing(L"existing");
    RegisterViewerAt(existing.Path() + L"\\Viewer\\");

    ASSERT_EQ(RunSetup(L"/silent", m_start.Path()), 0);

    EXPECT_TRUE(FileExists(existing / L"Viewer\\ph_tav64.exe"));
    EXPECT_TRUE(FileExists(existing / L"Viewer\\Plugins\\Icons.dll"));
    EXPECT_FALSE(FolderExists(L"C:\\Program Files\\Photavian"));
}

TEST_F(SilentInstall, FolderSwitchChoosesTheDestination)
{
    ScratchFolder target(L"folder_switch");
    struct Case {
        std::wstring switches;
        std::wstring installedViewer;
    };
    const Case cases[] = {
        // Quotes and the blank before the next switch are removed.
        {L"/silent /folder=\"" + target.Path() + L"\\My Apps\" /group=0", target / L"My Apps\\ph_tav64.exe"},
        // Blanks before inner backslashes are removed from every level.
        {L"/silent /folder=" + target.Path() + L"\\Pho  \\Sub \\x", target / L"Pho\\Sub\\x\\ph_tav64.exe"},
        // A value ends at the first slash: the rest is a (here unknown) switch.
        {L"/silent /folder=" + target.Path() + L"\\cut/away", target / L"cut\\ph_tav64.exe"},
        // Only the first occurrence counts.
        {L"/silent /folder=" + target.Path() + L"\\first /folder=" + target.Path() + L"\\second",
         target / L"first\\ph_tav64.exe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.switches));
        EXPECT_EQ(RunSetup(c.switches, m_start.Path()), 0);
        EXPECT_TRUE(FileExists(c.installedViewer));
    }
    EXPECT_FALSE(FolderExists(target / L"second"));
    EXPECT_FALSE(FolderExists(L"C:\\Program Files\\Photavian"));
}

TEST_F(SilentInstall, EmptyFolderValueIsAnInvalidDestination)
{
    const wchar_t* lines[] = {L"/silent /folder=/desktop=1", L"/silent /folder=", L"/silent /folder=    ",
                              L"/silent /folder=\"\""};
    for (const wchar_t* line : lines) {
        SCOPED_TRACE(Narrow(line));
        ScratchFolder start(L"empty_start");
        EXPECT_EQ(RunSetup(line, start.Path()), kExitInvalidDestination);
        std::vector<std::string> messages = LogMessages(start.Path());
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0], kInvalidDestination + ": ");
    }
    EXPECT_FALSE(FolderExists(L"C:\\Program Files\\Photavian"));
}

TEST_F(SilentInstall, UncreatableDestinationIsReportedWithTheNormalisedFolder)
{
    ScratchFolder target(L"uncreatable");
    ASSERT_TRUE(WriteFileBytes(target / L"file.txt", "a file, not a folder"));

    EXPECT_EQ(RunSetup(L"/silent /folder=" + target.Path() + L"\\file.txt \\sub", m_start.Path()), kExitAccessDenied);

    std::vector<std::string> messages = LogMessages(m_start.Path());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], kCannotCreateDestination + ": " + Narrow(target.Path()) + "\\file.txt\\sub\\");
}

TEST_F(SilentInstall, RunningViewerRefusesTheInstallation)
{
    FakeViewerWindow viewer;
    ASSERT_TRUE(viewer.Exists());
    ScratchFolder target(L"refused");

    EXPECT_EQ(RunSetup(L"/silent /folder=" + target.Path() + L"\\dest", m_start.Path()), kExitViewerRunning);

    std::vector<std::string> messages = LogMessages(m_start.Path());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], kViewerRunning);
    EXPECT_FALSE(FolderExists(target / L"dest"));
}

TEST_F(SilentInstall, FailedRunsAppendTheirEntriesOldestFirst)
{
    EXPECT_EQ(RunSetup(L"/silent /folder=", m_start.Path()), kExitInvalidDestination);
    {
        FakeViewerWindow viewer;
        EXPECT_EQ(RunSetup(L"/silent /folder=", m_start.Path()), kExitViewerRunning);
    }
    std::vector<std::string> messages = LogMessages(m_start.Path());
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], kInvalidDestination + ": ");
    EXPECT_EQ(messages[1], kViewerRunning);
}

TEST_F(SilentInstall, DestinationWithoutRoomForTheViewerPathIsRefused)
{
    // 247 characters of folder, a backslash and "ph_tav64.exe" need 260: one too many. The payload's
    // deepest file needs more: 217 characters of folder, a backslash, "Toolbars\gnome-colors-
    // human_48.png" (34) and the staged name's ".ph-new" (7) make 259, the most a path may have.
    ScratchFolder target(L"long");
    const std::wstring base = target.Path() + L"\\";
    struct Case {
        std::size_t folderChars;
        bool installs;
    };
    const Case cases[] = {{247, false}, {218, false}, {217, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folderChars);
        const std::wstring folder = base + std::wstring(c.folderChars - base.size(), L'x');
        RemoveTree(m_start / L"Photavian_Install.log");
        if (!c.installs) {
            EXPECT_EQ(RunSetup(L"/silent /folder=" + folder, m_start.Path()), kExitInvalidDestination);
            std::vector<std::string> messages = LogMessages(m_start.Path());
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0], kInvalidDestination + ": " + Narrow(folder));
            EXPECT_FALSE(FolderExists(folder));
            continue;
        }
        EXPECT_EQ(RunSetup(L"/silent /folder=" + folder, m_start.Path()), 0);
        EXPECT_TRUE(FileExists(folder + L"\\Toolbars\\gnome-colors-human_48.png"));
    }
}

TEST_F(SilentInstall, WithoutSilentNothingIsInstalled)
{
    // "/Silent" is not the silent switch: the wizard opens, and leaving it installs nothing.
    StartedSetup setup = StartSetup(L"/Silent", m_start.Path());
    ASSERT_TRUE(setup.process);

    // The wizard's sheet has the Next button of wizard mode.
    HWND sheet = WaitForDialogOfProcess(setup.processId, kNextButtonId);
    EXPECT_NE(sheet, nullptr) << "the wizard did not open";
    if (sheet != nullptr) {
        ClickInOtherProcess(sheet, IDCANCEL);
        HWND question = WaitForDialogOfProcess(setup.processId, IDYES);
        EXPECT_NE(question, nullptr) << "Exit did not ask";
        if (question != nullptr) {
            ClickInOtherProcess(question, IDYES);
        }
    }
    EXPECT_EQ(WaitForExit(setup, 30000), kExitUserExit) << "left without installing";
    EXPECT_FALSE(FolderExists(L"C:\\Program Files\\Photavian"));
    EXPECT_FALSE(FileExists(m_start / L"Photavian_Install.log"));
}

} // namespace
} // namespace ph::test
