// The installed product's names, files and registry keys, each derived from the names and version
// of res/version.h, so that one edit there changes every text built from them.
#pragma once

#include "base/text.h"
#include "res/version.h"

#define PH_WIDE_TEXT_(text) L##text
#define PH_WIDE_TEXT(text) PH_WIDE_TEXT_(text)

namespace ph {

// Names.
inline constexpr wchar_t kProductName[] = PH_WIDE_TEXT(PH_PRODUCT_NAME);
// "4.70": the version as every text of the program writes it.
inline constexpr wchar_t kVersionText[] = PH_WIDE_TEXT(PH_VERSION_TEXT);
inline constexpr wchar_t kPublisher[] = PH_WIDE_TEXT(PH_PUBLISHER);
// "Photavian 64-bit Setup": the title of the setup's message boxes and the head of its log.
inline constexpr wchar_t kSetupTitle[] = PH_WIDE_TEXT(PH_SETUP_DESCRIPTION);
// "Photavian 64-bit": the viewer as the shell names it.
inline constexpr auto kFriendlyAppName = JoinTexts(kProductName, L" 64-bit");

// The class of the viewer's top-level window: one of them means the viewer runs.
inline constexpr auto& kViewerWindowClass = kProductName;
// The folder the product gets under the program-files folder or a folder chosen in the wizard,
// and its group in the Start menu.
inline constexpr auto& kProductFolderName = kProductName;
// The product's ProgID; each file type gets "Photavian.<class>".
inline constexpr auto& kProductProgId = kProductName;

// Files of the installation, relative to its folder.
inline constexpr wchar_t kViewerFileName[] = L"ph_tav64.exe";
inline constexpr wchar_t kUninstallerFile[] = L"pt_uninstall.exe";
inline constexpr wchar_t kPluginsFolderName[] = L"Plugins";
inline constexpr wchar_t kIconLibraryFileName[] = L"Icons.dll";
inline constexpr wchar_t kSettingsFileName[] = L"ph_tav64.ini";
inline constexpr wchar_t kSettingsTempFileName[] = L"ph_tav64.ini_temp";
inline constexpr wchar_t kHelpFileName[] = L"ph_tav32.chm";

// The setup program's own files: the install log in the folder it was started from.
inline constexpr auto kInstallLogName = JoinTexts(kProductName, L"_Install.log");

// The settings folder of a silent installation into the program-files product folder, stored with
// its reference unexpanded so that each user's viewer finds its own.
inline constexpr auto kAppDataSettingsFolder = JoinTexts(L"%APPDATA%\\", kProductName);

// Machine-wide keys (HKEY_LOCAL_MACHINE) the registration writes; the open command is read back
// to find an earlier installation.
inline constexpr wchar_t kClassesKey[] = L"SOFTWARE\\Classes\\";
inline constexpr auto kProductClassKey = JoinTexts(kClassesKey, kProductProgId);
inline constexpr auto kProductOpenCommandKey = JoinTexts(kProductClassKey.text, L"\\shell\\open\\command");
inline constexpr auto kApplicationKey = JoinTexts(L"SOFTWARE\\", kProductName);
inline constexpr auto kCapabilitiesKey = JoinTexts(kApplicationKey.text, L"\\Capabilities");
inline constexpr auto kFileAssociationsKey = JoinTexts(kCapabilitiesKey.text, L"\\FileAssociations");
inline constexpr auto kUninstallKey = JoinTexts(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\",
                                                kProductName, L"64");

} // namespace ph
