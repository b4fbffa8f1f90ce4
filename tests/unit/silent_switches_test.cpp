// The silent command line: "/silent", the switch values and how they fill the run's choices.
#include "app/silent_switches.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cwchar>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

using ph::ApplySilentSwitches;
using ph::FindSwitchValue;
using ph::InstallOptions;
using ph::ReadSwitchInteger;
using ph::StripQuotesAndBlanks;

constexpr wchar_t kDefaultDestination[] = L"C:\\Program Files\\Photavian";
constexpr wchar_t kDefaultIniFolder[] = L"%APPDATA%\\Photavian";
constexpr wchar_t kCaption[] = L"Photavian 64-bit Setup";

// The record as silent start-up has it before the switches: defaults filled in.
InstallOptions DefaultOptions()
{
    InstallOptions options;
    ph::CopyTextCut(options.destinationFolder, kDefaultDestination);
    ph::CopyTextCut(options.iniFolder, kDefaultIniFolder);
    ph::CopyTextCut(options.caption, kCaption);
    options.silent = 1;
    return options;
}

InstallOptions Applied(const std::wstring& commandLine)
{
    InstallOptions options = DefaultOptions();
    ApplySilentSwitches(commandLine.c_str(), options);
    return options;
}

int SetFlagCount(const InstallOptions& options)
{
    int count = 0;
    for (int flag : options.associationFlags) {
        count += flag != 0 ? 1 : 0;
    }
    return count;
}

std::string Show(const std::wstring& text)
{
    return testing::PrintToString(text);
}

