// What deployment tools rely on: one setup at a time, the verbose log of "/log=", and the usage
// shown for "/?" and "/help".
#include "e2e/e2e_support.h"

#include "platform/setup_lock.h"
#include "res/resource.h"

#include <random>

namespace ph::test {
namespace {

const std::string kSetupRunning =
    "Another Photavian setup is running!\r\nPlease wait until it has finished and try again.";

// The text of a message box: its static text control.
std::wstring MessageBoxText(HWND box)
{
    wchar_t text[2048] = {};
    ::GetDlgItemTextW(box, 0xFFFF, text, 2048);
    return text;
}

class Deployment : public ::testing::Test {
protected:
    void SetUp() override { Forget(); }
    void TearDown() override { Forget(); }
    static void Forget()
    {
        ForgetProductRegistration();
        DeleteMachineTree(L"SOFTWARE\\RegisteredApplications");
    }

    ScratchFolder m_start{L"deployment_start"};
    ScratchFolder m_target{L"deployment_target"};
};

TEST_F(Deployment, ASecondSetupWaitsItsTurn)
{
    // A setup program whose payload takes a while to write: 24 MB that do not compress.
    std::mt19937 random(1618);
    std::string big(24u << 20, '\0');
    for (char& c : big) {
        c = static_cast<char>(random());
    }
    std::wstring exe = m_target / L"setup-big.exe";
    ASSERT_TRUE(CopySetupWithPayload(exe, ArchiveBuilder().File("big.bin", big).File("small.txt", "small").Bytes()));

    // The first holds the lock from before it creates its folder until it ends: once the folder
    // is there, the first is held still while the second starts. (Probing the lock from here would
    // take it for a moment and could turn the first away.)
    StartedSetup first = StartSetup(L"/silent /folder=" + m_target.Path() + L"\\App", m_start.Path(), exe);
    ASSERT_TRUE(first.process);
    const ULONGLONG deadline = ::GetTickCount64() + 30000; // a loaded machine starts programs slowly
    while (!FolderExists(m_target / L"App") && ::GetTickCount64() < deadline
           && ::WaitForSingleObject(first.process.get(), 0) == WAIT_TIMEOUT) {
        ::Sleep(1);
    }
    ASSERT_TRUE(FolderExists(m_target / L"App"))
        << "the first setup did not start; it exited with " << WaitForExit(first);
    ASSERT_NE(::SuspendThread(first.thread.get()), static_cast<DWORD>(-1));
    int second = RunSetup(L"/silent /folder=" + m_target.Path() + L"\\App", m_start.Path(), exe);
    ::ResumeThread(first.thread.get());

    EXPECT_EQ(WaitForExit(first), kExitInstalled);
    EXPECT_EQ(second, kExitAnotherSetupRunning);
    std::vector<std::string> messages = LogMessages(m_start.Path());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], kSetupRunning);
    EXPECT_EQ(ReadFileBytes(m_target / L"App\\big.bin"), big) << "the first run's installation is intact";
    EXPECT_EQ(ReadFileBytes(m_target / L"App\\small.txt"), "small");
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

TEST_F(Deployment, WhileAnotherSetupRunsNeitherModeStarts)
{
    // This process holds the lock, as a running setup would.
    SetupLock held;
    ASSERT_TRUE(held.Owned());

    EXPECT_EQ(RunSetup(L"/silent /folder=" + m_target.Path() + L"\\App", m_start.Path()), kExitAnotherSetupRunning);
    std::vector<std::string> messages = LogMessages(m_start.Path());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], kSetupRunning);
    EXPECT_TRUE(ListTree(m_target.Path()).empty());

    // The wizard says so in a message box instead, and ends without a sheet.
    StartedSetup wizard = StartSetup(L"", m_start.Path());
    HWND box = WaitForDialogOfProcess(wizard.processId, IDOK);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), ResourceString(IDS_SETUP_RUNNING));
    EXPECT_EQ(FindDialogOfProcess(wizard.processId, kNextButtonId), nullptr);
    ClickInOtherProcess(box, IDOK);
    EXPECT_EQ(WaitForExit(wizard), kExitAnotherSetupRunning);
    EXPECT_EQ(LogMessages(m_start.Path()).size(), 1u) << "the wizard writes no log";
}

