// Unfriendly input to the real setup program: relative, over-long and cut destinations,
// destinations that cannot be installed into, a long start folder, a full disk and a tiny
// temporary folder. Every run either installs completely where it was asked to, or exits non-zero
// with one log entry in the start folder and nothing registered.
#include "e2e/e2e_support.h"
#include "support/shortcut_file.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace ph::test {
namespace {

constexpr wchar_t kDesktopLinkName[] = L"Photavian 64.lnk";

std::wstring DesktopLink()
{
    return ShellFolder(CSIDL_DESKTOPDIRECTORY) + L"\\" + kDesktopLinkName;
}

class HostileInput : public ::testing::Test {
protected:
    void SetUp() override { Forget(); }
    void TearDown() override { Forget(); }

    static void Forget()
    {
        ForgetProductRegistration();
        ::DeleteFileW(DesktopLink().c_str());
    }

    // What a stopped run leaves: its exit code, one log entry in the start folder, and nothing
    // registered.
    static void ExpectStopped(int exitCode, int expectedCode, const std::wstring& start, const std::string& entry)
    {
        EXPECT_EQ(exitCode, expectedCode);
        std::vector<std::string> messages = LogMessages(start);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0], entry);
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductClassKey));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
        EXPECT_FALSE(FileExists(DesktopLink()));
        RemoveTree(start + L"\\Photavian_Install.log");
    }

    // Files, settings, registration and the desktop shortcut all name folder (ending in a
    // backslash), and no settings file went anywhere else inside it.
    static void ExpectInstalledAt(const std::wstring& folder)
    {
        const std::wstring viewer = folder + L"ph_tav64.exe";
        EXPECT_TRUE(FileExists(viewer));
        EXPECT_TRUE(FileExists(folder + L"ph_tav64.ini"));
        std::vector<std::wstring> tree = ListTree(folder);
        EXPECT_EQ(std::count_if(tree.begin(), tree.end(),
                                [](const std::wstring& p) { return p.find(L"ph_tav64.ini") != std::wstring::npos; }),
                  1);
        ExpectRegistryHoldsPlan(ExpectedRegistryPlan(folder, false));
        std::optional<Shortcut> link = ReadShortcut(DesktopLink());
        ASSERT_TRUE(link.has_value());
        EXPECT_EQ(link->target, viewer);
    }

    ScratchFolder m_start{L"hostile_start"};
};

TEST_F(HostileInput, RelativeDestinationsAreTakenFromTheStartFolderOnce)
{
    struct Case {
        std::wstring folder;
        std::wstring installed;
    };
    const std::wstring start = m_start.Path() + L"\\";
    const Case cases[] = {
        {L"relapp", start + L"relapp\\"},
        {L".\\one\\..\\two", start + L"two\\"},
        {L"\\ph_tests\\hostile_start\\rooted", start + L"rooted\\"},
        {L"C:driverel", start + L"driverel\\"},
        {L"  blank  \\in ner  ", start + L"blank\\in ner\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.folder));
        EXPECT_EQ(RunSetup(L"/silent /desktop=1 /folder=" + c.folder, m_start.Path()), 0);
        ExpectInstalledAt(c.installed);
        EXPECT_FALSE(FileExists(m_start / L"Photavian_Install.log"));
    }

    // A relative installation folder read back from the registry is taken the same way.
    RegisterViewerAt(L"fromregistry\\");
    EXPECT_EQ(RunSetup(L"/silent /desktop=1", m_start.Path()), 0);
    ExpectInstalledAt(start + L"fromregistry\\");
}

TEST_F(HostileInput, DestinationsThatCannotBeInstalledInto)
{
    ScratchFolder target(L"hostile_target");
    ASSERT_TRUE(WriteFileBytes(target / L"file.txt", "a file, not a folder"));
    struct Case {
        std::wstring folder;
        int exitCode;
        std::string entry;
    };
    const std::string file = Narrow(target / L"file.txt");
    const Case cases[] = {
        {target / L"file.txt", kExitAccessDenied, kCannotCreateDestination + ": " + file + "\\"},
        {L"Q:\\Apps\\Photavian", kExitAccessDenied, kCannotCreateDestination + ": Q:\\Apps\\Photavian\\"},
        {L"\\\\nosuchserver\\share\\Photavian", kExitAccessDenied,
         kCannotCreateDestination + ": \\\\nosuchserver\\share\\Photavian\\"},
        // Device names open the device, never a folder.
        {L"C:\\Apps\\CON", kExitInvalidDestination, kInvalidDestination + ": C:\\Apps\\CON"},
        {L"C:\\Apps\\nul.txt\\x", kExitInvalidDestination, kInvalidDestination + ": C:\\Apps\\nul.txt\\x"},
        {L"\\\\.\\C:\\Apps", kExitInvalidDestination, kInvalidDestination + ": \\\\.\\C:\\Apps"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.folder));
        ExpectStopped(RunSetup(L"/silent /desktop=1 /folder=" + c.folder, m_start.Path()), c.exitCode, m_start.Path(),
                      c.entry);
        EXPECT_FALSE(FolderExists(L"C:\\Apps"));
    }
    EXPECT_EQ(ReadFileBytes(target / L"file.txt"), "a file, not a folder");
}

