// Payload extraction: entry names, folder paths, entry times and whole archives.
#include "engine/payload.h"
#include "base/handles.h"
#include "support/test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

using ph::test::ArchiveBuilder;
using ph::test::FileExists;
using ph::test::FolderExists;
using ph::test::ListTree;
using ph::test::ReadFileBytes;

std::string Show(const std::wstring& text)
{
    return testing::PrintToString(text);
}

std::wstring CurrentDirectory()
{
    wchar_t folder[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, folder);
    return folder;
}

// Packed DOS date (high 16 bits) and time (low 16 bits), seconds in steps of two.
constexpr std::uint32_t DosTime(int year, int month, int day, int hour, int minute, int second)
{
    return (static_cast<std::uint32_t>(((year - 1980) << 9) | (month << 5) | day) << 16)
        | static_cast<std::uint32_t>((hour << 11) | (minute << 5) | (second / 2));
}

TEST(IsSafeEntryName, NamesThatStayInsideTheDestination)
{
    struct Case {
        const wchar_t* name;
        bool safe;
    };
    const Case cases[] = {
        {L"a.txt", true},
        {L"Plugins/Icons.dll", true},
        {L"Plugins/Plugins32/", true},
        {L"a/./b", true},
        {L"./a", true},
        {L"..a", true},
        {L"a..", true},
        {L"a/..b/c", true},
        {L"Plugins\\Icons.dll", true},
        {L"..", false},
        {L"../x", false},
        {L"..\\x", false},
        {L"a/../x", false},
        {L"a\\..\\x", false},
        {L"a/..", false},
        {L"a/../", false},
        {L"/x", false},
        {L"\\x", false},
        {L"\\\\srv\\share\\x", false},
        {L"C:x", false},
        {L"C:/x", false},
        {L"C:\\x", false},
        {L"a/b:stream", false},
        {L"a/.. /x", false},
        {L"a/.../x", false},
        {L"a/. ./x", false},
        {L"", false},
        // Reserved device names, in any folder, case and with any extension or trailing blanks
        // and dots; names that only begin like one are files.
        {L"NUL.txt", false},
        {L"Plugins/nul.txt", false},
        {L"COM1", false},
        {L"a/CON/b.txt", false},
        {L"aux", false},
        {L"Lpt9.log", false},
        {L"PRN .txt", false},
        {L"nul...", false},
        {L"CON ", false},
        {L"con.d/x", false},
        {L"COM\u00B9", false},
        {L"lpt\u00B3.txt", false},
        {L"CONIN$", false},
        {L"Plugins/conout$.txt", false},
        {L"Clock$ ..", false},
        {L"conIN$.log/x", false},
        {L"CONOUT$  .", false},
        {L"COM0", true},
        {L"CONSOLE.txt", true},
        {L"NULL", true},
        {L"LPT10", true},
        {L"xCON", true},
        {L"CONIN", true},
        {L"CONOUT$x", true},
        {L"CLOCK", true},
        {L"ACLOCK$", true},
        {L"a/.con/b", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ph::IsSafeEntryName(c.name), c.safe) << Show(c.name);
    }
}

// Tests that work in a scratch folder and may change the current directory (the extraction
// enters its destination): the current directory is put back afterwards.
class ScratchTest : public testing::Test {
protected:
    void SetUp() override { m_savedDirectory = CurrentDirectory(); }
    void TearDown() override { ::SetCurrentDirectoryW(m_savedDirectory.c_str()); }

    std::wstring Path(const std::wstring& relative) const { return m_scratch / relative; }
    const std::wstring& Root() const { return m_scratch.Path(); }

private:
    ph::test::ScratchFolder m_scratch{L"payload"};
    std::wstring m_savedDirectory;
};

using MakeFolderPathTest = ScratchTest;

