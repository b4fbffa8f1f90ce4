// Shell shortcuts of an installation: the desktop shortcuts and the Start-menu group.
#pragma once

#include "base/install_target.h"
#include "base/product.h"

namespace ph {

// The viewer opens in its thumbnail mode with this argument; the viewer's icon 7 shows that mode.
inline constexpr wchar_t kThumbnailsArguments[] = L"/thumbs";
inline constexpr int kThumbnailsIconIndex = 7;

// Saves shortcutName in the shell folder csidl (CSIDL_DESKTOP, CSIDL_COMMON_PROGRAMS ...; the
// Windows folder when the shell cannot name it), pointing at target. iconPath, description and
// arguments may be null (not set). Returns 1 when the shortcut file was saved, else 0.
int CreateShortcutIn(int csidl, const wchar_t* target, const wchar_t* shortcutName, const wchar_t* iconPath,
                     const wchar_t* description, const wchar_t* arguments, int iconIndex);

// Saves shortcutName in the desktop folder (the common one when allUsers is non-zero), pointing
// at target. iconPath, description and arguments may be null (not set). Returns 1 when the
// shortcut file was saved, else 0.
int CreateDesktopShortcut(const wchar_t* target, const wchar_t* shortcutName, const wchar_t* iconPath,
                          const wchar_t* description, const wchar_t* arguments, int iconIndex, int allUsers);

// Saves folder + shortcutName (folder ends in a backslash), pointing at target, without a
// description. arguments and iconPath may be null. Returns 1 when saved, else 0.
int CreateFolderShortcut(const wchar_t* folder, const wchar_t* shortcutName, const wchar_t* target,
                         const wchar_t* arguments, const wchar_t* iconPath, int iconIndex);

// Creates the group "Photavian" in the target's programs folder with the viewer's versioned
// shortcut, the thumbnails shortcut, the uninstaller (except on Windows 8) and the text and help
// files of the installation, and removes the versioned shortcuts of 4.67 and 4.66.
void CreateStartMenuGroup(const InstallTarget& target);
// The same for the installation in installFolder (ending in a backslash), in the common programs
// folder when allUsers is non-zero.
void CreateStartMenuGroup(const wchar_t* installFolder, int allUsers);

} // namespace ph