TEST(HasSilentSwitch, IsACaseSensitiveSubstringSearch)
{
    struct Case {
        const wchar_t* line;
        bool silent;
    };
    const Case cases[] = {
        {L"setup.exe /silent", true},  {L"\"C:\\Downloads\\setup.exe\" /folder=D:\\x /silent", true},
        {L"setup.exe /silentX", true}, {L"setup.exe/silent", true},
        {L"setup.exe /Silent", false}, {L"setup.exe /SILENT", false},
        {L"setup.exe /silen", false},  {L"setup.exe silent", false},
        {L"setup.exe -silent", false}, {L"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ph::HasSilentSwitch(c.line), c.silent) << Show(c.line);
    }
}

TEST(FindSwitchValue, ValueRunsToTheFirstSlashOrTheEnd)
{
    struct Case {
        const wchar_t* line;
        const wchar_t* name;
        bool found;
        const wchar_t* value;
    };
    const Case cases[] = {
        {L"setup.exe /desktop=1 /group=1", L"/desktop=", true, L"1 "},
        {L"setup.exe /desktop=1 /group=1", L"/group=", true, L"1"},
        {L"setup.exe /desktop=1 /desktop=0", L"/desktop=", true, L"1 "},
        {L"setup.exe /folder=C:\\My Apps\\x /ini=", L"/folder=", true, L"C:\\My Apps\\x "},
        {L"setup.exe /ini=D:/x", L"/ini=", true, L"D:"},
        {L"setup.exe x/desktop=5", L"/desktop=", true, L"5"},
        {L"setup.exe /desktop=", L"/desktop=", true, L""},
        {L"setup.exe /desktop=/group=2", L"/desktop=", true, L""},
        {L"setup.exe /group=2", L"/desktop=", false, L""},
        {L"setup.exe /Desktop=2", L"/desktop=", false, L""},
    };
    for (const Case& c : cases) {
        wchar_t value[64] = L"left over";
        EXPECT_EQ(FindSwitchValue(c.line, c.name, value, 64), c.found) << Show(c.line) << " " << Show(c.name);
        EXPECT_EQ(std::wstring(value), c.value) << Show(c.line) << " " << Show(c.name);
    }
}

// The value never reaches past the 260th character counted from the start of the switch name.
TEST(FindSwitchValue, ValueWindowIs260CharactersFromTheName)
{
    struct Case {
        const wchar_t* name;
        std::size_t valueChars; // characters given after the name
        std::size_t expected;
    };
    const Case cases[] = {
        {L"/folder=", 251, 251}, {L"/folder=", 252, 252}, {L"/folder=", 253, 252},  {L"/folder=", 400, 252},
        {L"/ini=", 255, 255},    {L"/ini=", 256, 255},    {L"/desktop=", 400, 251},
    };
    for (const Case& c : cases) {
        std::wstring line = L"setup.exe " + std::wstring(c.name) + std::wstring(c.valueChars, L'v');
        std::vector<wchar_t> value(ph::kWorkPathChars, L'#');
        ASSERT_TRUE(FindSwitchValue(line.c_str(), c.name, value.data(), value.size()));
        EXPECT_EQ(std::wcslen(value.data()), c.expected) << Show(c.name) << " with " << c.valueChars;
    }
}

TEST(FindSwitchValue, ValueIsCutToItsBuffer)
{
    wchar_t value[8];
    std::fill(std::begin(value), std::end(value), L'#');
    ASSERT_TRUE(FindSwitchValue(L"/ini=abcdefghijk", L"/ini=", value, 4));
    EXPECT_EQ(std::wstring(value), L"abc");
    EXPECT_EQ(value[4], L'#');
}

TEST(StripQuotesAndBlanks, RemovesOneQuoteAtEachEndAndTrailingBlanks)
{
    struct Case {
        const wchar_t* input;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"\"D:\\My Apps\\Photavian\" ", L"D:\\My Apps\\Photavian"},
        {L"\"D:\\My Apps\\Photavian\"", L"D:\\My Apps\\Photavian"},
        {L"D:\\Apps   ", L"D:\\Apps"},
        {L"\"", L""},
        {L"\" ", L""},
        {L"\"\"", L""},
        {L"\"\"\"", L"\""},
        {L"D:\\Apps\"", L"D:\\Apps"},
        {L"\"D:\\Apps", L"D:\\Apps"},
        {L"  D:\\Apps  ", L"  D:\\Apps"},
        {L"\" D:\\Apps \"", L" D:\\Apps"},
        {L"\"D:\\Apps \" ", L"D:\\Apps"},
        {L"D:\\\"Apps\"\\x", L"D:\\\"Apps\"\\x"},
        {L"\tD:\\Apps\t", L"\tD:\\Apps\t"},
        {L"   ", L""},
        {L"", L""},
    };
    for (const Case& c : cases) {
        std::vector<wchar_t> text(c.input, c.input + std::wcslen(c.input) + 1);
        StripQuotesAndBlanks(text.data());
        EXPECT_EQ(std::wstring(text.data()), c.expected) << Show(c.input);
    }
}

TEST(ReadSwitchInteger, ReadsLeadingDecimalNumber)
{
    struct Case {
        const wchar_t* text;
        int expected;
    };
    const Case cases[] = {
        {L"1", 1},
        {L" 1", 1},
        {L"\t \t7", 7},
        {L"1 ", 1},
        {L"+5", 5},
        {L"-3", -3},
        {L"007", 7},
        {L"12abc", 12},
        {L"abc", 0},
        {L"", 0},
        {L"-", 0},
        {L"- 1", 0},
        {L"0x10", 0},
        {L"2147483647", INT_MAX},
        {L"2147483648", INT_MAX},
        {L"99999999999999999999999", INT_MAX},
        {L"-2147483648", INT_MIN},
        {L"-2147483649", INT_MIN},
        {L"-99999999999999999999999", INT_MIN},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadSwitchInteger(c.text), c.expected) << Show(c.text);
    }
}