TEST_F(MakeFolderPathTest, CreatesEveryLevel)
{
    EXPECT_EQ(ph::MakeFolderPath(Path(L"m1\\m2/m3").c_str()), 1);
    EXPECT_TRUE(FolderExists(Path(L"m1\\m2\\m3")));

    EXPECT_EQ(ph::MakeFolderPath(Path(L"t1/t2/").c_str()), 1);
    EXPECT_TRUE(FolderExists(Path(L"t1\\t2")));

    // Existing levels are fine.
    EXPECT_EQ(ph::MakeFolderPath(Path(L"m1\\m2/m3/m4").c_str()), 1);
    EXPECT_TRUE(FolderExists(Path(L"m1\\m2\\m3\\m4")));

    // Relative to the current directory, as the extraction uses it.
    ASSERT_NE(::SetCurrentDirectoryW(Root().c_str()), FALSE);
    EXPECT_EQ(ph::MakeFolderPath(L"r1/r2/r3/"), 1);
    EXPECT_TRUE(FolderExists(Path(L"r1\\r2\\r3")));
}

TEST_F(MakeFolderPathTest, EmptyPathOrFileInTheWay)
{
    EXPECT_EQ(ph::MakeFolderPath(L""), 0);

    ASSERT_TRUE(ph::test::WriteFileBytes(Path(L"file.txt"), "x"));
    EXPECT_EQ(ph::MakeFolderPath(Path(L"file.txt\\sub\\deeper").c_str()), 0);
    EXPECT_TRUE(FileExists(Path(L"file.txt")));
}

using ApplyEntryTimeTest = ScratchTest;

