// Application registration and the association writer, in-process against the real registry
// with HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER and HKEY_CLASSES_ROOT redirected to scratch keys.
#include "base/handles.h"
#include "shell/associations.h"
#include "shell/registration.h"
#include "support/test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace {

using ph::UniqueRegKey;
using ph::test::Narrow;
using ph::test::KeyExists;
using ph::test::ReadSz;
using ph::test::RedirectedHives;
using ph::test::ScratchFolder;

constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Photavian64";

// ---- the derived texts and the plan ----------------------------------------------------------

TEST(RegistrationTexts, WorkedExampleWithAndWithoutTrailingBackslash)
{
    for (const wchar_t* folder : {L"C:\\Program Files\\Photavian", L"C:\\Program Files\\Photavian\\"}) {
        SCOPED_TRACE(Narrow(folder));
        ph::RegistrationTexts texts;
        ASSERT_TRUE(ph::BuildRegistrationTexts(folder, texts));
        EXPECT_EQ(std::wstring(texts.installFolder), L"C:\\Program Files\\Photavian\\");
        EXPECT_EQ(std::wstring(texts.viewerPath), L"C:\\Program Files\\Photavian\\ph_tav64.exe");
        EXPECT_EQ(std::wstring(texts.openCommand), L"\"C:\\Program Files\\Photavian\\ph_tav64.exe\" \"%1\"");
        EXPECT_EQ(std::wstring(texts.thumbnailsCommand), L"\"C:\\Program Files\\Photavian\\ph_tav64.exe\" \"%1\" /thumbs");
        EXPECT_EQ(std::wstring(texts.viewerCommand), L"\"C:\\Program Files\\Photavian\\ph_tav64.exe\"");
        EXPECT_EQ(std::wstring(texts.uninstallCommand), L"\"C:\\Program Files\\Photavian\\pt_uninstall.exe\"");
        EXPECT_EQ(std::wstring(texts.viewerIcon), L"C:\\Program Files\\Photavian\\ph_tav64.exe,0");
        EXPECT_EQ(std::wstring(texts.audioIcon), L"C:\\Program Files\\Photavian\\ph_tav64.exe,8");
        EXPECT_EQ(std::wstring(texts.videoIcon), L"C:\\Program Files\\Photavian\\ph_tav64.exe,9");
        EXPECT_EQ(std::wstring(texts.displayName), L"Photavian 4.70 (64-bit)");
        EXPECT_EQ(std::wstring(texts.displayVersion), L"4.70");
    }
}

TEST(RegistrationTexts, FolderMustLeaveRoomForTheViewerPath)
{
    // A folder of 247 characters (backslash included) gives a 259-character viewer path.
    struct Case {
        std::size_t folderChars;
        bool fits;
    };
    const Case cases[] = {{247, true}, {248, false}, {300, false}};
    for (const Case& c : cases) {
        std::wstring folder = L"C:\\" + std::wstring(c.folderChars - 4, L'a') + L"\\";
        ASSERT_EQ(folder.size(), c.folderChars);
        ph::RegistrationTexts texts;
        EXPECT_EQ(ph::BuildRegistrationTexts(folder.c_str(), texts), c.fits) << c.folderChars;
        if (c.fits) {
            EXPECT_EQ(std::wstring(texts.viewerPath).size(), 259u);
            EXPECT_EQ(std::wstring(texts.thumbnailsCommand), L"\"" + folder + L"ph_tav64.exe\" \"%1\" /thumbs");
        }
    }
    ph::RegistrationTexts texts;
    EXPECT_FALSE(ph::BuildRegistrationTexts(L"", texts));
}

struct PlanRow {
    ph::RegistryStep step;
    HKEY hive;
    const wchar_t* key;
    const wchar_t* name;
    const wchar_t* text;
    DWORD number;
};

