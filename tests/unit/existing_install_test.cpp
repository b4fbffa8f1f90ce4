// Existing installation, default folder, installed file version and the icon library decision.
#include "engine/existing_install.h"
#include "base/handles.h"
#include "base/product.h"
#include "engine/install_run.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using ph::test::IconFixturePath;

constexpr wchar_t kCurrentVersionKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion";
constexpr wchar_t kFixedDefault[] = L"C:\\Photavian\\";

std::string Show(const std::wstring& text)
{
    return testing::PrintToString(text);
}

TEST(InstallFolderFromOpenCommand, FolderOfTheRegisteredViewer)
{
    struct Case {
        const wchar_t* command;
        int result;
        const wchar_t* folder;
    };
    const Case cases[] = {
        {L"\"D:\\Tools\\Photavian\\ph_tav64.exe\" \"%1\"", 1, L"D:\\Tools\\Photavian\\"},
        {L"\"C:\\Program Files\\Photavian\\ph_tav64.exe\" \"%1\"", 1, L"C:\\Program Files\\Photavian\\"},
        {L"\"D:\\Tools\\Photavian\\ph_tav64.exe", 1, L"D:\\Tools\\Photavian\\"},
        {L"\"D:\\ph_tav64.exe\" \"%1\"", 1, L"D:\\"},
        // Drive without folder: drive and empty directory joined, then the backslash.
        {L"\"D:ph_tav64.exe\" \"%1\"", 1, L"D:\\"},
        // Forward slashes end the directory as well; the backslash is still appended.
        {L"\"D:/Tools/Photavian/ph_tav64.exe\" \"%1\"", 1, L"D:/Tools/Photavian/\\"},
        {L"\"D:\\Tools/Photavian\\ph_tav64.exe\" \"%1\"", 1, L"D:\\Tools/Photavian\\"},
        // The first character is skipped unexamined, whatever it is.
        {L"D:\\x\\ph_tav64.exe", 1, L":\\x\\"},
        {L"xD:\\x\\ph_tav64.exe \"%1\"", 1, L"D:\\x\\"},
        // Not the viewer (the name is compared with its exact case).
        {L"\"D:\\Tools\\Photavian\\viewer.exe\" \"%1\"", 0, L""},
        {L"\"D:\\Tools\\Photavian\\PH_TAV64.EXE\" \"%1\"", 0, L""},
        {L"", 0, L""},
        // A command that names no folder yields no installation.
        {L"\"ph_tav64.exe\" \"%1\"", 0, L""},
    };
    for (const Case& c : cases) {
        wchar_t folder[ph::kPathChars] = L"left over";
        EXPECT_EQ(ph::InstallFolderFromOpenCommand(c.command, folder), c.result) << Show(c.command);
        EXPECT_EQ(std::wstring(folder), c.folder) << Show(c.command);
    }
}

class ExistingInstallFolderTest : public testing::Test {
protected:
    void SetUp() override { ph::test::UnregisterViewer(); }
    void TearDown() override { ph::test::UnregisterViewer(); }

    static int Find(std::wstring& folder)
    {
        wchar_t buffer[ph::kPathChars] = L"left over";
        int result = ph::FindExistingInstallFolder(buffer);
        folder = buffer;
        return result;
    }
};

TEST_F(ExistingInstallFolderTest, NothingRegistered)
{
    std::wstring folder;
    EXPECT_EQ(Find(folder), 0);
    EXPECT_EQ(folder, L"");
}

TEST_F(ExistingInstallFolderTest, RegisteredViewerGivesItsFolder)
{
    ph::test::RegisterViewerAt(L"D:\\Tools\\Photavian\\");
    std::wstring folder;
    EXPECT_EQ(Find(folder), 1);
    EXPECT_EQ(folder, L"D:\\Tools\\Photavian\\");
}

// The open command is read as text of at most 259 characters: "\"" + folder + "ph_tav64.exe\" \"%1\""
// is 19 characters longer than the folder.
TEST_F(ExistingInstallFolderTest, CommandOfAtMost259CharactersIsRead)
{
    struct Case {
        std::size_t folderChars;
        int result;
    };
    const Case cases[] = {{239, 1}, {240, 1}, {241, 0}};
    for (const Case& c : cases) {
        std::wstring folder = L"D:\\" + std::wstring(c.folderChars - 4, L'f') + L"\\";
        ASSERT_EQ(folder.size(), c.folderChars);
        ph::test::RegisterViewerAt(folder);
        std::wstring found;
        EXPECT_EQ(Find(found), c.result) << "command of " << c.folderChars + 19 << " characters";
        EXPECT_EQ(found, c.result == 1 ? folder : L"") << "command of " << c.folderChars + 19 << " characters";
    }
}