TEST(ApplySilentSwitches, WithoutSwitchesTheDefaultsStay)
{
    InstallOptions options = Applied(L"\"C:\\Downloads\\setup.exe\" /silent");
    EXPECT_EQ(std::wstring(options.destinationFolder), kDefaultDestination);
    EXPECT_EQ(std::wstring(options.iniFolder), kDefaultIniFolder);
    EXPECT_EQ(options.desktopShortcut, 0);
    EXPECT_EQ(options.thumbnailsShortcut, 0);
    EXPECT_EQ(options.startMenuGroup, 0);
    EXPECT_EQ(options.allUsers, 0);
    EXPECT_EQ(options.associate, 0);
    EXPECT_EQ(SetFlagCount(options), 0);
    EXPECT_EQ(options.silent, 1);
    EXPECT_EQ(std::wstring(options.caption), kCaption);
}

TEST(ApplySilentSwitches, FolderValues)
{
    struct Case {
        const wchar_t* line;
        const wchar_t* destination;
        const wchar_t* iniFolder;
    };
    const Case cases[] = {
        {L"setup.exe /silent /folder=D:\\Apps\\Photavian", L"D:\\Apps\\Photavian", kDefaultIniFolder},
        {L"setup.exe /silent /folder=\"D:\\My Apps\\Photavian\" /group=1", L"D:\\My Apps\\Photavian",
         kDefaultIniFolder},
        {L"setup.exe /silent /folder=D:\\A /folder=D:\\B", L"D:\\A", kDefaultIniFolder},
        {L"setup.exe /silent /folder=  D:\\A", L"  D:\\A", kDefaultIniFolder},
        // An empty value replaces the default: the run then reports an invalid destination.
        {L"setup.exe /silent /folder=/desktop=1", L"", kDefaultIniFolder},
        {L"setup.exe /silent /folder=", L"", kDefaultIniFolder},
        {L"setup.exe /silent /folder=    ", L"", kDefaultIniFolder},
        {L"setup.exe /silent /folder=\"\"", L"", kDefaultIniFolder},
        {L"setup.exe /silent /ini=", kDefaultDestination, L""},
        {L"setup.exe /silent /ini= /group=1", kDefaultDestination, L""},
        {L"setup.exe /silent /ini=D:/Settings", kDefaultDestination, L"D:"},
        {L"setup.exe /silent /ini=\"E:\\Settings\" /folder=F:\\P", L"F:\\P", L"E:\\Settings"},
        // Found anywhere, even inside the program's own path.
        {L"\"C:\\dl/ini=X\\setup.exe\" /silent", kDefaultDestination, L"X\\setup.exe"},
    };
    for (const Case& c : cases) {
        InstallOptions options = Applied(c.line);
        EXPECT_EQ(std::wstring(options.destinationFolder), c.destination) << Show(c.line);
        EXPECT_EQ(std::wstring(options.iniFolder), c.iniFolder) << Show(c.line);
    }
}

