// Where one installation goes and what it writes there: the installation folder as the run
// created it and every path, hive and shell folder derived from it, decided once at the start of a
// run and handed to every step.
#pragma once

#include "base/text.h"

#include <windows.h>
#include <shlobj.h>

namespace ph {

// The registry roots the registration writes under. The product's keys are machine-wide, its
// Applications entry goes to the merged classes view, the user's choices to the current user.
struct RegistryRoots {
    HKEY machine = HKEY_LOCAL_MACHINE;
    HKEY classes = HKEY_CLASSES_ROOT;
    HKEY user = HKEY_CURRENT_USER;
};

struct InstallTarget {
    // Absolute, cleaned (blanks before inner backslashes removed), ending in a backslash.
    wchar_t folder[kWorkPathChars] = {};
    // The viewer's path and the destination's settings file always fit a path buffer: a folder
    // without room for them is no installation folder. The longer names may not; whoever uses
    // them as a path checks.
    wchar_t viewerPath[kPathChars] = {};          // folder + "ph_tav64.exe"
    wchar_t programIniPath[kPathChars] = {};      // folder + "ph_tav64.ini"
    wchar_t uninstallerPath[kWorkPathChars] = {}; // folder + "pt_uninstall.exe"
    wchar_t pluginsFolder[kWorkPathChars] = {};   // folder + "Plugins\"
    wchar_t iconLibraryPath[kWorkPathChars] = {}; // pluginsFolder + "Icons.dll"
    // The settings file that received the viewer's keys; empty until the settings step has run
    // (and when it wrote none).
    wchar_t settingsPath[kPathChars] = {};
    RegistryRoots registry;
    // Shell folders (CSIDL values) of the shortcuts: the current user's or those of all users.
    int desktopFolder = CSIDL_DESKTOP;
    int programsFolder = CSIDL_PROGRAMS;
};

// Takes folder (absolute, ending in a backslash, at most kWorkPathChars - 1 characters) as the
// target's folder and derives every path from it. False, with target unchanged, when the folder
// has no trailing backslash or a derived path would not fit a path buffer (a cut path would name
// another file).
[[nodiscard]] bool SetInstallFolder(InstallTarget& target, const wchar_t* folder);

// The shortcuts' shell folders: the common ones when allUsers is non-zero.
void ChooseShortcutFolders(InstallTarget& target, int allUsers);

} // namespace ph
