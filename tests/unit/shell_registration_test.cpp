// Application registration and the association writer, in-process against the real registry
// with HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER and HKEY_CLASSES_ROOT redirected to scratch keys.
#include "base/handles.h"
#include "shell/associations.h"
#include "shell/registration.h"
#include "support/registry_plan.h"
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
using ph::test::ExpectRegistryHoldsPlan;
using ph::test::ExpectedRegistryPlan;
using ph::test::RedirectedHives;
using ph::test::ScratchFolder;

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
        EXPECT_EQ(std::wstring(texts.thumbnailsCommand),
                  L"\"C:\\Program Files\\Photavian\\ph_tav64.exe\" \"%1\" /thumbs");
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

TEST(RegistryPlan, KeysValuesAndOrderWithAndWithoutTheThumbnailsShortcut)
{
    using S = ph::RegistryStep;
    ph::RegistrationTexts texts;
    ASSERT_TRUE(ph::BuildRegistrationTexts(L"C:\\P", texts));
    for (int thumbnails : {0, 1}) {
        SCOPED_TRACE(thumbnails);
        const std::vector<ph::test::PlanRow> expected = ph::test::ExpectedRegistryPlan(L"C:\\P\\", thumbnails != 0);
        ph::RegistryPlan plan;
        ph::BuildRegistryPlan(texts, thumbnails, plan);
        ASSERT_EQ(plan.count, expected.size());
        auto same = [](const wchar_t* a, const wchar_t* b) {
            return (a == nullptr || b == nullptr) ? a == b : std::wstring(a) == b;
        };
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const ph::RegistryWrite& w = plan.writes[i];
            const ph::test::PlanRow& e = expected[i];
            EXPECT_EQ(w.step, e.step) << "row " << i;
            EXPECT_EQ(w.hive, e.hive) << "row " << i;
            EXPECT_TRUE(same(w.key, e.key)) << "row " << i;
            EXPECT_TRUE(same(w.name, e.name)) << "row " << i;
            EXPECT_TRUE(same(w.text, e.text ? e.text->c_str() : nullptr))
                << "row " << i << ": " << (w.text ? Narrow(w.text) : "null");
            EXPECT_EQ(w.number, e.number) << "row " << i;
        }
        // The keys opened for values: all access for the application entries, only setting a
        // value in the list of registered applications.
        for (std::size_t i = 0; i < plan.count; ++i) {
            const ph::RegistryWrite& w = plan.writes[i];
            if (w.step == S::OpenForValues) {
                bool list = std::wstring(w.key) == ph::test::kRegisteredApplicationsKey;
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
        ExpectRegistryHoldsPlan(ExpectedRegistryPlan(c.folder, true));
        // The catalogue's classes name the same folder.
        const std::wstring viewer = c.folder + L"ph_tav64.exe";
        const std::wstring open = L"\"" + viewer + L"\" \"%1\"";
        EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Photavian.jpg\\shell\\open\\command", nullptr), open);
        EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Photavian.mp3\\DefaultIcon", nullptr),
                  viewer + L",8");
    }
}

TEST_F(RegistrationTest, DestinationWithoutRoomForTheViewerPathWritesNothing)
{
    const std::wstring tooLong = m_folder.Path() + L"\\" + std::wstring(250, L'x');
    int flags[64] = {};
    EXPECT_EQ(ph::RegisterApplication(0, tooLong.c_str(), 0, 0, 0, 0, flags), 0);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ph::test::kUninstallKey));
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
    const Case cases[] = {{L"jpg", true},  {L"PNG", true},   {L"Tif", true}, {L"tiff", false},
                          {L"jpe", false}, {L"jfif", false}, {L"jp", false}, {L"jpgx", false}};
    for (const Case& c : cases) {
        ph::AssociateExtension(c.extension, L"x", L"cmd", L"icon", 0);
        EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, std::wstring(L"SOFTWARE\\Classes\\.") + c.extension), c.claimed)
            << Narrow(c.extension);
    }
}

} // namespace