TEST_F(ApplyEntryTimeTest, SetsTheLastWriteTime)
{
    // Wine keeps no separate creation time: only the modification time is checked.
    const std::uint32_t times[] = {
        DosTime(2019, 3, 14, 15, 9, 26),
        DosTime(1999, 12, 31, 23, 59, 58),
        DosTime(2024, 7, 1, 0, 0, 0),
        DosTime(1985, 1, 1, 12, 0, 2),
    };
    std::wstring file = Path(L"timed.txt");
    ASSERT_TRUE(ph::test::WriteFileBytes(file, "content"));
    for (std::uint32_t time : times) {
        {
            ph::UniqueFile handle(::CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                                FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(handle);
            ph::ApplyEntryTime(handle.get(), time);
        }
        EXPECT_EQ(ph::test::LastWriteDosTime(file), time) << std::hex << time;
    }
    EXPECT_EQ(ReadFileBytes(file), "content");
}

TEST_F(ApplyEntryTimeTest, NoFileOrATimeThatIsNoDateChangesNothing)
{
    std::wstring file = Path(L"kept.txt");
    ASSERT_TRUE(ph::test::WriteFileBytes(file, "content"));
    const std::uint32_t kept = DosTime(2001, 2, 3, 4, 5, 6);
    ph::UniqueFile handle(::CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(handle);
    ph::ApplyEntryTime(handle.get(), kept);
    ASSERT_EQ(ph::test::LastWriteDosTime(file), kept);

    // An entry whose recorded time names no day (month 0 or 13, day 0, hour 24) keeps the time the
    // file has, rather than a time made of nothing.
    struct Case {
        const char* what;
        HANDLE handle;
        std::uint32_t time;
    };
    const Case cases[] = {
        {"no file", INVALID_HANDLE_VALUE, DosTime(2019, 3, 14, 15, 9, 26)},
        {"null handle", nullptr, DosTime(2019, 3, 14, 15, 9, 26)},
        {"month 0", handle.get(), DosTime(2019, 0, 14, 15, 9, 26)},
        {"month 13", handle.get(), DosTime(2019, 13, 14, 15, 9, 26)},
        {"day 0", handle.get(), DosTime(2019, 3, 0, 15, 9, 26)},
        {"hour 24", handle.get(), DosTime(2019, 3, 14, 24, 0, 0)},
    };
    for (const Case& c : cases) {
        ph::ApplyEntryTime(c.handle, c.time);
        EXPECT_EQ(ph::test::LastWriteDosTime(file), kept) << c.what;
    }
    handle.reset();
    EXPECT_EQ(ReadFileBytes(file), "content");
}

// Deterministic data larger than one 32768-byte copy block.
std::string LargeData(std::size_t size)
{
    std::mt19937 random(1974u);
    std::string data(size, '\0');
    for (char& c : data) {
        c = static_cast<char>(random() % 7 == 0 ? random() & 0xFF : 'a' + random() % 4);
    }
    return data;
}

class ExtractArchiveTest : public ScratchTest {
protected:
    void SetUp() override
    {
        ScratchTest::SetUp();
        ASSERT_NE(::CreateDirectoryW(Path(L"dest").c_str(), nullptr), FALSE);
    }

    std::wstring Destination() const { return Path(L"dest\\"); }
    std::wstring Target(const std::wstring& relative) const { return Path(L"dest\\" + relative); }

    int ExtractBytes(const std::string& bytes, bool skipIcons = false)
    {
        return ph::ExtractArchive(bytes.data(), bytes.size(), Destination().c_str(), skipIcons);
    }

    int Extract(const ArchiveBuilder& builder, bool skipIcons = false)
    {
        std::string bytes = builder.Bytes();
        EXPECT_FALSE(bytes.empty());
        return ExtractBytes(bytes, skipIcons);
    }
};

TEST_F(ExtractArchiveTest, EntriesLandWithTheirFoldersAndTimes)
{
    const std::string large = LargeData(100000);
    const std::uint32_t readmeTime = DosTime(2021, 5, 17, 10, 20, 30);
    const std::uint32_t skinTime = DosTime(2018, 2, 3, 4, 5, 6);
    const std::uint32_t deepTime = DosTime(2023, 11, 30, 23, 58, 0);
    ArchiveBuilder archive;
    archive.File("ph_tav64.exe", large, DosTime(2020, 1, 2, 3, 4, 6))
        .File("readme.txt", "Photavian\r\n", readmeTime)
        .Folder("Plugins/")
        .Folder("Plugins/Plugins32/")
        .File("Plugins/Icons.dll", "icons")
        .File("Plugins/Plugins32/x.dll", "")
        .Folder("Toolbars/")
        .File("Toolbars/skin.png", "png", skinTime)
        .File("Html/deep/page.html", "<p>", deepTime); // no folder entries for these levels

    EXPECT_EQ(Extract(archive), 0);

    const std::vector<std::wstring> expected = {
        L"Html\\",
        L"Html\\deep\\",
        L"Html\\deep\\page.html",
        L"Plugins\\",
        L"Plugins\\Icons.dll",
        L"Plugins\\Plugins32\\",
        L"Plugins\\Plugins32\\x.dll",
        L"Toolbars\\",
        L"Toolbars\\skin.png",
        L"ph_tav64.exe",
        L"readme.txt",
    };
    EXPECT_EQ(ListTree(Path(L"dest")), expected);
    EXPECT_EQ(ReadFileBytes(Target(L"ph_tav64.exe")), large);
    EXPECT_EQ(ReadFileBytes(Target(L"readme.txt")), "Photavian\r\n");
    EXPECT_EQ(ReadFileBytes(Target(L"Plugins\\Icons.dll")), "icons");
    EXPECT_EQ(ph::test::FileSize(Target(L"Plugins\\Plugins32\\x.dll")), 0);
    EXPECT_EQ(ph::test::LastWriteDosTime(Target(L"ph_tav64.exe")), DosTime(2020, 1, 2, 3, 4, 6));
    EXPECT_EQ(ph::test::LastWriteDosTime(Target(L"readme.txt")), readmeTime);
    EXPECT_EQ(ph::test::LastWriteDosTime(Target(L"Toolbars\\skin.png")), skinTime);
    EXPECT_EQ(ph::test::LastWriteDosTime(Target(L"Html\\deep\\page.html")), deepTime);

    // The destination stays the current directory.
    EXPECT_EQ(CurrentDirectory() + L"\\", Destination());
}

TEST_F(ExtractArchiveTest, SecondExtractionOverwritesTheFirst)
{
    ASSERT_TRUE(ph::test::WriteFileBytes(Target(L"readme.txt"), "an older and longer readme"));
    ArchiveBuilder archive;
    archive.Folder("Plugins/").File("Plugins/a.dll", "a").File("readme.txt", "new");
    EXPECT_EQ(Extract(archive), 0);
    EXPECT_EQ(ReadFileBytes(Target(L"readme.txt")), "new");
    EXPECT_EQ(Extract(archive), 0);
    EXPECT_EQ(ReadFileBytes(Target(L"readme.txt")), "new");
    EXPECT_EQ(ReadFileBytes(Target(L"Plugins\\a.dll")), "a");
}

TEST_F(ExtractArchiveTest, EntryNamesAreInTheAnsiCodePageUnlessMarkedAsUtf8)
{
    ASSERT_EQ(::GetACP(), 1252u) << "this test expects the Western code page of a default prefix";
    ArchiveBuilder archive;
    archive.Folder("Caf\xE9/").File("Caf\xE9/na\xEFve.txt", "x").Utf8File("caf\xC3\xA9-utf8/\xE2\x82\xAC.txt", "euro");
    EXPECT_EQ(Extract(archive), 0);
    EXPECT_EQ(ReadFileBytes(Target(L"Caf\u00e9\\na\u00efve.txt")), "x");
    EXPECT_EQ(ReadFileBytes(Target(L"caf\u00e9-utf8\\\u20ac.txt")), "euro");

    // A name marked as UTF-8 that is not valid UTF-8 is not guessed at, and the extraction that
    // meets it installs nothing.
    const std::vector<std::wstring> before = ListTree(Path(L"dest"));
    ArchiveBuilder invalid;
    invalid.Utf8File("bad\xE9name.txt", "x").File("after.txt", "after");
    EXPECT_EQ(Extract(invalid), -1);
    EXPECT_EQ(ListTree(Path(L"dest")), before) << "nothing was written";
}

TEST_F(ExtractArchiveTest, SkipIconsLeavesEveryIconLibraryNameOut)
{
    ASSERT_NE(::CreateDirectoryW(Target(L"Plugins").c_str(), nullptr), FALSE);
    ASSERT_TRUE(ph::test::WriteFileBytes(Target(L"Plugins\\Icons.dll"), "installed"));
    ArchiveBuilder archive;
    archive.Folder("Plugins/")
        .File("Plugins/Icons.dll", "payload icons")
        .File("x/ICONS.DLL.bak", "backup")
        .File("Plugins/myIcOnS.dLl", "mixed case")
        .File("Plugins/Icons.dl", "not the library")
        .File("Plugins/Icons_dll.txt", "not the library either")
        .File("readme.txt", "readme");

    EXPECT_EQ(Extract(archive, true), 0);
    EXPECT_EQ(ReadFileBytes(Target(L"Plugins\\Icons.dll")), "installed");
    EXPECT_FALSE(FileExists(Target(L"x\\ICONS.DLL.bak")));
    EXPECT_FALSE(FileExists(Target(L"Plugins\\myIcOnS.dLl")));
    EXPECT_EQ(ReadFileBytes(Target(L"Plugins\\Icons.dl")), "not the library");
    EXPECT_EQ(ReadFileBytes(Target(L"Plugins\\Icons_dll.txt")), "not the library either");
    EXPECT_EQ(ReadFileBytes(Target(L"readme.txt")), "readme");

    // Without skipIcons the payload's copy replaces the installed one.
    EXPECT_EQ(Extract(archive, false), 0);
    EXPECT_EQ(ReadFileBytes(Target(L"Plugins\\Icons.dll")), "payload icons");
    EXPECT_EQ(ReadFileBytes(Target(L"x\\ICONS.DLL.bak")), "backup");
}

TEST_F(ExtractArchiveTest, UnsafeNamesAreNeverWrittenAndTheExtractionInstallsNothing)
{
    const std::wstring outside[] = {
        Path(L"evil1.txt"), L"C:\\ph_evil2.txt", L"C:\\ph_evil3.txt", Path(L"evil4.txt"), Path(L"evil5.txt"),
    };
    ArchiveBuilder archive;
    archive.File("first.txt", "1")
        .File("../evil1.txt", "x")
        .File("C:/ph_evil2.txt", "x")
        .File("/ph_evil3.txt", "x")
        .File("sub/../../evil4.txt", "x")
        .File("..\\evil5.txt", "x")
        .File("last.txt", "2");

    EXPECT_EQ(Extract(archive), -1);
    EXPECT_EQ(ListTree(Path(L"dest")), std::vector<std::wstring>{}) << "nothing is put in place";
    for (const std::wstring& path : outside) {
        EXPECT_FALSE(FileExists(path)) << Show(path);
        ::DeleteFileW(path.c_str());
    }
}

TEST_F(ExtractArchiveTest, CrcMismatchEndsTheExtraction)
{
    ArchiveBuilder archive;
    archive.File("a.txt", "first").FileWithWrongCrc("b.txt", "damaged").File("c.txt", "never reached");
    EXPECT_EQ(Extract(archive), -1);
    EXPECT_EQ(ListTree(Path(L"dest")), std::vector<std::wstring>{}) << "not even the sound entry before it";
}

TEST_F(ExtractArchiveTest, EntriesWhoseDataIsNotTheirDeclaredSizeFail)
{
    const std::string data = LargeData(100000);
    struct Case {
        const char* what;
        std::uint64_t declared;
        bool stored;
    };
    const Case cases[] = {
        {"deflated, declaring one byte more", data.size() + 1, false},
        {"deflated, declaring one byte less", data.size() - 1, false},
        {"stored, declaring more", data.size() + 4096, true},
        {"ZIP64, declaring 5 GB", 5ull << 30, false},
    };
    // What does not fit the free space is refused before anything is written.
    ULARGE_INTEGER free{};
    ASSERT_NE(::GetDiskFreeSpaceExW(Destination().c_str(), &free, nullptr, nullptr), FALSE);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ArchiveBuilder archive;
        archive.File("first.txt", "1").FileDeclaringSize("lies.bin", data, c.declared, c.stored);
        ph::InstallFailure why = ph::InstallFailure::None;
        EXPECT_EQ(ph::ExtractArchive(archive.Bytes().data(), archive.Bytes().size(), Destination().c_str(), false,
                                     &why),
                  -1);
        const bool fits = c.declared + 1 < free.QuadPart;
        EXPECT_EQ(why, fits ? ph::InstallFailure::Other : ph::InstallFailure::NotEnoughSpace);
        EXPECT_EQ(ListTree(Path(L"dest")), std::vector<std::wstring>{}) << "nothing is put in place";
    }
    // The same data declared truthfully is written.
    EXPECT_EQ(Extract(ArchiveBuilder().FileDeclaringSize("true.bin", data, data.size(), false)), 0);
    EXPECT_EQ(ReadFileBytes(Target(L"true.bin")), data);
}

TEST_F(ExtractArchiveTest, AFolderEntryWhoseFolderCannotExistFails)
{
    ArchiveBuilder archive;
    archive.Folder("p/q/").File("d", "a file").Folder("d/").File("after.txt", "after");
    EXPECT_EQ(Extract(archive), -1);
    EXPECT_EQ(ListTree(Path(L"dest")), std::vector<std::wstring>{}) << "no folder or file is left";

    // A folder entry gets its missing parents.
    EXPECT_EQ(Extract(ArchiveBuilder().Folder("p/q/").File("after.txt", "after")), 0);
    EXPECT_TRUE(FolderExists(Target(L"p\\q")));
}

TEST_F(ExtractArchiveTest, DamagedArchivesFail)
{
    ArchiveBuilder builder;
    builder.File("big.bin", LargeData(50000)).File("small.txt", "small");
    const std::string bytes = builder.Bytes();
    ASSERT_GT(bytes.size(), 1000u);

    struct Case {
        const char* what;
        std::string bytes;
    };
    std::string corrupted = bytes;
    for (std::size_t i = 200; i < 260; ++i) { // inside the deflated data of the first entry
        corrupted[i] = static_cast<char>(corrupted[i] ^ 0x5A);
    }
    const Case cases[] = {
        {"cut in half", bytes.substr(0, bytes.size() / 2)}, {"end record missing", bytes.substr(0, bytes.size() - 22)},
        {"only the first 30 bytes", bytes.substr(0, 30)},   {"empty file", std::string()},
        {"not an archive", std::string(4096, 'z')},         {"corrupted data", corrupted},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractBytes(c.bytes), -1) << c.what;
    }
}