TEST_F(HostileInput, ACommandLineCutThroughTheFolderIsRefused)
{
    ScratchFolder target(L"hostile_cut");
    // The exe's path, the switches and the padding put the folder value across character 519, and
    // in the second line the whole switch beyond it.
    const std::wstring head = L"\"" + SetupExePath() + L"\" /silent /desktop=1 /pad=";
    for (std::size_t folderStart : {500u, 530u}) {
        SCOPED_TRACE(folderStart);
        std::wstring line = head + std::wstring(folderStart - head.size() - 1, L'p') + L" /folder=" + target.Path()
            + L"\\App";
        ExpectStopped(RunProcess(line, m_start.Path()), kExitInvalidDestination, m_start.Path(),
                      kInvalidDestination + ": ");
        EXPECT_TRUE(ListTree(target.Path()).empty());
        EXPECT_FALSE(FolderExists(L"C:\\Program Files\\Photavian"));
    }
}

TEST_F(HostileInput, AStartFolderLongerThanAPathKeepsTheLogThere)
{
    // A start folder of 250 characters: the log's path is longer than a path buffer.
    std::wstring start = L"C:\\ph_tests\\hostile_long";
    RemoveTree(start);
    ::CreateDirectoryW(start.c_str(), nullptr);
    while (start.size() < 250) {
        start += L"\\" + std::wstring(std::min<std::size_t>(60, 249 - start.size()), L's');
        ASSERT_NE(::CreateDirectoryW(start.c_str(), nullptr), FALSE) << start.size();
    }
    ASSERT_EQ(start.size(), 250u);

    // A relative destination there is too long once made absolute.
    ExpectStopped(RunSetup(L"/silent /folder=rel", start), kExitInvalidDestination, start,
                  kInvalidDestination + ": " + Narrow(start) + "\\rel");

    // The extraction enters the destination before it fails: the entry still lands in the start
    // folder.
    ScratchFolder work(L"hostile_long_work");
    std::wstring exe = work / L"setup-damaged.exe";
    ASSERT_TRUE(CopySetupWithPayload(exe, ArchiveBuilder().FileWithWrongCrc("a.txt", "alpha").Bytes()));
    ExpectStopped(RunSetup(L"/silent /folder=" + work.Path() + L"\\dest", start, exe), kExitInstallFailure, start,
                  Narrow(work.Path()) + "\\dest\\: " + kCannotInstallAllFiles);
    EXPECT_FALSE(FileExists(work / L"dest\\Photavian_Install.log"));
    RemoveTree(L"C:\\ph_tests\\hostile_long");
}