TEST(ApplySilentSwitches, IntegerSwitchesFillTheirOwnFields)
{
    struct Case {
        const wchar_t* line;
        int desktop;
        int thumbs;
        int group;
        int allUsers;
    };
    const Case cases[] = {
        {L"setup.exe /silent /desktop=1 /thumbs=2 /group=3 /allusers=4", 1, 2, 3, 4},
        {L"setup.exe /silent /allusers=4 /group=3 /thumbs=2 /desktop=1", 1, 2, 3, 4},
        {L"setup.exe /silent /desktop=1/group=2", 1, 0, 2, 0},
        {L"setup.exe /silent /desktop=/group=2", 0, 0, 2, 0},
        {L"setup.exe /silent /desktop=abc", 0, 0, 0, 0},
        {L"setup.exe /silent /desktop= 1", 1, 0, 0, 0},
        {L"setup.exe /silent /desktop=12abc", 12, 0, 0, 0},
        {L"setup.exe /silent /desktop=-1", -1, 0, 0, 0},
        {L"setup.exe /silent /group=1 /group=0", 0, 0, 1, 0},
        {L"setup.exe /silent /group=0 /group=1", 0, 0, 0, 0},
        {L"setup.exe /silent /thumbs=99999999999", 0, INT_MAX, 0, 0},
        {L"setup.exe /silent /Desktop=1 /GROUP=1", 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        InstallOptions options = Applied(c.line);
        EXPECT_EQ(options.desktopShortcut, c.desktop) << Show(c.line);
        EXPECT_EQ(options.thumbnailsShortcut, c.thumbs) << Show(c.line);
        EXPECT_EQ(options.startMenuGroup, c.group) << Show(c.line);
        EXPECT_EQ(options.allUsers, c.allUsers) << Show(c.line);
    }
}

TEST(ApplySilentSwitches, AssocSetsTheImageRowsOrAllRows)
{
    struct Case {
        const wchar_t* line;
        std::size_t rows; // flags 0 .. rows-1 set, the rest clear
    };
    const Case cases[] = {
        {L"setup.exe /silent /assoc=1", 49},          {L"setup.exe /silent /assoc=2", 64},
        {L"setup.exe /silent /assoc= 2", 64},         {L"setup.exe /silent /assoc=01", 49},
        {L"setup.exe /silent /assoc=1 /assoc=2", 49}, {L"setup.exe /silent /assoc=3", 0},
        {L"setup.exe /silent /assoc=0", 0},           {L"setup.exe /silent /assoc=-1", 0},
        {L"setup.exe /silent /assoc=x", 0},           {L"setup.exe /silent /assoc=", 0},
        {L"setup.exe /silent /assocallusers", 0},     {L"setup.exe /silent /assocallusers /assoc=2", 64},
    };
    for (const Case& c : cases) {
        InstallOptions options = Applied(c.line);
        for (std::size_t i = 0; i < ph::kAssociationFlagCount; ++i) {
            EXPECT_EQ(options.associationFlags[i], i < c.rows ? 1 : 0) << Show(c.line) << " flag " << i;
        }
        EXPECT_EQ(options.associate, c.rows > 0 ? 1 : 0) << Show(c.line);
    }
}

// Only the first 519 characters of the command line are searched.
TEST(ApplySilentSwitches, SwitchesBeyondCharacter519AreNotSeen)
{
    const std::wstring head = L"setup.exe /silent ";
    auto padTo = [&head](std::size_t index) { return head + std::wstring(index - head.size(), L'p'); };

    // "/desktop=7" ends at index 518: seen.
    EXPECT_EQ(Applied(padTo(509) + L"/desktop=7").desktopShortcut, 7);
    // One character later its value lies at index 519: cut away.
    EXPECT_EQ(Applied(padTo(510) + L"/desktop=7").desktopShortcut, 0);
    // A name starting at index 519 is not found at all.
    EXPECT_EQ(Applied(padTo(519) + L"/group=1").startMenuGroup, 0);
    // A destination the cut hides or shortens would be another folder than the one given: it is
    // left empty, so that the run refuses it rather than installing into the default folder or
    // into the part of the path before the cut.
    EXPECT_EQ(std::wstring(Applied(padTo(519) + L"/folder=D:\\x").destinationFolder), L"");
    EXPECT_EQ(std::wstring(Applied(padTo(500) + L"/folder=D:\\abcdefghijklmnop").destinationFolder), L"");
    // Only blanks or a closing quote beyond the cut change nothing.
    EXPECT_EQ(std::wstring(Applied(padTo(500) + L"/folder=D:\\abcdefgh   ").destinationFolder), L"D:\\abcdefgh");
    EXPECT_EQ(std::wstring(Applied(padTo(499) + L"/folder=\"D:\\abcdefgh\" ").destinationFolder), L"D:\\abcdefgh");
}

TEST(ApplySilentSwitches, LongFolderValuesStopAtTheWindow)
{
    InstallOptions options = Applied(L"setup.exe /silent /folder=" + std::wstring(500, L'f') + L" /ini="
                                     + std::wstring(300, L'i'));
    EXPECT_EQ(std::wstring(options.destinationFolder), std::wstring(252, L'f'));
    // The "/ini=" name lies beyond 519 characters here: its default stays.
    EXPECT_EQ(std::wstring(options.iniFolder), kDefaultIniFolder);

    options = Applied(L"setup.exe /silent /ini=" + std::wstring(400, L'i'));
    EXPECT_EQ(std::wstring(options.iniFolder), std::wstring(255, L'i'));
}

// Random and over-long command lines: the parser must stay inside its buffers and keep the
// rules that hold for every input.
TEST(ApplySilentSwitches, RandomCommandLinesStayWithinTheBuffers)
{
    const std::vector<std::wstring> fragments = {
        L"/silent",
        L"/folder=",
        L"/ini=",
        L"/desktop=",
        L"/thumbs=",
        L"/group=",
        L"/allusers=",
        L"/assoc=",
        L"/assocallusers",
        L"\"",
        L"/",
        L" ",
        L"   ",
        L"\\",
        L"\t",
        L"=",
        L"C:",
        L"D:\\Apps\\Photavian",
        L"0",
        L"1",
        L"2",
        L"3",
        L"-",
        L"+",
        L"99999999999999999999",
        L"\u00e9",
        L"\u20ac",
        L"\U0001F600",
        L"\\\\server\\share",
        L"%APPDATA%",
    };
    const wchar_t runCharacters[] = {L'a', L' ', L'"', L'/', L'\\', L'1', L'\u00e9', L'\u4e2d'};

    std::mt19937 random(20240611u);
    auto below = [&random](std::size_t n) { return static_cast<std::size_t>(random() % n); };

    for (int round = 0; round < 3000; ++round) {
        std::wstring line = L"setup.exe";
        std::size_t pieces = below(40);
        bool overLong = below(10) == 0;
        for (std::size_t p = 0; p < pieces || (overLong && line.size() < 2000); ++p) {
            if (below(8) == 0) {
                line.append(1 + below(700), runCharacters[below(std::size(runCharacters))]);
            } else {
                line += fragments[below(fragments.size())];
            }
        }

        InstallOptions options = Applied(line);

        SCOPED_TRACE("round " + std::to_string(round) + ": " + Show(line.substr(0, 200)));
        ASSERT_LT(::wcsnlen(options.destinationFolder, ph::kWorkPathChars), ph::kWorkPathChars);
        ASSERT_LT(::wcsnlen(options.iniFolder, ph::kWorkPathChars), ph::kWorkPathChars);
        ASSERT_EQ(std::wstring(options.caption), kCaption);
        EXPECT_LE(std::wcslen(options.destinationFolder), 252u);
        EXPECT_LE(std::wcslen(options.iniFolder), 255u);

        const std::wstring seen = line.substr(0, 519);
        std::wstring destination = options.destinationFolder;
        std::wstring iniFolder = options.iniFolder;
        if (line.find(L"/folder=") == std::wstring::npos) {
            EXPECT_EQ(destination, kDefaultDestination);
        } else if (seen.find(L"/folder=") == std::wstring::npos) {
            EXPECT_EQ(destination, L"") << "a folder switch beyond the cut is refused, not ignored";
        } else {
            EXPECT_EQ(destination.find(L'/'), std::wstring::npos);
        }
        if (seen.find(L"/ini=") == std::wstring::npos) {
            EXPECT_EQ(iniFolder, kDefaultIniFolder);
        } else {
            EXPECT_EQ(iniFolder.find(L'/'), std::wstring::npos);
        }
        if (seen.find(L"/desktop=") == std::wstring::npos) {
            EXPECT_EQ(options.desktopShortcut, 0);
        }

        int count = SetFlagCount(options);
        ASSERT_TRUE(count == 0 || count == 49 || count == 64) << count;
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(options.associationFlags[i], 1) << i;
        }
        EXPECT_EQ(options.associate, count > 0 ? 1 : 0);
        if (::testing::Test::HasFailure()) {
            break; // one failing line is enough to see the fault
        }
    }
}

} // namespace
