// Text rules shared by the installation: blank trimming and the fixed-buffer copy helpers.
#include "base/folder_tree.h"
#include "base/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

namespace {

using ph::AppendTextWhole;
using ph::CopyTextCut;
using ph::CopyTextWhole;
using ph::TrimBlanks;

std::wstring Trimmed(const std::wstring& text)
{
    std::vector<wchar_t> buffer(text.begin(), text.end());
    buffer.resize(text.size() + 1, L'\0');
    TrimBlanks(buffer.data());
    return buffer.data();
}

TEST(TrimBlanks, TrimsBlanksButNotTabsOrQuotes)
{
    struct Case {
        const wchar_t* input;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"C:\\Apps  ", L"C:\\Apps"},
        {L"   C:\\Apps", L"C:\\Apps"},
        {L"  C:\\My Apps  ", L"C:\\My Apps"},
        {L"a b", L"a b"},
        {L"\tC:\\Apps\t", L"\tC:\\Apps\t"},
        {L" \tC:\\Apps\t ", L"\tC:\\Apps\t"},
        {L"\" C:\\Apps \"", L"\" C:\\Apps \""},
        {L" \"C:\\Apps\" ", L"\"C:\\Apps\""},
        {L"    ", L""},
        {L" ", L""},
        {L"", L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Trimmed(c.input), c.expected) << "input \"" << testing::PrintToString(std::wstring(c.input)) << "\"";
    }
}

// Leading blanks go only while the text (after its trailing blanks are gone) is shorter than 260.
TEST(TrimBlanks, LeadingBlanksStayFromLength260)
{
    struct Case {
        std::size_t length; // total length: one leading blank, then letters
        bool leadingRemoved;
    };
    const Case cases[] = {{258, true}, {259, true}, {260, false}, {261, false}, {400, false}};
    for (const Case& c : cases) {
        std::wstring text = L" " + std::wstring(c.length - 1, L'x');
        std::wstring expected = c.leadingRemoved ? text.substr(1) : text;
        EXPECT_EQ(Trimmed(text), expected) << "length " << c.length;
    }
}

TEST(TrimBlanks, LengthIsTakenAfterTrailingBlanksAreGone)
{
    // 262 characters with its trailing blanks, 259 without: the leading blank goes.
    std::wstring body(258, L'x');
    EXPECT_EQ(Trimmed(L" " + body + L"   "), body);
    // 260 characters without trailing blanks: the leading blanks stay.
    std::wstring longBody(258, L'x');
    EXPECT_EQ(Trimmed(L"  " + longBody + L"  "), L"  " + longBody);
}

// A guard character after the capacity shows whether a helper wrote past it.
constexpr wchar_t kGuard = L'#';

TEST(CopyTextCut, CutsToCapacityAndNeverWritesPastIt)
{
    struct Case {
        const wchar_t* source;
        std::size_t capacity;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"abcdefg", 5, L"abcd"}, {L"abcd", 5, L"abcd"}, {L"abc", 5, L"abc"}, {L"", 5, L""}, {L"abc", 1, L""},
    };
    for (const Case& c : cases) {
        wchar_t buffer[8];
        std::fill(std::begin(buffer), std::end(buffer), kGuard);
        CopyTextCut(buffer, c.capacity, c.source);
        EXPECT_EQ(std::wstring(buffer), c.expected) << "capacity " << c.capacity;
        for (std::size_t i = c.capacity; i < 8; ++i) {
            EXPECT_EQ(buffer[i], kGuard) << "written past capacity " << c.capacity << " at " << i;
        }
    }
}

TEST(CopyTextCut, ZeroCapacityWritesNothing)
{
    wchar_t buffer[2] = {kGuard, kGuard};
    CopyTextCut(buffer, 0, L"abc");
    EXPECT_EQ(buffer[0], kGuard);
}

TEST(CopyTextWhole, CopiesOnlyWhenTheWholeTextFits)
{
    wchar_t buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), kGuard);
    ASSERT_TRUE(CopyTextWhole(buffer, 5, L"abcd")); // 4 characters and the terminator
    EXPECT_EQ(std::wstring(buffer), L"abcd");
    EXPECT_EQ(buffer[5], kGuard);

    EXPECT_FALSE(CopyTextWhole(buffer, 5, L"vwxyz"));
    EXPECT_EQ(std::wstring(buffer), L"abcd") << "a refused copy leaves the buffer as it was";

    EXPECT_TRUE(CopyTextWhole(buffer, 1, L""));
    EXPECT_EQ(buffer[0], L'\0');
}

TEST(AppendTextWhole, AppendsOnlyWhenTheResultFits)
{
    wchar_t buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), kGuard);
    buffer[0] = L'a';
    buffer[1] = L'b';
    buffer[2] = L'\0';

    EXPECT_FALSE(AppendTextWhole(buffer, 5, L"cde"));
    EXPECT_EQ(std::wstring(buffer), L"ab") << "a refused append leaves the text as it was";
    EXPECT_EQ(buffer[3], kGuard);

    ASSERT_TRUE(AppendTextWhole(buffer, 5, L"cd")); // exactly fills 5 with the terminator
    EXPECT_EQ(std::wstring(buffer), L"abcd");
    EXPECT_EQ(buffer[5], kGuard);

    EXPECT_TRUE(AppendTextWhole(buffer, 5, L""));
    EXPECT_EQ(std::wstring(buffer), L"abcd");
    EXPECT_FALSE(AppendTextWhole(buffer, 5, L"e"));
    EXPECT_EQ(std::wstring(buffer), L"abcd");
}

TEST(AppendTextWhole, ArrayFormUsesTheArraySize)
{
    wchar_t path[ph::kPathChars] = {};
    std::wstring folder(249, L'p');
    ASSERT_TRUE(CopyTextWhole(path, folder.c_str()));
    EXPECT_TRUE(AppendTextWhole(path, L"\\Photavian")); // 259 characters: fits
    EXPECT_EQ(std::wcslen(path), 259u);
    EXPECT_FALSE(AppendTextWhole(path, L"x")); // 260 would leave no room for the terminator
    EXPECT_EQ(std::wcslen(path), 259u);
}

TEST(EndsWithBackslash, LooksAtTheLastCharacterOnly)
{
    EXPECT_TRUE(ph::EndsWithBackslash(L"C:\\"));
    EXPECT_TRUE(ph::EndsWithBackslash(L"\\"));
    EXPECT_FALSE(ph::EndsWithBackslash(L"C:\\Apps"));
    EXPECT_FALSE(ph::EndsWithBackslash(L"C:/Apps/"));
    EXPECT_FALSE(ph::EndsWithBackslash(L""));
}

} // namespace