TEST(RegistryPlan, KeysValuesAndOrderWithAndWithoutTheThumbnailsShortcut)
{
    using S = ph::RegistryStep;
    const HKEY lm = HKEY_LOCAL_MACHINE;
    const HKEY cr = HKEY_CLASSES_ROOT;
    const wchar_t* open = L"\"C:\\P\\ph_tav64.exe\" \"%1\"";
    const wchar_t* thumbs = L"\"C:\\P\\ph_tav64.exe\" \"%1\" /thumbs";
    const std::vector<PlanRow> verb = {
        {S::SetDefault, lm, L"SOFTWARE\\Classes\\Directory\\shell\\Browse with &Photavian", nullptr,
         L"Browse with &Photavian", 0},
        {S::SetDefault, lm, L"SOFTWARE\\Classes\\Directory\\shell\\Browse with &Photavian\\command", nullptr, thumbs, 0},
        {S::SetDefault, lm, L"SOFTWARE\\Classes\\Drive\\shell\\Browse with &Photavian", nullptr,
         L"Browse with &Photavian", 0},
        {S::SetDefault, lm, L"SOFTWARE\\Classes\\Drive\\shell\\Browse with &Photavian\\command", nullptr, thumbs, 0},
    };
    const std::vector<PlanRow> always = {
        {S::SetDefault, lm, L"SOFTWARE\\Classes\\Photavian", nullptr, L"Photavian", 0},
        {S::SetDefault, lm, L"SOFTWARE\\Classes\\Photavian\\shell\\open\\command", nullptr, open, 0},
        {S::DeleteKey, lm, L"SOFTWARE\\Classes\\Photavian\\DefaultIcon", nullptr, nullptr, 0},
        {S::SetDefault, cr, L"Applications\\ph_tav64.exe\\shell\\open\\command", nullptr, open, 0},
        {S::OpenForValues, cr, L"Applications\\ph_tav64.exe", nullptr, nullptr, 0},
        {S::NamedString, nullptr, nullptr, L"FriendlyAppName", L"Photavian 64-bit", 0},
        {S::SetDefault, lm, kUninstallKey, nullptr, L"", 0},
        {S::OpenForValues, lm, kUninstallKey, nullptr, nullptr, 0},
        {S::NamedString, nullptr, nullptr, L"DisplayName", L"Photavian 4.70 (64-bit)", 0},
        {S::NamedString, nullptr, nullptr, L"UninstallString", L"\"C:\\P\\pt_uninstall.exe\"", 0},
        {S::NamedString, nullptr, nullptr, L"Publisher", L"Quenmarrow", 0},
        {S::NamedString, nullptr, nullptr, L"InstallLocation", L"C:\\P\\", 0},
        {S::NamedString, nullptr, nullptr, L"DisplayVersion", L"4.70", 0},
        {S::NamedString, nullptr, nullptr, L"DisplayIcon", L"C:\\P\\ph_tav64.exe,0", 0},
        {S::NamedDword, nullptr, nullptr, L"VersionMajor", nullptr, 4},
        {S::NamedDword, nullptr, nullptr, L"VersionMinor", nullptr, 70},
        {S::NamedDword, nullptr, nullptr, L"EstimatedSize", nullptr, 8192},
        {S::CreateKey, lm, L"SOFTWARE\\Photavian", nullptr, nullptr, 0},
        {S::SetDefault, lm, L"SOFTWARE\\Photavian\\shell\\open\\command", nullptr, L"\"C:\\P\\ph_tav64.exe\"", 0},
        {S::CreateForValues, lm, L"SOFTWARE\\Photavian\\Capabilities", nullptr, nullptr, 0},
        {S::NamedString, nullptr, nullptr, L"ApplicationDescription",
         L"Picture viewer, editor and converter - one of the most popular viewers worldwide", 0},
        {S::CreateKey, lm, L"SOFTWARE\\Photavian\\Capabilities\\FileAssociations", nullptr, nullptr, 0},
        {S::OpenForValues, lm, L"SOFTWARE\\RegisteredApplications", nullptr, nullptr, 0},
        {S::NamedString, nullptr, nullptr, L"Photavian", L"SOFTWARE\\Photavian\\Capabilities", 0},
    };
    ph::RegistrationTexts texts;
    ASSERT_TRUE(ph::BuildRegistrationTexts(L"C:\\P", texts));
    for (int thumbnails : {0, 1}) {
        SCOPED_TRACE(thumbnails);
        std::vector<PlanRow> expected = thumbnails != 0 ? verb : std::vector<PlanRow>{};
        expected.insert(expected.end(), always.begin(), always.end());
        ph::RegistryPlan plan;
        ph::BuildRegistryPlan(texts, thumbnails, plan);
        ASSERT_EQ(plan.count, expected.size());
        auto same = [](const wchar_t* a, const wchar_t* b) {
            return (a == nullptr || b == nullptr) ? a == b : std::wstring(a) == b;
        };
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const ph::RegistryWrite& w = plan.writes[i];
            const PlanRow& e = expected[i];
            EXPECT_EQ(w.step, e.step) << "row " << i;
            EXPECT_EQ(w.hive, e.hive) << "row " << i;
            EXPECT_TRUE(same(w.key, e.key)) << "row " << i;
            EXPECT_TRUE(same(w.name, e.name)) << "row " << i;
            EXPECT_TRUE(same(w.text, e.text)) << "row " << i << ": " << (w.text ? Narrow(w.text) : "null");
            EXPECT_EQ(w.number, e.number) << "row " << i;
        }
        // The keys opened for values: all access for the application entries, only setting a
        // value in the list of registered applications.
        for (std::size_t i = 0; i < plan.count; ++i) {
            const ph::RegistryWrite& w = plan.writes[i];
            if (w.step == S::OpenForValues) {
                bool list = std::wstring(w.key) == L"SOFTWARE\\RegisteredApplications";
                EXPECT_EQ(w.access, static_cast<REGSAM>(list ? KEY_SET_VALUE : KEY_ALL_ACCESS)) << Narrow(w.key);
            }
        }
    }
}

