// The Start-menu group made in-process and read back through the shell's link object.
#include "base/handles.h"
#include "shell/shortcuts.h"
#include "support/shortcut_file.h"
#include "support/test_support.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using ph::test::LinksIn;
using ph::test::ReadShortcut;

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

    EXPECT_EQ(LinksIn(group), (std::set<std::wstring>{L"Photavian 64 4.70.lnk", L"Photavian - Thumbnails.lnk",
                                                       L"About Photavian.lnk", L"Photavian Help.lnk"}));
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

} // namespace