TEST_F(Deployment, ALockThatCannotBeMadeIsAnyOtherFailureNotAnotherSetup)
{
    // Under Wine the lock is a file in the Windows folder: a folder of its name cannot be opened
    // as the lock file.
    wchar_t windows[MAX_PATH] = {};
    ASSERT_NE(::GetSystemWindowsDirectoryW(windows, MAX_PATH), 0u);
    const std::wstring blocked = std::wstring(windows) + L"\\" + kSetupLockFileName.text;
    ASSERT_NE(::CreateDirectoryW(blocked.c_str(), nullptr), FALSE);
    const int exitCode = RunSetup(L"/silent /folder=" + m_target.Path() + L"\\App", m_start.Path());
    ::RemoveDirectoryW(blocked.c_str());

    EXPECT_EQ(exitCode, kExitInstallFailure);
    std::vector<std::string> messages = LogMessages(m_start.Path());
    ASSERT_EQ(messages.size(), 1u);
    const std::string text = Narrow(ResourceString(IDS_SETUP_LOCK_FAILED));
    EXPECT_EQ(messages[0].rfind(text.substr(0, text.find('%')), 0), 0u) << messages[0];
    EXPECT_EQ(messages[0].find('%'), std::string::npos) << "the system's error is filled in: " << messages[0];
    EXPECT_TRUE(ListTree(m_target.Path()).empty());
}

TEST_F(Deployment, HelpShowsTheSwitchesAndEnds)
{
    for (const wchar_t* help : {L"/?", L"/help", L"/HELP"}) {
        SCOPED_TRACE(Narrow(help));
        StartedSetup setup = StartSetup(help, m_start.Path());
        HWND box = WaitForDialogOfProcess(setup.processId, IDOK);
        ASSERT_NE(box, nullptr);
        wchar_t caption[64] = {};
        ::GetWindowTextW(box, caption, 64);
        EXPECT_EQ(std::wstring(caption), L"Photavian 64-bit Setup");
        EXPECT_EQ(MessageBoxText(box), ResourceString(IDS_USAGE));
        EXPECT_NE(MessageBoxText(box).find(L"/log=PATH"), std::wstring::npos);
        EXPECT_EQ(FindDialogOfProcess(setup.processId, kNextButtonId), nullptr) << "no wizard";
        ClickInOtherProcess(box, IDOK);
        EXPECT_EQ(WaitForExit(setup), kExitInstalled);
    }
    EXPECT_FALSE(FolderExists(L"C:\\Program Files\\Photavian"));
    // With "/silent" the switch means nothing: the run installs.
    EXPECT_EQ(RunSetup(L"/silent /? /folder=" + m_target.Path() + L"\\App", m_start.Path()), kExitInstalled);
    EXPECT_TRUE(FileExists(m_target / L"App\\ph_tav64.exe"));
}

// ---- the verbose log ---------------------------------------------------------------------------