// ---- the real registry, redirected -------------------------------------------------------------

class RegistrationTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_hives.ok()); }

    ScratchFolder m_folder{L"registration"};
    RedirectedHives m_hives;
};

TEST_F(RegistrationTest, DestinationSpellingsGiveTheCleanFolderInEveryValue)
{
    const std::wstring base = m_folder.Path();
    struct Case {
        std::wstring destination;
        std::wstring folder; // the clean folder, with trailing backslash
    };
    const Case cases[] = {
        {base + L"\\App", base + L"\\App\\"},
        {base + L"\\App\\", base + L"\\App\\"},
        {base + L"\\App   ", base + L"\\App\\"},
        {L"   " + base + L"\\App", base + L"\\App\\"},
        {base + L"\\Pho  \\Sub \\App ", base + L"\\Pho\\Sub\\App\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.destination));
        int noFlags[64] = {};
        ph::RegisterApplication(0, c.destination.c_str(), 0, 0, 1, 0, noFlags);
        const std::wstring viewer = c.folder + L"ph_tav64.exe";
        const std::wstring open = L"\"" + viewer + L"\" \"%1\"";
        EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, kUninstallKey, L"InstallLocation"), c.folder);
        EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString"), L"\"" + c.folder + L"pt_uninstall.exe\"");
        EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayIcon"), viewer + L",0");
        EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Photavian\\shell\\open\\command", nullptr), open);
        EXPECT_EQ(ReadSz(HKEY_CLASSES_ROOT, L"Applications\\ph_tav64.exe\\shell\\open\\command", nullptr), open);
        EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Photavian\\shell\\open\\command", nullptr), L"\"" + viewer + L"\"");
        EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Photavian.jpg\\shell\\open\\command", nullptr), open);
        EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Photavian.mp3\\DefaultIcon", nullptr), viewer + L",8");
        EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Directory\\shell\\Browse with &Photavian\\command",
                         nullptr),
                  open + L" /thumbs");
    }
}

TEST_F(RegistrationTest, DestinationWithoutRoomForTheViewerPathWritesNothing)
{
    const std::wstring tooLong = m_folder.Path() + L"\\" + std::wstring(250, L'x');
    int flags[64] = {};
    EXPECT_EQ(ph::RegisterApplication(0, tooLong.c_str(), 0, 0, 0, 0, flags), 0);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Photavian.jpg"));
}

// ---- the association writer on its own ---------------------------------------------------------

TEST_F(RegistrationTest, CapabilityEntryIsSkippedWhenItsKeyIsMissingButTheClassIsStillWritten)
{
    EXPECT_EQ(ph::AssociateExtension(L"jpeg", L"jpg", L"cmd", L"icon", 0), 1);
    EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Photavian.jpg", nullptr), L"Photavian JPG File");
    EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Photavian.jpg\\shell\\open\\command", nullptr), L"cmd");
    EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Photavian.jpg\\DefaultIcon", nullptr), L"icon");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Photavian\\Capabilities\\FileAssociations"));
    // jpeg is not one of the always-claimed extensions.
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\.jpeg"));
}

TEST_F(RegistrationTest, AlwaysClaimedExtensionsIgnoreLetterCase)
{
    struct Case {
        const wchar_t* extension;
        bool claimed;
    };
    const Case cases[] = {{L"jpg", true}, {L"PNG", true}, {L"Tif", true},   {L"tiff", false},
                          {L"jpe", false}, {L"jfif", false}, {L"jp", false}, {L"jpgx", false}};
    for (const Case& c : cases) {
        ph::AssociateExtension(c.extension, L"x", L"cmd", L"icon", 0);
        EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, std::wstring(L"SOFTWARE\\Classes\\.") + c.extension), c.claimed)
            << Narrow(c.extension);
    }
}

} // namespace
