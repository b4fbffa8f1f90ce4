// The install run: destination folder, icon library decision, extraction, viewer settings.
#include "engine/install_run.h"

#include "base/folder_tree.h"
#include "base/handles.h"
#include "base/path_rules.h"
#include "base/product.h"
#include "base/resources.h"
#include "base/text.h"
#include "engine/existing_install.h"
#include "engine/payload.h"
#include "engine/viewer_settings.h"
#include "platform/folder_security.h"
#include "platform/probes.h"
#include "platform/report.h"
#include "platform/start_directory.h"
#include "platform/trace.h"
#include "res/resource.h"
#include "shell/file_types.h"
#include "shell/registration.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <iterator>
#include <utility>

namespace ph {

namespace {

// The version of the icon library that the payload carries, and the size of the one earlier
// installers placed, which may be replaced when its publisher is ours.
constexpr wchar_t kIconLibraryReferenceVersion[] = L"4.30";
constexpr long long kReplaceableIconLibraryBytes = 226816;

// How the two orders of a failure entry read: string first for the folder failures, folder
// first for the extraction failure.
enum class FolderPosition { AfterMessage, BeforeMessage };

// Why the destination cannot be installed into: the cause, the string reported and the folder the
// entry names.
struct Refusal {
    InstallFailure cause = InstallFailure::None;
    UINT stringId = 0;
    wchar_t folder[kWorkPathChars] = {};
};

// The one place where a failure that stops the run is reported; the report, when given, keeps
// its cause.
int ReportRunFailure(const InstallOptions& options, RunReport* report, InstallFailure cause, UINT stringId,
                     const wchar_t* folder, FolderPosition position)
{
    if (report != nullptr) {
        report->failure = cause;
    }
    const ResourceText message = LoadResourceText(stringId);
    Trace(L"run: stopped, string %u reported for %ls", stringId, folder);
    wchar_t entry[kResourceTextChars + kWorkPathChars] = {};
    if (position == FolderPosition::AfterMessage) {
        std::swprintf(entry, std::size(entry), L"%ls: %ls", message.text, folder);
    } else {
        std::swprintf(entry, std::size(entry), L"%ls: %ls", folder, message.text);
    }
    ReportProblem(options.silent != 0, ::GetActiveWindow(), options.caption, MB_ICONERROR, message.text, entry);
    return 0;
}

// "4.30" as 4300: the number in single precision times 1000, truncated.
int VersionNumber(const wchar_t* text)
{
    float value = static_cast<float>(std::wcstod(text, nullptr));
    return static_cast<int>(value * 1000.0f);
}

bool IsReplaceableCompany(const wchar_t* company)
{
    return ::_wcsicmp(company, kPublisher) == 0;
}

bool HasReplaceableSize(const wchar_t* path)
{
    UniqueStdioFile file(::_wfopen(path, L"rb"));
    if (!file || ::_fseeki64(file.get(), 0, SEEK_END) != 0) {
        return false;
    }
    return ::_ftelli64(file.get()) == kReplaceableIconLibraryBytes;
}

// The destination must leave room for the viewer's path in a path buffer: a longer one would be
// cut into a different path by the registration and shortcuts.
bool LeavesRoomForViewerPath(const wchar_t* destination)
{
    std::size_t needed = std::wcslen(destination) + std::wcslen(SeparatorAfter(destination))
        + std::wcslen(kViewerFileName);
    return needed < kPathChars;
}

// Resolves where the run installs: options.destinationFolder trimmed, made absolute against the
// start directory, checked, and created (which also cleans it). False with the refusal filled when
// the destination is empty, names no folder within the limits, or cannot be created.
bool ResolveInstallTarget(const InstallOptions& options, const wchar_t* startDirectory, InstallTarget& target,
                          Refusal& refusal)
{
    auto refuse = [&refusal](InstallFailure cause, UINT stringId, const wchar_t* folder) {
        refusal.cause = cause;
        refusal.stringId = stringId;
        CopyTextCut(refusal.folder, folder);
        return false;
    };
    wchar_t given[kWorkPathChars] = {};
    CopyTextCut(given, options.destinationFolder);
    if (given[0] == L'\0') {
        return refuse(InstallFailure::InvalidDestination, IDS_INVALID_DEST, given);
    }
    // A destination of blanks only is nothing to create.
    TrimBlanks(given);
    if (given[0] == L'\0') {
        return refuse(InstallFailure::DestinationNotCreatable, IDS_CREATE_DEST_FAILED, given);
    }

    // One absolute folder for every step. The extraction makes the destination the current
    // directory, so a relative text would name another folder for every step after it; it is
    // taken against the directory the installer was started from, once, here.
    wchar_t folder[kWorkPathChars] = {};
    if (!MakeAbsolutePath(given, startDirectory, folder, kWorkPathChars)) {
        Trace(L"destination %ls: no absolute folder within the limits, or it names a device", given);
        return refuse(InstallFailure::InvalidDestination, IDS_INVALID_DEST, given);
    }
    if (!LeavesRoomForViewerPath(folder)) {
        Trace(L"destination %ls: no room for the viewer's path", folder);
        return refuse(InstallFailure::InvalidDestination, IDS_INVALID_DEST, folder);
    }
    // Every file of the payload must be reachable by path on the systems that keep the classic
    // path limit, also under the longer name it has while it is staged: a destination without room
    // for the deepest one is refused before anything is made, rather than installed in part.
    PayloadNameLengths names;
    if (MeasurePayloadNames(names)
        && !PayloadFitsUnder(names, std::wcslen(folder) + std::wcslen(SeparatorAfter(folder)))) {
        Trace(L"destination %ls: no room for the payload's deepest names (%zu characters for a file, %zu for a "
              L"folder)",
              folder, names.file, names.folder);
        return refuse(InstallFailure::InvalidDestination, IDS_INVALID_DEST, folder);
    }
    // Creating the folder also cleans the text (blanks before inner backslashes removed, a
    // trailing backslash): from here on the folder is exactly as it exists. A full disk is named
    // as such; any other reason as a folder that cannot be created.
    // Outside the program-files folders the folder is the run's to protect, as those are: one it
    // creates gets an access list that only administrators may change, and one that exists must
    // belong to the administrators or this account, and loses what lets others change it, before
    // anything is written into it.
    const bool outside = !IsInsideProgramFiles(folder);
    ProtectedFolderSecurity protection;
    FolderCreation leaf;
    if (outside && protection.Attributes() != nullptr) {
        leaf.create = FolderSecurity().createFolder;
        leaf.security = protection.Attributes();
    }
    DWORD error = ERROR_SUCCESS;
    if (!EnsureFolderTree(folder, kWorkPathChars, &error, &leaf) || !SetInstallFolder(target, folder)) {
        TraceError(error, L"destination %ls: cannot be created", folder);
        const InstallFailure cause = CauseOfError(error) == InstallFailure::DiskFull
            ? InstallFailure::DiskFull
            : InstallFailure::DestinationNotCreatable;
        return refuse(cause, IDS_CREATE_DEST_FAILED, folder);
    }
    if (outside && leaf.created) {
        Trace(L"destination %ls: made with an access list only administrators may change", folder);
    } else if (outside) {
        const FolderTrust trust = CheckTrust(folder);
        if (trust == FolderTrust::Untrusted) {
            Trace(L"destination %ls: belongs to another account (or its security cannot be read), refused", folder);
            return refuse(InstallFailure::DestinationNotTrusted, IDS_DEST_NOT_TRUSTED, folder);
        }
        if (trust == FolderTrust::WritableByOthers) {
            error = ProtectFolder(folder);
            if (error != ERROR_SUCCESS) {
                TraceError(error, L"destination %ls: others may change it, and that cannot be taken away", folder);
                return refuse(InstallFailure::DestinationNotTrusted, IDS_DEST_NOT_TRUSTED, folder);
            }
            Trace(L"destination %ls: others could change it; it now has an access list only administrators may "
                  L"change",
                  folder);
        }
    }
    ChooseShortcutFolders(target, options.allUsers);
    Trace(L"destination: %ls", target.folder);
    return true;
}

} // namespace

bool ShouldKeepInstalledIconLibrary(const wchar_t* iconLibraryPath)
{
    wchar_t version[kVersionTextChars] = {};
    wchar_t company[kCompanyNameChars];
    company[0] = L'\0';
    if (InstalledFileVersion(iconLibraryPath, version, company) == 0) {
        return false;
    }
    int reference = VersionNumber(kIconLibraryReferenceVersion);
    int installed = VersionNumber(version);
    bool keep = false;
    if (installed > reference) {
        keep = true;
    } else if (installed < reference) {
        keep = !IsReplaceableCompany(company);
    } else {
        keep = !(HasReplaceableSize(iconLibraryPath) && IsReplaceableCompany(company));
    }
    // A library another account placed is never kept, whatever version it claims: the viewer
    // loads it.
    if (keep && CheckTrust(iconLibraryPath) == FolderTrust::Untrusted) {
        Trace(L"icon library %ls: placed by another account, replaced", iconLibraryPath);
        return false;
    }
    return keep;
}

int RunInstallation(InstallOptions& options, RunReport* report)
{
    RunReport ignored;
    RunReport& run = report != nullptr ? *report : ignored;
    run = RunReport{};
    auto stop = [&options, &run](InstallFailure cause, UINT stringId, const wchar_t* folder,
                                 FolderPosition position = FolderPosition::AfterMessage) {
        return ReportRunFailure(options, &run, cause, stringId, folder, position);
    };
    InstallTarget& target = run.target;
    Refusal refusal;
    if (!ResolveInstallTarget(options, StartDirectory(), target, refusal)) {
        return stop(refusal.cause, refusal.stringId, refusal.folder);
    }

    wchar_t plugins[kWorkPathChars] = {};
    CopyTextCut(plugins, target.pluginsFolder);
    DWORD error = ERROR_SUCCESS;
    if (!EnsureFolderTree(plugins, kWorkPathChars, &error)) {
        TraceError(error, L"plugins folder %ls: cannot be created", plugins);
    }
    const bool skipIcons = ShouldKeepInstalledIconLibrary(target.iconLibraryPath);
    Trace(L"icon library %ls: %ls", target.iconLibraryPath,
          skipIcons ? L"the installed one stays" : L"the payload's is installed");

    Trace(L"step: extraction");
    InstallFailure why = InstallFailure::None;
    if (ExtractPayload(target.folder, skipIcons, &why) != 0) {
        return stop(why, IDS_EXTRACT_FAILED, target.folder, FolderPosition::BeforeMessage);
    }
    // From here on a failing step (a settings key, a registry value, a shortcut) is not reported.
    run.installed = true;

    // The viewer's settings, in the installed folder or the settings folder.
    Trace(L"step: settings");
    WriteViewerSettings(target, options.iniFolder, options.silent, options.keepSettingsRedirection != 0);
    Trace(L"settings file: %ls", target.settingsPath[0] != L'\0' ? target.settingsPath : L"(none)");

    // Associations change which program opens the user's files, so the wizard asks once more.
    // Anything but Yes (No, or a box that could not be shown) installs without them: every
    // catalogue row then counts as unselected and the shell is not told of new associations.
    if (options.silent == 0 && options.associate != 0) {
        if (Seams().messageBox(::GetActiveWindow(), LoadResourceText(IDS_CONFIRM_ASSOC).text, options.caption,
                               MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2)
            != IDYES) {
            Trace(L"associations: declined");
            options.associate = 0;
            std::fill(std::begin(options.associationFlags), std::end(options.associationFlags), 0);
        }
    }

    // Shortcuts, shell registration and associations; like every step from here, not reported.
    static_assert(kFileTypeRowCount <= kAssociationFlagCount && kImageFileTypeRows == kImageRowCount,
                  "one association flag per file type row, the image rows first");
    Trace(L"step: registration");
    RegisterInstallation(target, options.associate, options.startMenuGroup, options.desktopShortcut,
                         options.thumbnailsShortcut, options.associationFlags);

    // The settings file is rewritten as UTF-16 last, after every key of the run is in it. Its
    // failures are in the verbose log, with the system's error of the call that failed.
    Trace(L"step: settings conversion");
    UniqueStdioFile settings = target.settingsPath[0] != L'\0' ? OpenSettingsForReading(target.settingsPath)
                                                               : UniqueStdioFile();
    if (settings) {
        ConvertSettingsToUtf16(target.settingsPath, std::move(settings));
    }
    return 1;
}

} // namespace ph
