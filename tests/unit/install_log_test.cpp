// The install log: the bytes of an entry, and appending to the log in its pinned folder. Both
// logs refuse a link or a second name planted where they are written.
#include "platform/install_log.h"
#include "base/handles.h"
#include "base/scoped_override.h"
#include "platform/probes.h"
#include "platform/start_directory.h"
#include "platform/trace.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ph::test::FileExists;
using ph::test::FolderExists;
using ph::test::ReadFileBytes;
using ph::test::ScratchFolder;

const std::string kRuleLine = std::string(48, '-') + "\r\n";

SYSTEMTIME Time(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second)
{
    SYSTEMTIME t{};
    t.wYear = year;
    t.wMonth = month;
    t.wDay = day;
    t.wHour = hour;
    t.wMinute = minute;
    t.wSecond = second;
    return t;
}

TEST(FormatLogEntry, DateTimeTextAndRule)
{
    struct Case {
        const wchar_t* date;
        SYSTEMTIME time;
        const wchar_t* text;
        std::string expected;
    };
    const Case cases[] = {
        {L"3/5/2024", Time(2024, 3, 5, 14, 7, 9), L"Invalid destination directory!: ",
         "3/5/2024 - 14:07:09: Invalid destination directory!: \r\n" + kRuleLine},
        {L"12/31/1999", Time(1999, 12, 31, 23, 59, 59), L"x", "12/31/1999 - 23:59:59: x\r\n" + kRuleLine},
        {L"1/1/2000", Time(2000, 1, 1, 0, 0, 0), L"", "1/1/2000 - 00:00:00: \r\n" + kRuleLine},
        // Every line feed becomes CR LF; only the first line carries the date.
        {L"3/5/2024", Time(2024, 3, 5, 8, 0, 1), L"Warning: Photavian is running!\nPlease close it!",
         "3/5/2024 - 08:00:01: Warning: Photavian is running!\r\nPlease close it!\r\n" + kRuleLine},
        {L"3/5/2024", Time(2024, 3, 5, 8, 0, 1), L"a\n\nb\n", "3/5/2024 - 08:00:01: a\r\n\r\nb\r\n\r\n" + kRuleLine},
        // A carriage return already in the text stays; its line feed still gets one.
        {L"3/5/2024", Time(2024, 3, 5, 8, 0, 1), L"a\r\nb", "3/5/2024 - 08:00:01: a\r\r\nb\r\n" + kRuleLine},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ph::FormatLogEntry(c.date, c.time, c.text), c.expected)
            << testing::PrintToString(std::wstring(c.text));
    }
}

TEST(FormatLogEntry, CodeUnitsUpTo0xFFAreBytesOthersAreQuestionMarks)
{
    const wchar_t text[] = L"D:\\Caf\u00e9\\\u00ff\u0100\u20ac\u4e2d\x01|";
    std::string entry = ph::FormatLogEntry(L"d\u00e9\u2013", Time(2024, 1, 2, 3, 4, 5), text);
    EXPECT_EQ(entry, std::string("d\xE9? - 03:04:05: D:\\Caf\xE9\\\xFF???\x01|\r\n") + kRuleLine);
}

// The clock of the log, pinned by the tests through the seam.
SYSTEMTIME g_clock{};
void PinnedClock(SYSTEMTIME* now)
{
    *now = g_clock;
}

// The date as the log writes it: the user's short date format of this prefix.
std::string ShortDate(const SYSTEMTIME& time)
{
    wchar_t date[256] = {};
    EXPECT_GT(::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, 256), 0);
    std::string out;
    for (const wchar_t* p = date; *p != L'\0'; ++p) {
        EXPECT_LT(static_cast<unsigned>(*p), 0x80u) << "expected a plain ASCII short date";
        out += static_cast<char>(*p);
    }
    return out;
}

std::wstring CurrentDirectory()
{
    wchar_t folder[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, folder);
    return folder;
}

class AppendLogEntryTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_savedDirectory = CurrentDirectory();
        ASSERT_NE(::SetCurrentDirectoryW(m_logFolder.Path().c_str()), FALSE);
        ph::PinStartDirectory();
        ASSERT_NE(::SetCurrentDirectoryW(m_elsewhere.Path().c_str()), FALSE);
    }

    void TearDown() override
    {
        ::SetCurrentDirectoryW(m_savedDirectory.c_str());
        // Leave the log where a log without pinning would go: the current directory.
        ph::PinStartDirectory();
    }

    std::wstring LogPath() const { return m_logFolder / ph::kInstallLogName.text; }

    ScratchFolder m_logFolder{L"install_log"};
    ScratchFolder m_elsewhere{L"install_log_elsewhere"};

private:
    std::wstring m_savedDirectory;
    ph::ScopedOverride<decltype(ph::PlatformSeams::localTime)> m_clock{ph::Seams().localTime, PinnedClock};
};