TEST_F(Deployment, TheVerboseLogNamesWhatFailedAndCountsWhatWasInstalled)
{
    // A run that stops: one entry's file is held open by another process.
    const std::wstring app = m_target / L"App";
    ASSERT_NE(::CreateDirectoryW(app.c_str(), nullptr), FALSE);
    ASSERT_TRUE(WriteFileBytes(app + L"\\readme.txt", "held open"));
    {
        UniqueFile held(::CreateFileW((app + L"\\readme.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        EXPECT_EQ(RunSetup(L"/silent /folder=" + app + L" /log=blocked.log", m_start.Path()), kExitFileInUse);
    }
    std::vector<std::string> lines = VerboseLogLines(m_start / L"blocked.log");
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(HasLine(lines, "command line: ")) << "the command line";
    EXPECT_TRUE(HasLine(lines, "redirection trust: on")) << "Wine takes the policy (without enforcing it)";
    EXPECT_TRUE(HasLine(lines, "options: destinationFolder \"" + Narrow(app) + "\", startMenuGroup 0"));
    EXPECT_TRUE(HasLine(lines, "file readme.txt: in use by another process, cannot be replaced: error 32: "));
    EXPECT_TRUE(HasLine(lines, "file ph_tav64.exe: "));
    EXPECT_EQ(lines.back().rfind("result: not installed, exit code 32; ", 0), 0u) << lines.back();
    EXPECT_EQ(LogMessages(m_start.Path()).size(), 1u) << "the install log keeps its one entry";

    // A run that installs, where the list of registered applications is missing: the log says
    // which value was skipped, and its counts are what the installation holds.
    RemoveTree(app);
    EXPECT_EQ(RunSetup(L"/silent /desktop=1 /ini= /folder=" + app + L" /log=" + m_start.Path() + L"\\full.log",
                       m_start.Path()),
              kExitInstalled);
    lines = VerboseLogLines(m_start / L"full.log");
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(HasLine(lines, "registry: open HKLM\\SOFTWARE\\RegisteredApplications failed: error 2: "));
    EXPECT_TRUE(HasLine(lines, "registry: HKLM\\SOFTWARE\\RegisteredApplications\\Photavian skipped"));
    EXPECT_TRUE(HasLine(lines,
                        "registry: set HKLM\\SOFTWARE\\Classes\\Photavian\\shell\\open\\command\\(default) = "
                        "\"\""
                            + Narrow(app) + "\\ph_tav64.exe\" \"%1\"\": ok"));
    EXPECT_TRUE(HasLine(lines, "settings: display "));
    EXPECT_TRUE(HasLine(lines, "shortcuts: ") || HasLine(lines, "shortcut "));
    std::size_t files = 0;
    for (const std::wstring& entry : ListTree(app)) {
        files += entry.back() != L'\\' && entry != L"ph_tav64.ini" ? 1 : 0;
    }
    const std::string summary = "result: installed, exit code 0; " + std::to_string(files) + " files, ";
    EXPECT_EQ(lines.back().rfind(summary, 0), 0u) << lines.back();
    EXPECT_NE(lines.back().find(", 1 shortcuts; "), std::string::npos) << lines.back();
}

TEST_F(Deployment, WithoutTheLogSwitchNoVerboseLogIsWritten)
{
    EXPECT_EQ(RunSetup(L"/silent /folder=" + m_target.Path() + L"\\App", m_start.Path()), kExitInstalled);
    EXPECT_TRUE(ListTree(m_start.Path()).empty());
    // A log that cannot be opened leaves the run as it is.
    ASSERT_NE(::CreateDirectoryW((m_start / L"taken.log").c_str(), nullptr), FALSE);
    EXPECT_EQ(RunSetup(L"/silent /folder=" + m_target.Path() + L"\\App /log=taken.log", m_start.Path()),
              kExitInstalled);
    EXPECT_TRUE(FolderExists(m_start / L"taken.log"));
    // Nor can a log planted as a link: what it leads to is neither appended to nor truncated.
    ScratchFolder victims(L"deployment_victims");
    ASSERT_TRUE(WriteFileBytes(victims / L"win.ini", "[fonts]\r\n"));
    ASSERT_TRUE(PlantLink(m_start / L"planted.log", victims / L"win.ini"));
    EXPECT_EQ(RunSetup(L"/silent /folder=" + m_target.Path() + L"\\App /log=planted.log", m_start.Path()),
              kExitInstalled);
    EXPECT_EQ(ReadFileBytes(victims / L"win.ini"), "[fonts]\r\n");
    EXPECT_EQ(ListTree(victims.Path()), std::vector<std::wstring>{L"win.ini"});
    EXPECT_TRUE(FileExists(m_target / L"App\\ph_tav64.exe"));
}

} // namespace
} // namespace ph::test
