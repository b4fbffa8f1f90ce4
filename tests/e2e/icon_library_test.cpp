// The installed icon library: which installed copies a run keeps and which it replaces.
#include "e2e/e2e_support.h"

namespace ph::test {
namespace {

// A time no archive entry carries: a kept library still shows it after the run.
constexpr std::uint32_t kMarkerDosTime = 0x2A210000; // 2001-01-01 00:00:00

bool SetLastWriteDosTime(const std::wstring& path, std::uint32_t dosDateTime)
{
    FILETIME local;
    FILETIME utc;
    if (::DosDateTimeToFileTime(HIWORD(dosDateTime), LOWORD(dosDateTime), &local) == FALSE
        || ::LocalFileTimeToFileTime(&local, &utc) == FALSE) {
        return false;
    }
    HANDLE file = ::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    BOOL set = ::SetFileTime(file, nullptr, nullptr, &utc);
    ::CloseHandle(file);
    return set != FALSE;
}

class IconLibrary : public ::testing::Test {
protected:
    std::wstring Destination() const { return m_work / L"dest"; }
    std::wstring InstalledLibrary() const { return Destination() + L"\\Plugins\\Icons.dll"; }

    ScratchFolder m_start{L"icons_start"};
    ScratchFolder m_work{L"icons_work"};
};

TEST_F(IconLibrary, InstalledLibraryIsKeptOrReplacedByVersionCompanyAndSize)
{
    struct Case {
        const wchar_t* fixture;
        bool kept;
    };
    const Case cases[] = {
        {L"icons_431_quenmarrow.dll", true}, // newer: kept whoever made it
        {L"icons_431_other.dll", true},
        {L"icons_429_quenmarrow.dll", false},       // older and ours to replace
        {L"icons_429_quenmarrow_upper.dll", false}, // the company in any letter case
        {L"icons_429_quenmarrow_mixed.dll", false},
        {L"icons_429_other.dll", true},              // older but someone else's
        {L"icons_430_quenmarrow_226816.dll", false}, // same version: only the known build is replaced
        {L"icons_430_quenmarrow_small.dll", true},
        {L"icons_430_quenmarrow_226817.dll", true},
        {L"icons_430_other_226816.dll", true},
        {L"icons_noversion.dll", false}, // no version information: always replaced
    };
    const std::string payloadLibrary = ReadFileBytes(PayloadIconLibraryPath());
    ASSERT_FALSE(payloadLibrary.empty());

    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.fixture));
        RemoveTree(Destination());
        ASSERT_TRUE(::CreateDirectoryW(Destination().c_str(), nullptr));
        ASSERT_TRUE(::CreateDirectoryW((Destination() + L"\\Plugins").c_str(), nullptr));
        const std::string fixture = ReadFileBytes(IconFixturePath(c.fixture));
        ASSERT_FALSE(fixture.empty());
        ASSERT_TRUE(WriteFileBytes(InstalledLibrary(), fixture));

        EXPECT_EQ(RunSetup(L"/silent /folder=" + Destination(), m_start.Path()), 0);

        EXPECT_EQ(ReadFileBytes(InstalledLibrary()) == fixture, c.kept);
        EXPECT_EQ(ReadFileBytes(InstalledLibrary()) == payloadLibrary, !c.kept);
        EXPECT_TRUE(FileExists(Destination() + L"\\ph_tav64.exe")) << "the rest is installed either way";
    }
}

TEST_F(IconLibrary, SecondRunKeepsTheFirstRunsLibrary)
{
    ASSERT_EQ(RunSetup(L"/silent /folder=" + Destination(), m_start.Path()), 0);
    ASSERT_EQ(ReadFileBytes(InstalledLibrary()), ReadFileBytes(PayloadIconLibraryPath()));
    // The payload's own library is 4.30 but not the build the rule replaces: a second run leaves
    // it alone, which shows in the time stamp.
    ASSERT_TRUE(SetLastWriteDosTime(InstalledLibrary(), kMarkerDosTime));
    ASSERT_TRUE(SetLastWriteDosTime(Destination() + L"\\p_about.txt", kMarkerDosTime));

    ASSERT_EQ(RunSetup(L"/silent /folder=" + Destination(), m_start.Path()), 0);

    EXPECT_EQ(LastWriteDosTime(InstalledLibrary()), kMarkerDosTime);
    EXPECT_NE(LastWriteDosTime(Destination() + L"\\p_about.txt"), kMarkerDosTime) << "other files are rewritten";
}

} // namespace
} // namespace ph::test