TEST_F(ExistingInstallFolderTest, CommandsThatNameNoInstallation)
{
    const std::wstring commands[] = {
        L"\"D:\\Tools\\Other\\other.exe\" \"%1\"",
        L"",
        // Longer than the 259 characters that are read: unreadable, so empty.
        L"\"D:\\" + std::wstring(260, L'x') + L"\\ph_tav64.exe\" \"%1\"",
    };
    for (const std::wstring& command : commands) {
        ASSERT_TRUE(ph::test::SetMachineString(ph::kProductOpenCommandKey.text, nullptr, command));
        std::wstring folder;
        EXPECT_EQ(Find(folder), 0) << Show(command.substr(0, 60));
        EXPECT_EQ(folder, L"") << Show(command.substr(0, 60));
    }
}

// The raw "ProgramFilesDir" value of this prefix, restored after each test.
struct RegistryValue {
    DWORD type = 0;
    std::vector<BYTE> data;
};

std::optional<RegistryValue> ReadProgramFilesValue()
{
    ph::UniqueRegKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kCurrentVersionKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    RegistryValue value;
    DWORD bytes = 0;
    if (::RegQueryValueExW(key.get(), L"ProgramFilesDir", nullptr, &value.type, nullptr, &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.data.resize(bytes);
    if (::RegQueryValueExW(key.get(), L"ProgramFilesDir", nullptr, &value.type, value.data.data(), &bytes)
        != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.data.resize(bytes);
    return value;
}

void DeleteProgramFilesValue()
{
    ph::UniqueRegKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kCurrentVersionKey, 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS) {
        ::RegDeleteValueW(key.get(), L"ProgramFilesDir");
    }
}

class DefaultProgramFilesFolderTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_saved = ReadProgramFilesValue();
        ASSERT_TRUE(m_saved.has_value()) << "the prefix has no ProgramFilesDir";
    }

    void TearDown() override
    {
        ph::UniqueRegKey key;
        ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kCurrentVersionKey, 0, KEY_SET_VALUE, key.put()), ERROR_SUCCESS);
        ASSERT_EQ(::RegSetValueExW(key.get(), L"ProgramFilesDir", 0, m_saved->type, m_saved->data.data(),
                                   static_cast<DWORD>(m_saved->data.size())),
                  ERROR_SUCCESS);
    }

    static std::wstring Folder()
    {
        wchar_t buffer[ph::kPathChars] = L"left over";
        EXPECT_EQ(ph::DefaultProgramFilesFolder(buffer), 1);
        return buffer;
    }

    static void SetProgramFiles(const std::wstring& value)
    {
        ASSERT_TRUE(ph::test::SetMachineString(kCurrentVersionKey, L"ProgramFilesDir", value));
    }

private:
    std::optional<RegistryValue> m_saved;
};

TEST_F(DefaultProgramFilesFolderTest, ProductFolderUnderProgramFiles)
{
    EXPECT_EQ(Folder(), L"C:\\Program Files\\Photavian");
}

TEST_F(DefaultProgramFilesFolderTest, ProgramFilesValues)
{
    struct Case {
        std::wstring value;
        std::wstring expected;
    };
    const std::wstring long249(249, L'p'); // 249 + "\Photavian" = 259 characters: fits
    const std::wstring long250(250, L'p'); // 260 characters would not fit
    const Case cases[] = {
        {L"E:\\Apps", L"E:\\Apps\\Photavian"},
        {L"E:\\Apps\\", L"E:\\Apps\\Photavian"},
        {L"E:\\", L"E:\\Photavian"},
        {long249, long249 + L"\\Photavian"},
        {long249 + L"\\", long249 + L"\\Photavian"},
        {long250, kFixedDefault},
        {long250 + L"\\", kFixedDefault},
        {std::wstring(251, L'p'), kFixedDefault},
        {std::wstring(300, L'p'), kFixedDefault},
    };
    for (const Case& c : cases) {
        SetProgramFiles(c.value);
        EXPECT_EQ(Folder(), c.expected) << "value of " << c.value.size() << " characters "
                                        << Show(c.value.substr(0, 20));
    }
}

TEST_F(DefaultProgramFilesFolderTest, MissingValueGivesTheFixedDefault)
{
    DeleteProgramFilesValue();
    EXPECT_EQ(Folder(), kFixedDefault);
}

