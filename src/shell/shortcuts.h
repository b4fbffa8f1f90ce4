// Shell shortcuts of an installation: the desktop shortcuts and the Start-menu group.
#pragma once

#include "base/product.h"

namespace ph {

// Folder name of the Start-menu group, under the programs folder.
inline constexpr wchar_t kStartMenuGroupName[] = L"Photavian";

// The installed programs that shortcuts and registry entries name, relative to the folder.
inline constexpr wchar_t kUninstallerFile[] = L"pt_uninstall.exe";

// The viewer opens in its thumbnail mode with this argument; the viewer's icon 7 shows that mode.
inline constexpr wchar_t kThumbnailsArguments[] = L"/thumbs";
inline constexpr int kThumbnailsIconIndex = 7;

// Saves shortcutName in the desktop folder (the common one when allUsers is non-zero), pointing
// at target. iconPath, description and arguments may be null (not set). Returns 1 when the
// shortcut file was saved, else 0.
int CreateDesktopShortcut(const wchar_t* target, const wchar_t* shortcutName, const wchar_t* iconPath,
                          const wchar_t* description, const wchar_t* arguments, int iconIndex, int allUsers);

// Saves folder + shortcutName (folder ends in a backslash), pointing at target, without a
// description. arguments and iconPath may be null. Returns 1 when saved, else 0.
int CreateFolderShortcut(const wchar_t* folder, const wchar_t* shortcutName, const wchar_t* target,
                         const wchar_t* arguments, const wchar_t* iconPath, int iconIndex);

// Creates the group "Photavian" in the programs folder (the common one when allUsers is
// non-zero) with the viewer's versioned shortcut, the thumbnails shortcut, the uninstaller
// (except on Windows 8) and the text and help files of installFolder (ending in a backslash),
// and removes the versioned shortcuts of 4.67 and 4.66.
void CreateStartMenuGroup(const wchar_t* installFolder, int allUsers);

} // namespace ph
