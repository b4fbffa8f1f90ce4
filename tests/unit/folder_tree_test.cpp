// EnsureFolderTree: creating a folder with its parents and cleaning the caller's path.
#include "base/folder_tree.h"
#include "base/text.h"
#include "support/test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ph::test::FileExists;
using ph::test::FolderExists;

std::wstring CurrentDirectory()
{
    wchar_t folder[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, folder);
    return folder;
}

std::string Show(const std::wstring& text)
{
    return testing::PrintToString(text);
}

class EnsureFolderTreeTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_savedDirectory = CurrentDirectory();
        ASSERT_NE(::CreateDirectoryW(Home().c_str(), nullptr), FALSE);
        ASSERT_NE(::SetCurrentDirectoryW(Home().c_str()), FALSE);
    }
    void TearDown() override { ::SetCurrentDirectoryW(m_savedDirectory.c_str()); }

    // The current directory of every test: EnsureFolderTree must leave it as it is.
    std::wstring Home() const { return m_scratch / L"home"; }
    const std::wstring& Root() const { return m_scratch.Path(); }

    // Runs EnsureFolderTree on a copy of path in a buffer of the given size.
    bool Ensure(const std::wstring& path, std::wstring& cleaned, std::size_t bufferChars = ph::kWorkPathChars)
    {
        std::vector<wchar_t> buffer(bufferChars, L'\0');
        ph::CopyTextCut(buffer.data(), buffer.size(), path.c_str());
        bool result = ph::EnsureFolderTree(buffer.data(), buffer.size());
        cleaned = buffer.data();
        EXPECT_EQ(CurrentDirectory(), Home()) << "the current directory changed for " << Show(path);
        return result;
    }

private:
    ph::test::ScratchFolder m_scratch{L"folder_tree"};
    std::wstring m_savedDirectory;
};

TEST_F(EnsureFolderTreeTest, CreatesMissingParents)
{
    std::wstring cleaned;
    EXPECT_TRUE(Ensure(Root() + L"\\a\\b\\c", cleaned));
    EXPECT_EQ(cleaned, Root() + L"\\a\\b\\c\\");
    EXPECT_TRUE(FolderExists(Root() + L"\\a\\b\\c"));
}

TEST_F(EnsureFolderTreeTest, ExistingFolderGetsItsBackslash)
{
    std::wstring cleaned;
    EXPECT_TRUE(Ensure(Root(), cleaned));
    EXPECT_EQ(cleaned, Root() + L"\\");
    EXPECT_TRUE(Ensure(Root() + L"\\", cleaned));
    EXPECT_EQ(cleaned, Root() + L"\\");
}

TEST_F(EnsureFolderTreeTest, BlanksAreTrimmedAtEveryLevel)
{
    struct Case {
        std::wstring input;
        std::wstring cleaned;
        std::wstring folder; // must exist afterwards
    };
    const Case cases[] = {
        {Root() + L"\\x\\a  \\b \\c", Root() + L"\\x\\a\\b\\c\\", Root() + L"\\x\\a\\b\\c"},
        {Root() + L"\\t   ", Root() + L"\\t\\", Root() + L"\\t"},
        {L"   " + Root() + L"\\lead  ", Root() + L"\\lead\\", Root() + L"\\lead"},
        {Root() + L"\\u \\ \\v", Root() + L"\\u\\v\\", Root() + L"\\u\\v"},
        // A blank after a backslash starts a level's name and stays.
        {Root() + L"\\ w", Root() + L"\\ w\\", Root() + L"\\ w"},
        // Tabs are not blanks.
        {Root() + L"\\tab\t\\y", Root() + L"\\tab\t\\y\\", L""},
    };
    for (const Case& c : cases) {
        std::wstring cleaned;
        bool created = Ensure(c.input, cleaned);
        EXPECT_EQ(cleaned, c.cleaned) << Show(c.input);
        if (!c.folder.empty()) {
            EXPECT_TRUE(created) << Show(c.input);
            EXPECT_TRUE(FolderExists(c.folder)) << Show(c.input);
        }
    }
}

TEST_F(EnsureFolderTreeTest, EmptyOrBlankPathFails)
{
    for (const std::wstring& path : {std::wstring(L""), std::wstring(L" "), std::wstring(L"     ")}) {
        std::wstring cleaned = L"x";
        EXPECT_FALSE(Ensure(path, cleaned)) << Show(path);
        EXPECT_EQ(cleaned, L"") << Show(path);
    }
}

TEST_F(EnsureFolderTreeTest, FileStandingInTheWayFails)
{
    ASSERT_TRUE(ph::test::WriteFileBytes(Root() + L"\\blocker", "a file"));
    std::wstring cleaned;
    EXPECT_FALSE(Ensure(Root() + L"\\blocker\\sub", cleaned));
    EXPECT_EQ(cleaned, Root() + L"\\blocker\\sub\\");
    EXPECT_TRUE(FileExists(Root() + L"\\blocker"));
    EXPECT_FALSE(Ensure(Root() + L"\\blocker", cleaned));
}

TEST_F(EnsureFolderTreeTest, UncPrefixIsKept)
{
    std::wstring cleaned;
    EXPECT_FALSE(Ensure(L"\\\\ph-no-such-server \\share \\dir", cleaned));
    EXPECT_EQ(cleaned, L"\\\\ph-no-such-server\\share\\dir\\");
}

// A path of n characters below the scratch folder, made of levels of at most 100 characters.
std::wstring PathOfLength(const std::wstring& root, std::size_t n)
{
    std::wstring path = root;
    wchar_t letter = L'a';
    while (path.size() < n) {
        std::size_t room = n - path.size() - 1; // after the backslash
        std::size_t level = room > 100 ? 100 : room;
        if (room > 100 && room - 100 < 2) {
            level = 90; // leave room for a last level of at least one character
        }
        path += L'\\';
        path += std::wstring(level, letter++);
    }
    return path;
}

TEST_F(EnsureFolderTreeTest, BackslashIsAppendedOnlyUpTo258Characters)
{
    struct Case {
        std::size_t length;
        std::size_t bufferChars;
        bool backslash;
    };
    const Case cases[] = {
        {257, ph::kWorkPathChars, true}, {258, ph::kWorkPathChars, true}, {259, ph::kWorkPathChars, false},
        {258, ph::kPathChars, true},     {259, ph::kPathChars, false},
    };
    for (const Case& c : cases) {
        std::wstring path = PathOfLength(Root(), c.length);
        ASSERT_EQ(path.size(), c.length);
        std::wstring cleaned;
        bool created = Ensure(path, cleaned, c.bufferChars);
        EXPECT_EQ(cleaned, c.backslash ? path + L"\\" : path) << c.length << " characters";
        EXPECT_EQ(created, FolderExists(path)) << c.length << " characters";
        EXPECT_TRUE(FolderExists(path.substr(0, path.rfind(L'\\')))) << "parents of " << c.length << " characters";
        if (c.backslash) {
            EXPECT_TRUE(created) << c.length << " characters";
        }
    }
}

} // namespace