// ---- a small drive ---------------------------------------------------------------------------

// The tests below need the small drive that tests/e2e/run-e2e.sh gives this program (a tmpfs).
class SmallDrive : public HostileInput {
protected:
    void SetUp() override
    {
        m_root = SmallDriveRoot();
        if (m_root.empty()) {
            GTEST_SKIP() << "no small drive: run through tests/e2e/run-e2e.sh";
        }
        HostileInput::SetUp();
        ClearDrive();
    }
    void TearDown() override
    {
        ClearDrive();
        HostileInput::TearDown();
    }

    void ClearDrive()
    {
        for (const std::wstring& entry : ListTree(m_root)) {
            if (entry.find(L'\\') == entry.size() - 1 || entry.find(L'\\') == std::wstring::npos) {
                RemoveTree(m_root + entry);
            }
        }
    }

    // Fills the drive until no more than leftBytes stay free.
    void FillDriveLeaving(unsigned long long leftBytes)
    {
        ULARGE_INTEGER free{};
        ASSERT_NE(::GetDiskFreeSpaceExW(m_root.c_str(), &free, nullptr, nullptr), FALSE);
        ASSERT_GT(free.QuadPart, leftBytes);
        UniqueFile filler(::CreateFileW((m_root + L"filler.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(filler);
        const std::string block(4096, 'f');
        for (unsigned long long left = free.QuadPart - leftBytes; left > 0;) {
            DWORD chunk = static_cast<DWORD>(std::min<unsigned long long>(left, block.size()));
            DWORD written = 0;
            ASSERT_NE(::WriteFile(filler.get(), block.data(), chunk, &written, nullptr), FALSE);
            left -= written;
        }
    }

    std::wstring m_root;
};

TEST_F(SmallDrive, AFullDiskDuringTheExtractionStopsTheRun)
{
    // The product does not fit at all: found before any file is written.
    FillDriveLeaving(64 * 1024);
    ExpectStopped(RunSetup(L"/silent /desktop=1 /folder=" + m_root + L"dest", m_start.Path()), kExitDiskFull,
                  m_start.Path(), Narrow(m_root) + "dest\\: " + kCannotInstallAllFiles);
    EXPECT_EQ(ListTree(m_root + L"dest"), std::vector<std::wstring>{L"Plugins\\"}) << "no file written";
    ClearDrive();

    // Small files fit their buffered writes but not the disk's blocks: the loss shows only when
    // each file is closed.
    ArchiveBuilder small;
    for (int i = 0; i < 12; ++i) {
        small.File(std::to_string(i) + ".txt", std::string(100, static_cast<char>('a' + i)));
    }
    ScratchFolder work(L"hostile_small_files");
    std::wstring exe = work / L"setup-small-files.exe";
    ASSERT_TRUE(CopySetupWithPayload(exe, small.Bytes()));
    FillDriveLeaving(16 * 1024);
    ExpectStopped(RunSetup(L"/silent /desktop=1 /folder=" + m_root + L"dest", m_start.Path(), exe), kExitDiskFull,
                  m_start.Path(), Narrow(m_root) + "dest\\: " + kCannotInstallAllFiles);
}

TEST_F(SmallDrive, NoRoomForAFolderIsAFullDisk)
{
    // The drive has bytes left but no room for another file or folder (its inodes are used up): a
    // folder that cannot be made names the full disk as the cause, for the destination itself and
    // for a folder of the payload.
    const std::wstring dest = m_root + L"dest";
    ScratchFolder work(L"hostile_no_folders");
    const std::wstring exe = work / L"setup-folder-first.exe";
    ASSERT_TRUE(CopySetupWithPayload(exe, ArchiveBuilder().Folder("sub/").File("sub/a.txt", "a").Bytes()));
    struct Case {
        const char* what;
        bool destinationMadeFirst;
        std::string entry;
    };
    const Case cases[] = {
        {"the destination", false, kCannotCreateDestination},
        {"a folder of the payload", true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ClearDrive();
        if (c.destinationMadeFirst) {
            ASSERT_NE(::CreateDirectoryW(dest.c_str(), nullptr), FALSE);
            ASSERT_NE(::CreateDirectoryW((dest + L"\\Plugins").c_str(), nullptr), FALSE);
        }
        UseUpFilesOf(m_root + L"many");
        const std::string entry = c.destinationMadeFirst ? Narrow(dest) + "\\: " + kCannotInstallAllFiles
                                                         : c.entry + ": " + Narrow(dest) + "\\";
        ExpectStopped(RunSetup(L"/silent /folder=" + dest, m_start.Path(), exe), kExitDiskFull, m_start.Path(), entry);
    }
}

TEST_F(SmallDrive, ATemporaryFolderTooSmallForThePayloadDoesNotMatter)
{
    ScratchFolder target(L"hostile_tiny_temp");
    ASSERT_NE(::CreateDirectoryW((m_root + L"temp").c_str(), nullptr), FALSE);
    FillDriveLeaving(8 * 1024);
    const std::wstring temp = m_root + L"temp";
    wchar_t savedTemp[MAX_PATH] = {};
    wchar_t savedTmp[MAX_PATH] = {};
    ::GetEnvironmentVariableW(L"TEMP", savedTemp, MAX_PATH);
    ::GetEnvironmentVariableW(L"TMP", savedTmp, MAX_PATH);
    ::SetEnvironmentVariableW(L"TEMP", temp.c_str());
    ::SetEnvironmentVariableW(L"TMP", temp.c_str());
    int exitCode = RunSetup(L"/silent /desktop=1 /folder=" + target.Path() + L"\\App", m_start.Path());
    ::SetEnvironmentVariableW(L"TEMP", savedTemp);
    ::SetEnvironmentVariableW(L"TMP", savedTmp);

    EXPECT_EQ(exitCode, 0);
    ExpectInstalledAt(target.Path() + L"\\App\\");
    EXPECT_TRUE(ListTree(temp).empty()) << "nothing is staged in the temporary folder";
}

TEST_F(SmallDrive, AFullDiskDuringTheSettingsConversionKeepsTheSettings)
{
    // An 8-bit settings file that already holds every key the run writes, too big to be copied as
    // UTF-16 into the space left.
    std::string settings =
        "[Language]\r\nDLL=ENGLISH\r\nLang=English\r\n[Toolbar]\r\nSkin=Halvint_24.png\r\nSize=24\r\n"
        "[Recent]\r\n";
    for (int i = 0; settings.size() < 200 * 1024; ++i) {
        settings += "File" + std::to_string(i) + "=C:\\Pictures\\picture number " + std::to_string(i) + ".jpg\r\n";
    }
    const std::wstring folder = m_root + L"settings";
    ASSERT_NE(::CreateDirectoryW(folder.c_str(), nullptr), FALSE);
    ASSERT_TRUE(WriteFileBytes(folder + L"\\ph_tav64.ini", settings));
    FillDriveLeaving(100 * 1024);

    ScratchFolder target(L"hostile_settings");
    EXPECT_EQ(RunSetup(L"/silent /desktop=1 /ini=" + folder + L" /folder=" + target.Path() + L"\\App", m_start.Path()),
              0);
    EXPECT_EQ(ReadFileBytes(folder + L"\\ph_tav64.ini"), settings);
    EXPECT_FALSE(FileExists(folder + L"\\ph_tav64.ini_temp"));
    EXPECT_TRUE(FileExists(target / L"App\\ph_tav64.exe"));
    EXPECT_FALSE(FileExists(m_start / L"Photavian_Install.log")) << "a later step's failure is not reported";
}

} // namespace
} // namespace ph::test
