// The Start-menu group made in-process and read back through the shell's link object, and the
// links and second names planted in the shortcut folders that it leaves alone.
#include "base/handles.h"
#include "platform/probes.h"
#include "shell/shortcuts.h"
#include "support/shortcut_file.h"
#include "support/test_support.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using ph::test::FileExists;
using ph::test::LinksIn;
using ph::test::ListTree;
using ph::test::PlantLink;
using ph::test::ReadFileBytes;
using ph::test::ReadShortcut;
using ph::test::RemoveLink;

std::wstring ShellFolder(int csidl)
{
    wchar_t folder[MAX_PATH] = {};
    EXPECT_TRUE(SUCCEEDED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder)));
    return folder;
}

const std::string kVictim = "the victim's own bytes";

TEST(StartMenuGroup, TargetsThatDoNotFitAPathAreLeftOutNotCut)
{
    wchar_t programs[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, programs)));
    const std::wstring group = std::wstring(programs) + L"\\Photavian";
    ph::test::RemoveTree(group);

    // 247 characters with the backslash: the viewer's path has 259, the uninstaller's would
    // have 263, "p_about.txt" gives 258 and "p_changes.txt" 260.
    const std::wstring folder = L"C:\\" + std::wstring(243, L'v') + L"\\";
    ASSERT_EQ(folder.size(), 247u);
    ph::CreateStartMenuGroup(folder.c_str(), 0);

    EXPECT_EQ(LinksIn(group),
              (std::set<std::wstring>{L"Photavian 64 4.70.lnk", L"Photavian - Thumbnails.lnk", L"About Photavian.lnk",
                                      L"Photavian Help.lnk"}));
    auto viewer = ReadShortcut(group + L"\\Photavian 64 4.70.lnk");
    ASSERT_TRUE(viewer.has_value());
    EXPECT_EQ(viewer->target, folder + L"ph_tav64.exe");
    auto thumbnails = ReadShortcut(group + L"\\Photavian - Thumbnails.lnk");
    ASSERT_TRUE(thumbnails.has_value());
    EXPECT_EQ(thumbnails->target, folder + L"ph_tav64.exe");
    EXPECT_EQ(thumbnails->arguments, L"/thumbs");
    EXPECT_EQ(thumbnails->iconPath, folder + L"ph_tav64.exe");
    EXPECT_EQ(thumbnails->iconIndex, 7);
    auto about = ReadShortcut(group + L"\\About Photavian.lnk");
    ASSERT_TRUE(about.has_value());
    EXPECT_EQ(about->target, folder + L"p_about.txt");
    ph::test::RemoveTree(group);
}

