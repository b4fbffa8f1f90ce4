// Deriving the installation's paths from its folder.
#include "base/install_target.h"

#include "base/product.h"

namespace ph {

namespace {

template <std::size_t N>
[[nodiscard]] bool Compose(wchar_t (&dst)[N], const wchar_t* first, const wchar_t* second, const wchar_t* third = L"")
{
    dst[0] = L'\0';
    if (CopyTextWhole(dst, first) && AppendTextWhole(dst, second) && AppendTextWhole(dst, third)) {
        return true;
    }
    dst[0] = L'\0';
    return false;
}

} // namespace

bool SetInstallFolder(InstallTarget& target, const wchar_t* folder)
{
    if (!EndsWithBackslash(folder)) {
        return false;
    }
    InstallTarget derived = target;
    const bool fits = CopyTextWhole(derived.folder, folder) && Compose(derived.viewerPath, folder, kViewerFileName)
        && Compose(derived.uninstallerPath, folder, kUninstallerFile)
        && Compose(derived.pluginsFolder, folder, kPluginsFolderName, L"\\")
        && Compose(derived.iconLibraryPath, derived.pluginsFolder, kIconLibraryFileName)
        && Compose(derived.programIniPath, folder, kSettingsFileName);
    if (!fits) {
        return false;
    }
    derived.settingsPath[0] = L'\0';
    target = derived;
    return true;
}

void ChooseShortcutFolders(InstallTarget& target, int allUsers)
{
    target.desktopFolder = allUsers != 0 ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOP;
    target.programsFolder = allUsers != 0 ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS;
}

} // namespace ph
