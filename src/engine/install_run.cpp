// The install run: destination folder, icon library decision, extraction.
#include "engine/install_run.h"

#include "app/install_log.h"
#include "app/probes.h"
#include "base/handles.h"
#include "base/text.h"
#include "engine/existing_install.h"
#include "base/folder_tree.h"
#include "engine/payload.h"
#include "res/resource.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <iterator>

namespace ph {

namespace {

// The version of the icon library that the payload carries, and the size and company of the one
// earlier installers placed, which may be replaced.
constexpr wchar_t kIconLibraryReferenceVersion[] = L"4.30";
constexpr wchar_t kReplaceableIconCompany[] = L"Quenmarrow";
constexpr long long kReplaceableIconLibraryBytes = 226816;

constexpr std::size_t kMessageChars = 1024;

// How the two orders of a failure entry read: string first for the folder failures, folder
// first for the extraction failure.
enum class FolderPosition { AfterMessage, BeforeMessage };

// The one place where a failure that stops the run is reported.
int ReportRunFailure(const InstallOptions& options, UINT stringId, const wchar_t* folder,
                     FolderPosition position)
{
    wchar_t message[kMessageChars] = {};
    if (::LoadStringW(::GetModuleHandleW(nullptr), stringId, message, static_cast<int>(kMessageChars)) <= 0) {
        message[0] = L'\0';
    }
    if (options.silent != 0) {
        wchar_t entry[kMessageChars + kWorkPathChars] = {};
        if (position == FolderPosition::AfterMessage) {
            std::swprintf(entry, std::size(entry), L"%ls: %ls", message, folder);
        } else {
            std::swprintf(entry, std::size(entry), L"%ls: %ls", folder, message);
        }
        AppendLogEntry(entry);
    } else {
        Seams().messageBox(::GetActiveWindow(), message, options.caption, MB_OK | MB_ICONERROR);
    }
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
    return ::_wcsicmp(company, kReplaceableIconCompany) == 0;
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
    wchar_t trimmed[kWorkPathChars] = {};
    CopyTextCut(trimmed, destination);
    TrimBlanks(trimmed);
    std::size_t needed = std::wcslen(trimmed) + (EndsWithBackslash(trimmed) ? 0 : 1) + std::wcslen(kViewerFileName);
    return needed < kPathChars;
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
    if (installed > reference) {
        return true;
    }
    if (installed < reference) {
        return !IsReplaceableCompany(company);
    }
    return !(HasReplaceableSize(iconLibraryPath) && IsReplaceableCompany(company));
}

int RunInstallation(InstallOptions& options)
{
    wchar_t destination[kWorkPathChars] = {};
    CopyTextCut(destination, options.destinationFolder);
    if (destination[0] == L'\0' || !LeavesRoomForViewerPath(destination)) {
        return ReportRunFailure(options, IDS_INVALID_DEST, destination, FolderPosition::AfterMessage);
    }
    if (!EnsureFolderTree(destination, kWorkPathChars)) {
        return ReportRunFailure(options, IDS_CREATE_DEST_FAILED, destination, FolderPosition::AfterMessage);
    }

    wchar_t iconLibrary[kWorkPathChars] = {};
    std::swprintf(iconLibrary, kWorkPathChars, L"%lsPlugins", destination);
    EnsureFolderTree(iconLibrary, kWorkPathChars);
    AppendTextWhole(iconLibrary, L"Icons.dll");
    bool skipIcons = ShouldKeepInstalledIconLibrary(iconLibrary);

    if (ExtractPayload(destination, skipIcons) != 0) {
        return ReportRunFailure(options, IDS_EXTRACT_FAILED, destination, FolderPosition::BeforeMessage);
    }
    // From here on a failing step (a settings key, a registry value, a shortcut) is not reported.
    return 1;
}

} // namespace ph