TEST_F(AppendLogEntryTest, EntriesLandInThePinnedFolderOldestFirst)
{
    SYSTEMTIME first = Time(2024, 3, 5, 14, 7, 9);
    SYSTEMTIME second = Time(2025, 11, 28, 8, 0, 0);
    g_clock = first;
    ph::AppendLogEntry(L"first entry");
    g_clock = second;
    ph::AppendLogEntry(L"second entry\nwith a second line");

    EXPECT_EQ(ReadFileBytes(LogPath()),
              ShortDate(first) + " - 14:07:09: first entry\r\n" + kRuleLine + ShortDate(second)
                  + " - 08:00:00: second entry\r\nwith a second line\r\n" + kRuleLine);
    EXPECT_FALSE(FileExists(m_elsewhere / ph::kInstallLogName.text))
        << "the log follows the pinned folder, not the current one";
    EXPECT_EQ(CurrentDirectory(), m_elsewhere.Path()) << "appending leaves the current directory alone";
}

TEST_F(AppendLogEntryTest, AppendsToAnExistingLog)
{
    ASSERT_TRUE(ph::test::WriteFileBytes(LogPath(), "earlier run\r\n"));
    g_clock = Time(2024, 6, 1, 9, 30, 0);
    ph::AppendLogEntry(L"later run");
    EXPECT_EQ(ReadFileBytes(LogPath()),
              "earlier run\r\n" + ShortDate(g_clock) + " - 09:30:00: later run\r\n" + kRuleLine);
}

TEST_F(AppendLogEntryTest, UnopenableLogDropsTheEntry)
{
    g_clock = Time(2024, 6, 1, 9, 30, 0);

    // A folder standing where the log file should be.
    ASSERT_NE(::CreateDirectoryW(LogPath().c_str(), nullptr), FALSE);
    ph::AppendLogEntry(L"lost");
    EXPECT_TRUE(FolderExists(LogPath()));
    EXPECT_EQ(ph::test::ListTree(m_logFolder.Path()),
              std::vector<std::wstring>{std::wstring(ph::kInstallLogName.text) + L"\\"});
    ASSERT_NE(::RemoveDirectoryW(LogPath().c_str()), FALSE);

    // A log held open by another writer without sharing.
    ASSERT_TRUE(ph::test::WriteFileBytes(LogPath(), "held"));
    {
        ph::UniqueFile held(::CreateFileW(LogPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        ph::AppendLogEntry(L"lost too");
    }
    EXPECT_EQ(ReadFileBytes(LogPath()), "held");
}

// A log planted by someone else, as a link or a second name, is a log that cannot be opened: the
// entry is dropped, the verbose log is not opened, and nothing at the link's end is created,
// appended or truncated.
TEST_F(AppendLogEntryTest, APlantedLinkOrSecondNameIsALogThatCannotBeOpened)
{
    ScratchFolder victims(L"install_log_victims");
    ScratchFolder work(L"install_log_planted");
    enum class Plant { FileLink, LinkToMissingFile, HardLink, UnderFolderLink };
    struct Case {
        const wchar_t* name;
        Plant plant;
    };
    const Case cases[] = {
        {L"file-link", Plant::FileLink},
        {L"missing-link", Plant::LinkToMissingFile},
        {L"hard-link", Plant::HardLink},
        {L"folder-link", Plant::UnderFolderLink},
    };
    const std::string victim = "victim's own bytes\r\n";
    g_clock = Time(2024, 6, 1, 9, 30, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(ph::test::Narrow(c.name));
        ASSERT_TRUE(ph::test::WriteFileBytes(victims / L"victim.log", victim));
        // The start folder, and the log in it, as the program is given them.
        std::wstring start = work / c.name;
        ASSERT_NE(::CreateDirectoryW(start.c_str(), nullptr), FALSE);
        const std::wstring planted = start + L"\\" + ph::kInstallLogName.text;
        switch (c.plant) {
        case Plant::FileLink:
            ASSERT_TRUE(ph::test::PlantLink(planted, victims / L"victim.log"));
            break;
        case Plant::LinkToMissingFile:
            ASSERT_TRUE(ph::test::PlantLink(planted, victims / L"missing.log"));
            break;
        case Plant::HardLink:
            ASSERT_NE(::CreateHardLinkW(planted.c_str(), (victims / L"victim.log").c_str(), nullptr), FALSE);
            break;
        case Plant::UnderFolderLink:
            ASSERT_NE(::RemoveDirectoryW(start.c_str()), FALSE);
            ASSERT_TRUE(ph::test::PlantLink(start, victims.Path()));
            break;
        }
        ASSERT_NE(::SetCurrentDirectoryW(start.c_str()), FALSE);
        ph::PinStartDirectory();
        ASSERT_NE(::SetCurrentDirectoryW(m_elsewhere.Path().c_str()), FALSE);

        ph::AppendLogEntry(L"lost");
        EXPECT_FALSE(ph::OpenTrace(planted.c_str()));
        ph::Trace(L"lost too");
        ph::CloseTrace();

        EXPECT_EQ(ReadFileBytes(victims / L"victim.log"), victim);
        EXPECT_EQ(ph::test::ListTree(victims.Path()), std::vector<std::wstring>{L"victim.log"})
            << "nothing is made where a link leads";
        EXPECT_TRUE(ph::test::ListTree(m_elsewhere.Path()).empty());
    }
}

} // namespace