struct VersionCase {
    const wchar_t* file;
    const wchar_t* version;
    const wchar_t* company;
};
const VersionCase kVersionedFixtures[] = {
    {L"icons_431_quenmarrow.dll", L"4.31", L"Quenmarrow"},
    {L"icons_431_other.dll", L"4.31", L"Someone Else Ltd"},
    {L"icons_429_quenmarrow.dll", L"4.29", L"Quenmarrow"},
    {L"icons_429_quenmarrow_upper.dll", L"4.29", L"QUENMARROW"},
    {L"icons_429_quenmarrow_mixed.dll", L"4.29", L"qUeNmArRoW"},
    {L"icons_429_other.dll", L"4.29", L"Other Company"},
    {L"icons_430_quenmarrow_small.dll", L"4.30", L"Quenmarrow"},
    {L"icons_430_quenmarrow_226816.dll", L"4.30", L"Quenmarrow"},
    {L"icons_430_quenmarrow_226817.dll", L"4.30", L"Quenmarrow"},
    {L"icons_430_other_226816.dll", L"4.30", L"Other"},
};

TEST(InstalledFileVersion, ReadsVersionAndCompany)
{
    for (const VersionCase& c : kVersionedFixtures) {
        wchar_t version[ph::kVersionTextChars] = L"left over";
        wchar_t company[ph::kCompanyNameChars] = L"left over";
        EXPECT_EQ(ph::InstalledFileVersion(IconFixturePath(c.file).c_str(), version, company), 1) << Show(c.file);
        EXPECT_EQ(std::wstring(version), c.version) << Show(c.file);
        EXPECT_EQ(std::wstring(company), c.company) << Show(c.file);
    }
}

TEST(InstalledFileVersion, CompanyBufferIsOptional)
{
    wchar_t version[ph::kVersionTextChars] = L"left over";
    EXPECT_EQ(ph::InstalledFileVersion(IconFixturePath(L"icons_429_other.dll").c_str(), version, nullptr), 1);
    EXPECT_EQ(std::wstring(version), L"4.29");
}

TEST(InstalledFileVersion, NoVersionLeavesTheTextUntouched)
{
    const std::wstring files[] = {
        IconFixturePath(L"icons_noversion.dll"),
        IconFixturePath(L"icons_missing.dll"),
        L"C:\\ph_tests_nowhere\\Icons.dll",
    };
    for (const std::wstring& file : files) {
        wchar_t version[ph::kVersionTextChars] = L"left over";
        wchar_t company[ph::kCompanyNameChars] = L"left over";
        EXPECT_EQ(ph::InstalledFileVersion(file.c_str(), version, company), 0) << Show(file);
        EXPECT_EQ(std::wstring(version), L"left over") << Show(file);
    }
}

TEST(ShouldKeepInstalledIconLibrary, DecisionOverTheFixtures)
{
    ASSERT_EQ(ph::test::FileSize(IconFixturePath(L"icons_430_quenmarrow_226816.dll")), 226816);
    ASSERT_EQ(ph::test::FileSize(IconFixturePath(L"icons_430_quenmarrow_226817.dll")), 226817);
    ASSERT_EQ(ph::test::FileSize(IconFixturePath(L"icons_430_other_226816.dll")), 226816);
    ASSERT_LT(ph::test::FileSize(IconFixturePath(L"icons_430_quenmarrow_small.dll")), 226816);

    struct Case {
        const wchar_t* file;
        bool keep;
    };
    const Case cases[] = {
        {L"icons_431_quenmarrow.dll", true}, // newer, any company
        {L"icons_431_other.dll", true},
        {L"icons_429_quenmarrow.dll", false}, // older and ours, in any letter case
        {L"icons_429_quenmarrow_upper.dll", false},
        {L"icons_429_quenmarrow_mixed.dll", false},
        {L"icons_429_other.dll", true},              // older but someone else's
        {L"icons_430_quenmarrow_226816.dll", false}, // the one earlier installers placed
        {L"icons_430_quenmarrow_small.dll", true},
        {L"icons_430_quenmarrow_226817.dll", true},
        {L"icons_430_other_226816.dll", true},
        {L"icons_noversion.dll", false}, // no version information
        {L"icons_missing.dll", false},   // nothing installed
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ph::ShouldKeepInstalledIconLibrary(IconFixturePath(c.file).c_str()), c.keep) << Show(c.file);
    }
}

} // namespace