// A link or a second name planted at a shortcut's name, at an earlier version's shortcut or in
// place of the group folder: what it leads to stays byte for byte, nothing is made or removed
// there, that shortcut is skipped and the others are still made. A plain file at a shortcut's
// name is replaced.
TEST(StartMenuGroup, PlantedLinksAndSecondNamesAreLeftAlone)
{
    const std::wstring group = ShellFolder(CSIDL_PROGRAMS) + L"\\Photavian";
    const std::wstring folder = L"C:\\Apps\\Photavian\\";
    ph::test::ScratchFolder victims(L"shortcut_victims");
    const std::wstring victim = victims / L"victim.lnk";
    std::set<std::wstring> made = {L"Photavian 64 4.70.lnk",   L"Photavian - Thumbnails.lnk", L"About Photavian.lnk",
                                   L"What's New.lnk",          L"Command line Options.lnk",   L"Available PlugIns.lnk",
                                   L"Available Languages.lnk", L"Photavian Help.lnk"};
    if (ph::WindowsVersionClass() != ph::kWindows8Class) {
        made.insert(L"Uninstall Photavian.lnk");
    }
    enum class Plant { ShortcutLink, ShortcutSecondName, OldVersionLink, GroupFolderLink, PlainFile };
    struct Case {
        const wchar_t* name; // the shortcut planted, or the group folder itself
        Plant plant;
    };
    const Case cases[] = {
        {L"Photavian 64 4.70.lnk", Plant::ShortcutLink},   {L"What's New.lnk", Plant::ShortcutSecondName},
        {L"Photavian 64 4.67.lnk", Plant::OldVersionLink}, {L"", Plant::GroupFolderLink},
        {L"About Photavian.lnk", Plant::PlainFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ph::test::Narrow(c.name));
        ph::test::RemoveTree(group);
        ASSERT_TRUE(ph::test::WriteFileBytes(victim, kVictim));
        const std::wstring planted = group + L"\\" + c.name;
        if (c.plant == Plant::GroupFolderLink) {
            ASSERT_TRUE(PlantLink(group, victims.Path()));
        } else {
            ASSERT_NE(::CreateDirectoryW(group.c_str(), nullptr), FALSE);
        }
        switch (c.plant) {
        case Plant::ShortcutLink:
        case Plant::OldVersionLink:
            ASSERT_TRUE(PlantLink(planted, victim));
            break;
        case Plant::ShortcutSecondName:
            ASSERT_NE(::CreateHardLinkW(planted.c_str(), victim.c_str(), nullptr), FALSE);
            break;
        case Plant::PlainFile:
            ASSERT_TRUE(ph::test::WriteFileBytes(planted, "a stale shortcut"));
            break;
        case Plant::GroupFolderLink:
            break;
        }

        ph::CreateStartMenuGroup(folder.c_str(), 0);

        EXPECT_EQ(ReadFileBytes(victim), kVictim);
        EXPECT_EQ(ListTree(victims.Path()), std::vector<std::wstring>{L"victim.lnk"});
        switch (c.plant) {
        case Plant::ShortcutLink:
        case Plant::ShortcutSecondName:
        case Plant::OldVersionLink:
            EXPECT_EQ(ReadFileBytes(planted), kVictim) << "what was planted stays as it was";
            EXPECT_EQ(LinksIn(group).count(c.name), 1u);
            break;
        case Plant::PlainFile:
            ASSERT_TRUE(ReadShortcut(planted).has_value());
            EXPECT_EQ(ReadShortcut(planted)->target, folder + L"p_about.txt");
            break;
        case Plant::GroupFolderLink:
            // The victims' folder above holds nothing new.
            ASSERT_TRUE(RemoveLink(group));
            continue;
        }
        std::set<std::wstring> expected = made;
        expected.insert(c.name);
        EXPECT_EQ(LinksIn(group), expected);
        EXPECT_EQ(ListTree(group).size(), expected.size()) << "no new file is left beside the shortcuts";
        if (c.plant != Plant::ShortcutLink) {
            ASSERT_TRUE(ReadShortcut(group + L"\\Photavian 64 4.70.lnk").has_value());
            EXPECT_EQ(ReadShortcut(group + L"\\Photavian 64 4.70.lnk")->target, folder + L"ph_tav64.exe");
        }
        if (c.plant == Plant::ShortcutLink || c.plant == Plant::OldVersionLink) {
            ASSERT_TRUE(RemoveLink(planted));
        }
    }
    ph::test::RemoveTree(group);
}

// The desktop shortcuts and a folder's shortcut do the same: a link at the shortcut's name, or a
// folder that is a link, is left alone and the shortcut skipped.
TEST(Shortcuts, DesktopAndFolderShortcutsSkipPlantedLinks)
{
    ph::test::ScratchFolder victims(L"shortcut_victims_desktop");
    ph::test::ScratchFolder work(L"shortcut_work");
    const std::wstring victim = victims / L"victim.lnk";
    ASSERT_TRUE(ph::test::WriteFileBytes(victim, kVictim));
    const std::wstring desktopLink = ShellFolder(CSIDL_DESKTOPDIRECTORY) + L"\\Photavian 64.lnk";
    ASSERT_TRUE(PlantLink(desktopLink, victim));
    ASSERT_TRUE(PlantLink(work / L"folder-link", victims.Path()));

    EXPECT_EQ(ph::CreateDesktopShortcut(L"C:\\Apps\\Photavian\\ph_tav64.exe", L"Photavian 64.lnk", nullptr,
                                        L"Photavian 64 - Image Viewer", nullptr, 0, 0),
              0);
    EXPECT_EQ(ph::CreateFolderShortcut((work / L"folder-link\\").c_str(), L"About Photavian.lnk",
                                       L"C:\\Apps\\Photavian\\p_about.txt", nullptr, nullptr, 0),
              0);
    EXPECT_EQ(ph::CreateFolderShortcut((work.Path() + L"\\").c_str(), L"About Photavian.lnk",
                                       L"C:\\Apps\\Photavian\\p_about.txt", nullptr, nullptr, 0),
              1)
        << "a real folder takes the shortcut";

    EXPECT_EQ(ReadFileBytes(victim), kVictim);
    EXPECT_EQ(ListTree(victims.Path()), std::vector<std::wstring>{L"victim.lnk"});
    EXPECT_EQ(ReadFileBytes(desktopLink), kVictim);
    ASSERT_TRUE(RemoveLink(desktopLink));
    ASSERT_TRUE(RemoveLink(work / L"folder-link"));
}

} // namespace
