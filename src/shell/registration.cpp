// RegisterApplication: shortcuts, the registry plan applied by one best-effort applier, the
// catalogue walk and the shell's notification.
#include "shell/registration.h"

#include "base/folder_tree.h"
#include "base/handles.h"
#include "base/product.h"
#include "platform/probes.h"
#include "platform/trace.h"
#include "shell/associations.h"
#include "shell/compose_text.h"
#include "shell/file_types.h"
#include "shell/registry_writes.h"
#include "shell/shortcuts.h"

#include <shlobj.h>

#include <cstdio>
#include <iterator>

namespace ph {

namespace {

// The verb on folders and drives that opens them in the viewer's thumbnail mode. The ampersand
// marks the menu's access key and is part of the key name too.
constexpr auto kBrowseVerb = JoinTexts(L"Browse with &", kProductName);
constexpr auto kDirectoryVerbKey = JoinTexts(kClassesKey, L"Directory\\shell\\", kBrowseVerb.text);
constexpr auto kDirectoryVerbCommandKey = JoinTexts(kDirectoryVerbKey.text, L"\\command");
constexpr auto kDriveVerbKey = JoinTexts(kClassesKey, L"Drive\\shell\\", kBrowseVerb.text);
constexpr auto kDriveVerbCommandKey = JoinTexts(kDriveVerbKey.text, L"\\command");

// Earlier versions gave the product class an icon; the types carry their own now.
constexpr auto kProductDefaultIconKey = JoinTexts(kProductClassKey.text, L"\\DefaultIcon");

constexpr auto kApplicationsKey = JoinTexts(L"Applications\\", kViewerFileName);
constexpr auto kApplicationsOpenCommandKey = JoinTexts(kApplicationsKey.text, L"\\shell\\open\\command");

constexpr DWORD kEstimatedSizeKb = 8192;
constexpr auto kDisplayName = JoinTexts(kProductName, L" ", kVersionText, L" (64-bit)");

constexpr auto kApplicationOpenCommandKey = JoinTexts(kApplicationKey.text, L"\\shell\\open\\command");
constexpr wchar_t kApplicationDescription[] =
    L"Picture viewer, editor and converter - one of the most popular viewers worldwide";
constexpr wchar_t kRegisteredApplicationsKey[] = L"SOFTWARE\\RegisteredApplications";

// The desktop shortcuts: name, description, and whether it opens the thumbnail mode.
constexpr auto kDesktopViewerShortcut = JoinTexts(kProductName, L" 64.lnk");
constexpr auto kDesktopViewerDescription = JoinTexts(kProductName, L" 64 - Image Viewer");
constexpr auto kDesktopThumbnailsShortcut = JoinTexts(kProductName, L" 64 Thumbnails.lnk");
constexpr auto kDesktopThumbnailsDescription = JoinTexts(kProductName, L" - Thumbnails");

// The rows of the registry plan, one function per kind of step, so that the plan reads as a table.
RegistryWrite SetDefault(HKEY hive, const wchar_t* key, const wchar_t* text)
{
    return {RegistryStep::SetDefault, hive, key, 0, nullptr, text, 0};
}
RegistryWrite DeleteKey(HKEY hive, const wchar_t* key)
{
    return {RegistryStep::DeleteKey, hive, key, 0, nullptr, nullptr, 0};
}
RegistryWrite CreateKey(HKEY hive, const wchar_t* key)
{
    return {RegistryStep::CreateKey, hive, key, 0, nullptr, nullptr, 0};
}
RegistryWrite OpenForValues(HKEY hive, const wchar_t* key, REGSAM access)
{
    return {RegistryStep::OpenForValues, hive, key, access, nullptr, nullptr, 0};
}
RegistryWrite CreateForValues(HKEY hive, const wchar_t* key)
{
    return {RegistryStep::CreateForValues, hive, key, 0, nullptr, nullptr, 0};
}
RegistryWrite NamedString(const wchar_t* name, const wchar_t* text)
{
    return {RegistryStep::NamedString, nullptr, nullptr, 0, name, text, 0};
}
RegistryWrite NamedDword(const wchar_t* name, DWORD number)
{
    return {RegistryStep::NamedDword, nullptr, nullptr, 0, name, nullptr, number};
}

template <std::size_t N>
void AppendRows(RegistryPlan& plan, const RegistryWrite (&rows)[N])
{
    for (const RegistryWrite& row : rows) {
        plan.writes[plan.count++] = row;
    }
}

const wchar_t* IconReference(const RegistrationTexts& texts, IconKind kind)
{
    switch (kind) {
    case IconKind::OwnIcon:
        return L"%1";
    case IconKind::Viewer8:
        return texts.audioIcon;
    case IconKind::Viewer9:
        return texts.videoIcon;
    case IconKind::Viewer0:
        break;
    }
    return texts.viewerIcon;
}

// Every extension of every row, in catalogue order, with its row's flag.
void AssociateCatalogue(const RegistrationTexts& texts, std::span<const int> associationFlags,
                        const RegistryRoots& roots)
{
    // One open of the capabilities key for all 87 capability entries.
    ValuesKey capabilities;
    OpenCapabilityAssociations(capabilities, roots);
    std::span<const FileTypeRow, kFileTypeRowCount> catalogue = FileTypeCatalogue();
    for (std::size_t row = 0; row < catalogue.size(); ++row) {
        int selected = row < associationFlags.size() ? associationFlags[row] : 0;
        const FileTypeRow& type = catalogue[row];
        for (std::size_t i = 0; i < type.extensionCount; ++i) {
            AssociateExtension(type.extensions[i].extension, type.extensions[i].progIdClass, texts.openCommand,
                               IconReference(texts, type.icon), selected, &capabilities, roots);
        }
    }
}

// The Start-menu group and the desktop shortcuts the run asked for.
void CreateShortcuts(const InstallTarget& target, int startMenuGroup, int desktopShortcut, int thumbnailsShortcut)
{
    if (startMenuGroup != 0) {
        CreateStartMenuGroup(target);
    }
    if (desktopShortcut != 0) {
        CreateShortcutIn(target.desktopFolder, target.viewerPath, kDesktopViewerShortcut, nullptr,
                         kDesktopViewerDescription, nullptr, 0);
    }
    if (thumbnailsShortcut != 0) {
        CreateShortcutIn(target.desktopFolder, target.viewerPath, kDesktopThumbnailsShortcut, target.viewerPath,
                         kDesktopThumbnailsDescription, kThumbnailsArguments, kThumbnailsIconIndex);
    }
}

// Tells the shell that icons and associations changed, so open windows show the new ones.
void NotifyAssociationsChanged()
{
    ::SystemParametersInfoW(SPI_SETICONS, 0, nullptr, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
    ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSHNOWAIT, nullptr, nullptr);
}

} // namespace

bool BuildRegistrationTexts(const InstallTarget& target, RegistrationTexts& texts)
{
    const wchar_t* viewer = target.viewerPath;
    // The longest of these is a 259-character viewer path with quotes and arguments: they fit.
    return target.folder[0] != L'\0' && ComposeText(texts.installFolder, target.folder)
        && ComposeText(texts.viewerPath, viewer) && ComposeText(texts.openCommand, L"\"", viewer, L"\" \"%1\"")
        && ComposeText(texts.thumbnailsCommand, L"\"", viewer, L"\" \"%1\" ", kThumbnailsArguments)
        && ComposeText(texts.viewerCommand, L"\"", viewer, L"\"")
        && ComposeText(texts.uninstallCommand, L"\"", target.uninstallerPath, L"\"")
        && ComposeText(texts.viewerIcon, viewer, L",0") && ComposeText(texts.audioIcon, viewer, L",8")
        && ComposeText(texts.videoIcon, viewer, L",9") && ComposeText(texts.displayVersion, kVersionText)
        && ComposeText(texts.displayName, kDisplayName.text);
}

bool BuildRegistrationTexts(const wchar_t* installFolder, RegistrationTexts& texts)
{
    wchar_t folder[kWorkPathChars] = {};
    InstallTarget target;
    return installFolder[0] != L'\0' && CopyTextWhole(folder, installFolder) && AppendBackslashWhole(folder)
        && SetInstallFolder(target, folder) && BuildRegistrationTexts(target, texts);
}

void BuildRegistryPlan(const RegistrationTexts& texts, int thumbnailsShortcut, RegistryPlan& plan,
                       const RegistryRoots& roots)
{
    const HKEY machine = roots.machine;
    const RegistryWrite browseVerbRows[] = {
        SetDefault(machine, kDirectoryVerbKey, kBrowseVerb),
        SetDefault(machine, kDirectoryVerbCommandKey, texts.thumbnailsCommand),
        SetDefault(machine, kDriveVerbKey, kBrowseVerb),
        SetDefault(machine, kDriveVerbCommandKey, texts.thumbnailsCommand),
    };
    const RegistryWrite productRows[] = {
        SetDefault(machine, kProductClassKey.text, kProductProgId),
        SetDefault(machine, kProductOpenCommandKey.text, texts.openCommand),
        DeleteKey(machine, kProductDefaultIconKey.text),

        SetDefault(roots.classes, kApplicationsOpenCommandKey.text, texts.openCommand),
        OpenForValues(roots.classes, kApplicationsKey.text, KEY_ALL_ACCESS),
        NamedString(L"FriendlyAppName", kFriendlyAppName),

        SetDefault(machine, kUninstallKey, L""),
        OpenForValues(machine, kUninstallKey, KEY_ALL_ACCESS),
        NamedString(L"DisplayName", texts.displayName),
        NamedString(L"UninstallString", texts.uninstallCommand),
        NamedString(L"Publisher", kPublisher),
        NamedString(L"InstallLocation", texts.installFolder),
        NamedString(L"DisplayVersion", texts.displayVersion),
        NamedString(L"DisplayIcon", texts.viewerIcon),
        NamedDword(L"VersionMajor", PH_VERSION_MAJOR),
        NamedDword(L"VersionMinor", PH_VERSION_MINOR),
        NamedDword(L"EstimatedSize", kEstimatedSizeKb),

        CreateKey(machine, kApplicationKey),
        SetDefault(machine, kApplicationOpenCommandKey, texts.viewerCommand),
        CreateForValues(machine, kCapabilitiesKey),
        NamedString(L"ApplicationDescription", kApplicationDescription),
        CreateKey(machine, kFileAssociationsKey),
        // Only where the system keeps a list of registered applications: the key is not created.
        OpenForValues(machine, kRegisteredApplicationsKey, KEY_SET_VALUE),
        NamedString(kProductProgId, kCapabilitiesKey),
    };
    // The plan has room for every row it can hold; a row added above without room fails the build.
    static_assert(std::size(browseVerbRows) + std::size(productRows) == kMaxRegistryWrites,
                  "the plan's capacity is exactly the rows it can hold");

    plan.count = 0;
    if (thumbnailsShortcut != 0) {
        AppendRows(plan, browseVerbRows);
    }
    AppendRows(plan, productRows);
}

void ApplyRegistryPlan(const RegistryPlan& plan)
{
    // The key that named values go into; empty when its open or create failed.
    ValuesKey values;
    for (std::size_t i = 0; i < plan.count; ++i) {
        const RegistryWrite& w = plan.writes[i];
        switch (w.step) {
        case RegistryStep::SetDefault:
            values.key.reset();
            SetDefaultString(w.hive, w.key, w.text);
            break;
        case RegistryStep::DeleteKey:
            values.key.reset();
            DeleteRegistryKey(w.hive, w.key);
            break;
        case RegistryStep::CreateKey:
            values.key.reset();
            CreateRegistryKey(w.hive, w.key);
            break;
        case RegistryStep::OpenForValues:
            OpenValuesKey(values, w.hive, w.key, w.access);
            break;
        case RegistryStep::CreateForValues:
            CreateValuesKey(values, w.hive, w.key);
            break;
        case RegistryStep::NamedString:
            SetNamedString(values, w.name, w.text);
            break;
        case RegistryStep::NamedDword:
            SetNamedDword(values, w.name, w.number);
            break;
        }
    }
}

void RegisterInstallation(const InstallTarget& target, int associate, int startMenuGroup, int desktopShortcut,
                          int thumbnailsShortcut, std::span<const int> associationFlags)
{
    RegistrationTexts texts;
    if (!BuildRegistrationTexts(target, texts)) {
        Trace(L"registration: %ls leaves no room for the viewer's path, nothing registered", target.folder);
        return;
    }

    // Each shortcut enters and leaves COM around itself; one apartment held across all of them
    // keeps COM's start-up and shut-down to once per run.
    {
        ComApartment com;
        CreateShortcuts(target, startMenuGroup, desktopShortcut, thumbnailsShortcut);
    }
    RegistryPlan plan;
    BuildRegistryPlan(texts, thumbnailsShortcut, plan, target.registry);
    ApplyRegistryPlan(plan);
    AssociateCatalogue(texts, associationFlags, target.registry);

    if (associate == 0) {
        return;
    }
    const int versionClass = WindowsVersionClass();
    Trace(L"associations: Windows version class %d", versionClass);
    if (versionClass == kWindows10Class) {
        SuppressAppxOpenWith(target.registry);
    }
    Trace(L"associations: the shell is told of the changed associations");
    NotifyAssociationsChanged();
}

int RegisterApplication(int associate, const wchar_t* destinationFolder, int startMenuGroup, int desktopShortcut,
                        int thumbnailsShortcut, int allUsers, std::span<const int> associationFlags)
{
    // The run extracted into the folder EnsureFolderTree made of the destination (trimmed, blanks
    // before inner backslashes removed, trailing backslash). The same cleaning here makes every
    // value and shortcut name that folder rather than the raw text; the folder exists already.
    wchar_t folder[kWorkPathChars] = {};
    CopyTextCut(folder, destinationFolder);
    EnsureFolderTree(folder, kWorkPathChars);
    InstallTarget target;
    if (!SetInstallFolder(target, folder)) {
        Trace(L"registration: %ls leaves no room for the viewer's path, nothing registered", folder);
        return 0;
    }
    ChooseShortcutFolders(target, allUsers);
    RegisterInstallation(target, associate, startMenuGroup, desktopShortcut, thumbnailsShortcut, associationFlags);
    return 1;
}

} // namespace ph