TEST_F(ExtractArchiveTest, ATargetThatCannotBeReplacedLeavesEverythingAsItWas)
{
    ArchiveBuilder archive;
    archive.File("a.txt", "a").File("b.txt", "b").File("c.txt", "c");

    // A folder standing where the file should go.
    ASSERT_NE(::CreateDirectoryW(Target(L"b.txt").c_str(), nullptr), FALSE);
    EXPECT_EQ(Extract(archive), -1);
    EXPECT_EQ(ListTree(Path(L"dest")), std::vector<std::wstring>{L"b.txt\\"});
    ASSERT_NE(::RemoveDirectoryW(Target(L"b.txt").c_str()), FALSE);

    // A file held open by another writer without sharing.
    ASSERT_TRUE(ph::test::WriteFileBytes(Target(L"b.txt"), "held"));
    {
        ph::UniqueFile held(::CreateFileW(Target(L"b.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        ph::InstallFailure why = ph::InstallFailure::None;
        EXPECT_EQ(ph::ExtractArchive(archive.Bytes().data(), archive.Bytes().size(), Destination().c_str(), false,
                                     &why),
                  -1);
        EXPECT_EQ(why, ph::InstallFailure::FileInUse);
    }
    EXPECT_EQ(ListTree(Path(L"dest")), std::vector<std::wstring>{L"b.txt"});
    EXPECT_EQ(ReadFileBytes(Target(L"b.txt")), "held");
}

TEST_F(ExtractArchiveTest, MissingArchiveOrDestinationFails)
{
    const std::wstring before = CurrentDirectory();
    EXPECT_EQ(ph::ExtractArchive(nullptr, 0, Destination().c_str(), false), -1);
    EXPECT_EQ(CurrentDirectory(), before);

    std::string archive = ArchiveBuilder().File("a.txt", "a").Bytes();
    std::wstring missing = Path(L"no_such_dest\\");
    EXPECT_EQ(ph::ExtractArchive(archive.data(), archive.size(), missing.c_str(), false), -1);
    EXPECT_FALSE(FolderExists(missing));
    EXPECT_EQ(CurrentDirectory(), before);
    EXPECT_FALSE(FileExists(before + L"\\a.txt"));
}

// This test program carries no payload resource: the extraction fails before writing anything.
TEST_F(ExtractArchiveTest, MissingPayloadResourceFails)
{
    EXPECT_EQ(ph::ExtractPayload(Destination().c_str(), false), -1);
    EXPECT_TRUE(ListTree(Path(L"dest")).empty());
    wchar_t temp[MAX_PATH] = {};
    ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
    EXPECT_FALSE(FileExists(std::wstring(temp) + L"phtav_x64.zip"));
}

} // namespace
