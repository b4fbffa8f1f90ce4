// Opening files and folders as exactly what their paths name: links, junctions and second names
// planted in the way are refused, and nothing is written where they lead.
#include "base/verified_files.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using ph::test::FileExists;
using ph::test::ReadFileBytes;
using ph::test::WriteFileBytes;

class VerifiedFilesTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WriteFileBytes(m_victims / L"victim.txt", "victim"));
        ASSERT_NE(::CreateDirectoryW((m_work / L"real").c_str(), nullptr), FALSE);
        ASSERT_TRUE(WriteFileBytes(m_work / L"real\\plain.txt", "plain"));
    }

    // Opens path for writing with disposition; the error when it was refused.
    DWORD OpenForWriting(const std::wstring& path, DWORD disposition, DWORD flags = FILE_ATTRIBUTE_NORMAL)
    {
        DWORD error = ERROR_SUCCESS;
        ph::UniqueFile file = ph::OpenAsNamed(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, disposition, flags, error);
        EXPECT_EQ(static_cast<bool>(file), error == ERROR_SUCCESS);
        if (file && (flags & FILE_FLAG_BACKUP_SEMANTICS) == 0) {
            DWORD written = 0;
            ::WriteFile(file.get(), "new", 3, &written, nullptr);
        }
        return error;
    }

    ph::test::ScratchFolder m_work{L"verified_work"};
    ph::test::ScratchFolder m_victims{L"verified_victims"};
};

TEST_F(VerifiedFilesTest, OpensOnlyWhatThePathNames)
{
    ASSERT_TRUE(ph::test::PlantLink(m_work / L"file-link.txt", m_victims / L"victim.txt"));
    ASSERT_TRUE(ph::test::PlantLink(m_work / L"folder-link", m_victims.Path()));
    ASSERT_TRUE(ph::test::PlantLink(m_work / L"dangling.txt", m_victims / L"missing.txt"));
    ASSERT_NE(::CreateHardLinkW((m_work / L"second-name.txt").c_str(), (m_victims / L"victim.txt").c_str(), nullptr),
              FALSE);
    struct Case {
        const wchar_t* path; // below the work folder
        DWORD disposition;
        DWORD error;
    };
    const Case cases[] = {
        {L"real\\plain.txt", OPEN_EXISTING, ERROR_SUCCESS},
        {L"real\\fresh.txt", CREATE_NEW, ERROR_SUCCESS},
        {L"file-link.txt", OPEN_EXISTING, ph::kErrorRedirected},
        {L"file-link.txt", OPEN_ALWAYS, ph::kErrorRedirected},
        {L"second-name.txt", OPEN_EXISTING, ph::kErrorRedirected},
        {L"folder-link\\victim.txt", OPEN_EXISTING, ph::kErrorRedirected},
        {L"folder-link\\planted.txt", CREATE_NEW, ph::kErrorRedirected},
        {L"dangling.txt", CREATE_NEW, ERROR_FILE_EXISTS},
        {L"dangling.txt", OPEN_ALWAYS, ERROR_FILE_EXISTS},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ph::test::Narrow(c.path));
        EXPECT_EQ(OpenForWriting(m_work / c.path, c.disposition), c.error);
        EXPECT_EQ(ReadFileBytes(m_victims / L"victim.txt"), "victim");
        EXPECT_FALSE(FileExists(m_victims / L"planted.txt")) << "a file made through a link is removed again";
        EXPECT_FALSE(FileExists(m_victims / L"missing.txt"));
    }
    EXPECT_EQ(ReadFileBytes(m_work / L"real\\plain.txt").substr(0, 3), "new");

    // Folders: a real one opens, a link to one does not.
    EXPECT_EQ(OpenForWriting(m_work / L"real", OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS), ERROR_SUCCESS);
    EXPECT_EQ(OpenForWriting(m_work / L"folder-link", OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS), ph::kErrorRedirected);
}

TEST_F(VerifiedFilesTest, RenamesAndDeletesTheFileItOpened)
{
    DWORD error = ERROR_SUCCESS;
    {
        ph::UniqueFile file = ph::OpenAsNamed((m_work / L"real\\plain.txt").c_str(), DELETE, FILE_SHARE_READ,
                                              OPEN_EXISTING, 0, error);
        ASSERT_TRUE(file) << error;
        EXPECT_EQ(ph::RenameThroughHandle(file.get(), (m_work / L"real\\renamed.txt").c_str(), false), ERROR_SUCCESS);
    }
    EXPECT_FALSE(FileExists(m_work / L"real\\plain.txt"));
    EXPECT_EQ(ReadFileBytes(m_work / L"real\\renamed.txt"), "plain");
    {
        ph::UniqueFile file = ph::OpenAsNamed((m_work / L"real\\renamed.txt").c_str(), DELETE, FILE_SHARE_READ,
                                              OPEN_EXISTING, 0, error);
        ASSERT_TRUE(file) << error;
        EXPECT_EQ(ph::DeleteThroughHandle(file.get()), ERROR_SUCCESS);
    }
    EXPECT_FALSE(FileExists(m_work / L"real\\renamed.txt"));
}

} // namespace
