// What the next run does with the leftovers of an interrupted one, for each moment it can be
// interrupted at: before everything was staged, in the middle of the swap, with a staged file that
// did not survive, after the swap.
#include "engine/staging.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

namespace {

using ph::test::ListTree;
using ph::test::ReadFileBytes;
using ph::test::WriteFileBytes;

const std::string kOld = "old version";
const std::string kNew = "new version";

std::wstring Hex(unsigned long long number)
{
    wchar_t text[24] = {};
    std::swprintf(text, 24, L"%llx", number);
    return text;
}

// A journal line for a file of the new version.
std::wstring FileLine(wchar_t kind, const wchar_t* name)
{
    const unsigned long crc = crc32(0L, reinterpret_cast<const Bytef*>(kNew.data()), static_cast<uInt>(kNew.size()));
    return std::wstring(1, kind) + L"\t" + Hex(kNew.size()) + L"\t" + Hex(crc) + L"\t" + name;
}

TEST(StagingRecovery, EachMomentOfAnInterruptedRunIsFinishedOrUndone)
{
    struct Case {
        const char* what;
        std::vector<std::pair<std::wstring, std::string>> files; // what the interrupted run left
        std::vector<std::wstring> journal;                       // after the header
        std::vector<std::pair<std::wstring, std::string>> after; // the folder once the next run began
        std::size_t cutAfterChars = 0; // the journal's text ends after this many characters (0: whole)
    };
    const std::wstring stagedA = FileLine(L'F', L"a.txt");
    const std::wstring stagedB = FileLine(L'F', L"b.txt");
    const std::wstring inside = FileLine(L'I', L"N\\x.txt");
    const Case cases[] = {
        {"before everything was staged",
         {{L"a.txt", kOld}, {L"b.txt", kOld}, {L"a.txt.ph-new", kNew}, {L"N.ph-new\\x.txt", kNew}},
         {stagedA, L"D\tN", inside, stagedB},
         {{L"a.txt", kOld}, {L"b.txt", kOld}}},
        {"in the middle of the swap",
         {{L"a.txt", kNew},
          {L"a.txt.ph-old", kOld},
          {L"b.txt", kOld},
          {L"b.txt.ph-new", kNew},
          {L"N.ph-new\\x.txt", kNew}},
         {stagedA, stagedB, L"D\tN", inside, L"C"},
         {{L"N\\", ""}, {L"N\\x.txt", kNew}, {L"a.txt", kNew}, {L"b.txt", kNew}}},
        {"between renaming a file aside and the new one in",
         {{L"a.txt.ph-old", kOld}, {L"a.txt.ph-new", kNew}, {L"b.txt", kOld}, {L"b.txt.ph-new", kNew}},
         {stagedA, stagedB, L"C"},
         {{L"a.txt", kNew}, {L"b.txt", kNew}}},
        {"with a staged file that did not survive",
         {{L"a.txt", kNew},
          {L"a.txt.ph-old", kOld},
          {L"b.txt", kOld},
          {L"b.txt.ph-new", "new"},
          {L"N.ph-new\\x.txt", kNew}},
         {stagedA, stagedB, L"D\tN", inside, L"C"},
         {{L"a.txt", kOld}, {L"b.txt", kOld}}},
        {"while its journal was begun", {{L"a.txt", kOld}}, {stagedA}, {{L"a.txt", kOld}}, 12},
        {"after the swap, an old copy still there",
         {{L"a.txt", kNew}, {L"a.txt.ph-old", kOld}, {L"b.txt", kNew}},
         {stagedA, stagedB, L"C", L"S"},
         {{L"a.txt", kNew}, {L"b.txt", kNew}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ph::test::ScratchFolder folder(L"staging_recovery");
        for (const auto& [name, bytes] : c.files) {
            const std::size_t slash = name.rfind(L'\\');
            if (slash != std::wstring::npos) {
                ::CreateDirectoryW((folder / name.substr(0, slash)).c_str(), nullptr);
            }
            ASSERT_TRUE(WriteFileBytes(folder / name, bytes));
        }
        std::wstring journal = L"\xFEFFphotavian-setup-journal 1\r\n";
        for (const std::wstring& line : c.journal) {
            journal += line + L"\r\n";
        }
        std::string bytes(reinterpret_cast<const char*>(journal.data()), journal.size() * 2);
        if (c.cutAfterChars > 0) {
            bytes.resize(c.cutAfterChars * 2 + 1); // and half a character
        }
        ASSERT_TRUE(WriteFileBytes(folder / L"Photavian_Setup.journal", bytes));

        {
            ph::StagedInstallation staging((folder.Path() + L"\\").c_str());
            ASSERT_EQ(staging.Begin(), static_cast<DWORD>(ERROR_SUCCESS));
            staging.Discard(); // this run stages nothing of its own
        }
        std::vector<std::wstring> expected;
        for (const auto& [name, bytes] : c.after) {
            expected.push_back(name);
            if (name.back() != L'\\') {
                EXPECT_EQ(ReadFileBytes(folder / name), bytes) << ph::test::Narrow(name);
            }
        }
        EXPECT_EQ(ListTree(folder.Path()), expected);
    }
}

} // namespace
