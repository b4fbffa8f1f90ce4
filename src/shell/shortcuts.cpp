// Shortcut files (.lnk) through the shell's link object; each shortcut enters and leaves COM around
// itself (a caller may hold an apartment across several, so that COM starts once). The program
// runs elevated and the shortcut folders are often the user's own: every shortcut file is written
// and removed through a handle that names exactly its path, never by a name a planted link could
// carry elsewhere.
#include "shell/shortcuts.h"

#include "base/folder_tree.h"
#include "base/handles.h"
#include "base/text.h"
#include "base/verified_files.h"
#include "platform/probes.h"
#include "platform/trace.h"
#include "shell/compose_text.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cwchar>
#include <iterator>
#include <memory>
#include <new>

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

// A shortcut file's bytes as the link object saves them; a .lnk of this program's shortcuts is far
// smaller.
constexpr ULONGLONG kLongestShortcutBytes = 64 * 1024;

struct ShortcutBytes {
    std::unique_ptr<unsigned char[]> data;
    DWORD size = 0;
};

// The link object's file content, saved into memory: the file itself is written through a handle
// of this program's own (SaveShortcutFile).
HRESULT SaveLinkToMemory(IShellLinkW* link, ShortcutBytes& bytes)
{
    ComPtr<IPersistStream> persist;
    HRESULT hr = link->QueryInterface(IID_PPV_ARGS(persist.put()));
    if (FAILED(hr)) {
        return hr;
    }
    ComPtr<IStream> stream;
    hr = ::CreateStreamOnHGlobal(nullptr, TRUE, stream.put());
    if (FAILED(hr)) {
        return hr;
    }
    hr = persist->Save(stream.get(), TRUE);
    if (FAILED(hr)) {
        return hr;
    }
    STATSTG stat{};
    hr = stream->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(hr)) {
        return hr;
    }
    if (stat.cbSize.QuadPart == 0 || stat.cbSize.QuadPart > kLongestShortcutBytes) {
        return E_UNEXPECTED;
    }
    bytes.size = static_cast<DWORD>(stat.cbSize.QuadPart);
    bytes.data.reset(new (std::nothrow) unsigned char[bytes.size]);
    if (!bytes.data) {
        return E_OUTOFMEMORY;
    }
    LARGE_INTEGER start{};
    hr = stream->Seek(start, STREAM_SEEK_SET, nullptr);
    if (FAILED(hr)) {
        return hr;
    }
    ULONG read = 0;
    hr = stream->Read(bytes.data.get(), bytes.size, &read);
    if (FAILED(hr)) {
        return hr;
    }
    return read == bytes.size ? S_OK : E_UNEXPECTED;
}

// The new file is written beside its final name under a name of its own, then renamed over it.
constexpr int kNewFileAttempts = 8;
// "~" and eight hex digits, ".tmp": shorter than any shortcut's name, so it fits where the
// shortcut's path fits.
constexpr wchar_t kNewFileFormat[] = L"~%08lx.tmp";
constexpr std::size_t kNewFileNameChars = 14;

// A name for the new file that another process is unlikely to have taken in advance.
void NewFileName(int attempt, wchar_t (&name)[kNewFileNameChars])
{
    LARGE_INTEGER counter{};
    ::QueryPerformanceCounter(&counter);
    const unsigned long long mixed = static_cast<unsigned long long>(counter.QuadPart)
        ^ (static_cast<unsigned long long>(::GetCurrentProcessId()) << 16)
        ^ (static_cast<unsigned long long>(attempt) * 0x9E3779B97F4A7C15ull);
    const auto folded = static_cast<unsigned long>((mixed ^ (mixed >> 32)) & 0xFFFFFFFFu);
    std::swprintf(name, kNewFileNameChars, kNewFileFormat, folded);
}

