// The install run in-process, with the default payload embedded in this test program: the
// wizard's confirmation of associations and how the wizard is told about failures.
#include "engine/install_run.h"
#include "base/scoped_override.h"
#include "platform/folder_security.h"
#include "platform/probes.h"
#include "res/resource.h"
#include "support/pinned_message_boxes.h"
#include "support/test_support.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ph::test {
namespace {

constexpr wchar_t kCaption[] = L"Photavian 64-bit Setup";
constexpr wchar_t kUserChoiceOfBmp[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.bmp\\UserChoice";

std::wstring DefaultValue(HKEY hive, const wchar_t* key)
{
    wchar_t value[260] = {};
    LONG bytes = sizeof(value);
    return ::RegQueryValueW(hive, key, value, &bytes) == ERROR_SUCCESS ? value : L"";
}

class InstallRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_hives.ok());
        ::GetCurrentDirectoryW(MAX_PATH, m_previousDirectory);
    }
    void TearDown() override
    {
        // The extraction leaves the destination as the current directory.
        ::SetCurrentDirectoryW(m_previousDirectory);
    }

    // A wizard run into the scratch folder asking for the image types.
    InstallOptions WizardOptions(const std::wstring& destination)
    {
        InstallOptions options;
        CopyTextCut(options.destinationFolder, destination.c_str());
        CopyTextCut(options.caption, kCaption);
        options.silent = 0;
        options.associate = 1;
        for (std::size_t i = 0; i < kImageRowCount; ++i) {
            options.associationFlags[i] = 1;
        }
        return options;
    }

    RedirectedHives m_hives;
    ScratchFolder m_folder{L"install_run"};
    wchar_t m_previousDirectory[MAX_PATH] = {};
    // What the run showed in message boxes, and the answer the user gives.
    PinnedMessageBoxes m_boxes;
};

TEST_F(InstallRun, WizardAsksOnceBeforeAssociating)
{
    m_boxes.Answer(IDYES);
    InstallOptions options = WizardOptions(m_folder / L"yes");

    EXPECT_EQ(RunInstallation(options), 1);

    ASSERT_EQ(m_boxes.Calls().size(), 1u);
    EXPECT_EQ(m_boxes.Calls().back().text, ResourceString(IDS_CONFIRM_ASSOC));
    EXPECT_EQ(m_boxes.Calls().back().caption, kCaption);
    EXPECT_EQ(m_boxes.Calls().back().type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
    EXPECT_EQ(options.associate, 1);
    EXPECT_EQ(DefaultValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\.bmp"), L"Photavian.bmp");
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kUserChoiceOfBmp));
}

TEST_F(InstallRun, WizardAnswerNoInstallsWithoutAssociations)
{
    m_boxes.Answer(IDNO);
    InstallOptions options = WizardOptions(m_folder / L"no");

    EXPECT_EQ(RunInstallation(options), 1);

    ASSERT_EQ(m_boxes.Calls().size(), 1u);
    EXPECT_EQ(options.associate, 0);
    for (int flag : options.associationFlags) {
        EXPECT_EQ(flag, 0);
    }
    EXPECT_TRUE(FileExists(m_folder / L"no\\ph_tav64.exe")) << "the installation itself goes on";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\.bmp"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUserChoiceOfBmp));
    // The always-claimed types and the product's classes are written all the same.
    EXPECT_EQ(DefaultValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\.jpg"), L"Photavian.jpg");
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Photavian.bmp"));
}

TEST_F(InstallRun, SilentRunNeverAsks)
{
    InstallOptions options = WizardOptions(m_folder / L"silent");
    options.silent = 1;

    EXPECT_EQ(RunInstallation(options), 1);

    EXPECT_TRUE(m_boxes.Calls().empty());
    EXPECT_EQ(options.associate, 1);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kUserChoiceOfBmp));
}

