// The Start-menu group made in-process and read back through the shell's link object.
#include "base/handles.h"
#include "shell/shortcuts.h"
#include "support/test_support.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

struct Shortcut {
    bool read = false;
    std::wstring target;
    std::wstring arguments;
    std::wstring iconPath;
    int iconIndex = -1;
};

Shortcut ReadShortcut(const std::wstring& path)
{
    Shortcut s;
    ph::ComApartment com;
    ph::ComPtr<IShellLinkW> link;
    ph::ComPtr<IPersistFile> file;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void()))
        || FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))
        || FAILED(file->Load(path.c_str(), STGM_READ))) {
        return s;
    }
    wchar_t text[1024] = {};
    link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
    s.target = text;
    text[0] = L'\0';
    link->GetArguments(text, 1024);
    s.arguments = text;
    text[0] = L'\0';
    link->GetIconLocation(text, MAX_PATH, &s.iconIndex);
    s.iconPath = text;
    s.read = true;
    return s;
}

std::set<std::wstring> LinksIn(const std::wstring& folder)
{
    std::set<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((folder + L"\\*.lnk").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        names.insert(data.cFileName);
    } while (::FindNextFileW(find, &data) != FALSE);
    ::FindClose(find);
    return names;
}

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
    Shortcut viewer = ReadShortcut(group + L"\\Photavian 64 4.70.lnk");
    EXPECT_TRUE(viewer.read);
    EXPECT_EQ(viewer.target, folder + L"ph_tav64.exe");
    Shortcut thumbnails = ReadShortcut(group + L"\\Photavian - Thumbnails.lnk");
    EXPECT_EQ(thumbnails.target, folder + L"ph_tav64.exe");
    EXPECT_EQ(thumbnails.arguments, L"/thumbs");
    EXPECT_EQ(thumbnails.iconPath, folder + L"ph_tav64.exe");
    EXPECT_EQ(thumbnails.iconIndex, 7);
    EXPECT_EQ(ReadShortcut(group + L"\\About Photavian.lnk").target, folder + L"p_about.txt");
    ph::test::RemoveTree(group);
}

} // namespace
