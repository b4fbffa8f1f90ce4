// A damaged product archive or an unwritable target: the run reports that it could not install
// all files, exits with the code of the cause, and writes nothing outside the destination.
#include "e2e/e2e_support.h"

#include "base/handles.h"

namespace ph::test {
namespace {

class DamagedPayload : public ::testing::Test {
protected:
    // Earlier tests of this prefix may have registered an installation.
    void SetUp() override { ForgetProductRegistration(); }

    // Runs a copy of the setup program that carries the given archive; returns its exit code.
    int InstallArchive(const std::string& archive)
    {
        std::wstring exe = m_work / L"setup-copy.exe";
        EXPECT_TRUE(CopySetupWithPayload(exe, archive));
        RemoveTree(VerboseLog());
        return RunSetup(L"/silent /folder=" + Destination() + L" /log=" + VerboseLog(), m_start.Path(), exe);
    }

    std::wstring VerboseLog() const { return m_work / L"run.log"; }

    std::wstring Destination() const { return m_work / L"dest"; }

    void ExpectExtractionFailureLogged()
    {
        std::vector<std::string> messages = LogMessages(m_start.Path());
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0], Narrow(Destination()) + "\\: " + kCannotInstallAllFiles);
        EXPECT_FALSE(FileExists(Destination() + L"\\Photavian_Install.log")) << "log belongs in the start folder";
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        EXPECT_FALSE(FileExists(std::wstring(temp) + L"phtav_x64.zip"));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductClassKey)) << "nothing is registered after a stop";
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    }

    ScratchFolder m_start{L"damaged_start"};
    ScratchFolder m_work{L"damaged_work"};
};

TEST_F(DamagedPayload, ReplacedPayloadIsInstalledWhenSound)
{
    // The copy with a replaced payload installs exactly that payload: the other cases rely on it.
    std::string archive = ArchiveBuilder()
                              .Folder("docs/")
                              .File("docs/a.txt", "alpha")
                              .File("b.txt", "beta")
                              .Utf8File("caf\xC3\xA9.txt", "utf-8 name")
                              .Bytes();
    EXPECT_EQ(InstallArchive(archive), 0);
    EXPECT_EQ(ReadFileBytes(Destination() + L"\\docs\\a.txt"), "alpha");
    EXPECT_EQ(ReadFileBytes(Destination() + L"\\b.txt"), "beta");
    EXPECT_EQ(ReadFileBytes(Destination() + L"\\caf\u00e9.txt"), "utf-8 name");
    EXPECT_FALSE(FileExists(m_start / L"Photavian_Install.log"));
}

TEST_F(DamagedPayload, CrcMismatchIsAFailure)
{
    std::string archive =
        ArchiveBuilder().File("a.txt", "alpha").FileWithWrongCrc("b.txt", "beta").File("c.txt", "gamma").Bytes();
    EXPECT_EQ(InstallArchive(archive), kExitInstallFailure);
    ExpectExtractionFailureLogged();
    EXPECT_EQ(ListTree(Destination()), std::vector<std::wstring>{L"Plugins\\"}) << "not even the sound entry";
}

TEST_F(DamagedPayload, TruncatedArchiveIsAFailure)
{
    std::string archive = ArchiveBuilder().File("a.txt", std::string(5000, 'a')).File("b.txt", "beta").Bytes();
    archive.resize(archive.size() / 2);
    EXPECT_EQ(InstallArchive(archive), kExitInstallFailure);
    ExpectExtractionFailureLogged();
}

TEST_F(DamagedPayload, HostileEntriesAreNeverInstalled)
{
    // Each hostile entry stands between two sound ones. Nothing of such a payload is installed:
    // not the hostile entry, not the sound ones, and nothing outside the destination.
    struct Case {
        const char* what;
        ArchiveBuilder hostile;
        int exitCode = kExitInstallFailure;
        // A line of the verbose log naming the system error of the call that failed.
        const char* logged = nullptr;
    };
    const std::string data(20000, 'd');
    // An entry declaring 5 GB fails the space check before anything is written where the disk has
    // less free space, and the size check at that entry where it has more.
    ULARGE_INTEGER free{};
    ::GetDiskFreeSpaceExW(L"C:\\", &free, nullptr, nullptr);
    const bool fiveGbFit = free.QuadPart >= (5ull << 30) + 100000;
    const Case cases[] = {
        {"parent folder", ArchiveBuilder().File("../evil.txt", "evil")},
        {"parent folder deeper", ArchiveBuilder().File("docs/../../evil.txt", "evil")},
        {"drive", ArchiveBuilder().File("C:/ph_tests/damaged_work/evil.txt", "evil")},
        {"rooted", ArchiveBuilder().File("\\ph_tests\\damaged_work\\evil.txt", "evil")},
        {"device NUL.txt", ArchiveBuilder().File("NUL.txt", "evil")},
        {"device in a folder", ArchiveBuilder().File("Plugins/nul.txt", "evil")},
        {"device COM1", ArchiveBuilder().File("COM1", "evil")},
        {"folder entry over a file", ArchiveBuilder().File("d", "file").Folder("d/"), kExitInstallFailure,
         "folder d/: not created: error 183: "},
        {"invalid UTF-8 name", ArchiveBuilder().Utf8File("bad\xE9.txt", "evil")},
        {"declares more than its data", ArchiveBuilder().FileDeclaringSize("lies.bin", data, data.size() + 1, false)},
        {"stored, declares more", ArchiveBuilder().FileDeclaringSize("lies.bin", data, data.size() + 1, true)},
        {"ZIP64, declares 5 GB", ArchiveBuilder().FileDeclaringSize("lies.bin", data, 5ull << 30, false),
         fiveGbFit ? kExitInstallFailure : kExitDiskFull},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RemoveTree(Destination());
        RemoveTree(m_start / L"Photavian_Install.log");
        ArchiveBuilder whole;
        whole.File("before.txt", "before");
        whole.Append(c.hostile);
        whole.File("after.txt", "after");
        EXPECT_EQ(InstallArchive(whole.Bytes()), c.exitCode);
        ExpectExtractionFailureLogged();
        EXPECT_EQ(ListTree(Destination()), std::vector<std::wstring>{L"Plugins\\"});
        EXPECT_FALSE(FileExists(m_work / L"evil.txt"));
        EXPECT_FALSE(FileExists(L"C:\\evil.txt"));
        EXPECT_FALSE(FileExists(L"C:\\ph_tests\\evil.txt"));
        if (c.logged != nullptr) {
            EXPECT_TRUE(HasLine(VerboseLogLines(VerboseLog()), c.logged)) << c.logged;
        }
    }
}

TEST_F(DamagedPayload, UnwritableTargetsLeaveTheFolderAsItWas)
{
    // The real payload, with one target blocked by a folder and one held open without sharing.
    ASSERT_TRUE(::CreateDirectoryW(Destination().c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW((Destination() + L"\\p_about.txt").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(Destination() + L"\\readme.txt", "held open"));
    UniqueFile held(::CreateFileW((Destination() + L"\\readme.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);

    // A file held by another process outranks the other causes: the caller may retry later.
    EXPECT_EQ(RunSetup(L"/silent /folder=" + Destination(), m_start.Path()), kExitFileInUse);
    ExpectExtractionFailureLogged();
    held.reset();

    EXPECT_EQ(ReadFileBytes(Destination() + L"\\readme.txt"), "held open");
    // Nothing of the payload was put in place.
    EXPECT_EQ(ListTree(Destination()), (std::vector<std::wstring>{L"Plugins\\", L"p_about.txt\\", L"readme.txt"}));
}

} // namespace
} // namespace ph::test