TEST_F(InstallRun, WizardShowsAFailureOnceWithTheErrorIcon)
{
    ASSERT_TRUE(WriteFileBytes(m_folder / L"file", "a file, not a folder"));
    struct Case {
        std::wstring destination;
        UINT stringId;
    };
    const Case cases[] = {
        {L"", IDS_INVALID_DEST},
        // Only blanks: trimmed to nothing while the folder is made, so it cannot be created.
        {L"    ", IDS_CREATE_DEST_FAILED},
        {m_folder / L"file\\sub", IDS_CREATE_DEST_FAILED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.destination));
        m_boxes.Clear();
        InstallOptions options = WizardOptions(c.destination);

        EXPECT_EQ(RunInstallation(options), 0);

        ASSERT_EQ(m_boxes.Calls().size(), 1u);
        EXPECT_EQ(m_boxes.Calls().back().text, ResourceString(c.stringId)) << "the wizard shows the message alone";
        EXPECT_EQ(m_boxes.Calls().back().caption, kCaption);
        EXPECT_EQ(m_boxes.Calls().back().type, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Photavian"));
    }
}

// ---- who may change the installation folder -----------------------------------------------------

// What the run asks of the folder security seams, and what they answer: Wine keeps no file
// security, so the descriptors the run reads are pinned and the ones it passes recorded.
struct SecurityLog {
    std::wstring folderOwnerAndList;   // answered for the destination ("" = the real one)
    std::wstring libraryOwnerAndList;  // answered for Plugins\Icons.dll ("" = the real one)
    std::vector<std::wstring> created; // the access list each protected folder was made with
    std::vector<std::wstring> written; // the access list given to an existing folder
};
SecurityLog g_security;

std::wstring AccessListText(PSECURITY_DESCRIPTOR descriptor)
{
    LPWSTR text = nullptr;
    if (descriptor == nullptr
        || ::ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1,
                                                                  DACL_SECURITY_INFORMATION, &text, nullptr)
            == FALSE) {
        return L"(none)";
    }
    std::wstring list = text;
    ::LocalFree(text);
    return list;
}

DWORD PinnedReadSecurity(const wchar_t* path, PSECURITY_DESCRIPTOR* descriptor)
{
    const std::wstring name = path;
    const bool library = name.size() >= 9 && _wcsicmp(name.c_str() + name.size() - 9, L"Icons.dll") == 0;
    const std::wstring& pinned = library ? g_security.libraryOwnerAndList : g_security.folderOwnerAndList;
    if (pinned.empty()) {
        return ::GetNamedSecurityInfoW(path, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                       nullptr, nullptr, nullptr, nullptr, descriptor);
    }
    return ::ConvertStringSecurityDescriptorToSecurityDescriptorW(pinned.c_str(), SDDL_REVISION_1, descriptor, nullptr)
        ? ERROR_SUCCESS
        : ::GetLastError();
}

DWORD RecordAccessList(const wchar_t*, PSECURITY_DESCRIPTOR descriptor)
{
    g_security.written.push_back(AccessListText(descriptor));
    return ERROR_SUCCESS;
}

BOOL RecordCreation(const wchar_t* path, SECURITY_ATTRIBUTES* security)
{
    g_security.created.push_back(AccessListText(security != nullptr ? security->lpSecurityDescriptor : nullptr));
    return ::CreateDirectoryW(path, nullptr);
}