// Writes the shortcut file linkPath with bytes. The folder is held open as exactly the folder its
// path names (so it can be neither swapped for a link nor renamed meanwhile); a file already at
// linkPath that is a link or has a second name is left alone; the new content goes into a file of
// this call's own beside it, which then takes linkPath's name (replacing the name itself, never
// what a link there would lead to). ERROR_SUCCESS, or why nothing was written.
DWORD SaveShortcutFile(const wchar_t* linkPath, const ShortcutBytes& bytes)
{
    const wchar_t* lastSeparator = std::wcsrchr(linkPath, L'\\');
    if (lastSeparator == nullptr) {
        return ERROR_BAD_PATHNAME;
    }
    wchar_t folderPath[kPathChars];
    const std::size_t folderChars = static_cast<std::size_t>(lastSeparator - linkPath) + 1; // with its backslash
    if (folderChars >= kPathChars) {
        return ERROR_FILENAME_EXCED_RANGE;
    }
    std::wmemcpy(folderPath, linkPath, folderChars);
    folderPath[folderChars] = L'\0';

    DWORD error = ERROR_SUCCESS;
    const UniqueFile folder = OpenAsNamed(folderPath, FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, error);
    if (!folder) {
        return error;
    }
    {
        const UniqueFile existing = OpenAsNamed(linkPath, FILE_READ_ATTRIBUTES,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                                                0, error);
        if (!existing && error != ERROR_FILE_NOT_FOUND) {
            return error;
        }
    }

    UniqueFile file;
    wchar_t newPath[kPathChars];
    for (int attempt = 0; attempt < kNewFileAttempts && !file; ++attempt) {
        wchar_t name[kNewFileNameChars];
        NewFileName(attempt, name);
        if (!ComposeText(newPath, folderPath, name)) {
            return ERROR_FILENAME_EXCED_RANGE;
        }
        file = OpenAsNamed(newPath, GENERIC_WRITE | DELETE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, error);
        if (!file && error != ERROR_FILE_EXISTS) {
            return error;
        }
    }
    if (!file) {
        return error;
    }
    DWORD written = 0;
    const BOOL wrote = ::WriteFile(file.get(), bytes.data.get(), bytes.size, &written, nullptr);
    if (wrote == FALSE || written != bytes.size) {
        error = wrote == FALSE ? ::GetLastError() : ERROR_WRITE_FAULT;
        (void)DeleteThroughHandle(file.get());
        return error;
    }
    error = RenameThroughHandle(file.get(), linkPath, true);
    if (error != ERROR_SUCCESS) {
        (void)DeleteThroughHandle(file.get());
    }
    return error;
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
    ShortcutBytes bytes;
    {
        ComApartment com;
        ComPtr<IShellLinkW> link;
        HRESULT hr = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(link.put()));
        if (FAILED(hr)) {
            return failed(hr, L"no shell link object");
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
        hr = SaveLinkToMemory(link.get(), bytes);
        if (FAILED(hr)) {
            return failed(hr, L"the link object cannot be saved");
        }
    }
    const DWORD error = SaveShortcutFile(linkPath, bytes);
    if (error == kErrorRedirected) {
        TraceError(error, L"shortcut %ls -> %ls: skipped, a link or a file with a second name stands in its way",
                   linkPath, target);
        return 0;
    }
    if (error != ERROR_SUCCESS) {
        TraceError(error, L"shortcut %ls -> %ls: not saved", linkPath, target);
        return 0;
    }
    Trace(L"shortcut %ls -> %ls%ls%ls: ok", linkPath, target, arguments != nullptr ? L" " : L"",
          arguments != nullptr ? arguments : L"");
    CountTraced(TraceCounter::Shortcuts);
    return 1;
}

// Removes an earlier version's shortcut through a handle that names it exactly: a link planted
// under its name is left alone (deleting it by name would delete what it leads to). A missing file
// is no error.
void RemoveShortcutFile(const wchar_t* linkPath)
{
    DWORD error = ERROR_SUCCESS;
    const UniqueFile file = OpenAsNamed(linkPath, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        OPEN_EXISTING, 0, error);
    if (file) {
        error = DeleteThroughHandle(file.get());
    }
    if (error == ERROR_SUCCESS) {
        Trace(L"shortcut %ls: removed", linkPath);
    } else if (error != ERROR_FILE_NOT_FOUND) {
        TraceError(error, L"shortcut %ls: not removed", linkPath);
    }
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
    // The group must be the real folder its path names: a link or junction planted in its place
    // (a per-user programs folder is the user's own) would carry every shortcut, and the removal of
    // the earlier versions' shortcuts, to wherever it leads. Held open until the group is done, so
    // that it cannot be swapped meanwhile.
    DWORD error = ERROR_SUCCESS;
    const UniqueFile heldGroup = OpenAsNamed(group, FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, error);
    if (!heldGroup) {
        TraceError(error, L"shortcuts: group folder %ls refused, no group shortcuts", group);
        return;
    }

    // A target that does not fit a path is left out rather than cut into another path.
    const wchar_t* viewer = target.viewerPath;
    CreateFolderShortcut(group, kVersionedShortcut, viewer, nullptr, nullptr, 0);

    for (const wchar_t* version : kReplacedVersions) {
        wchar_t oldLink[kPathChars];
        if (ComposeText(oldLink, group, kVersionedShortcutStart.text, version, L".lnk")) {
            RemoveShortcutFile(oldLink);
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
