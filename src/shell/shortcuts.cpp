// Shortcut files (.lnk) through the shell's link object; each shortcut enters and leaves COM around
// itself (a caller may hold an apartment across several, so that COM starts once).
#include "shell/shortcuts.h"

#include "base/folder_tree.h"
#include "base/handles.h"
#include "base/text.h"
#include "platform/probes.h"
#include "platform/trace.h"
#include "shell/compose_text.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <iterator>

namespace ph {

namespace {

// The group's text and help shortcuts: name and the installed file it opens, in creation order.
struct DocumentShortcut {
    const wchar_t* name;
    const wchar_t* file;
};
constexpr auto kAboutShortcut = JoinTexts(L"About ", kProductName, L".lnk");
constexpr auto kHelpShortcut = JoinTexts(kProductName, L" Help.lnk");
constexpr DocumentShortcut kDocumentShortcuts[] = {
    {kAboutShortcut, L"p_about.txt"},
    {L"What's New.lnk", L"p_changes.txt"},
    {L"Command line Options.lnk", L"p_options.txt"},
    {L"Available PlugIns.lnk", L"p_plugins.txt"},
    {L"Available Languages.lnk", L"p_languages.txt"},
    {kHelpShortcut, kHelpFileName},
};

// The group's viewer shortcut carries the version; those of these versions are replaced.
constexpr auto kVersionedShortcutStart = JoinTexts(kProductName, L" 64 ");
constexpr auto kVersionedShortcut = JoinTexts(kVersionedShortcutStart.text, kVersionText, L".lnk");
constexpr const wchar_t* kReplacedVersions[] = {L"4.67", L"4.66"};
constexpr auto kGroupThumbnailsShortcut = JoinTexts(kProductName, L" - Thumbnails.lnk");
constexpr auto kUninstallShortcut = JoinTexts(L"Uninstall ", kProductName, L".lnk");

using UniqueItemIdList = UniqueCoTaskMem<ITEMIDLIST>;

// A shell folder's path; the Windows folder when the shell cannot name it.
void ResolveShellFolder(int csidl, wchar_t (&folder)[kPathChars])
{
    UniqueItemIdList items;
    if (SUCCEEDED(::SHGetSpecialFolderLocation(::GetActiveWindow(), csidl, items.put()))
        && ::SHGetPathFromIDListW(items.get(), folder) != FALSE) {
        return;
    }
    UINT len = ::GetWindowsDirectoryW(folder, static_cast<UINT>(kPathChars));
    if (len == 0 || len >= kPathChars) {
        folder[0] = L'\0';
    }
}

// Saves one shortcut file. COM lives only for this shortcut: the apartment is entered first and
// left after both interfaces are released.
int SaveShortcut(const wchar_t* linkPath, const wchar_t* target, const wchar_t* arguments, const wchar_t* iconPath,
                 int iconIndex, const wchar_t* description)
{
    auto failed = [linkPath, target](HRESULT hr, const wchar_t* what) {
        TraceError(static_cast<DWORD>(hr), L"shortcut %ls -> %ls: %ls", linkPath, target, what);
        return 0;
    };
    ComApartment com;
    ComPtr<IShellLinkW> link;
    HRESULT hr = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(link.put()));
    if (FAILED(hr)) {
        return failed(hr, L"no shell link object");
    }
    ComPtr<IPersistFile> file;
    hr = link->QueryInterface(IID_PPV_ARGS(file.put()));
    if (FAILED(hr)) {
        return failed(hr, L"the link object cannot be saved");
    }
    if (iconPath != nullptr) {
        link->SetIconLocation(iconPath, iconIndex);
    }
    link->SetPath(target);
    if (arguments != nullptr) {
        link->SetArguments(arguments);
    }
    if (description != nullptr) {
        link->SetDescription(description);
    }
    hr = file->Save(linkPath, TRUE);
    if (FAILED(hr)) {
        return failed(hr, L"not saved");
    }
    Trace(L"shortcut %ls -> %ls%ls%ls: ok", linkPath, target, arguments != nullptr ? L" " : L"",
          arguments != nullptr ? arguments : L"");
    CountTraced(TraceCounter::Shortcuts);
    return 1;
}

} // namespace

int CreateShortcutIn(int csidl, const wchar_t* target, const wchar_t* shortcutName, const wchar_t* iconPath,
                     const wchar_t* description, const wchar_t* arguments, int iconIndex)
{
    wchar_t folder[kPathChars] = {};
    ResolveShellFolder(csidl, folder);
    wchar_t linkPath[kPathChars];
    if (!ComposeText(linkPath, folder, SeparatorAfter(folder), shortcutName)) {
        return 0;
    }
    return SaveShortcut(linkPath, target, arguments, iconPath, iconIndex, description);
}

int CreateDesktopShortcut(const wchar_t* target, const wchar_t* shortcutName, const wchar_t* iconPath,
                          const wchar_t* description, const wchar_t* arguments, int iconIndex, int allUsers)
{
    InstallTarget folders;
    ChooseShortcutFolders(folders, allUsers);
    return CreateShortcutIn(folders.desktopFolder, target, shortcutName, iconPath, description, arguments, iconIndex);
}

int CreateFolderShortcut(const wchar_t* folder, const wchar_t* shortcutName, const wchar_t* target,
                         const wchar_t* arguments, const wchar_t* iconPath, int iconIndex)
{
    wchar_t linkPath[kPathChars];
    if (!ComposeText(linkPath, folder, shortcutName)) {
        return 0;
    }
    return SaveShortcut(linkPath, target, arguments, iconPath, iconIndex, nullptr);
}

void CreateStartMenuGroup(const InstallTarget& target)
{
    wchar_t programs[kPathChars] = {};
    ResolveShellFolder(target.programsFolder, programs);
    wchar_t group[kPathChars];
    if (!ComposeText(group, programs, SeparatorAfter(programs), kProductFolderName)) {
        return;
    }
    EnsureFolderTree(group, kPathChars);

    // A target that does not fit a path is left out rather than cut into another path.
    const wchar_t* viewer = target.viewerPath;
    CreateFolderShortcut(group, kVersionedShortcut, viewer, nullptr, nullptr, 0);

    for (const wchar_t* version : kReplacedVersions) {
        wchar_t oldLink[kPathChars];
        if (ComposeText(oldLink, group, kVersionedShortcutStart.text, version, L".lnk")) {
            ::DeleteFileW(oldLink);
        }
    }

    CreateFolderShortcut(group, kGroupThumbnailsShortcut, viewer, kThumbnailsArguments, viewer, kThumbnailsIconIndex);

    wchar_t path[kPathChars];
    const int versionClass = WindowsVersionClass();
    Trace(L"shortcuts: Windows version class %d%ls", versionClass,
          versionClass == kWindows8Class ? L", no uninstaller shortcut" : L"");
    if (versionClass != kWindows8Class && ComposeText(path, target.uninstallerPath)) {
        CreateFolderShortcut(group, kUninstallShortcut, path, nullptr, nullptr, 0);
    }

    for (const DocumentShortcut& document : kDocumentShortcuts) {
        if (ComposeText(path, target.folder, document.file)) {
            CreateFolderShortcut(group, document.name, path, nullptr, nullptr, 0);
        }
    }
}

void CreateStartMenuGroup(const wchar_t* installFolder, int allUsers)
{
    InstallTarget target;
    if (!SetInstallFolder(target, installFolder)) {
        return;
    }
    ChooseShortcutFolders(target, allUsers);
    CreateStartMenuGroup(target);
}

} // namespace ph