TEST_F(InstallRun, AFolderOutsideTheProgramFilesFoldersIsOneOnlyAdministratorsMayChange)
{
    // Another account, Administrators, the system account; users; everyone.
    const std::wstring other = L"S-1-5-21-1-2-3-1001";
    struct Case {
        const char* what;
        std::wstring folder; // below the scratch folder, or absolute
        bool exists;
        std::wstring ownerAndList; // what the existing folder's security reads
        int result;
        std::vector<std::wstring> created;
        std::vector<std::wstring> written;
    };
    const std::wstring programFiles = L"C:\\Program Files\\PhotavianRunTest";
    const Case cases[] = {
        {"made by the run", m_folder / L"new", false, L"", 1, {kProtectedFolderAccess}, {}},
        {"inside the program-files folder", programFiles, false, L"", 1, {}, {}},
        {"another account's", m_folder / L"theirs", true, L"O:" + other + L"D:(A;OICI;FA;;;" + other + L")", 0, {}, {}},
        {"the administrators', users may write",
         m_folder / L"open",
         true,
         L"O:BAD:(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;BU)",
         1,
         {},
         {kProtectedFolderAccess}},
        {"the system's, only read by users",
         m_folder / L"closed",
         true,
         L"O:SYD:(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)",
         1,
         {},
         {}},
        {"everyone may do anything",
         m_folder / L"everyone",
         true,
         L"O:BAD:(A;OICI;FA;;;WD)",
         1,
         {},
         {kProtectedFolderAccess}},
    };
    ScopedOverride<FolderSecuritySeams> pinned(FolderSecurity(),
                                               FolderSecuritySeams{PinnedReadSecurity, RecordAccessList,
                                                                   RecordCreation});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_security = SecurityLog{};
        g_security.folderOwnerAndList = c.ownerAndList;
        m_boxes.Clear();
        RemoveTree(c.folder);
        if (c.exists) {
            ASSERT_NE(::CreateDirectoryW(c.folder.c_str(), nullptr), FALSE);
        }
        InstallOptions options = WizardOptions(c.folder);
        options.associate = 0;
        RunReport report;
        EXPECT_EQ(RunInstallation(options, &report), c.result);
        EXPECT_EQ(g_security.created, c.created);
        EXPECT_EQ(g_security.written, c.written);
        if (c.result == 0) {
            EXPECT_EQ(report.failure, InstallFailure::DestinationNotTrusted);
            ASSERT_EQ(m_boxes.Calls().size(), 1u);
            EXPECT_EQ(m_boxes.Calls().back().text, ResourceString(IDS_DEST_NOT_TRUSTED));
            EXPECT_EQ(ListTree(c.folder), std::vector<std::wstring>{}) << "nothing written into it";
        }
        ::SetCurrentDirectoryW(m_previousDirectory);
        RemoveTree(c.folder);
    }
}

TEST_F(InstallRun, AnIconLibraryAnotherAccountPlacedIsNeverKept)
{
    // A library claiming a newer version is kept, unless another account placed it.
    const std::wstring folder = m_folder / L"icons";
    ASSERT_NE(::CreateDirectoryW(folder.c_str(), nullptr), FALSE);
    ASSERT_NE(::CreateDirectoryW((folder + L"\\Plugins").c_str(), nullptr), FALSE);
    ASSERT_NE(::CopyFileW(IconFixturePath(L"icons_431_other.dll").c_str(), (folder + L"\\Plugins\\Icons.dll").c_str(),
                          FALSE),
              FALSE);
    const std::string planted = ReadFileBytes(folder + L"\\Plugins\\Icons.dll");
    ScopedOverride<FolderSecuritySeams> pinned(FolderSecurity(),
                                               FolderSecuritySeams{PinnedReadSecurity, RecordAccessList,
                                                                   RecordCreation});
    for (const bool theirs : {false, true}) {
        SCOPED_TRACE(theirs ? "placed by another account" : "placed by an administrator");
        g_security = SecurityLog{};
        g_security.libraryOwnerAndList = theirs ? L"O:S-1-5-21-1-2-3-1001D:(A;;FA;;;S-1-5-21-1-2-3-1001)" : L"O:BAD:";
        InstallOptions options = WizardOptions(folder);
        options.associate = 0;
        EXPECT_EQ(RunInstallation(options), 1);
        EXPECT_EQ(ReadFileBytes(folder + L"\\Plugins\\Icons.dll") == planted, !theirs);
        ::SetCurrentDirectoryW(m_previousDirectory);
    }
}

} // namespace
} // namespace ph::test
